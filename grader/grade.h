// Grading a class's programs: each submission assembled as zerlant
// assembles it, run as emurun runs it, and held to an expected state.
#pragma once

#include "exercise.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mox {

// Files over this size are not read: nobody writes such a program by hand,
// and a class's folder must not exhaust the teacher's memory.
inline constexpr std::uint64_t maxSubmissionBytes = 64u << 20;

// Reads one .asm or .8xe file and checks it from each of the exercise's
// starts as checkProgram does.
Graded gradeFile(const std::string& file, const Exercise& exercise);

// A file name ending in .asm or .8xe, in either case.
bool isSubmissionName(std::string_view name);

// The files that command-line paths stand for: files as given, folders
// searched through for every .asm and .8xe, sorted by name. The search
// passes over hidden names and the __MACOSX folder that archives made on a
// Mac hold, whose ._name.asm files are no programs. Paths that cannot be
// read, folders that hold no submission and files of other kinds given by
// name are in `problems` ("subs: no such file or folder"). A file's student
// is the folder it lies in under the searched folder (class/alice/sum.asm:
// alice), or for a file directly in it or named alone, the file's name up
// to its first '.' (class/bob.asm: bob).
struct FoundFile {
    std::string path, student;
};
struct FoundFiles {
    std::vector<FoundFile> files;
    std::vector<std::string> problems;
};
FoundFiles findSubmissions(const std::vector<std::string>& paths);

} // namespace mox
