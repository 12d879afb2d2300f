// What makes a folder an exercise, decided on its files' names and bytes
// alone: mox77-grade reads them from disk, the web page and the debug
// adapter from wherever they have them, and all find the same starts and
// refuse the same folders in the same words.
#pragma once

#include "check.h"
#include "state_spec.h"

#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mox {

struct ExerciseTest {
    std::string name;      // the expected file's name: "expected2.json"
    std::string startName; // the init file's name, empty for a zeroed machine
    StateSpec start, expected;
    double points = 1;
};

using Exercise = std::vector<ExerciseTest>;

// An exercise folder's start files by name, without the folder, as bytes.
using ExerciseFiles = std::map<std::string, std::string, std::less<>>;

// Whether a file of this name is one of an exercise's start files, or means
// to be: "init", "expected", digits or none, ".json".
bool isStartFileName(std::string_view name);

// The folder's tests: expected.json with init.json when there is one, then
// expected2.json with init2.json, and so on. An expected file may give its
// test's worth as "points" (a number, 0 or more). Else the one line that
// says what is wrong, naming the file as `folder`/name: a start named
// otherwise than its number says (expected02.json, expected1.json), a start
// without its expected file, a start missing before a later one, a file that
// is no state.
std::variant<Exercise, std::string> exerciseFromFiles(const ExerciseFiles& files,
                                                      std::string_view folder);

// One test from an expected file and, when `startPath` is not empty, a
// starting one: mox77-grade's --expect and --init. Paths as the user gave
// them, for the messages.
std::variant<Exercise, std::string> singleTest(std::string_view expectPath,
                                               std::string_view expectText,
                                               std::string_view startPath,
                                               std::string_view startText);

// A program, from its file's text as read, run from each start of the
// exercise and held to that start's expected state: one Submission a test,
// each beginning as `read` (the file's name and kind).
std::vector<Submission> checkExercise(std::string_view fileText, const Submission& read,
                                      const Exercise& exercise);

// The points of the tests passed, runs in the exercise's order.
double pointsEarned(const std::vector<Submission>& runs, const Exercise& exercise);
double pointsPossible(const Exercise& exercise);

} // namespace mox
