// formatNumber in every radix: the text must read back to the same value and
// follow the digit rules.
#include "format.h"
#include "reference.h"

#include <cstdint>
#include <cstring>
#include <string>

using namespace mox;
using namespace mox::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::uint32_t pattern = 0;
    std::memcpy(&pattern, data, 4);
    const auto value = static_cast<std::int32_t>(pattern);
    const std::string input(reinterpret_cast<const char*>(data), 4);

    struct Radix {
        Base base;
        unsigned radix;
        std::size_t longest;
    };
    for (const Radix r : {Radix{Base::Binary, 2, 32}, Radix{Base::Decimal, 10, 11},
                          Radix{Base::Hexadecimal, 16, 8}}) {
        const std::string text = formatNumber(value, r.base);
        check(!text.empty() && text.size() <= r.longest, "length within the radix's longest",
              input);
        const bool negative = r.radix == 10 && value < 0;
        check(negative == (text[0] == '-'), "only a negative decimal has a sign", input);
        const std::string digits = negative ? text.substr(1) : text;
        check(!digits.empty(), "digits follow the sign", input);
        check(digits == "0" || digits[0] != '0', "no leading zero", input);
        std::uint64_t magnitude = 0;
        for (char c : digits) {
            const unsigned d = c >= '0' && c <= '9'   ? unsigned(c - '0')
                               : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                                      : 99u;
            check(d < r.radix, "every digit belongs to the radix, lower case", input);
            magnitude = magnitude * r.radix + d;
        }
        const std::uint64_t want =
            negative ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(value)) : pattern;
        check(magnitude == want, "text reads back to the value: " + text, input);
    }
    return 0;
}
