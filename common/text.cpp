#include "text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace mox {

TextPos findText(std::string_view text, std::string_view pattern) {
    return findTextAfter(-1, text, pattern);
}

TextPos findTextAfter(TextPos position, std::string_view text, std::string_view pattern) {
    const TextPos start = position < 0 ? 0 : position + 1;
    if (pattern.empty() || start >= textLength(text))
        return -1;
    // The one-character search is by far the most common and is a plain memchr.
    const auto from = static_cast<std::size_t>(start);
    const auto found = pattern.size() == 1 ? text.find(pattern[0], from) : text.find(pattern, from);
    return found == std::string_view::npos ? -1 : static_cast<TextPos>(found);
}

TextPos countText(std::string_view text, std::string_view pattern) {
    TextPos count = 0;
    for (TextPos at = findText(text, pattern); at != -1; at = findTextAfter(at, text, pattern))
        ++count;
    return count == 0 ? -1 : count;
}

bool sameText(std::string_view a, std::string_view b) {
    return a == b;
}

std::string copyText(std::string_view source) {
    return std::string(source);
}

std::string copyPrefix(std::string_view source, TextPos n) {
    if (n < 1)
        return {};
    return std::string(source.substr(0, static_cast<std::size_t>(n)));
}

std::string copyRange(std::string_view source, TextPos start, TextPos end) {
    start = std::max<TextPos>(start, 0);
    end = std::min<TextPos>(end, textLength(source));
    if (start >= end)
        return {};
    return std::string(
        source.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string removeSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            out.push_back(c);
    return out;
}

char lowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

static char upperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string lowerText(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerChar);
    return out;
}

std::string upperText(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upperChar);
    return out;
}

TextPos textLength(std::string_view text) {
    return static_cast<TextPos>(text.size());
}

std::string stripBetween(std::string_view source, char startChar, char endChar) {
    // Whole runs are copied at once: a large source has few start characters.
    std::string out;
    out.reserve(source.size());
    std::size_t at = 0;
    while (at < source.size()) {
        const auto start = source.find(startChar, at);
        out.append(source.substr(at, start == std::string_view::npos ? start : start - at));
        if (start == std::string_view::npos)
            break;
        at = source.find(endChar, start + 1);
        if (at == std::string_view::npos)
            break;
        out.push_back(endChar);
        ++at;
    }
    return out;
}

std::string stripComments(std::string_view source) {
    return stripBetween(source, ';', '\n');
}

TextPos countLines(std::string_view text) {
    return countText(text, "\n");
}

std::string_view cutAtZero(std::string_view text) {
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// Length of the well-formed UTF-8 sequence at the start of the text, 0 when
// it does not start with one.
static std::size_t utf8Length(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2;
    else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else
        return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
    return length;
}

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto u = static_cast<unsigned char>(text[i]);
        std::size_t length = utf8Length(text.substr(i));
        // C1 controls are U+0080 to U+009F: 0xc2 followed by 0x80 to 0x9f.
        const bool control =
            u < 0x20 || u == 0x7f ||
            (u == 0xc2 && length == 2 && static_cast<unsigned char>(text[i + 1]) < 0xa0);
        if (length > 0 && !control) {
            out.append(text.substr(i, length));
        } else if (u == '\n') {
            out.append("\\n");
        } else if (u == '\r') {
            out.append("\\r");
        } else if (u == '\t') {
            out.append("\\t");
        } else {
            // A C1 control as both its bytes; a stray byte alone.
            length = std::max<std::size_t>(length, 1);
            for (std::size_t k = 0; k < length; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[i + k]));
                out.append(hex);
            }
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

bool isHexDigit(char c) {
    return hexDigitValue(c) != -1;
}

bool isHexText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isHexDigit);
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = lowerChar(c);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

std::int32_t hexToInt(std::string_view text) {
    if (text.size() == 1)
        return hexDigitValue(text[0]);
    // Unsigned, so that texts too long for 31 bits wrap instead of overflowing.
    std::uint32_t value = 0;
    for (char c : text)
        value = value * 16u + static_cast<std::uint32_t>(hexDigitValue(c));
    return static_cast<std::int32_t>(value);
}

// Text-mode reading: each CR LF becomes LF, a lone CR stays. A text without
// CR LF (every .8xe) is left as it is without a pass over each byte.
void joinLineEnds(std::string& data) {
    std::size_t out = data.find("\r\n");
    if (out == std::string::npos)
        return;
    // Without a branch on the data, since files saved on Windows have a CR
    // on every line.
    char* const d = data.data();
    const std::size_t last = data.size() - 1;
    for (std::size_t i = out; i < last; ++i) {
        const char c = d[i];
        d[out] = c;
        out += static_cast<std::size_t>(!(c == '\r' && d[i + 1] == '\n'));
    }
    d[out++] = d[last];
    data.resize(out);
}

std::string textModeText(std::string_view bytes) {
    std::string text(cutAtZero(bytes));
    joinLineEnds(text);
    return text;
}

} // namespace mox
