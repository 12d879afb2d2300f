#include "../machine_snapshot.h"
#include "emulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace mox;

namespace {

using Calls = std::vector<std::string>;

// An outcome as one list, in the order every front end shows it, so a test
// compares all that an action came to at once.
Calls shown(const Outcome& o) {
    Calls calls;
    for (std::size_t i = 0; i < o.changes.size(); ++i)
        calls.push_back("refresh");
    if (o.listing)
        calls.push_back("listing " + *o.listing);
    if (o.controls)
        calls.push_back(*o.controls == ExecutionMode::StepByStep ? "step controls"
                                                                 : "full controls");
    if (o.title)
        calls.push_back("title " + std::string(modeTitle(*o.title)));
    for (const Message& m : o.messages)
        calls.push_back("message " + m.caption + " | " + m.text + " | " +
                        (m.icon == Icon::Error ? "error" : "information"));
    if (o.nextInstruction)
        calls.push_back("label " + *o.nextInstruction);
    return calls;
}

const std::string allDone = "message :) all done | Succesful Execution, reseting instruction "
                            "pointer to the first instruction | information";
const std::string success =
    "message Success! | Execution Complete!. . Successful Run! | information";
const std::string corruptStep =
    "message Sorry no can do | You cannot step into a corrupt 8XE | error";

class EmulatorTest : public ::testing::Test {
protected:
    Emulator emu;

    Calls stepLoad(const std::string& fileText) {
        emu.executionMode = ExecutionMode::StepByStep;
        return shown(emu.loadProgram(fileText));
    }
    Calls fullLoad(const std::string& fileText) {
        emu.executionMode = ExecutionMode::FullExecution;
        return shown(emu.loadProgram(fileText));
    }
};

TEST_F(EmulatorTest, StepByStepWalksTheProgramAndRewindsAtHalt) {
    EXPECT_EQ(stepLoad("20ff9001f000"),
              (Calls{"listing 20FF9001F000", "step controls", "title MOX77 - Step by Step Mode",
                     "label Next Instruction: 20FF"}));
    EXPECT_TRUE(emu.cpu.programLoaded);
    EXPECT_TRUE(emu.cpu.running);
    EXPECT_EQ(emu.cpu.registers[0], 0); // nothing executed yet

    EXPECT_EQ(shown(emu.stepInstruction()), (Calls{"refresh", "label Next Instruction: 9001"}));
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.instructionPointer, 4);

    EXPECT_EQ(shown(emu.stepInstruction()), (Calls{"refresh", "label Next Instruction: F000"}));
    EXPECT_EQ(emu.cpu.registers[1], 1);

    // The halt: the message comes before the label goes back to the start.
    EXPECT_EQ(shown(emu.stepInstruction()),
              (Calls{"refresh", allDone, "label Next Instruction: 20FF"}));
    EXPECT_EQ(emu.cpu.instructionPointer, 0);
    EXPECT_FALSE(emu.cpu.running);

    emu.cpu.registers[0] = 3;
    emu.stepInstruction();
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.registers[1], 1);
}

struct EndCase {
    const char* file;
    std::vector<const char*> labels; // the label after the load and after each Step
    std::vector<bool> done;          // whether that Step ended the pass
};

// Running off the end, with or without a trailing part word, ends the pass
// like a halt, and the label never shows anything from outside the program.
TEST_F(EmulatorTest, EndOfProgramActsAsHalt) {
    const EndCase cases[] = {
        {"20ff9001", {"20FF", "9001", "", "20FF"}, {false, false, true}},
        {"20ff90", {"20FF", "90", "20FF", "90"}, {false, true, false}},
        {"20f", {"20F", "20F", "20F"}, {true, true}},
        {"", {"", ""}, {true}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stepLoad(c.file).back(), std::string("label Next Instruction: ") + c.labels[0]);
        for (std::size_t i = 0; i < c.done.size(); ++i) {
            const Calls calls = shown(emu.stepInstruction());
            EXPECT_EQ(calls.back(), std::string("label Next Instruction: ") + c.labels[i + 1])
                << c.file << " step " << i;
            const bool done = std::find(calls.begin(), calls.end(), allDone) != calls.end();
            EXPECT_EQ(done, c.done[i]) << c.file << " step " << i;
            if (done) {
                EXPECT_FALSE(emu.cpu.running);
                EXPECT_EQ(emu.cpu.instructionPointer, 0);
            }
        }
    }
    // A part word is never executed: 20F would have set register 0.
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.registers[9], 0);
}

TEST_F(EmulatorTest, StepRefusals) {
    emu.executionMode = ExecutionMode::FullExecution;
    EXPECT_EQ(shown(emu.stepInstruction()),
              Calls{"message Error! | Error:\nYou are currently running in Execution mode, "
                    "please restart in step mode to use the step instruction | information"});
    emu.executionMode = ExecutionMode::StepByStep;
    EXPECT_EQ(shown(emu.stepInstruction()), Calls{corruptStep});
    EXPECT_FALSE(emu.cpu.running);
}

