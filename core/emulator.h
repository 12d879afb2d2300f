// Run control, program loading and typed instructions: the program-wide state
// of the emulator around its one Cpu. Each action gives its Outcome; the
// front ends show it.
#pragma once

#include "cpu.h"
#include "cycle.h"
#include "outcome.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mox {

// Where a step-by-step run stands, for a timeline that reads "Word N of M".
struct Timeline {
    // Words executed since the load: executedCount().
    std::size_t word = 0;
    // The run's words, passLength() of the program; more once words past it
    // ran (a new pass after the halt, typed words), so that word is never past
    // the end. 0 when not available.
    std::size_t length = 0;
    // Only a program loaded in step by step mode has a run that Step moves
    // along.
    bool available = false;
    bool operator==(const Timeline&) const = default;
};

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

    // Where the run stands, after any action.
    Timeline timeline() const;
    // Moves the run to `word` of its timeline (at most its length) with Step
    // forward or Back, so that the machine is as that many Steps from the
    // load leave it. The outcome holds every word's change in order and the
    // messages of its Steps: the halt's once at most, as no move passes the
    // run's end; Back tells none. Nothing moves when the timeline is not
    // available.
    Outcome moveTo(std::size_t word);

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

// The words one pass over a step-by-step program executes: up to and with its
// first halt, else every complete word.
std::size_t passLength(std::string_view program);

// A program file's text as every load sees it: upper-cased.
std::string programText(std::string fileText);

// Why a text read from a program file cannot run: "invalid program: 'G' at
// position 4 (counting from 0) is not a hexadecimal digit"; empty when it can.
std::string invalidProgramReason(std::string_view text);

} // namespace mox
