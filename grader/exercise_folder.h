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
    std::string name;      // the expected file's name: "expected2.json", or "hidden start 3"
    std::string startName; // the init file's name, empty for a zeroed machine or a hidden start
    StateSpec start, expected;
    double points = 1;
    // Drawn at grading time from exercise.json and run through the sample
    // solution; never written where a student sees it.
    bool hidden = false;
    std::string inputs; // a hidden start's values, as one line of JSON
};

struct Exercise {
    std::vector<ExerciseTest> tests; // the public starts, then the hidden ones
    // Hidden starts exercise.json asks for that were not made, the sample
    // solution not being among the files: a student's copy, which the
    // grader runs them on.
    unsigned hiddenElsewhere = 0;
};

// An exercise folder's start files by name, without the folder, as bytes.
using ExerciseFiles = std::map<std::string, std::string, std::less<>>;

// Whether a file of this name is one of an exercise's start files, or means
// to be: "init", "expected", digits or none, ".json".
bool isStartFileName(std::string_view name);

// The folder's tests: expected.json with init.json when there is one, then
// expected2.json with init2.json, and so on. An expected file may give its
// test's worth as "points" (a number, 0 or more). With exercise.json and
// solution.asm among the files, the recipe's hidden starts follow, their
// expected states the solution's; with exercise.json alone they are counted
// in hiddenElsewhere. Else the one line that says what is wrong, naming the
// file as `folder`/name: a start named otherwise than its number says
// (expected02.json, expected1.json), a start without its expected file, a
// start missing before a later one, a file that is no state, a recipe that
// is no recipe, a solution that cannot make the hidden starts.
std::variant<Exercise, std::string> exerciseFromFiles(const ExerciseFiles& files,
                                                      std::string_view folder);

// What a student is given of an exercise's files: task.md, start.asm, the
// start files and exercise.json without its seed, from which the hidden
// starts' inputs could be drawn. The sample solution and the rest stay.
ExerciseFiles studentFiles(const ExerciseFiles& files);

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

// What a check ran, as the student reads it: "2 of 2 starts pass", or with
// hidden starts not run here "2 of 2 public starts pass; 8 hidden starts are
// run when graded", or with them run "2 of 2 public starts pass; 7 of 8
// hidden starts pass". `later` says when the starts not run here are.
std::string checkSummary(const std::vector<Submission>& runs, const Exercise& exercise,
                         std::string_view later = "run when graded");

// The points of the tests passed, runs in the exercise's order.
double pointsEarned(const std::vector<Submission>& runs, const Exercise& exercise);
double pointsPossible(const Exercise& exercise);

} // namespace mox
