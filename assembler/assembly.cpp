#include "assembly.h"

#include "encoder.h"
#include "source_lines.h"
#include "text.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mox {

namespace {

constexpr std::string_view noHaltMessage = "fatal error: application requries a halt instruction";

// The raw bytes of a source from any offset on. A file that cannot be read
// at an offset (a pipe) is held whole, since the halt check may read it twice.
class SourceBytes {
public:
    explicit SourceBytes(const std::string& name)
        : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0 && S_ISREG(st.st_mode))
            size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~SourceBytes() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SourceBytes(const SourceBytes&) = delete;
    SourceBytes& operator=(const SourceBytes&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The size of a file on disk, 0 for a pipe or a device.
    std::uint64_t size() const { return size_; }

    // Up to buffer.size() bytes: empty at the end, nothing on a read failure.
    std::optional<std::string_view> read(std::uint64_t offset, std::vector<char>& buffer) {
        if (held_) {
            if (offset >= whole_.size())
                return std::string_view{};
            return std::string_view(whole_).substr(offset, buffer.size());
        }
        for (;;) {
            const ssize_t got =
                ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (got >= 0)
                return std::string_view(buffer.data(), static_cast<std::size_t>(got));
            if (errno == ESPIPE && offset == 0)
                return holdWhole() ? read(offset, buffer) : std::nullopt;
            if (errno != EINTR)
                return std::nullopt;
        }
    }

private:
    bool holdWhole() {
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = ::read(fd_, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            whole_.append(chunk, static_cast<std::size_t>(got));
        }
        held_ = true;
        return true;
    }

    int fd_;
    std::uint64_t size_ = 0;
    bool held_ = false;
    std::string whole_;
};

// Hands every prepared line of the source to onLine, until it returns false.
// False when the source could not be read.
template <class OnLine>
bool forEachLine(SourceBytes& bytes, std::size_t chunkSize, OnLine&& onLine) {
    SourceLines lines;
    std::vector<char> buffer(chunkSize);
    for (std::uint64_t offset = 0;;) {
        const std::optional<std::string_view> chunk = bytes.read(offset, buffer);
        if (!chunk)
            return false;
        if (chunk->empty())
            break;
        offset += chunk->size();
        if (!lines.feed(*chunk, onLine))
            break;
    }
    lines.finish(onLine);
    return true;
}

std::optional<bool> holdsHalt(SourceBytes& bytes, std::size_t chunkSize) {
    bool found = false;
    const bool read = forEachLine(bytes, chunkSize, [&found](std::int64_t, std::string_view line) {
        found = findText(line, "halt") != -1;
        return !found;
    });
    return read ? std::optional<bool>(found) : std::nullopt;
}

} // namespace

std::string lineErrorText(std::int64_t index, std::string_view message) {
    std::string line = "error on line(";
    line += std::to_string(index + 1);
    line += "): ";
    line += message;
    return line;
}

namespace {

// Hands onLine(index, text) every line of a source, each cut at its comment,
// until it returns false. The text after the last line feed is a line too.
template <class OnLine> void forEachLine(std::string_view source, OnLine&& onLine) {
    for (std::int64_t index = 0;; ++index) {
        const std::size_t end = source.find('\n');
        const std::string_view line = source.substr(0, end);
        if (!onLine(index, line.substr(0, line.find(';'))) || end == std::string_view::npos)
            return;
        source.remove_prefix(end + 1);
    }
}

} // namespace

void assembleSource(std::string_view source, Assembly& run, const ReportError& report) {
    bool halt = false;
    forEachLine(source, [&halt](std::int64_t, std::string_view line) {
        halt = line.find("halt") != std::string_view::npos;
        return !halt;
    });
    if (!halt) {
        ++run.errorCount;
        report({-1, noHaltMessage});
        return;
    }
    // Every word needs a line of at least four characters and its line feed,
    // so the code never grows past this, nor its buffer by doubling.
    run.machineCode.reserve(run.machineCode.size() + (source.size() + 1) / 5 * 4);
    forEachLine(source, [&](std::int64_t index, std::string_view line) {
        const LineResult r = assembleLine(line);
        if (r.kind == LineResult::Kind::Word) {
            run.appendWord(r.wordText());
        } else if (r.kind == LineResult::Kind::Error) {
            ++run.errorCount;
            report({index, r.message});
        }
        return true;
    });
}

std::string consoleLine(const LineError& error) {
    return error.index < 0 ? std::string(error.message) : lineErrorText(error.index, error.message);
}

std::string prepareSource(std::string_view source) {
    return stripComments(source);
}

void assembleText(std::string_view prepared, Assembly& run, const ReportLine& report) {
    if (findText(prepared, "halt") == -1) {
        report(noHaltMessage);
        ++run.errorCount;
        return;
    }
    // The text after the last line feed is a line too, as if one more line
    // feed closed the text.
    std::int64_t index = 0;
    for (std::size_t start = 0;; ++index) {
        const std::size_t end = prepared.find('\n', start);
        const std::string_view line = prepared.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const LineResult r = assembleLine(line);
        if (r.kind == LineResult::Kind::Word) {
            run.appendWord(r.wordText());
        } else if (r.kind == LineResult::Kind::Error) {
            report(lineErrorText(index, r.message));
            ++run.errorCount;
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

void assembleFile(const std::string& name, Assembly& run, const ReportLine& report,
                  std::size_t chunkSize) {
    report("now assembling: " + name);
    const auto unreadable = [&] {
        report("fatal error: could not read the file" + name);
        ++run.errorCount;
    };
    SourceBytes bytes(name);
    if (!bytes.isOpen())
        return unreadable();
    // Room for the words of a usual source, whose lines are longer than four
    // bytes, so that the words are not copied again and again as they grow.
    run.machineCode.reserve(run.machineCode.size() + bytes.size() / 4);

    // The source is read once while it has no errors. Whether a halt occurs
    // is known once a line holds one; an error before that cannot be printed
    // until a look over the whole text has found one.
    std::optional<bool> halt;
    bool lookFailed = false;
    // Words are gathered a page at a time, as appending each one on its own
    // costs about as much as encoding it.
    std::array<char, 4096> words;
    std::size_t wordBytes = 0;
    const bool read = forEachLine(bytes, chunkSize, [&](std::int64_t index, std::string_view line) {
        const LineResult r = assembleLine(line);
        if (r.holdsHalt)
            halt = true;
        if (r.kind == LineResult::Kind::Word) {
            std::memcpy(words.data() + wordBytes, r.word.data(), r.word.size());
            wordBytes += r.word.size();
            if (wordBytes == words.size()) {
                run.machineCode.append(words.data(), wordBytes);
                wordBytes = 0;
            }
        } else if (r.kind == LineResult::Kind::Error) {
            if (!halt) {
                halt = holdsHalt(bytes, chunkSize);
                lookFailed = !halt;
                if (!halt || !*halt)
                    return false;
            }
            report(lineErrorText(index, r.message));
            ++run.errorCount;
        }
        return true;
    });
    run.machineCode.append(words.data(), wordBytes);
    if (!read || lookFailed)
        return unreadable();
    if (!halt || !*halt) {
        run.machineCode.clear();
        report(noHaltMessage);
        ++run.errorCount;
    }
}

std::string outputFileName(std::string_view sourceName) {
    const TextPos dot = findText(sourceName, ".");
    return copyPrefix(sourceName, dot) + ".8xe";
}

} // namespace mox
