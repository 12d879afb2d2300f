#include "encoder.h"

#include "mnemonics.h"
#include "text.h"

#include <bit>
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

// Inline, as a library compare call costs more than these few bytes.
bool startsWith(std::string_view text, std::size_t at, std::string_view name) {
    if (text.size() - at < name.size())
        return false;
    for (std::size_t k = 0; k < name.size(); ++k)
        if (text[at + k] != name[k])
            return false;
    return true;
}

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

// Where the operands lie, found in one pass rather than by one search each,
// since every line of a large source passes through here.
struct LineShape {
    TextPos firstSpace = -1;
    TextPos operandComma = -1; // the first comma after the first space
    int commas = 0;
};

LineShape shapeOf(std::string_view line) {
    LineShape shape;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ' && shape.firstSpace < 0) {
            shape.firstSpace = static_cast<TextPos>(i);
        } else if (line[i] == ',') {
            ++shape.commas;
            if (shape.operandComma < 0)
                shape.operandComma = static_cast<TextPos>(i);
        }
    }
    // A comma before the first space does not end the first operand; look
    // again past the space, as a search after it would.
    if (shape.operandComma >= 0 && shape.operandComma < shape.firstSpace)
        shape.operandComma = findTextAfter(shape.firstSpace, line, ",");
    return shape;
}

Operands operandsOf(std::string_view line, const LineShape& shape) {
    const auto cut = [line](TextPos from, TextPos to) {
        if (from >= to)
            return std::string_view{};
        return line.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    };
    return {cut(shape.firstSpace + 1, shape.operandComma),
            cut(shape.operandComma + 1, textLength(line))};
}

// Spaces inside an operand do not count: "a x" names ax.
int registerIndex(std::string_view operand) {
    char name[2];
    std::size_t n = 0;
    for (char c : operand) {
        if (c == ' ')
            continue;
        if (n == 2)
            return -1;
        name[n++] = c;
    }
    if (n != 2 || name[0] < 'a' || name[0] > 'p')
        return -1;
    const auto index = static_cast<std::size_t>(name[0] - 'a');
    const std::string_view known = registerNames[index];
    return known[0] == name[0] && known[1] == name[1] ? static_cast<int>(index) : -1;
}

constexpr int notHex = -2;
constexpr int tooLarge = -1;

// The value of a hexadecimal operand (spaces ignored) when it is at most ff.
// Leading zeros do not count, so 0000ff fits and 100000000 does not.
int byteValue(std::string_view operand) {
    int value = 0;
    int digits = 0;
    bool any = false;
    for (char c : operand) {
        if (c == ' ')
            continue;
        const int d = hexDigitValue(c);
        if (d < 0)
            return notHex;
        any = true;
        if (digits == 0 && d == 0)
            continue;
        ++digits;
        value = (value << 4 | d) & 0xfff;
    }
    if (!any)
        return notHex;
    return digits > 2 ? tooLarge : value;
}

LineResult encodeRegisterValue(int opcode, std::string_view line) {
    const LineShape shape = shapeOf(line);
    if (shape.commas != 1)
        return fail(" invalid number of operands on instruction");
    const Operands ops = operandsOf(line, shape);
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
    const LineShape shape = shapeOf(line);
    if (shape.commas != 1)
        return fail("  (fatal) invalid number of operands on instruction");
    const Operands ops = operandsOf(line, shape);
    const int first = registerIndex(ops.first);
    if (first < 0)
        return fail("the first operand must be a register");
    const int second = registerIndex(ops.second);
    if (second < 0)
        return fail("the second operand must be a register");
    return word(opcode, 0, first, second);
}

LineResult encodeOneRegister(int opcode, std::string_view line) {
    if (findText(line, ",") != -1)
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
        for (; rows != 0; rows &= rows - 1) {
            const auto r = static_cast<std::size_t>(std::countr_zero(rows));
            if (startsWith(line, i, mnemonicTable[r].name)) {
                best = r; // rows go up, so no later one here can do better
                break;
            }
        }
    }
    return best < mnemonicTable.size() ? mnemonicTable[best].opcode : 0;
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
    return operandsOf(line, shapeOf(line));
}

bool isRegister(std::string_view text) {
    return findText(text, " ") == -1 && registerIndex(text) >= 0;
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
    if (findText(line, ",") != -1)
        return fail("  (fatal) invalid number of operands on instruction");
    return word(opcode, 0, 0, 0);
}

LineResult assembleLine(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return {};
    return encodeInstruction(line);
}

} // namespace mox
