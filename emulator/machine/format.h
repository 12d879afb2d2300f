// The number-to-text rule of the Memory Map and the register boxes.
#pragma once

#include <cstdint>
#include <string>

namespace mox {

// The radix that each view mode selects: 0 binary, 1 decimal, 2 hexadecimal.
enum ViewMode { ViewBinary = 0, ViewDecimal = 1, ViewHex = 2 };

// Lower-case digits, no prefix, no padding. Decimal is signed; binary and
// hexadecimal show the unsigned 32-bit pattern.
std::string formatNumber(std::int32_t value, int viewMode);

} // namespace mox
