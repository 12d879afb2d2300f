// A class's folder graded as a whole process. Target: 1,000 submissions of
// 100 lines each in under one second.
#include "../run_process.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int submissions = 1000;
constexpr int linesEach = 100;

// Student-like sources: comments, blank lines, every kind of instruction;
// one in ten with a typo, so both paths of the grader are timed.
std::string makeSource(std::mt19937& rng, bool typo) {
    const char* const lines[] = {
        "load ax, 2a          ; the first number",
        "load bx, 05",
        "add ax, bx",
        "mul ax, bx",
        "store ax, 10",
        "loadm cx, 10",
        "xor dx, ax",
        "rotate ax, bx",
        "inc cx",
        "dec dx",
        "",
        "; a comment on a line of its own",
        "sub ax, bx",
        "div ax, bx",
        "and dx, cx",
        "or ex, ax",
        "mov fx, ex",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(lines) - 1);
    std::string source;
    for (int i = 0; i < linesEach - 1; ++i)
        source.append(typo && i == linesEach / 2 ? "lod ax, 2a" : lines[pick(rng)]).append("\n");
    return source + "halt\n";
}

const fs::path& classFolder() {
    static const fs::path folder = [] {
        const fs::path f =
            fs::temp_directory_path() / ("mox_grade_bench_" + std::to_string(::getpid()));
        fs::create_directories(f);
        std::mt19937 rng(77);
        for (int i = 0; i < submissions; ++i)
            std::ofstream(f / ("student" + std::to_string(i) + ".asm"), std::ios::binary)
                << makeSource(rng, i % 10 == 0);
        std::ofstream(f / "expect.json") << R"({"registers": {"ax": 42}, "running": false})";
        std::atexit([] { fs::remove_all(classFolder()); });
        return f;
    }();
    return folder;
}

void BM_GradeClassFolder(benchmark::State& state) {
    const fs::path& folder = classFolder();
    const std::string expect = (folder / "expect.json").string();
    for (auto _ : state)
        runProcess(state,
                   {MOX_BIN_DIR "/mox77-grade", "--csv", "--expect", expect, folder.string()},
                   {0, 3});
    state.SetItemsProcessed(state.iterations() * submissions);
}
BENCHMARK(BM_GradeClassFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
