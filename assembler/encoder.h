// Turns one source line into one instruction word, or says why it cannot.
// Nothing here prints: the caller numbers and reports the messages.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace mox {

struct LineResult {
    enum class Kind { Blank, Word, Error };
    Kind kind = Kind::Blank;
    std::array<char, 4> word{}; // lower-case hex digits, when kind is Word
    std::string_view message;   // a static text, when kind is Error

    std::string_view wordText() const { return {word.data(), word.size()}; }
};

// "word 20ff", "error <message>" or "blank": one text that compares and
// prints the whole result.
std::string describe(const LineResult& r);

// Opcode of the first table row whose mnemonic occurs anywhere in the line;
// 0 when none does.
int opcodeOf(std::string_view line);
// The text is exactly one of the sixteen register names.
bool isRegister(std::string_view text);
// Number of the first register, in table order, whose name occurs anywhere in
// the text in either case; -1 when none does.
int registerNumber(std::string_view text);

// The operands as cut from the line: between the first space and the first
// comma after it, and after that comma. Their spaces are still in them; the
// operand tests ignore spaces, so "a x" reads as ax.
struct Operands {
    std::string_view first, second;
};
Operands splitOperands(std::string_view line);

// Whether a line with a mnemonic has text next to it that the reading passes
// over: "haltload cx, 7" and "loadx ax, 1" both read as load. Blanks (spaces,
// tabs) around the mnemonic are no such text.
bool skipsTextAroundMnemonic(std::string_view line);

// One whole line, cut at its comment: blank lines give nothing, lines
// without a mnemonic an error, the others their word or their first error.
LineResult assembleLine(std::string_view line);

} // namespace mox
