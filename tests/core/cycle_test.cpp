#include "cycle.h"
#include "datapath_parts.h"
#include "emulator.h"
#include "format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

using namespace mox;

namespace {

// The machine's rules written out the long way: 64-bit arithmetic cut to 32
// bits, division through longs, rotation one bit at a time.
struct Model {
    std::int64_t exact;
    std::int32_t kept;
};
Model slow(char op, std::int32_t a, std::int32_t b) {
    std::int64_t exact = 0;
    switch (op) {
    case '+':
        exact = std::int64_t{a} + b;
        break;
    case '-':
        exact = std::int64_t{a} - b;
        break;
    case 'x':
        exact = std::int64_t{a} * b;
        break;
    case '/':
        exact = b == 0 ? a : std::int64_t{a} / b;
        break;
    case 'r': {
        std::uint32_t v = static_cast<std::uint32_t>(a);
        for (std::int64_t k = 0; k < b; ++k)
            v = (v << 1) | (v >> 31);
        exact = static_cast<std::int32_t>(v);
        break;
    }
    }
    std::int64_t low = exact % 4294967296LL;
    if (low < 0)
        low += 4294967296LL;
    return {exact, static_cast<std::int32_t>(low >= 2147483648LL ? low - 4294967296LL : low)};
}

struct Row {
    const char* what;
    const char* word;
    std::vector<std::pair<int, std::int32_t>> registers; // set before the word
    std::vector<std::pair<int, std::int32_t>> cells;
    Change::Where where;
    int index;
    std::int32_t after; // from the slow model or worked by hand
    Rule rule;
    std::vector<std::int32_t> inputs; // the values read, in order
};

std::vector<Row> rows() {
    const std::int32_t bit31and0 = INT32_MIN | 1;
    using W = Change::Where;
    return {
        {"load a constant", "2aff", {}, {}, W::Register, 10, 255, Rule::None, {255}},
        {"load from a cell", "1B10", {}, {{0x10, -9}}, W::Register, 11, -9, Rule::None, {-9}},
        {"store into a cell", "3a20", {{10, 77}}, {}, W::Memory, 0x20, 77, Rule::None, {77}},
        {"mov ignores digit 2", "4712", {{2, -4}}, {}, W::Register, 1, -4, Rule::None, {-4}},
        {"add",
         "5012",
         {{1, 255}, {2, 2}},
         {},
         W::Register,
         1,
         slow('+', 255, 2).kept,
         Rule::None,
         {255, 2}},
        {"add wraps",
         "5012",
         {{1, INT32_MAX}, {2, 1}},
         {},
         W::Register,
         1,
         slow('+', INT32_MAX, 1).kept,
         Rule::Wrapped,
         {INT32_MAX, 1}},
        {"sub wraps",
         "6012",
         {{1, INT32_MIN}, {2, 1}},
         {},
         W::Register,
         1,
         slow('-', INT32_MIN, 1).kept,
         Rule::Wrapped,
         {INT32_MIN, 1}},
        {"sub to a negative does not wrap",
         "6012",
         {{1, 1}, {2, 5}},
         {},
         W::Register,
         1,
         -4,
         Rule::None,
         {1, 5}},
        {"mul keeps the low bits",
         "7012",
         {{1, 0x10000}, {2, 0x10001}},
         {},
         W::Register,
         1,
         slow('x', 0x10000, 0x10001).kept,
         Rule::Wrapped,
         {0x10000, 0x10001}},
        {"div truncates toward zero",
         "8012",
         {{1, -7}, {2, 2}},
         {},
         W::Register,
         1,
         -3,
         Rule::None,
         {-7, 2}},
        {"div by zero leaves the register",
         "8012",
         {{1, 42}},
         {},
         W::Register,
         1,
         42,
         Rule::DivideByZero,
         {42, 0}},
        {"the quotient that does not fit",
         "8012",
         {{1, INT32_MIN}, {2, -1}},
         {},
         W::Register,
         1,
         slow('/', INT32_MIN, -1).kept,
         Rule::DivideOverflow,
         {INT32_MIN, -1}},
        {"inc wraps",
         "9ab5",
         {{5, INT32_MAX}},
         {},
         W::Register,
         5,
         slow('+', INT32_MAX, 1).kept,
         Rule::Wrapped,
         {INT32_MAX}},
        {"dec", "a003", {}, {}, W::Register, 3, -1, Rule::None, {0}},
        {"or", "b034", {{3, 0xF0}, {4, 0x3C}}, {}, W::Register, 3, 0xFC, Rule::None, {0xF0, 0x3C}},
        {"xor", "c034", {{3, 0xF0}, {4, 0x3C}}, {}, W::Register, 3, 0xCC, Rule::None, {0xF0, 0x3C}},
        {"and", "D034", {{3, 0xF0}, {4, 0x3C}}, {}, W::Register, 3, 0x30, Rule::None, {0xF0, 0x3C}},
        {"rotate by 1",
         "e012",
         {{1, bit31and0}, {2, 1}},
         {},
         W::Register,
         1,
         slow('r', bit31and0, 1).kept,
         Rule::None,
         {bit31and0, 1}},
        {"rotate by 33",
         "e012",
         {{1, bit31and0}, {2, 33}},
         {},
         W::Register,
         1,
         slow('r', bit31and0, 33).kept,
         Rule::None,
         {bit31and0, 33}},
        {"rotate by 0",
         "e012",
         {{1, bit31and0}},
         {},
         W::Register,
         1,
         bit31and0,
         Rule::RotateByNothing,
         {bit31and0, 0}},
        {"rotate by a negative count",
         "e012",
         {{1, 6}, {2, -5}},
         {},
         W::Register,
         1,
         6,
         Rule::RotateByNothing,
         {6, -5}},
        {"rotate a register by itself",
         "e011",
         {{1, 3}},
         {},
         W::Register,
         1,
         slow('r', 3, 3).kept,
         Rule::None,
         {3, 3}},
        {"a write of the same value", "5012", {{1, 8}}, {}, W::Register, 1, 8, Rule::None, {8, 0}},
        {"halt", "f123", {}, {}, W::Nothing, 0, 0, Rule::Halt, {}},
        {"opcode 0", "0fff", {{15, 3}}, {}, W::Nothing, 0, 0, Rule::NoInstruction, {}},
        // Words no caller passes, which the machine skips all the same.
        {"a stray character where load reads",
         "2agf",
         {},
         {},
         W::Nothing,
         0,
         0,
         Rule::NoInstruction,
         {}},
        {"a stray character in a digit mov ignores",
         "4g12",
         {{2, 6}},
         {},
         W::Register,
         1,
         6,
         Rule::None,
         {6}},
    };
}

class CycleTable : public testing::TestWithParam<Row> {};

TEST_P(CycleTable, TellsTheWriteTheMachineMakes) {
    const Row& row = GetParam();
    Cpu cpu;
    cpu.running = true;
    for (auto [r, v] : row.registers)
        cpu.registers[static_cast<std::size_t>(r)] = v;
    for (auto [a, v] : row.cells)
        cpu.memory[static_cast<std::size_t>(a)] = v;
    const auto registers = cpu.registers;
    const auto memory = cpu.memory;

    const Cycle cycle = describeCycle(registers, memory, row.word, Origin{4});
    EXPECT_EQ(cpu.registers, registers) << "describing changes nothing";
    const Change machine = cpu.execute(row.word);

    EXPECT_EQ(cycle.change(), machine);
    EXPECT_EQ(cycle.write.where, row.where);
    if (row.where != Change::Where::Nothing) {
        EXPECT_EQ(cycle.write.index, row.index);
        EXPECT_EQ(cycle.write.after, row.after);
        EXPECT_EQ(cycle.result, row.after);
        const std::int32_t before = row.where == Change::Where::Register
                                        ? registers[static_cast<std::size_t>(row.index)]
                                        : memory[static_cast<std::size_t>(row.index)];
        EXPECT_EQ(cycle.write.before, before);
    }
    EXPECT_EQ(cycle.rule, row.rule);
    std::vector<std::int32_t> inputs;
    for (const Source& s : cycle.sources)
        inputs.push_back(s.value);
    EXPECT_EQ(inputs, row.inputs);
    EXPECT_EQ(cycle.next, row.rule == Rule::Halt ? 0 : 5);
    EXPECT_EQ(std::string(cycle.word.data(), 4).find_first_of("abcdef"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EveryClassAndRule, CycleTable, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(Cycle, DecodeTellsEachDigitsRoleInTheWordsLayout) {
    const std::array<std::int32_t, 16> registers{};
    const std::array<std::int32_t, 256> memory{};
    using R = Digit::Role;
    const std::vector<std::pair<const char*, std::array<R, 4>>> words{
        {"2AFF", {R::Opcode, R::Register, R::Value, R::Value}},
        {"5712", {R::Opcode, R::Unused, R::Register, R::Source}},
        {"9ab5", {R::Opcode, R::Unused, R::Unused, R::Register}},
        {"f123", {R::Opcode, R::Unused, R::Unused, R::Unused}},
        {"0123", {R::Opcode, R::Unused, R::Unused, R::Unused}},
    };
    for (const auto& [word, roles] : words) {
        const Cycle c = describeCycle(registers, memory, word, Origin{});
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(c.digits[i].role, roles[i]) << word << " digit " << i + 1;
    }
}

// The parts the drawing's table names, which the datapath test holds to the
// drawing itself.
bool isPart(std::string_view id) {
    return std::any_of(datapath::parts.begin(), datapath::parts.end(),
                       [id](const datapath::Part& p) { return p.id == id; });
}
bool isLabel(std::string_view id) {
    return std::any_of(datapath::parts.begin(), datapath::parts.end(),
                       [id](const datapath::Part& p) { return p.label == id; });
}

bool lit(const PhaseView& v, std::string_view id) {
    return std::find(v.lit.begin(), v.lit.end(), id) != v.lit.end();
}

TEST(Cycle, LightsOnlyTheDrawingsIdsAndFillsOnlyItsSlots) {
    std::array<std::int32_t, 16> registers{};
    std::array<std::int32_t, 256> memory{};
    registers[1] = 5;
    memory[0x10] = 9;
    for (const char* word :
         {"1110", "2110", "3110", "4012", "5012", "9001", "e012", "f000", "0000", "8010"})
        for (const Origin origin : {Origin{0}, Origin{}})
            for (const PhaseView& v :
                 showCycle(describeCycle(registers, memory, word, origin), Base::Hexadecimal)) {
                for (std::string_view id : v.lit)
                    EXPECT_TRUE(isPart(id)) << word << ": " << id;
                for (const auto& [slot, text] : v.values) {
                    EXPECT_TRUE(isLabel(slot)) << word << ": " << slot;
                    EXPECT_FALSE(text.empty()) << word << ": " << slot;
                }
                EXPECT_FALSE(v.line.empty());
                EXPECT_FALSE(v.sentence.empty());
            }
}

TEST(Cycle, LightsThePathTheValueTakes) {
    std::array<std::int32_t, 16> registers{};
    const std::array<std::int32_t, 256> memory{};
    registers[1] = 5;
    const auto phases = [&](const char* word, Origin origin = Origin{0}) {
        return showCycle(describeCycle(registers, memory, word, origin), Base::Hexadecimal);
    };
    const auto loadm = phases("1110");
    EXPECT_TRUE(lit(loadm[2], "memory") && lit(loadm[2], "bus-ir-memory"));
    EXPECT_FALSE(lit(loadm[3], "alu"));
    EXPECT_TRUE(lit(loadm[4], "bus-memory-registers") && lit(loadm[4], "registers"));

    const auto store = phases("3110");
    EXPECT_TRUE(lit(store[2], "registers"));
    EXPECT_TRUE(lit(store[4], "bus-registers-memory") && lit(store[4], "memory"));
    EXPECT_FALSE(lit(store[4], "registers"));

    const auto load = phases("2110");
    EXPECT_TRUE(lit(load[3], "bus-ir-alu") && lit(load[3], "alu"));
    EXPECT_FALSE(lit(load[2], "registers"));

    const auto add = phases("5011");
    EXPECT_TRUE(lit(add[3], "alu") && lit(add[3], "bus-registers-alu"));
    EXPECT_TRUE(lit(add[4], "bus-alu-registers"));

    // Fetch from the program goes through the instruction pointer; a typed
    // word reaches the instruction register with neither.
    EXPECT_TRUE(lit(add[0], "ip") && lit(add[0], "program") && lit(add[0], "ir"));
    const auto typed = phases("5011", Origin{});
    EXPECT_TRUE(lit(typed[0], "ir"));
    EXPECT_FALSE(lit(typed[0], "ip") || lit(typed[0], "program"));

    for (const char* word : {"f000", "0123"}) {
        const auto idle = phases(word);
        for (std::size_t p = 2; p < 4; ++p)
            EXPECT_TRUE(idle[p].lit.empty()) << word << " phase " << p;
    }
}

TEST(Cycle, TellsTheCycleInPlainWords) {
    std::array<std::int32_t, 16> registers{};
    std::array<std::int32_t, 256> memory{};
    registers[0] = 0xff;
    registers[1] = 2;
    memory[0x10] = -1;
    const auto told = [&](const char* word, Origin origin, Base base) {
        return narration(describeCycle(registers, memory, word, origin), base);
    };
    EXPECT_EQ(told("5001", Origin{2}, Base::Hexadecimal),
              "Fetch: word 3 of the program, 5001. Decode: 5 is add; ax plus bx. Read: ax is ff, "
              "bx is 2. Execute: the ALU adds ff and 2, giving 101. Write: ax becomes 101; it was "
              "ff.");
    EXPECT_EQ(told("1210", Origin{}, Base::Decimal),
              "Fetch: the typed word 1210. Decode: 1 is loadm; memory[16] into cx. Read: "
              "memory[16] is -1. Execute: the machine copies -1 as it is. Write: cx becomes -1; "
              "it was 0.");
    EXPECT_EQ(told("8002", Origin{0}, Base::Binary),
              "Fetch: word 1 of the program, 8002. Decode: 8 is div; ax divided by cx. Read: ax "
              "is 11111111, cx is 0. Execute: the ALU divides 11111111 by 0, giving 11111111; a "
              "division by 0 leaves the register as it was. Write: ax stays 11111111; nothing "
              "changes.");
    EXPECT_EQ(told("F000", Origin{6}, Base::Hexadecimal),
              "Fetch: word 7 of the program, F000. Decode: F is halt; stop the run. Read: "
              "nothing. Execute: the machine stops the run. Write: nothing changes; the run stops "
              "and the instruction pointer goes back to the first word.");
    EXPECT_EQ(told("0abc", Origin{}, Base::Hexadecimal),
              "Fetch: the typed word 0ABC. Decode: 0 is no instruction; the word does nothing. "
              "Read: nothing. Execute: nothing happens. Write: nothing changes.");
}

TEST(Cycle, ExplainsInEmurunsBlock) {
    std::array<std::int32_t, 16> registers{};
    const std::array<std::int32_t, 256> memory{};
    registers[0] = 0xff;
    registers[1] = 2;
    EXPECT_EQ(
        explainBlock(describeCycle(registers, memory, "5001", Origin{2}), 3, Base::Hexadecimal),
        "word 3: 5001\n"
        "  fetch    word 3 of the program; next: word 4\n"
        "  decode   5 = add; digit 2 (0) is not used; reg 0 = ax; src 1 = bx\n"
        "  read     ax = ff, bx = 2\n"
        "  execute  ff + 2 = 101\n"
        "  write    ax: ff -> 101\n");
    registers[0] = INT32_MAX;
    const std::string wrapped =
        explainBlock(describeCycle(registers, memory, "9000", Origin{0}), 1, Base::Decimal);
    EXPECT_NE(wrapped.find("  execute  2147483647 + 1 = -2147483648 (wraps at 32 bits)\n"),
              std::string::npos)
        << wrapped;
    EXPECT_NE(wrapped.find("  decode   9 = inc; digits 2-3 (00) are not used; reg 0 = ax\n"),
              std::string::npos)
        << wrapped;
}

// The seam the windows use: the history keeps each word, so the newest one
// can be told after Step, a typed word, a run and Back alike.
TEST(Cycle, TheEmulatorTellsTheWordExecutedLast) {
    Emulator emulator;
    EXPECT_FALSE(emulator.lastCycle());

    emulator.executionMode = ExecutionMode::StepByStep;
    emulator.loadProgram("20ff9001f000");
    const auto preview = emulator.nextCycle();
    ASSERT_TRUE(preview);
    EXPECT_EQ(emulator.cpu.registers[0], 0) << "a preview executes nothing";
    EXPECT_EQ(preview->write.after, 0xff);

    emulator.stepInstruction();
    auto last = emulator.lastCycle();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->change(), preview->change());
    EXPECT_EQ(last->origin, Origin{0});
    EXPECT_EQ(last->write.before, 0);

    emulator.stepInstruction();
    emulator.stepInstruction(); // the halt
    last = emulator.lastCycle();
    ASSERT_TRUE(last && last->halts());
    EXPECT_EQ(last->origin, Origin{2});
    EXPECT_EQ(last->next, 0);

    // Back: the word now last is the inc, told on the machine before it.
    ASSERT_TRUE(emulator.back());
    last = emulator.lastCycle();
    ASSERT_TRUE(last);
    EXPECT_EQ(std::string(last->word.data(), 4), "9001");
    EXPECT_EQ(last->write.before, 0);
    EXPECT_EQ(last->write.after, 1);

    Emulator typed;
    typed.executeTypedInstruction("2c07");
    last = typed.lastCycle();
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->origin.isTyped());
    EXPECT_FALSE(last->next);

    // A full run: its last word, at its place in the program.
    Emulator run;
    run.cpu.registers[3] = 40;
    run.loadProgram("2301930393039303");
    last = run.lastCycle();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->origin, Origin{3});
    EXPECT_EQ(last->write.before, 3);
    EXPECT_EQ(last->write.after, 4);
    run.clearMemory();
    EXPECT_FALSE(run.lastCycle());
}

} // namespace
