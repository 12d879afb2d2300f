#include "../temp_dir.h"
#include "program_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace mox;
namespace fs = std::filesystem;

namespace {

const char* windowName(Window w) {
    switch (w) {
    case Window::Main:
        return "Main";
    case Window::About:
        return "About";
    case Window::Execution:
        return "Execution";
    case Window::MemoryMap:
        return "MemoryMap";
    case Window::Instruction:
        return "Instruction";
    }
    return "?";
}

// Writes down every call in order, so a test can compare the whole exchange
// between the machine and the windows.
class RecordingDisplay : public Display {
public:
    std::vector<std::string> calls;
    std::optional<std::string> chosenFile;
    std::string field;
    std::function<void()> onMessage; // runs while the box is "open"

    void refreshDisplays(const Change&) override { calls.push_back("refresh"); }
    void setWindowVisible(Window w, bool v) override {
        calls.push_back(std::string(v ? "show " : "hide ") + windowName(w));
    }
    void setExecutionTitle(std::string_view t) override {
        calls.push_back("title " + std::string(t));
    }
    void setProgramListing(std::string_view t) override {
        calls.push_back("listing " + std::string(t));
    }
    void setNextInstructionText(std::string_view t) override {
        calls.push_back("label " + std::string(t));
    }
    void setNextInstructionVisible(bool v) override {
        calls.push_back(v ? "label shown" : "label hidden");
    }
    void setExecuteEnabled(bool e) override { calls.push_back(e ? "execute on" : "execute off"); }
    void setStepEnabled(bool e) override { calls.push_back(e ? "step on" : "step off"); }
    void showMessage(std::string_view text, std::string_view caption, Icon icon,
                     std::optional<Window> owner) override {
        calls.push_back("message " + std::string(caption) + " | " + std::string(text) + " | " +
                        (icon == Icon::Error ? "error" : "information") +
                        (owner ? std::string(" | ") + windowName(*owner) : ""));
        if (onMessage)
            onMessage();
    }
    std::optional<std::string> chooseProgramFile() override { return chosenFile; }
    std::string typedInstruction() override { return field; }
    void clearTypedInstruction() override {
        field.clear();
        calls.push_back("clear field");
    }

    std::vector<std::string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

const std::string stepControls[] = {"label shown", "execute off", "step on"};
const std::string allDone = "message :) all done | Succesful Execution, reseting instruction "
                            "pointer to the first instruction | information";
const std::string success =
    "message Success! | Execution Complete!. . Successful Run! | information";
const std::string corruptStep =
    "message Sorry no can do | You cannot step into a corrupt 8XE | error";

class EmulatorTest : public TempDirTest {
protected:
    RecordingDisplay display;
    Emulator emu{display};

