// The grades of a class in the forms the grader prints: a table for a
// person, CSV for a gradebook, JSON for a script. The same rows in each.
// Graded against an exercise, each form gains a result per test and the
// points; against one --expect file the forms stay as they always were.
#pragma once

#include "grade.h"

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace mox {

struct ClassGrades {
    Exercise exercise;
    std::vector<Graded> rows;
    bool perTest = false; // an exercise folder rather than one --expect file
    // The hidden starts' inputs are said: the teacher's own outputs, never
    // a platform's students'.
    bool showHidden = false;
};

std::string tableReport(const ClassGrades& grades);
std::string csvReport(const ClassGrades& grades);
std::string jsonReport(const ClassGrades& grades);
// "27 of 30 passed"
std::string summaryLine(const ClassGrades& grades);

// Helpers the platforms' forms share with these.

// "1", "0.5": points as a person writes them.
std::string pointsText(double points);
// Whole points as JSON integers, parts as decimals.
nlohmann::ordered_json pointsJson(double points);
// The test as a person reads its name: "expected2.json from init2.json",
// "hidden start 3", or with its inputs said "hidden start 3 from
// {"registers":{"ax":-1}}".
std::string testTitle(const ExerciseTest& test, bool showHidden);
// Why a run did not pass, one line each: the differences, or zerlant's error
// lines, or why the program could not run. None for a pass.
std::vector<std::string> failureLines(const Submission& run);

} // namespace mox
