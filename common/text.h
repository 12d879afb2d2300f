// Text, hexadecimal and whole-file helpers shared by all three programs.
//
// Positions count from 0 and -1 means absent. Texts are byte strings compared
// exactly; only the hexadecimal helpers ignore case. Results are returned by
// value, so no helper ever writes into a buffer sized by its caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mox {

// Signed so that -1 can stand for "absent"; 64 bits so that no file is too long.
using TextPos = std::int64_t;

// Searching and comparing.
TextPos findText(std::string_view text, std::string_view pattern);
// Searches from position + 1 on; a position of -1 searches the whole text.
TextPos findTextAfter(TextPos position, std::string_view text, std::string_view pattern);
// Overlapping occurrences count separately; none gives -1, never 0.
TextPos countText(std::string_view text, std::string_view pattern);
bool sameText(std::string_view a, std::string_view b);

// Copying and editing.
std::string copyText(std::string_view source);
std::string copyPrefix(std::string_view source, TextPos n);
std::string copyRange(std::string_view source, TextPos start, TextPos end);
std::string removeSpaces(std::string_view text);
std::string lowerText(std::string_view text);
std::string upperText(std::string_view text);
char lowerChar(char c);
TextPos textLength(std::string_view text);
std::string stripBetween(std::string_view source, char startChar, char endChar);
std::string stripComments(std::string_view source);
TextPos countLines(std::string_view text);
// The text up to its first zero byte, as a C text would end there.
std::string_view cutAtZero(std::string_view text);
// A name as one line of plain UTF-8 for a terminal or a report: line breaks
// and tabs as \n, \r and \t, other control characters (C0, DEL, C1) and
// bytes that are not UTF-8 as \xHH, so a name cannot break a line or drive
// the terminal.
std::string printableText(std::string_view text);

// Hexadecimal numbers.
bool isHexDigit(char c);
bool isHexText(std::string_view text);
int hexDigitValue(char c);
std::int32_t hexToInt(std::string_view text);

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
