#include "encoder.h"

#include "mnemonics.h"
#include "text.h"

#include <cstdint>

namespace mox {

namespace {

// For each byte, the table rows whose mnemonic starts with it, as a bit set,
// so that one pass over a line finds every mnemonic occurrence.
constexpr std::array<std::uint16_t, 256> rowsByFirstChar = [] {
    std::array<std::uint16_t, 256> rows{};
    for (std::size_t r = 0; r < mnemonicTable.size(); ++r)
        rows[static_cast<unsigned char>(mnemonicTable[r].name[0])] |=
            static_cast<std::uint16_t>(1u << r);
    return rows;
}();
static_assert(mnemonicTable.size() <= 16);

constexpr char hexDigits[] = "0123456789abcdef";

LineResult fail(std::string_view message) {
    LineResult r;
    r.kind = LineResult::Kind::Error;
    r.message = message;
    return r;
}

LineResult word(int opcode, int second, int third, int fourth) {
    LineResult r;
    r.kind = LineResult::Kind::Word;
    r.word = {hexDigits[opcode], hexDigits[second], hexDigits[third], hexDigits[fourth]};
    return r;
}

bool hasComma(std::string_view line) {
    return findText(line, ",") != -1;
}

bool hasOneComma(std::string_view line) {
    return countText(line, ",") == 1;
}

int registerIndex(std::string_view name) {
    if (name.size() != 2 || name[0] < 'a' || name[0] > 'p')
        return -1;
    const auto n = static_cast<std::size_t>(name[0] - 'a');
    return sameText(registerNames[n], name) ? static_cast<int>(n) : -1;
}

// The value of a hexadecimal text if it is at most ff, else -1; leading zeros
// do not count, so 0000ff fits and 100000000 does not.
int byteValue(std::string_view digits) {
    const auto first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    digits.remove_prefix(first);
    return digits.size() > 2 ? -1 : hexToInt(digits);
}

LineResult encodeRegisterValue(int opcode, std::string_view line) {
    if (!hasOneComma(line))
        return fail(" invalid number of operands on instruction");
    const Operands ops = splitOperands(line);
    const int reg = registerIndex(ops.first);
    if (reg < 0)
        return fail(" the first operand must be a register");
    if (ops.second.empty() || !isHexText(ops.second))
        return fail(" the second operand must contain a hex value");
    const int value = byteValue(ops.second);
    if (value < 0)
        return fail(" operand size conflict, value to large for register");
    return word(opcode, reg, value >> 4, value & 0xf);
}

LineResult encodeTwoRegisters(int opcode, std::string_view line) {
    if (!hasOneComma(line))
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
    if (hasComma(line))
        return fail(" instruction only takes a single operand, no comma to seperate");
    // The register may stand anywhere and in either case.
    const int reg = registerNumber(line);
    if (reg < 0)
        return fail(" single operand instruction, must contain register");
    return word(opcode, 0, 0, reg);
}

} // namespace

int opcodeOf(std::string_view line) {
    std::size_t best = mnemonicTable.size();
    for (std::size_t i = 0; i < line.size() && best > 0; ++i) {
        unsigned rows = rowsByFirstChar[static_cast<unsigned char>(line[i])];
        // Only rows ahead of the best so far can change the answer.
        rows &= (1u << best) - 1u;
        for (std::size_t r = 0; rows != 0; ++r, rows >>= 1)
            if ((rows & 1u) != 0 && line.substr(i).starts_with(mnemonicTable[r].name))
                best = r;
    }
    return best < mnemonicTable.size() ? mnemonicTable[best].opcode : 0;
}

bool isRegister(std::string_view text) {
    return registerIndex(text) >= 0;
}

int registerNumber(std::string_view text) {
    // Equal to searching the lowered text for each name in turn, in one pass.
    int best = -1;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (lowerChar(text[i + 1]) != 'x')
            continue;
        const char c = lowerChar(text[i]);
        if (c >= 'a' && c <= 'p' && (best < 0 || c - 'a' < best))
            best = c - 'a';
    }
    return best;
}

Operands splitOperands(std::string_view line) {
    const TextPos space = findText(line, " ");
    const TextPos comma = findTextAfter(space, line, ",");
    // A missing comma leaves the first operand empty, as a range that ends
    // before it starts.
    return {removeSpaces(copyRange(line, space + 1, comma)),
            removeSpaces(copyRange(line, comma + 1, textLength(line)))};
}

LineResult encodeInstruction(std::string_view line) {
    const int opcode = opcodeOf(line);
    const Mnemonic* m = mnemonicForOpcode(opcode);
    if (m == nullptr)
        return fail(" invalid instruction");
    switch (m->operands) {
    case OperandClass::RegisterValue:
        return encodeRegisterValue(opcode, line);
    case OperandClass::TwoRegisters:
        return encodeTwoRegisters(opcode, line);
    case OperandClass::OneRegister:
        return encodeOneRegister(opcode, line);
    case OperandClass::None:
        break;
    }
    if (hasComma(line))
        return fail("  (fatal) invalid number of operands on instruction");
    return word(opcode, 0, 0, 0);
}

LineResult assembleLine(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return {};
    return encodeInstruction(line);
}

} // namespace mox
