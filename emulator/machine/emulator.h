// Run control, program loading and typed instructions: the program-wide state
// of the emulator around its one Cpu, wired to the windows through a Display.
#pragma once

#include "cpu.h"
#include "display.h"

#include <optional>
#include <string>
#include <string_view>

namespace mox {

class Emulator {
public:
    explicit Emulator(Display& display);
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    Cpu cpu;
    // 0 step by step, 1 full execution; set by the Mode menu, read by loads
    // and Step.
    int executionMode = FullExecution;
    Display& display;

    // Mode 1: label hidden, Execute on, Step off; any other value the reverse.
    void showModeControls(int mode);
    // "Next Instruction: " followed by the word.
    void showNextInstruction(std::string_view word);

    // The Step button.
    void stepInstruction();
    // The Execute button and full-execution loads.
    void runText(std::string_view text) { cpu.runText(text); }

    // The open dialog; the chosen path, or nothing when cancelled.
    std::optional<std::string> chooseProgramFile();
    // Shows, checks and starts a program in the current mode, from its
    // file's text as read (program_file.h reads it from a path).
    void loadProgram(std::string_view fileText);

    // Return in the Execute Instruction field.
    void executeTypedInstruction();
};

// A program file's text as every load sees it: upper-cased.
std::string programText(std::string fileText);

// Why a text read from a program file cannot run: "invalid program: 'G' at
// position 4 (counting from 0) is not a hexadecimal digit"; empty when it can.
std::string invalidProgramReason(std::string_view text);

} // namespace mox
