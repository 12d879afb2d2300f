#include "sourcetext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace mox {

std::string stripCarriageReturns(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(out),
                 [](char c) { return c != '\r'; });
    return out;
}

std::string windowsLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    std::size_t at = 0;
    while (at < text.size()) {
        // Runs without line ends are copied whole: most of a file is such runs.
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, end - at));
        out.append("\r\n");
        at = end + 1;
        if (text[end] == '\r' && at < text.size() && text[at] == '\n')
            ++at;
    }
    return out;
}

bool isUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII, eight bytes at a time where it can.
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80, high = 0xbf; // allowed range of the second byte
        if (c >= 0xc2 && c <= 0xdf) {
            length = 2;
        } else if (c >= 0xe0 && c <= 0xef) {
            length = 3;
            if (c == 0xe0)
                low = 0xa0; // overlong
            else if (c == 0xed)
                high = 0x9f; // surrogates
        } else if (c >= 0xf0 && c <= 0xf4) {
            length = 4;
            if (c == 0xf0)
                low = 0x90; // overlong
            else if (c == 0xf4)
                high = 0x8f; // above U+10FFFF
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(length) > n || s[i + 1] < low || s[i + 1] > high)
            return false;
        for (int k = 2; k < length; ++k)
            if ((s[i + k] & 0xc0) != 0x80)
                return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

} // namespace mox
