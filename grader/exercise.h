// An exercise as the unit of grading: every start the exercise folder holds,
// each a test worth its points, so a program that works from one start and
// not from another earns part of the grade.
#pragma once

#include "check.h"
#include "exercise_folder.h"

#include <string>
#include <variant>
#include <vector>

namespace mox {

// The exercise in a folder on disk, its start files read and handed to
// exerciseFromFiles(); or the one line that says what is wrong.
std::variant<Exercise, std::string> readExercise(const std::string& folder);

// --make-exercise: reads the folder's solution.asm and exercise.json and
// writes the public starts (init.json and expected.json, init2.json and
// expected2.json, ...), removing older start files past them. Gives the
// files written and removed, folder first, or the one line that says what is
// wrong; the teacher's other files stay as they are.
struct MadeFiles {
    std::vector<std::string> written, removed;
};
std::variant<MadeFiles, std::string> makeExercise(const std::string& folder);

// --student-copy: writes into `out`, which must not exist or be empty, the
// folder a student gets: task.md and start.asm, the public starts and
// exercise.json without its seed, from which the hidden starts are drawn.
// The sample solution and every other file stay behind. Gives the files
// written, or the one line that says what is wrong.
std::variant<std::vector<std::string>, std::string> makeStudentCopy(const std::string& folder,
                                                                    const std::string& out);

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

} // namespace mox
