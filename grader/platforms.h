// The grades in the forms the course platforms read: Gradescope's and
// PrairieLearn's results.json for one student's hand-in, and JUnit XML,
// which GitHub Classroom, GitLab and Jenkins show as test results.
#pragma once

#include "report.h"

#include <string>

namespace mox {

// One hand-in: a single program is graded; none, or more than one, earns
// nothing and says why. seconds is the time the grading took.
std::string gradescopeReport(const ClassGrades& grades, double seconds);
std::string prairieLearnReport(const ClassGrades& grades);
// A test suite per program, a test case per test.
std::string junitReport(const ClassGrades& grades, double seconds);

} // namespace mox
