// The live check: the errors zerlant would print for the file the editor
// saves, found with the assembler's own library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

struct SourceError {
    std::int64_t line;       // counted from 0; -1 for an error of the whole program
    std::string consoleLine; // exactly as zerlant prints it
};

// The text as the editor holds it (LF line ends). It is saved with CR LF and
// zerlant reads that back as LF and stops at the first zero byte, so the same
// cut gives zerlant's input.
std::vector<SourceError> checkSource(std::string_view editorText);

} // namespace mox
