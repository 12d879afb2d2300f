#include "../machine_snapshot.h"
#include "emulator.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace mox;

namespace {

// The machine's whole state, compared field by field.
using Snapshot = MachineSnapshot;

std::string randomWord(std::mt19937& rng) {
    static const char digits[] = "0123456789abcdefABCDEF";
    std::string word;
    for (int i = 0; i < 4; ++i)
        word += digits[rng() % 22];
    // Halts often enough that runs end early and steps rewind.
    if (rng() % 6 == 0)
        word[0] = 'f';
    return word;
}

std::string randomProgram(std::mt19937& rng) {
    std::string text;
    for (std::size_t n = 1 + rng() % 12; n > 0; --n)
        text += randomWord(rng);
    if (rng() % 8 == 0)
        text += "2a"; // a short last word, which a run never executes
    return text;
}

class HistoryTest : public ::testing::Test {
protected:
    Emulator emu;

    // Does one random action; gives the state before each word it executed.
    std::vector<Snapshot> act(std::mt19937& rng) {
        const Snapshot start = snapshot(emu.cpu);
        switch (rng() % 4) {
        case 0:
            return statesBefore(start, emu.stepInstruction());
        case 1:
            return statesBefore(start, emu.executeTypedInstruction(randomWord(rng)));
        case 2: // the Execute button, which runs without a new load
            return statesBefore(start, emu.runText(randomProgram(rng)));
        default:
            return {};
        }
    }
};

TEST_F(HistoryTest, EveryBackRestoresTheStateBeforeItsWord) {
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        emu.executionMode = ExecutionMode::StepByStep;
        emu.loadProgram(randomProgram(rng));
        for (auto& r : emu.cpu.registers)
            r = static_cast<std::int32_t>(rng());
        std::vector<Snapshot> befores; // one per word still to take back
        for (int a = 0; a < 30; ++a) {
            if (rng() % 3 == 0 && !befores.empty()) {
                const Snapshot now = snapshot(emu.cpu);
                const auto back = emu.back();
                ASSERT_TRUE(back);
                ASSERT_EQ(snapshot(emu.cpu), befores.back()) << "round " << round;
                // The outcome says what came back, from what.
                ASSERT_EQ(back->changes.size(), 1u);
                const Change& c = back->changes[0];
                if (c.where == Change::Where::Register) {
                    EXPECT_EQ(c.before, now.registers[c.index]);
                    EXPECT_EQ(c.after, emu.cpu.registers[c.index]);
                } else if (c.where == Change::Where::Memory) {
                    EXPECT_EQ(c.before, now.memory[c.index]);
                    EXPECT_EQ(c.after, emu.cpu.memory[c.index]);
                }
                befores.pop_back();
            } else {
                const auto words = act(rng);
                befores.insert(befores.end(), words.begin(), words.end());
            }
            ASSERT_EQ(emu.executedCount(), befores.size());
            ASSERT_EQ(emu.canGoBack(), !befores.empty());
        }
        // All the way back, then no further.
        while (!befores.empty()) {
            ASSERT_TRUE(emu.back());
            ASSERT_EQ(snapshot(emu.cpu), befores.back()) << "round " << round;
            befores.pop_back();
        }
        EXPECT_FALSE(emu.back());
    }
}

TEST_F(HistoryTest, AWholeRunTakenBackWordByWordGivesTheStateBeforeIt) {
    emu.executionMode = ExecutionMode::StepByStep;
    emu.loadProgram("20ff");
    emu.cpu.registers[3] = 9;
    const Snapshot before = snapshot(emu.cpu); // running after the load
    emu.cpu.running = false;
    const Snapshot stopped = snapshot(emu.cpu);
    const std::size_t words = emu.cpu.runText("2a7f30109003f000ffff").changes.size();
    ASSERT_EQ(words, 4u);
    for (std::size_t i = 0; i < words; ++i)
        ASSERT_TRUE(emu.back());
    EXPECT_EQ(snapshot(emu.cpu), stopped);
    EXPECT_FALSE(emu.back());
    EXPECT_NE(stopped, before);
}

TEST_F(HistoryTest, BackAfterTheHaltsRewindReturnsToTheHaltAndItsLabel) {
    emu.executionMode = ExecutionMode::StepByStep;
    emu.loadProgram("20fff000");
    emu.stepInstruction();
    emu.stepInstruction(); // the halt: the pointer goes back to the first word
    ASSERT_EQ(emu.cpu.instructionPointer, 0);
    const auto back = emu.back();
    ASSERT_TRUE(back);
    EXPECT_EQ(emu.cpu.nextInstructionText(), "F000");
    EXPECT_TRUE(emu.cpu.running);
    EXPECT_EQ(back->nextInstruction, "Next Instruction: F000");
    emu.stepInstruction(); // and the halt can be stepped again
    EXPECT_FALSE(emu.cpu.running);
}

TEST_F(HistoryTest, LoadsClearFillAndResetEndTheHistory) {
    const std::vector<std::pair<const char*, void (*)(Emulator&)>> ends{
        {"load",
         [](Emulator& e) {
             e.executionMode = ExecutionMode::StepByStep;
             e.loadProgram("9000");
         }},
        {"clear", [](Emulator& e) { e.clearMemory(); }},
        {"fill", [](Emulator& e) { e.fillMemory(); }},
        {"reset", [](Emulator& e) { e.reset(); }},
    };
    for (const auto& [name, end] : ends) {
        emu.executionMode = ExecutionMode::FullExecution;
        emu.loadProgram("2a7f3a10f000");
        ASSERT_TRUE(emu.canGoBack()) << name;
        const Snapshot afterEnd = (end(emu), snapshot(emu.cpu));
        EXPECT_FALSE(emu.back()) << name;
        EXPECT_EQ(snapshot(emu.cpu), afterEnd) << name;
        EXPECT_EQ(emu.executedCount(), 0u) << name;
    }
    EXPECT_EQ(emu.cpu.memory[0x10], 0); // reset, after fill
    EXPECT_EQ(emu.cpu.history, &emu.history);
}

TEST(HistoryCapacity, KeepsTheNewestWordsOnceFull) {
    Emulator emu;
    const std::size_t extra = 5;
    for (std::size_t i = 0; i < History::capacity + extra; ++i)
        emu.executeTypedInstruction("9000"); // inc ax
    std::size_t backs = 0;
    while (emu.back())
        ++backs;
    EXPECT_EQ(backs, History::capacity);
    EXPECT_EQ(emu.cpu.registers[0], static_cast<std::int32_t>(extra));
    EXPECT_EQ(emu.executedCount(), extra);
}

} // namespace
