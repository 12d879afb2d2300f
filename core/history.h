// Step back: what each executed word needs to be taken back exactly.
#pragma once

#include "change.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace mox {

class Cpu;

// The run state around a word: what Step and the halt's rewind move.
struct RunState {
    std::int32_t instructionPointer = 0;
    std::array<char, 4> nextInstruction{};
    bool running = false;
    bool programLoaded = false;
    bool operator==(const RunState&) const = default;
};

// One executed word as the history keeps it: the word, its place in the
// program (-1 for a typed word) and what it changed.
struct ExecutedWord {
    std::array<char, 4> word{};
    std::int32_t position = -1;
    Change change;
};

// The last `capacity` executed words, oldest dropped first. Memory grows
// with use, to capacity * sizeof(Entry) (24 MiB) at the most.
class History {
public:
    static constexpr std::size_t capacity = std::size_t{1} << 20;

    // One executed word: what it changed and the run state before it; the
    // word itself and its position are kept for views of the newest word.
    void record(const Change& change, const RunState& before, std::string_view word = {},
                std::int32_t position = -1);
    // Puts the machine back as it was before the newest word and forgets
    // that word; gives what the restore changed (before is the value taken
    // back). Nothing when no word is left.
    std::optional<Change> back(Cpu& cpu);
    // Forgets every word, so back() never goes behind this point.
    void clear();

    bool empty() const { return count_ == 0; }
    // The word Back would take back next, its change read against the
    // machine as it is now; nothing when empty().
    std::optional<ExecutedWord> newest(const Cpu& cpu) const;
    // Words recorded since the last clear, less those taken back; counts on
    // past capacity, though only the newest ones can be taken back.
    std::size_t executed() const { return executed_; }

    // 24 bytes a word: the old value, the place, the run state, the word.
    struct Entry {
        std::int32_t oldValue;
        std::int32_t instructionPointer;
        std::array<char, 4> nextInstruction;
        std::array<char, 4> word;
        std::int32_t position;
        std::uint8_t where; // Change::Where
        std::uint8_t index;
        std::uint8_t flags; // running, programLoaded
        std::uint8_t unused;
    };

private:
    std::vector<Entry> entries_; // a ring once it holds capacity entries
    std::size_t first_ = 0;      // the oldest entry's slot
    std::size_t count_ = 0;
    std::size_t executed_ = 0;
};

} // namespace mox
