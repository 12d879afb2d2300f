#include "format.h"

#include <utility>

namespace mox {

namespace {

constexpr std::pair<Base, int> radixes[] = {
    {Base::Binary, 2}, {Base::Decimal, 10}, {Base::Hexadecimal, 16}};

} // namespace

int radixOf(Base base) {
    for (const auto& [b, radix] : radixes)
        if (b == base)
            return radix;
    return 16;
}

std::optional<Base> baseOfRadix(int radix) {
    for (const auto& [base, r] : radixes)
        if (r == radix)
            return base;
    return std::nullopt;
}

std::string formatNumber(std::int32_t value, Base base) {
    const auto radix = static_cast<unsigned>(radixOf(base));
    const bool negative = radix == 10u && value < 0;
    // Unsigned arithmetic gives INT32_MIN its magnitude and the other bases
    // the 32-bit pattern.
    std::uint32_t rest = static_cast<std::uint32_t>(value);
    if (negative)
        rest = 0u - rest;
    char digits[33];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[rest % radix];
        rest /= radix;
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
