// Times zerlant on a generated source next to `wc -l` on the same file, and
// reads zerlant's peak memory. Targets: at most 30 times wc's time, and peak
// memory under twice the file's size, also for a source of one huge line
// and for one with a million errors.
#include "instruction_set.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Sample {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// Runs a program with stdin and stdout on /dev/null and waits for it alone,
// so its own resource usage comes back.
Sample runOnce(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    Sample s;
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return s;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.peakKb = usage.ru_maxrss;
    s.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return s;
}

// The best of several runs, as the others only add the machine's noise.
Sample best(const std::vector<std::string>& argv, int runs) {
    Sample b;
    for (int i = 0; i < runs; ++i) {
        const Sample s = runOnce(argv);
        if (i == 0 || s.seconds < b.seconds)
            b = s;
        b.peakKb = std::max(b.peakKb, s.peakKb);
    }
    return b;
}

// A lesson-like program: mostly instructions of every kind, some with
// comments, some comment lines and blank lines, CR LF line ends as the
// editor writes them, and a halt at the very end.
void generate(const fs::path& file, long lines) {
    std::mt19937 random(77);
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 20);
    char value[8];
    for (long i = 0; i + 1 < lines; ++i) {
        const int kind = pick(20);
        if (kind == 0) {
            text += "; next: a few steps of the calculation";
        } else if (kind == 1) {
            // a blank line
        } else {
            const mox::Instruction& m = mox::instructionTable[pick(14)]; // all but halt
            text += m.mnemonic;
            text += ' ';
            text += mox::registerNames[pick(16)];
            if (m.operands == mox::OperandClass::RegisterValue) {
                std::snprintf(value, sizeof value, ", %02x", pick(256));
                text += value;
            } else if (m.operands == mox::OperandClass::TwoRegisters) {
                text += ", ";
                text += mox::registerNames[pick(16)];
            }
            if (kind < 6)
                text += "   ; keep this for later";
        }
        text += "\r\n";
    }
    text += "halt\r\n";
    std::ofstream(file, std::ios::binary) << text;
}

// Peak memory against file size for a source built to stress it, less what
// zerlant holds for a one-line source (its code and libraries), which would
// otherwise swamp a small file. The file is written piece by piece: a
// child's peak counts what its parent held when it forked.
double peakOverSize(const fs::path& bin, const fs::path& source, long baseKb,
                    const std::function<void(std::ofstream&)>& write) {
    {
        std::ofstream out(source, std::ios::binary);
        write(out);
    }
    const Sample s = runOnce({(bin / "zerlant").string(), source.string()});
    return static_cast<double>(s.peakKb - baseKb) * 1024.0 /
           static_cast<double>(fs::file_size(source));
}

} // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const fs::path dir =
        fs::temp_directory_path() / ("zerlant_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "bench.asm";
    generate(source, lines);
    const auto size = static_cast<double>(fs::file_size(source));

    const int runs = 7;
    const Sample wc = best({"/usr/bin/wc", "-l", source.string()}, runs);
    const Sample zerlant = best({(bin / "zerlant").string(), source.string()}, runs);
    const bool written = fs::exists(dir / "bench.8xe");

    // One line of fifty million characters, and a million error lines.
    std::ofstream(dir / "base.asm") << "halt\n";
    const long baseKb = runOnce({(bin / "zerlant").string(), (dir / "base.asm").string()}).peakKb;
    const double longLine = peakOverSize(bin, dir / "long.asm", baseKb, [](std::ofstream& out) {
        const std::string spaces(1 << 16, ' ');
        out << "load ax, ";
        for (std::size_t n = 0; n < 50'000'000; n += spaces.size())
            out.write(spaces.data(), static_cast<std::streamsize>(
                                         std::min<std::size_t>(spaces.size(), 50'000'000 - n)));
        out << "1\nhalt\n";
    });
    const double manyErrors = peakOverSize(bin, dir / "errors.asm", baseKb, [](std::ofstream& out) {
        for (int i = 0; i < 1'000'000; ++i)
            out << "x\n";
        out << "halt\n";
    });
    fs::remove_all(dir);

    const double timeRatio = zerlant.seconds / wc.seconds;
    const double memoryRatio = static_cast<double>(zerlant.peakKb) * 1024.0 / size;
    std::printf("source: %ld lines, %.1f MB\n", lines, size / 1e6);
    std::printf("wc -l:   %8.2f ms\n", wc.seconds * 1e3);
    std::printf("zerlant: %8.2f ms, peak memory %.1f MB, exit status %d%s\n", zerlant.seconds * 1e3,
                zerlant.peakKb / 1024.0, zerlant.status, written ? "" : " (no .8xe written)");
    std::printf("time:   %5.1f x wc -l       (target at most 30)\n", timeRatio);
    std::printf("memory: %5.2f x file size   (target under 2)\n", memoryRatio);
    std::printf("memory: %5.2f x file size   for one 50-million-character line, beyond the\n"
                "                            %.1f MB zerlant holds for a one-line source\n",
                longLine, baseKb / 1024.0);
    std::printf("memory: %5.2f x file size   for a million error lines, likewise\n", manyErrors);
    const bool ok = zerlant.status == 0 && written && timeRatio <= 30 && memoryRatio < 2 &&
                    longLine < 2 && manyErrors < 2;
    std::printf("%s\n", ok ? "within targets" : "OUTSIDE TARGETS");
    return ok ? 0 : 1;
}
