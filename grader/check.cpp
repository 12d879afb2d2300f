#include "check.h"

#include "assembly.h"
#include "emulator.h"
#include "format.h"

namespace mox {

namespace {

// The machine code of a source as zerlant would write it, or nothing with
// the errors recorded.
std::optional<std::string> assembled(std::string_view text, Submission& s) {
    Assembly run;
    assembleSource(text, run, [&s](const LineError& error) {
        if (s.error.empty())
            s.error = consoleLine(error);
    });
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

void checkProgram(std::string_view fileText, Submission& s, const StateSpec& start,
                  const StateSpec& expected) {
    const auto program = s.source ? assembled(fileText, s) : loaded(fileText, s);
    if (!program)
        return;
    Cpu cpu;
    applyState(start, cpu);
    s.executed = cpu.runText(*program);
    s.halted = !cpu.running;
    s.mismatches = stateMismatches(expected, cpu, *s.executed, ViewHex);
}

} // namespace mox
