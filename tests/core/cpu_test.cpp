#include "cpu.h"
#include "format.h"
#include "instruction_set.h"
#include "text.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

using namespace mox;

namespace {

using Cells = std::vector<std::pair<int, std::int32_t>>;

struct OpCase {
    const char* word;
    Cells regsBefore; // on top of registers that all hold distinct values
    Cells memBefore;
    Cells regsChanged; // every register expected to differ afterwards
    Cells memChanged;
};

// Distinct register values, so that a write to the wrong register shows.
Cpu machineWith(const Cells& regs, const Cells& mem) {
    Cpu cpu;
    for (int i = 0; i < 16; ++i)
        cpu.registers[static_cast<std::size_t>(i)] = 1000 + i;
    for (auto [i, v] : regs)
        cpu.registers[static_cast<std::size_t>(i)] = v;
    for (auto [a, v] : mem)
        cpu.memory[static_cast<std::size_t>(a)] = v;
    return cpu;
}

TEST(CpuExecute, EveryOpcode) {
    const std::int32_t minInt = INT32_MIN;
    const OpCase cases[] = {
        {"0000", {}, {}, {}, {}},
        {"0123", {}, {}, {}, {}},
        {"2aff", {}, {}, {{0xa, 255}}, {}},
        {"2AFF", {}, {}, {{0xa, 255}}, {}},
        {"2000", {}, {}, {{0, 0}}, {}},
        {"3aff", {{0xa, -42}}, {}, {}, {{0xff, -42}}},
        {"1bff", {}, {{0xff, -42}}, {{0xb, -42}}, {}},
        {"1b00", {}, {{0x00, 7}}, {{0xb, 7}}, {}},
        {"4012", {}, {}, {{1, 1002}}, {}},
        {"4712", {}, {}, {{1, 1002}}, {}},
        {"4033", {}, {}, {}, {}},
        {"5012", {{1, 5}, {2, 7}}, {}, {{1, 12}}, {}},
        {"5012", {{1, INT32_MAX}, {2, 1}}, {}, {{1, minInt}}, {}},
        {"5011", {{1, 21}}, {}, {{1, 42}}, {}},
        {"6012", {{1, 5}, {2, 7}}, {}, {{1, -2}}, {}},
        {"6012", {{1, minInt}, {2, 1}}, {}, {{1, INT32_MAX}}, {}},
        {"6011", {{1, 21}}, {}, {{1, 0}}, {}},
        {"7012", {{1, -3}, {2, 7}}, {}, {{1, -21}}, {}},
        {"7012", {{1, 0x10000}, {2, 0x10000}}, {}, {{1, 0}}, {}},
        {"7012", {{1, INT32_MAX}, {2, 2}}, {}, {{1, -2}}, {}},
        {"7011", {{1, 12}}, {}, {{1, 144}}, {}},
        {"8012", {{1, -7}, {2, 2}}, {}, {{1, -3}}, {}},
        {"8012", {{1, 7}, {2, -2}}, {}, {{1, -3}}, {}},
        {"8012", {{1, 7}, {2, 0}}, {}, {}, {}},
        {"8012", {{1, minInt}, {2, -1}}, {}, {}, {}},
        {"8012", {{1, 42}, {2, -1}}, {}, {{1, -42}}, {}},
        {"8011", {{1, -9}}, {}, {{1, 1}}, {}},
        {"9005", {}, {}, {{5, 1006}}, {}},
        {"9ab5", {}, {}, {{5, 1006}}, {}},
        {"9000", {{0, INT32_MAX}}, {}, {{0, minInt}}, {}},
        {"a00f", {}, {}, {{0xf, 1014}}, {}},
        {"a000", {{0, minInt}}, {}, {{0, INT32_MAX}}, {}},
        {"b034", {{3, 0xF0}, {4, 0x3C}}, {}, {{3, 0xFC}}, {}},
        {"c034", {{3, 0xF0}, {4, 0x3C}}, {}, {{3, 0xCC}}, {}},
        {"d034", {{3, 0xF0}, {4, 0x3C}}, {}, {{3, 0x30}}, {}},
        {"c033", {{3, 0xF0}}, {}, {{3, 0}}, {}},
        {"e012", {{1, minInt + 1}, {2, 1}}, {}, {{1, 3}}, {}},
        {"e012", {{1, minInt + 1}, {2, 33}}, {}, {{1, 3}}, {}},
        {"e012", {{1, minInt + 1}, {2, 31}}, {}, {{1, minInt | 0x40000000}}, {}},
        {"e012", {{1, minInt + 1}, {2, 32}}, {}, {}, {}},
        {"e012", {{1, minInt + 1}, {2, 0}}, {}, {}, {}},
        {"e012", {{1, minInt + 1}, {2, -5}}, {}, {}, {}},
        {"e012", {{1, 1}, {2, minInt}}, {}, {}, {}},
        {"e012", {{1, 0x12345678}, {2, 4}}, {}, {{1, 0x23456781}}, {}},
        {"e011", {{1, 4}}, {}, {{1, 64}}, {}},
        {"e011", {{1, 0x21}}, {}, {{1, 0x42}}, {}},
        // A character that is no digit makes the word do nothing where the
        // opcode reads it, and is ignored where it does not.
        {"x012", {}, {}, {}, {}},
        {"2g00", {}, {}, {}, {}},
        {"20g0", {}, {}, {}, {}},
        {"40g2", {}, {}, {}, {}},
        {"9zz ", {}, {}, {}, {}},
        {"4 12", {}, {}, {{1, 1002}}, {}},
        {"9xy5", {}, {}, {{5, 1006}}, {}},
    };
    for (const auto& c : cases) {
        Cpu cpu = machineWith(c.regsBefore, c.memBefore);
        cpu.running = true;
        Cpu expected = cpu;
        for (auto [i, v] : c.regsChanged)
            expected.registers[static_cast<std::size_t>(i)] = v;
        for (auto [a, v] : c.memChanged)
            expected.memory[static_cast<std::size_t>(a)] = v;
        cpu.execute(c.word);
        EXPECT_EQ(cpu.registers, expected.registers) << c.word;
        EXPECT_EQ(cpu.memory, expected.memory) << c.word;
        EXPECT_TRUE(cpu.running) << c.word;
    }
}

TEST(CpuExecute, HaltClearsRunningOnly) {
    for (bool runningBefore : {true, false}) {
        Cpu cpu = machineWith({}, {{3, 9}});
        cpu.running = runningBefore;
        const Cpu before = cpu;
        cpu.execute("f000");
        EXPECT_FALSE(cpu.running);
        EXPECT_EQ(cpu.registers, before.registers);
        EXPECT_EQ(cpu.memory, before.memory);
    }
    Cpu cpu;
    cpu.running = true;
    cpu.execute("F1g?");
    EXPECT_FALSE(cpu.running);
}

TEST(CpuExecute, ReadsOnlyFourCharacters) {
    Cpu cpu;
    cpu.execute(std::string_view("2101f000", 8));
    EXPECT_EQ(cpu.registers[1], 1);
    EXPECT_FALSE(cpu.running);
    cpu.running = true;
    cpu.execute("f0"); // too short to be a word
    EXPECT_TRUE(cpu.running);
}

TEST(CpuReset, ClearsEveryFieldButTheHistory) {
    History history;
    Cpu cpu = machineWith({}, {{0xff, 1}});
    cpu.history = &history;
    cpu.running = cpu.programLoaded = true;
    cpu.instructionPointer = 8;
    cpu.program = "20FF";
    cpu.nextInstruction = {'2', '0', 'F', 'F', '\0'};
    cpu.reset();
    const Cpu fresh;
    EXPECT_EQ(cpu.registers, fresh.registers);
    EXPECT_EQ(cpu.memory, fresh.memory);
    EXPECT_FALSE(cpu.running);
    EXPECT_FALSE(cpu.programLoaded);
    EXPECT_EQ(cpu.instructionPointer, 0);
    EXPECT_EQ(cpu.program, "");
    EXPECT_EQ(cpu.nextInstructionText(), "");
    EXPECT_EQ(cpu.history, &history);
}

TEST(CpuChange, EachWordReportsWhatItChanged) {
    constexpr auto reg = Change::Where::Register;
    constexpr auto cell = Change::Where::Memory;
    const Change nothing;
    const struct {
        const char* word;
        Change change;
    } cases[] = {
        {"1bff", {reg, 0xb, 1011, -42}},
        {"2aff", {reg, 0xa, 1010, 255}},
        {"3a10", {cell, 0x10, 0, 1010}},
        {"3eff", {cell, 0xff, -42, 1014}},
        {"4012", {reg, 1, 1001, 1002}},
        {"5012", {reg, 1, 1001, 2003}},
        {"6012", {reg, 1, 1001, -1}},
        {"7012", {reg, 1, 1001, 1003002}},
        {"8092", {reg, 9, 1009, 1}},
        {"9003", {reg, 3, 1003, 1004}},
        {"A003", {reg, 3, 1003, 1002}},
        {"b012", {reg, 1, 1001, 1003}},
        {"c012", {reg, 1, 1001, 3}},
        {"d012", {reg, 1, 1001, 1000}},
        {"e012", {reg, 1, 1001, 1025024}},
        // Nothing changed: halt, opcode 0, a value written over itself, an
        // added zero, a zero divisor, a bad opcode digit.
        {"f000", nothing},
        {"0123", nothing},
        {"4033", nothing},
        {"3e20", nothing},
        {"2fff", nothing},
        {"5010", nothing},
        {"80f0", nothing},
        {"zzzz", nothing},
    };
    for (const auto& c : cases) {
        Cpu cpu = machineWith({{0xf, 255}, {0, 0}}, {{0xff, -42}, {0x20, 1014}});
        EXPECT_EQ(cpu.execute(c.word), c.change) << c.word;
        // The report agrees with the machine and with what the table says the
        // instruction writes.
        if (c.change.where == Change::Where::Nothing)
            continue;
        const auto at = static_cast<std::size_t>(c.change.index);
        EXPECT_EQ(c.change.where == reg ? cpu.registers[at] : cpu.memory[at], c.change.after)
            << c.word;
        const Instruction* in = instructionForOpcode(hexDigitValue(c.word[0]));
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(in->writes, c.change.where == reg ? Destination::Register : Destination::Memory)
            << c.word;
    }
}

TEST(CpuChange, RunTextReportsEveryWord) {
    Cpu cpu;
    const Outcome run = cpu.runText("20059000300590009001F0009001");
    const std::vector<Change> expected = {
        {Change::Where::Register, 0, 0, 5}, {Change::Where::Register, 0, 5, 6},
        {Change::Where::Memory, 5, 0, 6},   {Change::Where::Register, 0, 6, 7},
        {Change::Where::Register, 1, 0, 1}, {},
    };
    EXPECT_EQ(run.changes, expected);
}

TEST(CpuRunText, EndsWithItsMessageInFullExecution) {
    const struct {
        const char* text;
        Message message;
    } cases[] = {
        {"20FF9001F000", {"Execution Complete!. . Successful Run!", "Success!", Icon::Information}},
        {"", {"Execution Complete!. . Successful Run!", "Success!", Icon::Information}},
        {"20FF\n", {"Error:\nThere 8xe file is courpt!", "Error!", Icon::Information}},
    };
    for (const auto& c : cases) {
        Cpu cpu;
        const Outcome run = cpu.runText(c.text);
        EXPECT_EQ(run.messages, std::vector<Message>{c.message}) << c.text;
        EXPECT_EQ(run.controls, ExecutionMode::FullExecution) << c.text;
        EXPECT_EQ(run.title, ExecutionMode::FullExecution) << c.text;
        EXPECT_FALSE(run.listing) << c.text;
        EXPECT_FALSE(run.nextInstruction) << c.text;
    }
}

struct RunCase {
    const char* text;
    std::int32_t r0, r1;
    bool running;
};

TEST(CpuRunText, RunsCompleteWordsUpToHalt) {
    const RunCase cases[] = {
        {"20FF9001F000", 255, 1, false},
        {"20ff9001f000", 255, 1, false},
        {"F00020FF", 0, 0, false},
        {"20FF9", 255, 0, true},
        {"9001", 0, 1, true},
        {"", 0, 0, true},
        {"900", 0, 0, true},
        {"20FF 9001", 0, 0, false}, // invalid: nothing runs, running untouched
        {"20FF\n", 0, 0, false},
    };
    for (const auto& c : cases) {
        Cpu cpu;
        cpu.runText(c.text);
        EXPECT_EQ(cpu.registers[0], c.r0) << c.text;
        EXPECT_EQ(cpu.registers[1], c.r1) << c.text;
        EXPECT_EQ(cpu.running, c.running) << c.text;
    }
}

TEST(CpuRunText, RepeatsOnTheValuesLeftBefore) {
    Cpu cpu;
    cpu.runText("9001F000");
    cpu.runText("9001F000");
    EXPECT_EQ(cpu.registers[1], 2);
}

struct FormatCase {
    std::int32_t value;
    Base base;
    const char* expected;
};

TEST(FormatNumber, EveryBase) {
    const FormatCase cases[] = {
        {0, Base::Binary, "0"},
        {0, Base::Decimal, "0"},
        {0, Base::Hexadecimal, "0"},
        {5, Base::Binary, "101"},
        {255, Base::Hexadecimal, "ff"},
        {255, Base::Decimal, "255"},
        {-1, Base::Decimal, "-1"},
        {-1, Base::Hexadecimal, "ffffffff"},
        {-1, Base::Binary, "11111111111111111111111111111111"},
        {INT32_MIN, Base::Decimal, "-2147483648"},
        {INT32_MIN, Base::Hexadecimal, "80000000"},
        {INT32_MIN, Base::Binary, "10000000000000000000000000000000"},
        {INT32_MAX, Base::Decimal, "2147483647"},
        {INT32_MAX, Base::Hexadecimal, "7fffffff"},
        {0x1234abcd, Base::Hexadecimal, "1234abcd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.base), c.expected) << c.value << " base " << int(c.base);
}

} // namespace
