// Words per second of the interpreter and the full run, and emurun as a whole
// process against cat copying the same file. Targets: BM_Execute at least 50
// million words per second; BM_EmurunJson within 10 times BM_CatToDevNull;
// BM_FullRunTold/1 (a run that then tells its last word's cycle, as the
// datapath view does) within 10 % of BM_FullRunTold/0.
#include "../run_process.h"
#include "cpu.h"
#include "cycle.h"
#include "emulator.h"
#include "format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

using namespace mox;

namespace {

constexpr std::size_t programWords = 1'000'000;

// A mix of every opcode but halt, with random operands, so the run goes to
// the last word and no branch is predictable.
std::string makeProgram(std::size_t words) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> opcode(1, 14), digit(0, 15);
    const char* const hex = "0123456789ABCDEF";
    std::string text;
    text.reserve(words * 4);
    for (std::size_t i = 0; i < words; ++i) {
        text.push_back(hex[opcode(rng)]);
        for (int k = 0; k < 3; ++k)
            text.push_back(hex[digit(rng)]);
    }
    return text;
}

// A short program of the kind students write, without its halt, repeated:
// every word is one the processor has seen in the same order before.
std::string makeRepeatedProgram(std::size_t words) {
    const std::string block = "2005"
                              "2103"
                              "5001"
                              "7001"
                              "3010"
                              "1210"
                              "9003"
                              "6023"
                              "E021"
                              "C002"
                              "8001"
                              "D002"
                              "B012"
                              "A004"
                              "4050"
                              "3511";
    std::string text;
    text.reserve(words * 4);
    while (text.size() < words * 4)
        text.append(block);
    text.resize(words * 4);
    return text;
}

const std::string& program() {
    static const std::string text = makeProgram(programWords);
    return text;
}

const std::string& repeatedProgram() {
    static const std::string text = makeRepeatedProgram(programWords);
    return text;
}

void BM_Execute(benchmark::State& state) {
    const std::string& text = program();
    Cpu cpu;
    std::size_t at = 0;
    for (auto _ : state) {
        cpu.execute(std::string_view(text).substr(at, 4));
        at = at + 4 == text.size() ? 0 : at + 4;
    }
    benchmark::DoNotOptimize(cpu.registers);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Execute);

void BM_RunText(benchmark::State& state) {
    const std::string& text = state.range(0) == 0 ? program() : repeatedProgram();
    Cpu cpu;
    for (auto _ : state) {
        cpu.runText(text);
        benchmark::DoNotOptimize(cpu.registers);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(programWords));
}
// 0: opcodes in random order; 1: a short program repeated.
BENCHMARK(BM_RunText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A full run of 100,000 words as the windows start it (history kept for
// Back); with 1, the run's last word is then told, phases and narration.
void BM_FullRunTold(benchmark::State& state) {
    static const std::string text = makeProgram(100'000);
    Emulator emulator;
    std::size_t told = 0;
    for (auto _ : state) {
        emulator.loadProgram(text);
        if (state.range(0) == 1) {
            const auto cycle = emulator.lastCycle();
            const auto phases = showCycle(*cycle, Base::Hexadecimal);
            told += narration(*cycle, Base::Hexadecimal).size() + phases[4].line.size();
        }
        benchmark::DoNotOptimize(emulator.cpu.registers);
    }
    benchmark::DoNotOptimize(told);
    state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_FullRunTold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A 4 MB .8xe file of each program, written once: 0 random, 1 repeated.
const std::string& programFile(int kind) {
    static const std::string paths[2] = {
        [] {
            const auto p = std::filesystem::temp_directory_path() /
                           ("mox_bench_" + std::to_string(::getpid()) + ".8xe");
            std::ofstream(p, std::ios::binary) << program();
            std::atexit([] { std::filesystem::remove(programFile(0)); });
            return p.string();
        }(),
        [] {
            const auto p = std::filesystem::temp_directory_path() /
                           ("mox_bench_" + std::to_string(::getpid()) + "_repeated.8xe");
            std::ofstream(p, std::ios::binary) << repeatedProgram();
            std::atexit([] { std::filesystem::remove(programFile(1)); });
            return p.string();
        }(),
    };
    return paths[kind];
}

void BM_EmurunJson(benchmark::State& state) {
    const std::string path = programFile(static_cast<int>(state.range(0)));
    for (auto _ : state)
        runProcess(state, {MOX_BIN_DIR "/emurun", "--json", path});
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(programWords));
}
// 0: opcodes in random order; 1: a short program repeated.
BENCHMARK(BM_EmurunJson)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CatToDevNull(benchmark::State& state) {
    const std::string path = programFile(0);
    for (auto _ : state)
        runProcess(state, {"cat", path});
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(program().size()));
}
BENCHMARK(BM_CatToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
