// State files read from disk, for emurun and the grader.
#pragma once

#include "state_spec.h"

#include <string>
#include <variant>

namespace mox {

// The file's state, or the one line that says what is wrong with it:
// "<file>: <place>: <reason>".
std::variant<StateSpec, std::string> readStateFile(const std::string& path, StateUse use);

} // namespace mox
