#include "text.h"

#include "undo_on_stop.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
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
        // The entry itself counts, as it does for a pattern: a link whose
        // target is gone is found, and then cannot be read.
        struct stat st {};
        return ::lstat(name.c_str(), &st) == 0;
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

namespace {

// Closes a descriptor on every way out, an allocation failure included.
struct FileHandle {
    int fd;
    explicit FileHandle(int descriptor) : fd(descriptor) {}
    ~FileHandle() {
        const int kept = errno; // the reason for giving up, when it is one
        if (fd >= 0)
            ::close(fd);
        errno = kept;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int release() { return std::exchange(fd, -1); }
};

} // namespace

// The bytes of a file; nothing for a directory or an unreadable name. With
// stopAtZero nothing is read past the first zero byte, so a device that never
// ends (/dev/zero, /dev/urandom) gives its text at once.
static std::optional<std::string> readRawFile(const std::string& name, bool stopAtZero) {
    FileHandle file(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    std::string data;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        std::string_view piece(chunk.data(), static_cast<std::size_t>(got));
        const bool ends = stopAtZero && piece.find('\0') != std::string_view::npos;
        if (ends)
            piece = cutAtZero(piece);
        // Room for the whole file only once its text goes on past the first
        // chunk: a large file of zero bytes is an empty text.
        if (data.empty() && !ends && S_ISREG(st.st_mode) && st.st_size > got)
            data.reserve(static_cast<std::size_t>(st.st_size));
        data.append(piece);
        if (ends)
            break;
    }
    return data;
}

// Text-mode reading: each CR LF becomes LF, a lone CR stays. A text without
// CR LF (every .8xe) is left as it is without a pass over each byte.
static void joinLineEnds(std::string& data) {
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

FileCheck checkFile(const std::string& name) {
    FileCheck check;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            check.problem = "no such file";
        } else {
            check.problem = std::strerror(errno);
            if (!check.problem.empty())
                check.problem[0] = lowerChar(check.problem[0]);
        }
    } else if (S_ISDIR(st.st_mode)) {
        check.problem = "is a directory";
    } else {
        check.regular = S_ISREG(st.st_mode);
        check.size = static_cast<std::uint64_t>(st.st_size);
    }
    return check;
}

TextPos fileCharCount(const std::string& name) {
    auto data = readRawFile(name, false);
    if (!data)
        return -1;
    joinLineEnds(*data);
    return static_cast<TextPos>(data->size());
}

std::optional<std::string> readTextFile(const std::string& name) {
    // Cutting before joining gives the same text: a CR LF pair never holds
    // a zero byte.
    auto data = readRawFile(name, true);
    if (!data)
        return std::nullopt;
    joinLineEnds(*data);
    return data;
}

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put == 0)
            errno = EIO;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// The signals that end a program by default and that a user or a system
// sends to stop it (Ctrl+C, kill, a closed terminal).
constexpr int stoppingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The named temporary file of a write under way, for removeTemporary.
std::atomic<const char*> pendingTemporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

void removeTemporary() {
    if (const char* temp = pendingTemporary.load())
        ::unlink(temp);
}

// Holds the stopping signals back for a few calls, so that a temporary name
// never exists on disk without the handler knowing it, nor the other way round.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int sig : stoppingSignals)
            sigaddset(&held, sig);
        ::pthread_sigmask(SIG_BLOCK, &held, &old_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
};

// A short name in the folder, so that every name the folder accepts can be
// written: the temporary never needs more room than the target.
std::string temporaryName(const std::string& folder) {
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::uint64_t counter = 0;
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits))
        bits = (static_cast<std::uint64_t>(::getpid()) << 32) ^ ++counter ^
               static_cast<std::uint64_t>(std::time(nullptr));
    std::string name = folder + ".mox-";
    for (int i = 0; i < 6; ++i, bits /= 36)
        name.push_back(letters[bits % 36]);
    return name;
}

// Gives up after this many names that were taken.
constexpr int nameTries = 100;

bool fill(int fd, std::string_view data, mode_t mode, Durability durability) {
    return ::fchmod(fd, mode) == 0 && writeAll(fd, data.data(), data.size()) &&
           (durability == Durability::Cached || ::fsync(fd) == 0);
}

// Has `create` make a new temporary name in the folder, trying another while
// one is taken; removeTemporary knows each name from the moment it exists.
template <class Create>
bool claimTemporary(const std::string& folder, std::string& temp, Create create) {
    for (int tries = 0; tries < nameTries; ++tries) {
        std::string candidate = temporaryName(folder);
        const SignalsHeld held;
        if (create(candidate.c_str())) {
            temp = std::move(candidate);
            pendingTemporary = temp.c_str();
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The data in a file of the folder that has no name until it is complete,
// so that nothing can be left behind. False where the file system cannot.
bool writeUnnamed(const std::string& folder, std::string_view data, mode_t mode,
                  Durability durability, std::string& temp) {
    FileHandle file(
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    const std::string self = "/proc/self/fd/" + std::to_string(file.fd);
    // The first link needs a privilege; the second needs /proc.
    const auto link = [&](const char* name) {
        return ::linkat(file.fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0 ||
               (errno != EEXIST &&
                ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0);
    };
    return file.fd >= 0 && fill(file.fd, data, mode, durability) &&
           claimTemporary(folder, temp, link) && ::close(file.release()) == 0;
}

// The same through a named temporary file, removed should a stopping signal
// come before the end.
bool writeNamed(const std::string& folder, std::string_view data, mode_t mode,
                Durability durability, std::string& temp) {
    FileHandle file(-1);
    const auto create = [&file](const char* name) {
        file.fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return file.fd >= 0;
    };
    return claimTemporary(folder, temp, create) && fill(file.fd, data, mode, durability) &&
           ::close(file.release()) == 0;
}

void discardTemporary(std::string& temp) {
    if (temp.empty())
        return;
    const SignalsHeld held;
    ::unlink(temp.c_str());
    pendingTemporary = nullptr;
    temp.clear();
}

} // namespace

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

    // The new file takes the mode the old file had, or the usual mode for a
    // new one.
    mode_t mode = 0;
    struct stat old {};
    if (::stat(name.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const auto slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    const UndoOnStop removal(stoppingSignals, removeTemporary);
    std::string temp;
    bool ok = writeUnnamed(folder, data, mode, durability, temp);
    if (!ok) {
        discardTemporary(temp);
        ok = writeNamed(folder, data, mode, durability, temp);
    }
    if (ok) {
        const SignalsHeld held;
        ok = ::rename(temp.c_str(), name.c_str()) == 0;
        if (ok)
            pendingTemporary = nullptr;
    }
    if (!ok) {
        const int failure = errno;
        discardTemporary(temp);
        if (reason)
            *reason = std::strerror(failure);
    }
    return ok;
}

} // namespace mox
