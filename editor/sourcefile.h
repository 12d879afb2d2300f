// Reading and saving the files the editor holds, byte for byte, and saving in
// a way that keeps the file what it was: its links, owner, group and mode.
// Free of Qt, so it can be tested and reused on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mox {

// Every byte of a regular file, zero bytes included. Anything else (a folder,
// a FIFO, a device) is refused without being opened, so nothing can block.
// On failure the reason (the system's text) goes to *reason.
std::optional<std::string> readSourceFile(const std::string& name, std::string* reason);

// Writes the bytes as the file's new content. A symbolic link is followed and
// its target saved. A file the user may not write, or one without any write
// permission bit (read-only, for root too), is refused. Where replacing the
// file by a rename would change what it is (several hard links, another
// owner, a folder the user cannot write, a group that cannot be kept), the
// file is overwritten in place; everywhere else a synced temporary file takes
// its place, so a failure leaves the old file whole.
bool saveSourceFile(const std::string& name, std::string_view bytes, std::string* reason);

} // namespace mox
