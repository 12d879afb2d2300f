// Grading a class's programs: each submission assembled as zerlant
// assembles it, run as emurun runs it, and held to an expected state.
#pragma once

#include "state_spec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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
    std::optional<std::size_t> executed; // words run, once it ran
    bool halted = false;
    std::vector<std::string> mismatches; // with the expected state, in hexadecimal

    bool passed() const { return executed && mismatches.empty(); }
};

// Files over this size are not read: nobody writes such a program by hand,
// and a class's folder must not exhaust the teacher's memory.
inline constexpr std::uint64_t maxSubmissionBytes = 64u << 20;

// Runs one .asm or .8xe file from a zeroed machine with `start` set, and
// compares the machine afterwards with `expected`.
Submission gradeFile(const std::string& file, const StateSpec& start, const StateSpec& expected);

// A file name ending in .asm or .8xe, in either case.
bool isSubmissionName(std::string_view name);

// The files that command-line paths stand for: files as given, folders
// searched through for every .asm and .8xe, sorted by name. The search
// passes over hidden names and the __MACOSX folder that archives made on a
// Mac hold, whose ._name.asm files are no programs. Paths that cannot be
// read, folders that hold no submission and files of other kinds given by
// name are in `problems` ("subs: no such file or folder").
struct FoundFiles {
    std::vector<std::string> files;
    std::vector<std::string> problems;
};
FoundFiles findSubmissions(const std::vector<std::string>& paths);

} // namespace mox
