#include "encoder.h"

#include "instruction_set.h"
#include "text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace mox {

namespace {

// For each byte, the table rows whose mnemonic starts with it, as a bit set,
// so that one pass over a line finds every mnemonic occurrence.
constexpr std::array<std::uint16_t, 256> rowsByFirstChar = [] {
    std::array<std::uint16_t, 256> rows{};
    for (std::size_t r = 0; r < instructionTable.size(); ++r)
        rows[static_cast<unsigned char>(instructionTable[r].mnemonic[0])] |=
            static_cast<std::uint16_t>(1u << r);
    return rows;
}();
static_assert(instructionTable.size() <= 16);

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

// Every member is given in these two, so nothing is cleared first.
LineResult fail(std::string_view message) {
    return {LineResult::Kind::Error, {}, message, false};
}

LineResult word(int opcode, int second, int third, int fourth) {
    LineResult r{LineResult::Kind::Word, {}, std::string_view{}, false};
    // One store of all four digits, as the caller reads them at once and
    // would otherwise wait for four separate byte stores.
    const auto digit = [](int value) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(hexDigits[value]));
    };
    const std::uint32_t packed =
        std::endian::native == std::endian::little
            ? digit(opcode) | digit(second) << 8 | digit(third) << 16 | digit(fourth) << 24
            : digit(fourth) | digit(third) << 8 | digit(second) << 16 | digit(opcode) << 24;
    std::memcpy(r.word.data(), &packed, sizeof packed);
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

constexpr std::size_t haltRow = [] {
    std::size_t r = 0;
    while (instructionTable[r].mnemonic != "halt")
        ++r;
    return r;
}();

struct MnemonicScan {
    std::size_t row = instructionTable.size(); // the first row in table order that occurs
    bool holdsHalt = false;
};

MnemonicScan scanMnemonics(std::string_view line) {
    MnemonicScan scan;
    // Only rows ahead of the best so far can change the answer, and halt
    // until it is found; most bytes then need no closer look.
    unsigned wanted = (1u << instructionTable.size()) - 1u;
    for (std::size_t i = 0; i < line.size() && wanted != 0; ++i) {
        unsigned rows = rowsByFirstChar[static_cast<unsigned char>(line[i])] & wanted;
        if (rows == 0)
            continue;
        for (; rows != 0; rows &= rows - 1) {
            const auto r = static_cast<std::size_t>(std::countr_zero(rows));
            if (startsWith(line, i, instructionTable[r].mnemonic)) {
                scan.row = std::min(scan.row, r);
                scan.holdsHalt = scan.holdsHalt || r == haltRow;
            }
        }
        wanted = ((1u << scan.row) - 1u) | (scan.holdsHalt ? 0u : 1u << haltRow);
    }
    return scan;
}