TEST_F(EmulatorTest, InvalidStepLoadShowsTextAndBlocksStep) {
    stepLoad("20ff9001f000");
    EXPECT_EQ(stepLoad("20ff 9001\nf000"),
              (Calls{"listing 20FF 9001\nF000", "step controls",
                     "message Error! | Fatal Error:\nInvalid or Corrupt 8XE File | information"}));
    EXPECT_FALSE(emu.cpu.programLoaded);
    EXPECT_EQ(shown(emu.stepInstruction()), Calls{corruptStep});
    EXPECT_EQ(emu.cpu.registers[0], 0);
}

TEST_F(EmulatorTest, FullExecutionLoadRunsAndKeepsStepState) {
    stepLoad("9001f000");
    emu.stepInstruction();

    EXPECT_EQ(fullLoad("20ff9001f000"),
              (Calls{"refresh", "refresh", "refresh", "listing 20FF9001F000", "full controls",
                     "title MOX77 - Full Execution Mode", success}));
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.registers[1], 2);
    EXPECT_FALSE(emu.cpu.running);
    EXPECT_TRUE(emu.cpu.programLoaded);
    EXPECT_EQ(emu.cpu.program, "9001F000");
    EXPECT_EQ(emu.cpu.instructionPointer, 4);
    EXPECT_EQ(emu.cpu.nextInstructionText(), "F000");
}

TEST_F(EmulatorTest, FullExecutionLoadOfInvalidTextRunsNothing) {
    EXPECT_EQ(fullLoad("20ff9001f000\n"),
              (Calls{"listing 20FF9001F000\n", "full controls", "title MOX77 - Full Execution Mode",
                     "message Error! | Error:\nThere 8xe file is courpt! | information"}));
    EXPECT_EQ(emu.cpu.registers, Cpu().registers);
    EXPECT_FALSE(emu.cpu.running);
}

TEST_F(EmulatorTest, EmptyFileRunsNothingAndSucceeds) {
    const Calls calls = fullLoad("");
    EXPECT_EQ(calls.back(), success);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "refresh"), 0);
    EXPECT_TRUE(emu.cpu.running);
}

struct TypedCase {
    const char* text;
    const char* message; // nullptr: accepted
};

TEST_F(EmulatorTest, TypedInstructionChecksLengthThenDigits) {
    const std::string length = "message Error! | Error:\nInstruction length incorrect (Only 4 Hex "
                               "Characters) | error";
    const std::string format = "message Error! | Error:\nInstruction Not in Correct Format, "
                               "requires Only hex digits | error";
    const TypedCase cases[] = {
        {"2aff", nullptr},
        {"2AFF", nullptr},
        {"0000", nullptr},
        {"", length.c_str()},
        {"2af", length.c_str()},
        {"2afff", length.c_str()},
        {"zzzzz", length.c_str()},
        {"2agf", format.c_str()},
        {" 2ff", format.c_str()},
        {"2a\xc3\xa9", length.c_str()}, // three characters in UTF-8
        {"2a\xc3\xa9"
         "f",
         format.c_str()},
    };
    for (const auto& c : cases) {
        emu.cpu.registers[0xa] = 0;
        const Calls calls = shown(emu.executeTypedInstruction(c.text));
        if (c.message) {
            EXPECT_EQ(calls, Calls{c.message}) << c.text;
            EXPECT_EQ(emu.cpu.registers[0xa], 0) << c.text;
        } else {
            EXPECT_EQ(calls, Calls{"refresh"}) << c.text;
            EXPECT_EQ(emu.cpu.registers[0xa], c.text[1] == 'a' || c.text[1] == 'A' ? 255 : 0);
        }
    }
}

TEST_F(EmulatorTest, TypedWordsChangeDataButNotTheStepPosition) {
    stepLoad("9001f000");
    emu.executeTypedInstruction("2105");
    emu.executeTypedInstruction("f000");
    EXPECT_FALSE(emu.cpu.running);

    const Calls calls = shown(emu.stepInstruction());
    EXPECT_EQ(emu.cpu.registers[1], 6);
    EXPECT_EQ(calls, (Calls{"refresh", "label Next Instruction: F000"}));
}

TEST_F(EmulatorTest, SetValueIsTakenBackAsAWordIsAndLeavesTheStepPosition) {
    stepLoad("9001f000");
    emu.stepInstruction();
    const int pointer = emu.cpu.instructionPointer;
    const std::size_t executed = emu.executedCount();

    const Change reg = emu.setValue(Change::Where::Register, 15, -7);
    EXPECT_EQ(reg, (Change{Change::Where::Register, 15, 0, -7}));
    EXPECT_EQ(emu.setValue(Change::Where::Memory, 255, 1 << 30).after, 1 << 30);
    // An edit is no executed word: there is no cycle to tell for it.
    EXPECT_FALSE(emu.lastCycle());
    // Out of range or unchanged: nothing recorded, nothing shown.
    for (const auto& [where, index, value] : {std::tuple{Change::Where::Register, 16, 1},
                                              {Change::Where::Memory, -1, 1},
                                              {Change::Where::Memory, 256, 1},
                                              {Change::Where::Nothing, 0, 1},
                                              {Change::Where::Register, 15, -7}})
        EXPECT_EQ(emu.setValue(where, index, value).where, Change::Where::Nothing) << index;
    EXPECT_EQ(emu.executedCount(), executed + 2);

    ASSERT_TRUE(emu.back());
    EXPECT_EQ(emu.cpu.memory[255], 0);
    ASSERT_TRUE(emu.back());
    EXPECT_EQ(emu.cpu.registers[15], 0);
    EXPECT_EQ(emu.cpu.instructionPointer, pointer);
    EXPECT_EQ(emu.cpu.registers[1], 1);
    const auto last = emu.lastCycle();
    ASSERT_TRUE(last);
    EXPECT_EQ(std::string(last->word.data(), last->word.size()), "9001");
}

