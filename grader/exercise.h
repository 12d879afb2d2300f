// An exercise as the unit of grading: every start the exercise folder holds,
// each a test worth its points, so a program that works from one start and
// not from another earns part of the grade.
#pragma once

#include "check.h"

#include <string>
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

// The folder's tests, as the web edition's Check finds them: expected.json
// with init.json when there is one, then expected2.json with init2.json and
// so on while the numbers go on. An expected file may give its test's worth
// as "points" (a number, 0 or more). Else the one line that says what is
// wrong: "<file>: <place>: <reason>".
std::variant<Exercise, std::string> readExercise(const std::string& folder);

// One test from an --expect file and an optional --init file.
std::variant<Exercise, std::string> readSingleTest(const std::string& expectPath,
                                                   const std::string& initPath);

// One file graded against every test of an exercise: the file is read once,
// then run once from each start.
struct Graded {
    std::string file;
    std::string student;          // the student's folder, or the file's name
    std::vector<Submission> runs; // one per test, in the exercise's order

    bool passed() const;
    bool readable() const { return runs.empty() || runs.front().readable; }
};

double pointsEarned(const Graded& g, const Exercise& exercise);
double pointsPossible(const Exercise& exercise);

} // namespace mox