LineResult encode(std::string_view line, std::size_t row) {
    if (row >= instructionTable.size())
        return fail(" invalid instruction");
    const Instruction& m = instructionTable[row];
    const int opcode = m.opcode;
    switch (m.operands) {
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

// Almost every line of a real program is written the usual way: the
// mnemonic at the start, one space, registers named in lower case, one comma
// with at most one space after it, a value of one or two digits, then perhaps
// spaces. The only other mnemonics such a line can hold lie inside its own
// and come later in the table (load in loadm, or in store and xor), so the
// leading name settles it and the word is formed in one short walk. Anything
// else, errors included, goes the general way, which gives the same result
// for these lines too.
struct Cursor {
    std::string_view line;
    std::size_t at = 0;

    bool take(char c) {
        if (at < line.size() && line[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    // A register name as the general way would accept it, for its number.
    int takeRegister() {
        if (line.size() - at < 2 || line[at + 1] != 'x' || line[at] < 'a' || line[at] > 'p')
            return -1;
        at += 2;
        return line[at - 2] - 'a';
    }
    int takeHexDigit() {
        const int d = at < line.size() ? hexValue[static_cast<unsigned char>(line[at])] : -1;
        at += d >= 0 ? 1 : 0;
        return d;
    }
    bool onlySpacesLeft() const {
        for (std::size_t i = at; i < line.size(); ++i)
            if (line[i] != ' ')
                return false;
        return true;
    }

    static constexpr std::array<std::int8_t, 256> hexValue = [] {
        std::array<std::int8_t, 256> v{};
        v.fill(-1);
        for (int d = 0; d < 16; ++d) {
            v["0123456789abcdef"[d]] = static_cast<std::int8_t>(d);
            v["0123456789ABCDEF"[d]] = static_cast<std::int8_t>(d);
        }
        return v;
    }();
};

constexpr std::size_t longestName = [] {
    std::size_t n = 0;
    for (const Instruction& m : instructionTable)
        n = std::max(n, m.mnemonic.size());
    return n;
}();

constexpr std::size_t startKey(std::size_t length, char first, char second) {
    return (length * 26 + static_cast<std::size_t>(first - 'a')) * 26 +
           static_cast<std::size_t>(second - 'a');
}

// The row of each mnemonic by its length and first two letters, which tell
// them all apart.
constexpr auto rowByStart = [] {
    std::array<std::int8_t, startKey(longestName + 1, 'a', 'a')> rows{};
    rows.fill(-1);
    for (std::size_t r = 0; r < instructionTable.size(); ++r) {
        const std::string_view name = instructionTable[r].mnemonic;
        std::int8_t& slot = rows[startKey(name.size(), name[0], name[1])];
        if (slot >= 0)
            throw "two mnemonics start alike";
        slot = static_cast<std::int8_t>(r);
    }
    return rows;
}();

// The first eight bytes of a line, byte k in bits 8k to 8k + 7, zeros past
// its end.
std::uint64_t firstEight(std::string_view line) {
    std::uint64_t v = 0;
    if (std::endian::native == std::endian::little && line.size() >= 8) {
        std::memcpy(&v, line.data(), 8);
        return v;
    }
    for (std::size_t k = 0; k < std::min<std::size_t>(8, line.size()); ++k)
        v |= std::uint64_t{static_cast<unsigned char>(line[k])} << (8 * k);
    return v;
}

constexpr std::uint64_t eachByte(unsigned char c) {
    return 0x0101010101010101u * c;
}

// Each mnemonic as firstEight would read it.
constexpr std::array<std::uint64_t, instructionTable.size()> packedNames = [] {
    std::array<std::uint64_t, instructionTable.size()> names{};
    for (std::size_t r = 0; r < instructionTable.size(); ++r)
        for (std::size_t k = 0; k < instructionTable[r].mnemonic.size(); ++k)
            names[r] |= std::uint64_t{static_cast<unsigned char>(instructionTable[r].mnemonic[k])}
                        << (8 * k);
    return names;
}();

// The table row named exactly by the line's leading lower-case letters. All
// eight bytes are looked at together: a loop over letters of varying number
// is mispredicted on most lines.
std::optional<std::size_t> leadingMnemonic(Cursor& cur) {
    const std::uint64_t bytes = firstEight(cur.line);
    const std::uint64_t low7 = bytes & eachByte(0x7f);
    // High bit of each byte from a to z: at least a, at most z, below 128.
    const std::uint64_t letters = ((low7 | eachByte(0x80)) - eachByte('a')) &
                                  (eachByte(0x80 | 'z') - low7) & ~bytes & eachByte(0x80);
    const auto n = static_cast<std::size_t>(std::countr_zero(~letters & eachByte(0x80))) / 8;
    if (n < 2 || n > longestName)
        return std::nullopt;
    const std::int8_t row = rowByStart[startKey(n, cur.line[0], cur.line[1])];
    if (row < 0)
        return std::nullopt;
    const std::uint64_t nameBytes = (std::uint64_t{1} << (8 * n)) - 1;
    if ((bytes & nameBytes) != packedNames[static_cast<std::size_t>(row)])
        return std::nullopt;
    cur.at = n;
    return static_cast<std::size_t>(row);
}

// Blank when the line is not of the usual shape.
LineResult usualLine(std::string_view line) {
    Cursor cur{line};
    const std::optional<std::size_t> row = leadingMnemonic(cur);
    if (!row)
        return {};
    const Instruction& m = instructionTable[*row];
    if (m.operands == OperandClass::None) {
        if (!cur.onlySpacesLeft())
            return {};
        LineResult r = word(m.opcode, 0, 0, 0);
        r.holdsHalt = *row == haltRow;
        return r;
    }
    if (!cur.take(' '))
        return {};
    const int first = cur.takeRegister();
    if (first < 0)
        return {};
    if (m.operands == OperandClass::OneRegister) {
        if (!cur.onlySpacesLeft())
            return {};
        return word(m.opcode, 0, 0, first);
    }
    if (!cur.take(','))
        return {};
    cur.take(' ');
    if (m.operands == OperandClass::TwoRegisters) {
        const int second = cur.takeRegister();
        if (second < 0 || !cur.onlySpacesLeft())
            return {};
        return word(m.opcode, 0, first, second);
    }
    const int high = cur.takeHexDigit();
    const int low = cur.takeHexDigit();
    if (high < 0 || !cur.onlySpacesLeft())
        return {};
    return low < 0 ? word(m.opcode, first, 0, high) : word(m.opcode, first, high, low);
}

// Kept out of line, so that the short cut does not pay for the registers
// the general way needs.
[[gnu::noinline]] LineResult unusualLine(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return {};
    const MnemonicScan scan = scanMnemonics(line);
    LineResult r = encode(line, scan.row);
    r.holdsHalt = scan.holdsHalt;
    return r;
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
    const std::size_t row = scanMnemonics(line).row;
    return row < instructionTable.size() ? instructionTable[row].opcode : 0;
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
    return encode(line, scanMnemonics(line).row);
}

LineResult assembleLine(std::string_view line) {
    LineResult r = usualLine(line);
    if (r.kind == LineResult::Kind::Blank)
        r = unusualLine(line);
    return r;
}

} // namespace mox
