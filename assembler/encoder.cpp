#include "encoder.h"

#include "instruction_set.h"
#include "text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace mox {

namespace {

LineResult fail(std::string_view message) {
    return {LineResult::Kind::Error, {}, message};
}

LineResult word(int opcode, int second, int third, int fourth) {
    constexpr std::string_view digits = "0123456789abcdef";
    return {LineResult::Kind::Word,
            {digits[static_cast<std::size_t>(opcode)], digits[static_cast<std::size_t>(second)],
             digits[static_cast<std::size_t>(third)], digits[static_cast<std::size_t>(fourth)]},
            {}};
}

// The lower-case letters a text holds, bit n for letter 'a' + n.
constexpr std::uint32_t lettersOf(std::string_view text) {
    std::uint32_t letters = 0;
    for (char c : text)
        if (c >= 'a' && c <= 'z')
            letters |= 1u << (c - 'a');
    return letters;
}

constexpr auto mnemonicLetters = [] {
    std::array<std::uint32_t, instructionTable.size()> letters{};
    for (std::size_t row = 0; row < instructionTable.size(); ++row)
        letters[row] = lettersOf(instructionTable[row].mnemonic);
    return letters;
}();

// Whether the word occurs anywhere in the text. Written out, as lines are
// too short for a library search per table row to pay.
bool occurs(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        for (std::size_t k = 0; text[at + k] == word[k];)
            if (++k == word.size())
                return true;
    return false;
}

// Register names are a letter from a to p and an x, so the letter gives the
// number.
constexpr bool namedByLetter = [] {
    for (std::size_t n = 0; n < registerNames.size(); ++n)
        if (registerNames[n].size() != 2 || registerNames[n][0] != static_cast<char>('a' + n) ||
            registerNames[n][1] != 'x')
            return false;
    return true;
}();
static_assert(namedByLetter);

int registerOfLetters(char letter, char x) {
    return x == 'x' && letter >= 'a' && letter <= 'p' ? letter - 'a' : -1;
}

// The register an operand names exactly, spaces ignored ("a x" is ax); -1
// when it names none.
int registerIndex(std::string_view operand) {
    char name[2];
    std::size_t letters = 0;
    for (char c : operand) {
        if (c == ' ')
            continue;
        if (letters == 2)
            return -1;
        name[letters++] = c;
    }
    return letters == 2 ? registerOfLetters(name[0], name[1]) : -1;
}

constexpr int notHex = -2;
constexpr int tooLarge = -1;

// The value of a hexadecimal operand (spaces ignored) when it is at most ff.
// Leading zeros do not count, so 0000ff fits and 100000000 does not.
int byteValue(std::string_view operand) {
    int value = 0;
    int significant = 0;
    bool any = false;
    for (char c : operand) {
        if (c == ' ')
            continue;
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return notHex;
        any = true;
        if (digit != 0 || significant != 0)
            ++significant;
        if (significant <= 2)
            value = value * 16 + digit;
    }
    if (!any)
        return notHex;
    return significant > 2 ? tooLarge : value;
}

// The first table row whose mnemonic occurs anywhere in the line.
const Instruction* firstMnemonic(std::string_view line) {
    // A mnemonic can occur only where all its letters do, which rules out
    // most rows without a search.
    const std::uint32_t letters = lettersOf(line);
    for (std::size_t row = 0; row < instructionTable.size(); ++row)
        if ((letters & mnemonicLetters[row]) == mnemonicLetters[row] &&
            occurs(line, instructionTable[row].mnemonic))
            return &instructionTable[row];
    return nullptr;
}

LineResult encodeRegisterValue(int opcode, std::string_view line) {
    if (std::count(line.begin(), line.end(), ',') != 1)
        return fail(" invalid number of operands on instruction");
    const Operands ops = splitOperands(line);
    const int reg = registerIndex(ops.first);
    if (reg < 0)
        return fail(" the first operand must be a register");
    const int value = byteValue(ops.second);
    if (value == notHex)
        return fail(" the second operand must contain a hex value");
    if (value == tooLarge)
        return fail(" operand size conflict, value to large for register");
    return word(opcode, reg, value >> 4, value & 0xf);
}

LineResult encodeTwoRegisters(int opcode, std::string_view line) {
    if (std::count(line.begin(), line.end(), ',') != 1)
        return fail("  (fatal) invalid number of operands on instruction");
    const Operands ops = splitOperands(line);
    const int first = registerIndex(ops.first);
    if (first < 0)
        return fail("the first operand must be a register");
    const int second = registerIndex(ops.second);
    if (second < 0)
        return fail("the second operand must be a register");
    return word(opcode, 0, first, second);
}

LineResult encodeOneRegister(int opcode, std::string_view line) {
    if (line.find(',') != std::string_view::npos)
        return fail(" instruction only takes a single operand, no comma to seperate");
    // The register may stand anywhere and in either case.
    const int reg = registerNumber(line);
    if (reg < 0)
        return fail(" single operand instruction, must contain register");
    return word(opcode, 0, 0, reg);
}

} // namespace

std::string describe(const LineResult& r) {
    switch (r.kind) {
    case LineResult::Kind::Word:
        return "word " + std::string(r.wordText());
    case LineResult::Kind::Error:
        return "error " + std::string(r.message);
    case LineResult::Kind::Blank:
        break;
    }
    return "blank";
}

int opcodeOf(std::string_view line) {
    const Instruction* in = firstMnemonic(line);
    return in ? in->opcode : 0;
}

int registerNumber(std::string_view text) {
    // The lowest letter wins, wherever it stands.
    int first = -1;
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        const int reg = registerOfLetters(lowerChar(text[at]), lowerChar(text[at + 1]));
        if (reg >= 0 && (first < 0 || reg < first))
            first = reg;
    }
    return first;
}

bool skipsTextAroundMnemonic(std::string_view line) {
    const Instruction* in = firstMnemonic(line);
    if (!in)
        return false;
    constexpr std::string_view blanks = " \t\r";
    const std::size_t at = line.find(in->mnemonic);
    const std::size_t end = at + in->mnemonic.size();
    return line.find_first_not_of(blanks) < at ||
           (end < line.size() && blanks.find(line[end]) == std::string_view::npos);
}

Operands splitOperands(std::string_view line) {
    const std::size_t start = line.find(' ') + 1; // 0 when there is no space
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos)
        return {{}, line};
    return {line.substr(start, comma - start), line.substr(comma + 1)};
}

bool isRegister(std::string_view text) {
    return text.find(' ') == std::string_view::npos && registerIndex(text) >= 0;
}

LineResult assembleLine(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return {};
    const Instruction* in = firstMnemonic(line);
    if (!in)
        return fail(" invalid instruction");
    const int opcode = in->opcode;
    switch (in->operands) {
    case OperandClass::RegisterValue:
        return encodeRegisterValue(opcode, line);
    case OperandClass::TwoRegisters:
        return encodeTwoRegisters(opcode, line);
    case OperandClass::OneRegister:
        return encodeOneRegister(opcode, line);
    case OperandClass::None:
        break;
    }
    if (line.find(',') != std::string_view::npos)
        return fail("  (fatal) invalid number of operands on instruction");
    return word(opcode, 0, 0, 0);
}

} // namespace mox
