#include "text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

// The directory search's pattern rule: only '*' and '?' are wildcards.
static bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool fileExists(const std::string& name) {
    if (name.empty())
        return false;
    const auto slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.find_first_of("*?") == std::string::npos) {
        struct stat st {};
        return ::stat(name.c_str(), &st) == 0;
    }
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(d)) {
        if (wildcardMatch(last, entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// Reads every byte of a regular file; nothing for a directory or an unreadable name.
static std::optional<std::string> readRawFile(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size));
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        data.append(chunk.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return data;
}

// Text-mode reading: each CR LF becomes LF, a lone CR stays. Written without
// a branch on the data, since files saved on Windows have a CR on every line.
static void joinLineEnds(std::string& data) {
    if (data.empty())
        return;
    char* const d = data.data();
    const std::size_t last = data.size() - 1;
    std::size_t out = 0;
    for (std::size_t i = 0; i < last; ++i) {
        const char c = d[i];
        d[out] = c;
        out += static_cast<std::size_t>(!(c == '\r' && d[i + 1] == '\n'));
    }
    d[out++] = d[last];
    data.resize(out);
}

TextPos fileCharCount(const std::string& name) {
    auto data = readRawFile(name);
    if (!data)
        return -1;
    joinLineEnds(*data);
    return static_cast<TextPos>(data->size());
}

std::optional<std::string> readTextFile(const std::string& name) {
    auto data = readRawFile(name);
    if (!data)
        return std::nullopt;
    joinLineEnds(*data);
    data->resize(cutAtZero(*data).size());
    return data;
}

static bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool writeTextFile(const std::string& name, std::string_view text, std::string* reason,
                   Durability durability) {
    // A text without line feeds, such as machine code, is written as it is.
    std::string expanded;
    if (text.find('\n') != std::string_view::npos) {
        expanded.reserve(text.size() + text.size() / 16);
        for (char c : text) {
            if (c == '\n')
                expanded.push_back('\r');
            expanded.push_back(c);
        }
    }
    const std::string_view data = expanded.empty() ? text : expanded;

    std::string temp = name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode the old file had, or
    // the usual mode for a new one.
    mode_t mode = 0;
    struct stat old {};
    if (::stat(name.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data.data(), data.size()) &&
              (durability == Durability::Cached || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp.c_str(), name.c_str()) == 0;
    if (!ok) {
        if (reason)
            *reason = std::strerror(errno);
        ::unlink(temp.c_str());
    }
    return ok;
}

} // namespace mox
