// State files read from disk, for emurun and the grader.
#pragma once

#include "state_spec.h"

#include <string>
#include <variant>

namespace mox {

// A course file's text as the tools read it (a state file, an exercise's
// start, recipe or solution): `error` says why it could not be read,
// "<file>: <why>", and is empty when `text` holds it.
struct CourseText {
    std::string text, error;
};
CourseText readCourseFile(const std::string& path);

// The file's state, or the one line that says what is wrong with it:
// "<file>: <place>: <reason>".
std::variant<StateSpec, std::string> readStateFile(const std::string& path, StateUse use);

} // namespace mox
