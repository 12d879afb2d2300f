// Programs read from their files, for emurun and the grader.
#pragma once

#include "emulator.h"

#include <optional>
#include <string>

namespace mox {

// The text of a program file as every load sees it: read in text mode and
// upper-cased. Nothing when the file cannot be read.
std::optional<std::string> readProgramText(const std::string& path);

} // namespace mox
