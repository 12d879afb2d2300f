// How the machine runs one word: its fetch, decode, read, execute and write,
// as data, as the datapath drawing's lit ids and labels, and as text.
//
// For front ends:
// - Emulator::lastCycle() (emulator.h) is the cycle of the word executed
//   last, by Step, a typed word or a full run (its last word), and after
//   Back of the word now last; Emulator::nextCycle() previews the word the
//   next Step executes, changing nothing (the "Phase" control).
// - describeCycle() tells the cycle of any word on a machine as it stands
//   before the word; lastCycle() that of the newest word in a History.
// - showCycle() turns a Cycle into the five phases a view shows: the ids of
//   datapath.svg to light, the texts of its value slots, emurun's terse line
//   and one plain sentence for the narration, numbers in a view mode's radix.
// The rules all come from the instruction table and the machine itself;
// nothing here needs to be repeated by a window or a page.
#pragma once

#include "change.h"
#include "format.h"
#include "instruction_set.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mox {

class History;
class Cpu;

enum class Phase { Fetch, Decode, Read, Execute, Write };
inline constexpr std::array<std::string_view, 5> phaseNames{"fetch", "decode", "read", "execute",
                                                            "write"};

// Where a word came from: a position in the program (0 is the first word) or
// the Execute Instruction field.
struct Origin {
    static constexpr std::int32_t typed = -1;
    std::int32_t position = typed;
    bool isTyped() const { return position < 0; }
    bool operator==(const Origin&) const = default;
};

// What one of the word's four digits means in this word.
struct Digit {
    enum class Role {
        Opcode,
        Register, // reg: the register named first
        Source,   // src: the second register
        Value,    // one of the two digits of nn
        Unused,   // read by nothing: any digit runs the same
    };
    char digit; // as in the word, upper case
    Role role;
};

// A value the word reads.
struct Source {
    enum class Kind { Register, Memory, Constant };
    Kind kind;
    int index; // register 0-15, cell 0x00-0xff, or nn for a constant
    std::int32_t value;
    bool operator==(const Source&) const = default;
};

// The machine's own rules, where one decides the result.
enum class Rule {
    None,
    Wrapped,         // the true result does not fit 32 bits; the low 32 bits are kept
    DivideByZero,    // the register keeps its value
    DivideOverflow,  // -2147483648 / -1 wraps back to -2147483648
    RotateByNothing, // a count of 0 or less leaves the register
    Halt,            // the run stops
    NoInstruction,   // opcode 0: the word does nothing
};

struct Cycle {
    std::array<char, 4> word{}; // upper case
    Origin origin;
    // The word the instruction pointer goes to next: the following one, or
    // the first after a halt. Nothing for a typed word, which moves nothing.
    std::optional<std::int32_t> next;

    // nullptr for opcode 0, which the machine skips.
    const Instruction* instruction = nullptr;
    std::array<Digit, 4> digits{};

    std::vector<Source> sources; // in the order the operation takes them
    bool usesAlu = false;        // false for copies to and from memory, halt and 0
    std::int32_t result = 0;     // the value written; meaningless without a destination
    Rule rule = Rule::None;

    // The destination with its value before and after; where is Nothing for
    // halt and opcode 0. A write of the value already there keeps where set.
    Change write;
    bool halts() const { return rule == Rule::Halt; }
    // What the machine reports for this word: nothing when no value changed.
    Change change() const;
};

// The word's cycle on a machine holding these registers and cells. `word`
// holds four hexadecimal digits, as every caller has checked.
Cycle describeCycle(const std::array<std::int32_t, 16>& registers,
                    const std::array<std::int32_t, 256>& memory, std::string_view word,
                    Origin origin);

// The machine before the newest word, from the machine after it and what the
// word changed.
void takeBack(std::array<std::int32_t, 16>& registers, std::array<std::int32_t, 256>& memory,
              const Change& change);

// The newest word still in the history, on the machine as it was before it;
// nothing after a load, Reset, Clear or Fill, or once Back took every word.
std::optional<Cycle> lastCycle(const Cpu& cpu, const History& history);

// One phase as a view shows it.
struct PhaseView {
    Phase phase;
    std::vector<std::string_view> lit; // ids in datapath.svg
    // Value slots of datapath.svg (ids ending in -value) and their texts.
    std::vector<std::pair<std::string_view, std::string>> values;
    std::string line;     // emurun --explain's text after the phase name
    std::string sentence; // the narration: "Read: ax is ff, bx is 2."
};

// The five phases in order, numbers as formatNumber writes them for
// `base`.
std::array<PhaseView, 5> showCycle(const Cycle& cycle, Base base);

// emurun --explain's block for the `number`th executed word (from 1).
std::string explainBlock(const Cycle& cycle, std::size_t number, Base base);

// The five sentences as one paragraph, for the narration region.
std::string narration(const Cycle& cycle, Base base);

} // namespace mox