    void stepLoad(const std::string& bytes) {
        emu.executionMode = ExecutionMode::StepByStep;
        loadProgramFile(emu, writeFile("prog.8xe", bytes));
    }
};

Calls loadPrefix(const std::string& listing) {
    return {"hide Main", "show Execution", "show MemoryMap", "listing " + listing};
}

Calls concat(std::initializer_list<Calls> parts) {
    Calls out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(EmulatorTest, StepByStepWalksTheProgramAndRewindsAtHalt) {
    stepLoad("20ff9001f000");
    EXPECT_EQ(display.take(),
              concat({loadPrefix("20FF9001F000"),
                      {stepControls[0], stepControls[1], stepControls[2],
                       "title MOX77 - Step by Step Mode", "label Next Instruction: 20FF"}}));
    EXPECT_TRUE(emu.cpu.programLoaded);
    EXPECT_TRUE(emu.cpu.running);
    EXPECT_EQ(emu.cpu.registers[0], 0); // nothing executed yet

    emu.stepInstruction();
    EXPECT_EQ(display.take(), (Calls{"refresh", "label Next Instruction: 9001"}));
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.instructionPointer, 4);

    emu.stepInstruction();
    EXPECT_EQ(display.take(), (Calls{"refresh", "label Next Instruction: F000"}));
    EXPECT_EQ(emu.cpu.registers[1], 1);

    // The rewind happens only once the box is closed.
    std::int32_t pointerWhileOpen = -1;
    display.onMessage = [&] { pointerWhileOpen = emu.cpu.instructionPointer; };
    emu.stepInstruction();
    EXPECT_EQ(display.take(), (Calls{"refresh", allDone, "label Next Instruction: 20FF"}));
    EXPECT_EQ(pointerWhileOpen, 8);
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
        stepLoad(c.file);
        EXPECT_EQ(display.take().back(), std::string("label Next Instruction: ") + c.labels[0]);
        for (std::size_t i = 0; i < c.done.size(); ++i) {
            emu.stepInstruction();
            const Calls calls = display.take();
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
    emu.stepInstruction();
    emu.executionMode = ExecutionMode::StepByStep;
    emu.stepInstruction();
    EXPECT_EQ(display.take(),
              (Calls{"message Error! | Error:\nYou are currently running in Execution mode, "
                     "please restart in step mode to use the step instruction | information",
                     corruptStep}));
    EXPECT_FALSE(emu.cpu.running);
}

TEST_F(EmulatorTest, InvalidStepLoadShowsTextAndBlocksStep) {
    stepLoad("20ff9001f000");
    display.take();
    stepLoad("20ff 9001\nf000");
    EXPECT_EQ(display.take(), concat({loadPrefix("20FF 9001\nF000"),
                                      {stepControls[0], stepControls[1], stepControls[2],
                                       "message Error! | Fatal Error:\nInvalid or Corrupt 8XE "
                                       "File | information"}}));
    EXPECT_FALSE(emu.cpu.programLoaded);
    emu.stepInstruction();
    EXPECT_EQ(display.take(), Calls{corruptStep});
    EXPECT_EQ(emu.cpu.registers[0], 0);
}

TEST_F(EmulatorTest, FullExecutionLoadRunsAndKeepsStepState) {
    stepLoad("9001f000");
    emu.stepInstruction();
    display.take();

    emu.executionMode = ExecutionMode::FullExecution;
    loadProgramFile(emu, writeFile("full.8xe", "20ff9001f000"));
    EXPECT_EQ(display.take(), concat({loadPrefix("20FF9001F000"),
                                      {"label hidden", "execute on", "step off",
                                       "title MOX77 - Full Execution Mode", "refresh", "refresh",
                                       "refresh", success}}));
    EXPECT_EQ(emu.cpu.registers[0], 255);
    EXPECT_EQ(emu.cpu.registers[1], 2);
    EXPECT_FALSE(emu.cpu.running);
    EXPECT_TRUE(emu.cpu.programLoaded);
    EXPECT_EQ(emu.cpu.program, "9001F000");
    EXPECT_EQ(emu.cpu.instructionPointer, 4);
    EXPECT_EQ(emu.cpu.nextInstructionText(), "F000");
}

TEST_F(EmulatorTest, FullExecutionLoadOfInvalidTextRunsNothing) {
    loadProgramFile(emu, writeFile("bad.8xe", "20ff9001f000\r\n"));
    EXPECT_EQ(
        display.take(),
        concat({loadPrefix("20FF9001F000\n"),
                {"label hidden", "execute on", "step off", "title MOX77 - Full Execution Mode",
                 "message Error! | Error:\nThere 8xe file is courpt! | information"}}));
    EXPECT_EQ(emu.cpu.registers, Cpu().registers);
    EXPECT_FALSE(emu.cpu.running);
}

TEST_F(EmulatorTest, EmptyFileRunsNothingAndSucceeds) {
    loadProgramFile(emu, writeFile("empty.8xe", ""));
    const Calls calls = display.take();
    EXPECT_EQ(calls.back(), success);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "refresh"), 0);
    EXPECT_TRUE(emu.cpu.running);
}

TEST_F(EmulatorTest, UnreadableFileChangesNothing) {
    for (ExecutionMode mode : {ExecutionMode::StepByStep, ExecutionMode::FullExecution}) {
        emu.executionMode = mode;
        for (const std::string& path : {(dir / "missing.8xe").string(), dir.string()}) {
            loadProgramFile(emu, path);
            EXPECT_EQ(display.take(),
                      Calls{"message Error! | Error:\nCould not read the file | error"})
                << path;
        }
    }
    EXPECT_FALSE(emu.cpu.programLoaded);
}

TEST_F(EmulatorTest, ChooseProgramFileHandsBackTheWholePath) {
    const std::string longPath = "/tmp/" + std::string(300, 'x') + ".8xe";
    display.chosenFile = longPath;
    EXPECT_EQ(emu.chooseProgramFile(), longPath);
    display.chosenFile.reset();
    EXPECT_EQ(emu.chooseProgramFile(), std::nullopt);
}

struct TypedCase {
    const char* text;
    const char* message; // nullptr: accepted
};

TEST_F(EmulatorTest, TypedInstructionChecksLengthThenDigits) {
    const std::string length = "message Error! | Error:\nInstruction length incorrect (Only 4 Hex "
                               "Characters) | error | Instruction";
    const std::string format = "message Error! | Error:\nInstruction Not in Correct Format, "
                               "requires Only hex digits | error | Instruction";
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
        display.field = c.text;
        emu.cpu.registers[0xa] = 0;
        emu.executeTypedInstruction();
        if (c.message) {
            EXPECT_EQ(display.take(), Calls{c.message}) << c.text;
            EXPECT_EQ(display.field, c.text);
            EXPECT_EQ(emu.cpu.registers[0xa], 0) << c.text;
        } else {
            EXPECT_EQ(display.take(), (Calls{"refresh", "clear field"})) << c.text;
            EXPECT_EQ(display.field, "");
            EXPECT_EQ(emu.cpu.registers[0xa], c.text[1] == 'a' || c.text[1] == 'A' ? 255 : 0);
        }
    }
}