std::unique_ptr<Emulator> stepLoaded(const std::string& program, std::size_t steps = 0) {
    auto emu = std::make_unique<Emulator>();
    emu->executionMode = ExecutionMode::StepByStep;
    emu->loadProgram(program);
    for (std::size_t i = 0; i < steps; ++i)
        emu->stepInstruction();
    return emu;
}

// Two runs alike, history included: the same machine, timeline and last word
// now and after every Back down to the load.
void expectSameRun(Emulator& a, Emulator& b, const std::string& where) {
    for (;;) {
        EXPECT_TRUE(snapshot(a.cpu) == snapshot(b.cpu)) << where << " at " << a.executedCount();
        EXPECT_EQ(a.timeline(), b.timeline()) << where;
        const auto lastA = a.lastCycle(), lastB = b.lastCycle();
        EXPECT_EQ(lastA ? lastA->origin.position : -2, lastB ? lastB->origin.position : -2);
        const auto backA = a.back(), backB = b.back();
        ASSERT_EQ(backA.has_value(), backB.has_value()) << where;
        if (!backA)
            return;
        EXPECT_EQ(backA->changes, backB->changes) << where;
    }
}

TEST(TimelineTest, MovingToAWordIsThatManyStepsFromTheLoad) {
    // The halt last; a word after the halt; no halt; a short last word.
    for (const std::string program :
         {"20ff9001f000", "200721055001f00020ff", "20ff30050000a000", "2aff90", "f000", ""}) {
        // The run's length as a student finds it: Steps until one says so.
        const auto probe = stepLoaded(program);
        for (int i = 0; i < 20; ++i) {
            const Calls calls = shown(probe->stepInstruction());
            if (std::find(calls.begin(), calls.end(), allDone) != calls.end())
                break;
        }
        const std::size_t length = probe->executedCount();
        EXPECT_EQ(stepLoaded(program)->timeline(), (Timeline{0, length, true})) << program;
        for (const std::size_t start : {std::size_t{0}, length / 2, length}) {
            for (std::size_t n = 0; n <= length; ++n) {
                const std::string where =
                    program + " " + std::to_string(start) + "->" + std::to_string(n);
                const auto moved = stepLoaded(program);
                moved->moveTo(start);
                const Calls calls = shown(moved->moveTo(n));
                // The same words a Step or a Back at a time, as one outcome.
                const auto oneByOne = stepLoaded(program, start);
                Outcome expected;
                while (oneByOne->executedCount() != n) {
                    const Outcome part =
                        n > start ? oneByOne->stepInstruction() : *oneByOne->back();
                    expected.changes.insert(expected.changes.end(), part.changes.begin(),
                                            part.changes.end());
                    expected.messages.insert(expected.messages.end(), part.messages.begin(),
                                             part.messages.end());
                    expected.nextInstruction = part.nextInstruction;
                }
                EXPECT_EQ(calls, shown(expected)) << where;
                // A halt's box once at most, and none going back.
                EXPECT_LE(std::count(calls.begin(), calls.end(), allDone), n > start ? 1 : 0);
                EXPECT_EQ(moved->timeline(), (Timeline{n, length, true})) << where;
                expectSameRun(*moved, *stepLoaded(program, n), where);
            }
        }
    }
}

TEST(TimelineTest, MovesOnlyAlongARunLoadedStepByStep) {
    // Nothing loaded, then a full run: Step has nothing to move along.
    Emulator emu;
    EXPECT_FALSE(emu.timeline().available);
    emu.loadProgram("20ff9001f000");
    const MachineSnapshot afterRun = snapshot(emu.cpu);
    EXPECT_EQ(emu.timeline(), (Timeline{3, 0, false}));
    EXPECT_EQ(shown(emu.moveTo(0)), Calls{});
    EXPECT_TRUE(snapshot(emu.cpu) == afterRun);

    // Past the end lands on the end; words past the run lengthen it.
    const auto run = stepLoaded("20ff9001f000");
    run->moveTo(99);
    EXPECT_EQ(run->timeline(), (Timeline{3, 3, true}));
    run->stepInstruction();
    run->executeTypedInstruction("2aff");
    EXPECT_EQ(run->timeline(), (Timeline{5, 5, true}));
    run->moveTo(0);
    EXPECT_TRUE(snapshot(run->cpu) == snapshot(stepLoaded("20ff9001f000")->cpu));
    EXPECT_EQ(run->timeline(), (Timeline{0, 3, true}));
}

} // namespace
