// Instruction words back to source text, for traces and tooltips.
#pragma once

#include <string>
#include <string_view>

namespace mox {

// The source line that assembles to the word (e.g. 20FF gives "load ax, ff"),
// "(none)" for opcode 0 and "(invalid)" when a character the opcode reads is
// not a hexadecimal digit. Characters the opcode ignores are not shown.
std::string disassemble(std::string_view word);

// The word as given, two spaces, then its source line: "2A7F  load kx, 7f".
std::string describeWord(std::string_view word);

} // namespace mox
