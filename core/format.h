// The number-to-text rule of the Memory Map and the register boxes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mox {

// The base numbers are shown in: the Memory Map's View menu, the page's Base
// choice, emurun's --radix and the debug adapter's radix all pick one.
enum class Base { Binary, Decimal, Hexadecimal };

// Lower-case digits, no prefix, no padding. Decimal is signed; binary and
// hexadecimal show the unsigned 32-bit pattern.
std::string formatNumber(std::int32_t value, Base base);

// The radix as the command line and the debug adapter write it: 2, 10 or 16.
int radixOf(Base base);
// The reverse; nothing for any other number.
std::optional<Base> baseOfRadix(int radix);

} // namespace mox
