// What one executed word changed, for displays that point at it.
#pragma once

#include <cstdint>

namespace mox {

// What one executed word changed: at most one register or one memory cell.
// Nothing for halt, for opcode 0, or when the value did not change.
struct Change {
    enum class Where { Nothing, Register, Memory };
    Where where = Where::Nothing;
    int index = 0; // register 0-15 or cell 0x00-0xff
    std::int32_t before = 0;
    std::int32_t after = 0;
    bool operator==(const Change&) const = default;
};

} // namespace mox
