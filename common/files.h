// Whole files, for the programs: reading and writing them as text, and
// what a name stands for. The core never calls these; it works on the bytes
// they give.
#pragma once

#include "text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mox {

// Whole files, read and written as text: CR LF on disk is LF in memory.
bool fileExists(const std::string& name);
// What a name stands for before it is read. problem is empty when the file
// can be tried, else "no such file", "is a directory" or the system's
// reason in lower case ("permission denied", "too many levels of symbolic
// links"); regular and size tell a plain file from a device or a pipe.
struct FileCheck {
    std::string problem;
    bool regular = false;
    std::uint64_t size = 0;
};
FileCheck checkFile(const std::string& name);
TextPos fileCharCount(const std::string& name);
// The file's text with each CR LF turned into LF, cut at its first zero byte
// (nothing after it is read, so /dev/zero is an empty text at once);
// nothing when the file cannot be opened or read as a file.
std::optional<std::string> readTextFile(const std::string& name);
// Synced: the new file is on the disk before it takes the old one's place, so
// even a crash leaves one of them whole. Cached skips that wait, for files
// that are simply made again.
enum class Durability { Synced, Cached };
// Writes the text with each LF as CR LF through a temporary file and a rename,
// so an existing file is either replaced whole or left as it was. The
// temporary file has no name while it is written where the file system
// allows it; a named one is removed first when SIGINT, SIGTERM or SIGHUP ends
// the program meanwhile. On failure the reason (the system's error text)
// goes to *reason when it is given.
bool writeTextFile(const std::string& name, std::string_view text, std::string* reason = nullptr,
                   Durability durability = Durability::Synced);

} // namespace mox
