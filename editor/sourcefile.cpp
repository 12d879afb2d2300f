#include "sourcefile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mox {

namespace {

void setReason(std::string* reason, const char* text) {
    if (reason)
        *reason = text;
}

void setErrno(std::string* reason) {
    setReason(reason, std::strerror(errno));
}

// Refusals of things that are not files get the system's wording where it has one.
const char* notRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? std::strerror(EISDIR) : "not a regular file";
}

class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closing can report a late write error, so it is checked where it matters.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

std::string folderOf(const std::string& name) {
    const auto slash = name.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

// The file a chain of symbolic links ends at; a loop is left for open to report.
std::string followLinks(std::string name) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return name;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
        if (length < 0)
            return name;
        target.resize(static_cast<std::size_t>(length));
        name = target.front() == '/' ? target : folderOf(name) + '/' + target;
    }
    return name;
}

// As careful editors see it: a file with no write permission bit at all is
// read-only even for root, who could write it anyway.
bool userMayWrite(const std::string& name, const struct stat& st) {
    return (st.st_mode & 0222) != 0 && ::access(name.c_str(), W_OK) == 0;
}

bool syncFolder(const std::string& folder) {
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

// Opened without truncating, so a file that cannot be opened loses nothing.
bool writeInPlace(const std::string& name, std::string_view bytes, std::string* reason) {
    FileHandle file(::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    // Room for the whole text first, so a full disk fails before a byte changes.
    const auto size = static_cast<off_t>(bytes.size());
    const bool room = file.get() >= 0 && (size == 0 || ::fallocate(file.get(), 0, 0, size) == 0 ||
                                          errno == EOPNOTSUPP || errno == ENOSYS);
    const bool ok = room && writeAll(file.get(), bytes) && ::ftruncate(file.get(), size) == 0 &&
                    ::fsync(file.get()) == 0 && file.close();
    if (!ok)
        setErrno(reason);
    return ok;
}

enum class Replaced { Yes, Failed, KeepsNotIdentity };

Replaced replaceByRename(const std::string& name, std::string_view bytes, const struct stat* old,
                         std::string* reason) {
    std::string temp = name + ".XXXXXX";
    FileHandle file(::mkstemp(temp.data()));
    if (file.get() < 0) {
        setErrno(reason);
        return Replaced::Failed;
    }
    const auto fail = [&](Replaced result) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        if (result == Replaced::Failed)
            setErrno(reason);
        return result;
    };
    // The group of the folder or of the user is not always the file's.
    if (old && ::fchown(file.get(), old->st_uid, old->st_gid) != 0)
        return fail(Replaced::KeepsNotIdentity);
    mode_t mode = 0;
    if (old) {
        mode = old->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(file.get(), mode) != 0 || !writeAll(file.get(), bytes) ||
        ::fsync(file.get()) != 0 || !file.close() || ::rename(temp.c_str(), name.c_str()) != 0)
        return fail(Replaced::Failed);
    // The rename itself is made durable too; a folder that cannot be synced
    // still holds the new file.
    syncFolder(folderOf(name));
    return Replaced::Yes;
}

} // namespace

std::optional<std::string> readSourceFile(const std::string& name, std::string* reason) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        setErrno(reason);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        setReason(reason, notRegularReason(st.st_mode));
        return std::nullopt;
    }
    // Non-blocking, in case the name was swapped for a FIFO after the check.
    FileHandle file(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
        setErrno(reason);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        setReason(reason, notRegularReason(st.st_mode));
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == data.size())
            data.resize(data.size() + (1 << 16)); // the file grew while being read
        const ssize_t got = ::read(file.get(), data.data() + have, data.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            setErrno(reason);
            return std::nullopt;
        }
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    data.resize(have);
    return data;
}

bool saveSourceFile(const std::string& name, std::string_view bytes, std::string* reason) {
    const std::string target = followLinks(name);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            setErrno(reason);
            return false;
        }
        return replaceByRename(target, bytes, nullptr, reason) == Replaced::Yes;
    }
    if (!S_ISREG(st.st_mode)) {
        setReason(reason, notRegularReason(st.st_mode));
        return false;
    }
    if (!userMayWrite(target, st)) {
        setReason(reason, std::strerror(EACCES));
        return false;
    }
    const std::string folder = folderOf(target);
    const bool renameKeepsIdentity =
        st.st_nlink == 1 && st.st_uid == ::geteuid() && ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (renameKeepsIdentity) {
        switch (replaceByRename(target, bytes, &st, reason)) {
        case Replaced::Yes:
            return true;
        case Replaced::Failed:
            return false;
        case Replaced::KeepsNotIdentity:
            break;
        }
    }
    return writeInPlace(target, bytes, reason);
}

} // namespace mox
