// Run control, program loading and typed instructions: the program-wide state
// of the emulator around its one Cpu. Each action gives its Outcome; the
// front ends show it.
#pragma once

#include "cpu.h"
#include "cycle.h"
#include "outcome.h"

#include <optional>
#include <string>
#include <string_view>

namespace mox {

class Emulator {
public:
    Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    Cpu cpu;
    // Every executed word since the last load, Reset, Clear or Fill.
    History history;
    // Set by the Mode menu, read by loads and Step.
    ExecutionMode executionMode = ExecutionMode::FullExecution;

    // The Step button.
    Outcome stepInstruction();
    // The Execute button and full-execution loads.
    Outcome runText(std::string_view text) { return cpu.runText(text); }

    // Checks and starts a program in the current mode, from its file's text
    // as read; the outcome's listing holds it upper-cased.
    Outcome loadProgram(std::string_view fileText);

    // Return in the Execute Instruction field holding `typed` (UTF-8). The
    // word ran, and the field is to be emptied, when the outcome has a change.
    Outcome executeTypedInstruction(std::string_view typed);

    // A debugger's edit of one register or cell: recorded as an executed word
    // is, so Back takes it back. Gives what it changed.
    Change setValue(Change::Where where, int index, std::int32_t value);

    // Takes back the newest executed word: its one change holds what came
    // back. Nothing when no word is left to take back.
    std::optional<Outcome> back();
    bool canGoBack() const { return !history.empty(); }
    // Words executed since the last load, Reset, Clear or Fill, less those
    // taken back.
    std::size_t executedCount() const { return history.executed(); }

    // The cycle of the word executed last (by Step, a typed word or a run),
    // as the machine was before it; after Back, of the word now last.
    // Nothing when no word is left to take back.
    std::optional<Cycle> lastCycle() const { return mox::lastCycle(cpu, history); }
    // The cycle the next Step would go through, without executing it;
    // nothing when Step would execute no word.
    std::optional<Cycle> nextCycle() const;

    // The Memory Map's Clear (every cell 0) and Fill (every cell 255).
    void clearMemory();
    void fillMemory();
    // Every register and cell 0 and nothing loaded, as at start-up.
    void reset();
};

// A program file's text as every load sees it: upper-cased.
std::string programText(std::string fileText);

// Why a text read from a program file cannot run: "invalid program: 'G' at
// position 4 (counting from 0) is not a hexadecimal digit"; empty when it can.
std::string invalidProgramReason(std::string_view text);

} // namespace mox
