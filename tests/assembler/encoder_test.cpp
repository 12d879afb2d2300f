#include "encoder.h"
#include "instruction_set.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>

using namespace mox;

namespace {

struct LineCase {
    std::string line, expected;
};

TEST(Encoder, ValidLines) {
    const LineCase cases[] = {
        {"load ax, ff", "20ff"},
        {"loadm bx, 1", "1101"},
        {"store cx, A0", "32a0"},
        {"load ax, 0", "2000"},
        {"load ax, 0000ff", "20ff"},
        {"load ax, FF", "20ff"},
        {"load a x, f f", "20ff"},
        {"load px,ff", "2fff"},
        {"\tload ax, 01", "2001"},
        {"load ax, 01 ", "2001"},
        {"mov ax, bx", "4001"},
        {"add cx, dx", "5023"},
        {"sub ex, fx", "6045"},
        {"mul gx, hx", "7067"},
        {"div ix, jx", "8089"},
        {"or ax, bx", "b001"},
        {"xor ax, bx", "c001"},
        {"and ex, fx", "d045"},
        {"rotate px, ax", "e0f0"},
        {"move ax, bx", "4001"},
        {"inc bx", "9001"},
        {"dec px", "a00f"},
        {"inc BX", "9001"},
        {"inc kx", "900a"},
        {"halt", "f000"},
        {"halt now", "f000"},
        {"halt;", "f000"},
        // Indented, tabbed, carriage returns and words that hold a mnemonic.
        {"  halt", "f000"},
        {"  inc bx", "9001"},
        {"inc\tbx", "9001"},
        {"halt\t", "f000"},
        {"halt\r", "f000"},
        {"inc Px", "900f"},
        {"unload ax, 1", "2001"},
        {"load ax,ff", "20ff"},
        {"load ax , 0f", "200f"},
        {"mov a x,b x", "4001"},
        {"load ax, 00000000", "2000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(assembleLine(c.line)), "word " + c.expected) << c.line;
}

TEST(Encoder, InvalidLines) {
    const LineCase cases[] = {
        {"nothing here", " invalid instruction"},
        {"\t", " invalid instruction"},
        {"INC bx", " invalid instruction"},
        {"HALT", " invalid instruction"},
        {"load ax 5", " invalid number of operands on instruction"},
        {"load ax, 5, 6", " invalid number of operands on instruction"},
        {"load AX, 5", " the first operand must be a register"},
        {"   load ax, 01", " the first operand must be a register"},
        {"load\tax, 01", " the first operand must be a register"},
        {"load qx, 01", " the first operand must be a register"},
        {"load axx, 01", " the first operand must be a register"},
        {"load ax,", " the second operand must contain a hex value"},
        {"load ax, g1", " the second operand must contain a hex value"},
        {"load ax, 0x1", " the second operand must contain a hex value"},
        {"load ax, 100", " operand size conflict, value to large for register"},
        {"load ax, 100000000", " operand size conflict, value to large for register"},
        {"load ax, " + std::string(5000, '1'),
         " operand size conflict, value to large for register"},
        {"mov ax, 5", "the second operand must be a register"},
        {"mov ax", "  (fatal) invalid number of operands on instruction"},
        {"mov ax, bx, cx", "  (fatal) invalid number of operands on instruction"},
        {"mov 5, bx", "the first operand must be a register"},
        {"halt for now", "  (fatal) invalid number of operands on instruction"},
        {"halt,", "  (fatal) invalid number of operands on instruction"},
        {"inc ax, bx", " instruction only takes a single operand, no comma to seperate"},
        {"inc 5", " single operand instruction, must contain register"},
        {"  mov ax, bx", "the first operand must be a register"},
        {"mov,ax bx", "the first operand must be a register"},
        {"load,ax, 1", " invalid number of operands on instruction"},
        {"load , ff", " the first operand must be a register"},
        {"mov ax,", "the second operand must be a register"},
        {"mov ax, b\tx", "the second operand must be a register"},
        {"load ax,\t1", " the second operand must contain a hex value"},
        {"load ax, 1\r", " the second operand must contain a hex value"},
        {"load ax, 1\rhalt", " the second operand must contain a hex value"},
        {"loadmov ax, bx", " the second operand must contain a hex value"},
        {"LOAD ax, 1", " invalid instruction"},
        {"halt,now", "  (fatal) invalid number of operands on instruction"},
        {"load ax, f\xff", " the second operand must contain a hex value"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(assembleLine(c.line)), "error " + c.expected) << c.line;
}

TEST(Encoder, TextBesideTheMnemonicIsTold) {
    const struct {
        std::string_view line;
        bool skips;
    } cases[] = {
        {"load ax, 1", false},
        {"  \tload ax, 1 ", false},
        {"halt", false},
        {"halt\r", false},
        {"haltload cx, 7", true},
        {"loadx ax, 1", true},
        {"xinc bx", true},
        {"incbx", true},
        {"halts", true},
        {"- halt", true},
        {"rubbish", false},
        {"", false},
        {"store ax, 10 load", true}, // read as load, the table's first row in it
        {"xor ax, bx", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(skipsTextAroundMnemonic(c.line), c.skips) << '"' << c.line << '"';
}

TEST(Encoder, BlankLinesGiveNothing) {
    for (const std::string line : {"", " ", "   "})
        EXPECT_EQ(describe(assembleLine(line)), "blank") << '"' << line << '"';
}

// The rules for one line spelt out a second time, with nothing but the text
// helpers, for random lines to be held against.
std::string outcomeByTheRules(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return "blank";
    const Instruction* found = nullptr;
    for (const Instruction& m : instructionTable)
        if (findText(line, m.mnemonic) != -1) {
            found = &m;
            break;
        }
    if (found == nullptr)
        return "error  invalid instruction";
    const auto registerOf = [](const std::string& operand) {
        for (std::size_t n = 0; n < registerNames.size(); ++n)
            if (sameText(operand, registerNames[n]))
                return static_cast<int>(n);
        return -1;
    };
    const auto digit = [](int value) { return std::string(1, "0123456789abcdef"[value]); };
    const TextPos space = findText(line, " ");
    const TextPos comma = findTextAfter(space, line, ",");
    const std::string first = removeSpaces(copyRange(line, space + 1, comma));
    const std::string second = removeSpaces(copyRange(line, comma + 1, textLength(line)));
    const std::string opcode = digit(found->opcode);
    switch (found->operands) {
    case OperandClass::RegisterValue: {
        if (countText(line, ",") != 1)
            return "error  invalid number of operands on instruction";
        const int reg = registerOf(first);
        if (reg < 0)
            return "error  the first operand must be a register";
        if (second.empty() || !isHexText(second))
            return "error  the second operand must contain a hex value";
        const std::size_t lead = std::min(second.find_first_not_of('0'), second.size());
        const std::string significant = second.substr(lead);
        if (significant.size() > 2)
            return "error  operand size conflict, value to large for register";
        const int value = significant.empty() ? 0 : hexToInt(significant);
        return "word " + opcode + digit(reg) + digit(value >> 4) + digit(value & 15);
    }
    case OperandClass::TwoRegisters: {
        if (countText(line, ",") != 1)
            return "error   (fatal) invalid number of operands on instruction";
        const int a = registerOf(first);
        if (a < 0)
            return "error the first operand must be a register";
        const int b = registerOf(second);
        if (b < 0)
            return "error the second operand must be a register";
        return "word " + opcode + "0" + digit(a) + digit(b);
    }
    case OperandClass::OneRegister: {
        if (findText(line, ",") != -1)
            return "error  instruction only takes a single operand, no comma to seperate";
        const std::string lowered = lowerText(line);
        for (std::size_t n = 0; n < registerNames.size(); ++n)
            if (findText(lowered, registerNames[n]) != -1)
                return "word " + opcode + "00" + digit(static_cast<int>(n));
        return "error  single operand instruction, must contain register";
    }
    case OperandClass::None:
        break;
    }
    if (findText(line, ",") != -1)
        return "error   (fatal) invalid number of operands on instruction";
    return "word " + opcode + "000";
}

TEST(Encoder, AgreesWithTheRulesSpeltOut) {
    std::mt19937 random(23);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const std::string names[] = {"loadm", "load", "store", "mov", "add",    "sub",  "mul",
                                 "div",   "inc",  "dec",   "xor", "or",     "and",  "rotate",
                                 "halt",  "Load", "lo ad", "for", "unload", "haltx"};
    const std::string gaps[] = {"", " ", "  ", "\t", ",", ", ", " ,", " , ", "\r", ",,"};
    const std::string operands[] = {"ax",  "bx",   "px", "qx", "a x",          "AX",
                                    "0",   "f",    "ff", "FF", "0f",           "00ff",
                                    "100", "f f",  "",   "x",  "000000000001", "100000000",
                                    "g",   "\xff", "kX", "ad", "dec",          "halt"};
    for (int n = 0; n < 200000; ++n) {
        std::string line = pick(4) == 0 ? gaps[pick(std::size(gaps))] : "";
        line += names[pick(std::size(names))];
        for (std::size_t k = pick(5); k > 0; --k)
            line.append(gaps[pick(std::size(gaps))]).append(operands[pick(std::size(operands))]);
        if (pick(3) == 0)
            line += gaps[pick(std::size(gaps))];
        ASSERT_EQ(describe(assembleLine(line)), outcomeByTheRules(line)) << '"' << line << '"';
    }
}

TEST(Encoder, SplitOperandsCutsAtFirstSpaceAndFollowingComma) {
    struct Case {
        std::string line, first, second;
    };
    const Case cases[] = {
        {"load ax, ff", "ax", " ff"},      {"load,x ax, ff", "ax", " ff"},
        {"load ax ff", "", "load ax ff"},  {"load, ax", "", "load, ax"},
        {"mov a x , b x", "a x ", " b x"},
    };
    for (const auto& c : cases) {
        const Operands ops = splitOperands(c.line);
        EXPECT_EQ(ops.first, c.first) << c.line;
        EXPECT_EQ(ops.second, c.second) << c.line;
    }
}

TEST(Encoder, RegisterNamesAreExactAndLowerCase) {
    for (std::size_t n = 0; n < registerNames.size(); ++n) {
        EXPECT_TRUE(isRegister(registerNames[n]));
        EXPECT_FALSE(isRegister(upperText(registerNames[n])));
    }
    for (const char* text : {"", "a", "qx", "a x", "ax ", "axx", "xa"})
        EXPECT_FALSE(isRegister(text)) << text;
}

TEST(MnemonicTable, EveryOpcodeOnceAndDecodable) {
    std::set<int> seen;
    for (const Instruction& m : instructionTable) {
        EXPECT_TRUE(seen.insert(m.opcode).second) << m.mnemonic;
        EXPECT_EQ(instructionForOpcode(m.opcode), &m);
    }
    EXPECT_EQ(seen.size(), 15u);
    EXPECT_EQ(instructionForOpcode(0), nullptr);
    EXPECT_EQ(instructionForOpcode(16), nullptr);
}

} // namespace
