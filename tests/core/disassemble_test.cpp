#include "disassemble.h"
#include "encoder.h"
#include "instruction_set.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace mox;

namespace {

TEST(Disassemble, Words) {
    const std::pair<const char*, const char*> cases[] = {
        {"20FF", "load ax, ff"},   {"20ff", "load ax, ff"}, {"1101", "loadm bx, 01"},
        {"32A0", "store cx, a0"},  {"4001", "mov ax, bx"},  {"4712", "mov bx, cx"},
        {"E0F0", "rotate px, ax"}, {"C001", "xor ax, bx"},  {"B001", "or ax, bx"},
        {"9001", "inc bx"},        {"9AB5", "inc fx"},      {"A00F", "dec px"},
        {"F000", "halt"},          {"F123", "halt"},        {"0000", "(none)"},
        {"0XYZ", "(none)"},        {"X000", "(invalid)"},   {"2G00", "(invalid)"},
        {"40G1", "(invalid)"},     {"4 12", "mov bx, cx"},  {"900", "(invalid)"},
    };
    for (auto [word, expected] : cases)
        EXPECT_EQ(disassemble(word), expected) << word;
}

TEST(Disassemble, DescribeWordKeepsTheWordAsGiven) {
    EXPECT_EQ(describeWord("2A7F"), "2A7F  load kx, 7f");
    EXPECT_EQ(describeWord("0000"), "0000  (none)");
}

// Every letter of the table's notation replaced by what it stands for.
std::string filledIn(std::string_view pattern) {
    std::string out(pattern);
    for (auto [from, to] :
         {std::pair<std::string, std::string>{"reg", "kx"}, {"src", "bx"}, {"nn", "7f"}}) {
        for (auto at = out.find(from); at != std::string::npos; at = out.find(from))
            out.replace(at, from.size(), to);
    }
    return out;
}

// The call tips say what the assembler and the disassembler do: each form,
// with reg kx, src bx and nn 7f, assembles to the word pattern with r a, s 1
// and nn 7f, and that word disassembles back to the form.
TEST(Disassemble, TableFormsAndWordPatternsAgreeWithTheCode) {
    for (const Instruction& in : instructionTable) {
        const std::string line = filledIn(in.form);
        std::string word = filledIn(in.word);
        if (in.operands != OperandClass::None)
            for (char& c : word)
                c = c == 'r' ? 'a' : c == 's' ? '1' : c;
        EXPECT_TRUE(line.starts_with(in.mnemonic)) << in.form;
        EXPECT_EQ(describe(assembleLine(line)), "word " + word) << in.form;
        EXPECT_EQ(disassemble(word), line) << in.word;
    }
}

// Whether the assembler can write the word: the places it does not fill
// with operands hold 0.
bool isAssembledForm(int opcode, int operands) {
    if (opcode <= 3)
        return true;
    if (opcode == 9 || opcode == 0xa)
        return operands < 0x10;
    if (opcode == 0xf)
        return operands == 0;
    return operands < 0x100;
}

// Every word the assembler can write comes back as a line that assembles to
// the same word.
TEST(Disassemble, RoundTripsEveryAssembledWord) {
    int checked = 0;
    for (int opcode = 1; opcode <= 15; ++opcode) {
        for (int operands = 0; operands < 0x1000; ++operands) {
            if (!isAssembledForm(opcode, operands))
                continue;
            char word[5];
            std::snprintf(word, sizeof word, "%x%03x", opcode, operands);
            const std::string line = disassemble(word);
            const LineResult r = assembleLine(line);
            ASSERT_EQ(r.kind, LineResult::Kind::Word) << word << ": " << line << ": " << r.message;
            ASSERT_EQ(r.wordText(), std::string_view(word)) << line;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 3 * 4096 + 9 * 256 + 2 * 16 + 1);
}

} // namespace
