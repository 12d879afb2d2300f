// Text and hexadecimal helpers shared by every program and the web page.
// They work on bytes in memory only; files.h reads and writes files.
//
// Positions count from 0 and -1 means absent. Texts are byte strings compared
// exactly; only the hexadecimal helpers ignore case. Results are returned by
// value, so no helper ever writes into a buffer sized by its caller.
#pragma once

#include <cstdint>
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

// Text mode, as files are read: each CR LF becomes LF, a lone CR stays.
void joinLineEnds(std::string& text);
// The text that a file holding these bytes reads as: cut at its first zero
// byte, then each CR LF joined into LF.
std::string textModeText(std::string_view bytes);

} // namespace mox
