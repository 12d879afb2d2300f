#include "check.h"

#include "assembly.h"
#include "emulator.h"
#include "format.h"

namespace mox {

namespace {

// A source of a million wrong lines must not fill the report with them.
constexpr std::size_t errorLinesKept = 100;

// The machine code of a source as zerlant would write it, or nothing with
// the errors recorded.
std::optional<std::string> assembled(std::string_view text, Submission& s) {
    Assembly run;
    assembleSource(text, run, [&s](const LineError& error) {
        if (s.errorLines.size() < errorLinesKept)
            s.errorLines.push_back(consoleLine(error));
    });
    if (!s.errorLines.empty())
        s.error = s.errorLines.front();
    s.errors = run.errorCount;
    if (run.errorCount != 0)
        return std::nullopt;
    return std::move(run.machineCode);
}

std::optional<std::string> loaded(std::string_view text, Submission& s) {
    std::string program = programText(std::string(text));
    s.error = invalidProgramReason(program);
    if (!s.error.empty())
        return std::nullopt;
    return program;
}

} // namespace

std::optional<Cpu> runProgram(std::string_view fileText, Submission& s, const StateSpec& start) {
    const auto program = s.source ? assembled(fileText, s) : loaded(fileText, s);
    if (!program)
        return std::nullopt;
    Cpu cpu;
    applyState(start, cpu);
    s.executed = cpu.runText(*program).changes.size();
    s.halted = !cpu.running;
    return cpu;
}

void checkProgram(std::string_view fileText, Submission& s, const StateSpec& start,
                  const StateSpec& expected) {
    if (const auto cpu = runProgram(fileText, s, start))
        s.mismatches = stateMismatches(expected, *cpu, *s.executed, Base::Hexadecimal);
}

} // namespace mox
