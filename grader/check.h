// One program held to an expected state, as the grader and the web page's
// Check do it: assembled as zerlant assembles it, run as emurun runs it.
#pragma once

#include "cpu.h"
#include "state_spec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

struct Submission {
    std::string file;    // the name as found
    bool source = false; // a .asm to assemble, else a .8xe to load
    // False when the file could not be read at all.
    bool readable = true;
    // The assembler's errors, once it ran over the source.
    std::optional<std::int64_t> errors;
    // zerlant's first error line, or why the program did not run; empty when
    // it ran.
    std::string error;
    // Every error line zerlant prints for the source, up to a bound, so a
    // platform can show the student all of them.
    std::vector<std::string> errorLines;
    std::optional<std::size_t> executed; // words run, once it ran
    bool halted = false;
    std::vector<std::string> mismatches; // with the expected state, in hexadecimal

    bool passed() const { return executed && mismatches.empty(); }
};

// Runs a program from its file's text as read (a .asm source when s.source
// is set, else a .8xe) from a zeroed machine with `start` set; gives the
// machine after the run, or nothing when it could not run (why is in s).
std::optional<Cpu> runProgram(std::string_view fileText, Submission& s, const StateSpec& start);

// Runs a program from its file's text as read (a .asm source when
// s.source is set, else a .8xe) from a zeroed machine with `start` set, and
// compares the machine afterwards with `expected`; the outcome goes into s.
void checkProgram(std::string_view fileText, Submission& s, const StateSpec& start,
                  const StateSpec& expected);

} // namespace mox