TEST_F(EmulatorTest, TypedWordsChangeDataButNotTheStepPosition) {
    stepLoad("9001f000");
    display.field = "2105";
    emu.executeTypedInstruction();
    display.field = "f000";
    emu.executeTypedInstruction();
    EXPECT_FALSE(emu.cpu.running);
    display.take();

    emu.stepInstruction();
    EXPECT_EQ(emu.cpu.registers[1], 6);
    EXPECT_EQ(display.take(), (Calls{"refresh", "label Next Instruction: F000"}));
}

TEST_F(EmulatorTest, SetValueIsTakenBackAsAWordIsAndLeavesTheStepPosition) {
    stepLoad("9001f000");
    emu.stepInstruction();
    display.take();
    const int pointer = emu.cpu.instructionPointer;
    const std::size_t executed = emu.executedCount();

    const Change reg = emu.setValue(Change::Where::Register, 15, -7);
    EXPECT_EQ(reg, (Change{Change::Where::Register, 15, 0, -7}));
    EXPECT_EQ(emu.setValue(Change::Where::Memory, 255, 1 << 30).after, 1 << 30);
    EXPECT_EQ(display.take(), (Calls{"refresh", "refresh"}));
    // An edit is no executed word: there is no cycle to tell for it.
    EXPECT_FALSE(emu.lastCycle());
    // Out of range or unchanged: nothing recorded, nothing shown.
    for (const auto& [where, index, value] : {std::tuple{Change::Where::Register, 16, 1},
                                              {Change::Where::Memory, -1, 1},
                                              {Change::Where::Memory, 256, 1},
                                              {Change::Where::Nothing, 0, 1},
                                              {Change::Where::Register, 15, -7}})
        EXPECT_EQ(emu.setValue(where, index, value).where, Change::Where::Nothing) << index;
    EXPECT_EQ(display.take(), Calls{});
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

} // namespace
