// The grades of a class in the three forms the grader prints: a table for a
// person, CSV for a gradebook, JSON for a script. The same rows in each.
#pragma once

#include "grade.h"

#include <string>
#include <vector>

namespace mox {

std::string tableReport(const std::vector<Submission>& rows);
std::string csvReport(const std::vector<Submission>& rows);
std::string jsonReport(const std::vector<Submission>& rows);
// "27 of 30 passed"
std::string summaryLine(const std::vector<Submission>& rows);

} // namespace mox
