#include "format.h"

namespace mox {

std::string formatNumber(std::int32_t value, int viewMode) {
    const unsigned base = viewMode == ViewBinary ? 2u : viewMode == ViewDecimal ? 10u : 16u;
    const bool negative = base == 10u && value < 0;
    // Unsigned arithmetic gives INT32_MIN its magnitude and the other bases
    // the 32-bit pattern.
    std::uint32_t rest = static_cast<std::uint32_t>(value);
    if (negative)
        rest = 0u - rest;
    char digits[33];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[rest % base];
        rest /= base;
    } while (rest != 0);
    std::string out;
    out.reserve(static_cast<std::size_t>(n) + 1);
    if (negative)
        out.push_back('-');
    while (n > 0)
        out.push_back(digits[--n]);
    return out;
}

} // namespace mox
