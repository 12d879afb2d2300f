// The register machine: its data memory, registers and the little state that
// running and stepping keep, and the interpreter of one instruction word.
#pragma once

#include "change.h"
#include "history.h"
#include "outcome.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mox {

class Cpu {
public:
    std::array<std::int32_t, 256> memory{};
    std::array<std::int32_t, 16> registers{};
    // True while a run or a step is under way; only a halt clears it.
    bool running = false;
    // A step-by-step load validated its text; Step refuses to run otherwise.
    bool programLoaded = false;
    // Offset in `program` of the word the next Step executes; a multiple of 4.
    std::int32_t instructionPointer = 0;
    // The text kept for step-by-step mode.
    std::string program;
    // The word the next Step executes, as the label shows it; zero-terminated,
    // shorter than four characters only at the end of `program`.
    std::array<char, 5> nextInstruction{};

    // Where executed words are recorded for Back; nullptr records nothing.
    // Not machine state: reset() leaves it alone.
    History* history = nullptr;

    // Every field back to its starting value: all zero, both flags false,
    // `program` and `nextInstruction` empty.
    void reset();

    // Carries out one instruction word (only its first four characters are
    // read, in either case). A word with a character that is no hexadecimal
    // digit where its opcode reads one changes nothing. Gives what the word
    // changed.
    Change execute(std::string_view word);
    // The same, recording the word with `before` as the run state it takes
    // back to: callers that set the run going first pass the state from
    // before that. `position` is the word's place in the program, -1 for a
    // typed word.
    Change execute(std::string_view word, const RunState& before, std::int32_t position = -1);

    // What Step and the halt's rewind move.
    RunState runState() const;

    // The full run: switches the controls to full execution, rejects a text
    // that is not all hexadecimal digits, then executes every complete word
    // up to the first halt and reports the end of the run. Its changes hold
    // one entry per executed word.
    Outcome runText(std::string_view text);

    // `nextInstruction` up to its terminator.
    std::string_view nextInstructionText() const;

private:
    // execute() without the record; `word` holds four characters.
    Change step(const char* word);
};

// Position of the first character that is not a hexadecimal digit, -1 when
// there is none (the text is a valid program).
std::int64_t firstNonHexChar(std::string_view text);

} // namespace mox
