#include "files.h"

#include "text.h"
#include "undo_on_stop.h"

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
