#include "history.h"

#include "cpu.h"

#include <algorithm>

namespace mox {

namespace {

constexpr std::uint8_t runningFlag = 1;
constexpr std::uint8_t loadedFlag = 2;

} // namespace

static_assert(sizeof(History::Entry) == 24);

void History::record(const Change& change, const RunState& before, std::string_view word,
                     std::int32_t position) {
    std::array<char, 4> kept{};
    std::copy_n(word.begin(), std::min<std::size_t>(word.size(), 4), kept.begin());
    const Entry entry{change.before,
                      before.instructionPointer,
                      before.nextInstruction,
                      kept,
                      position,
                      static_cast<std::uint8_t>(change.where),
                      static_cast<std::uint8_t>(change.index),
                      static_cast<std::uint8_t>((before.running ? runningFlag : 0) |
                                                (before.programLoaded ? loadedFlag : 0)),
                      0};
    ++executed_;
    if (count_ == capacity) {
        // Full: the newest word takes the oldest one's slot.
        entries_[first_] = entry;
        first_ = (first_ + 1) % capacity;
        return;
    }
    // Words taken back leave their slots to be used again; the ring only
    // wraps once it is full, so until then first_ is 0.
    const std::size_t slot = (first_ + count_) % capacity;
    if (slot < entries_.size())
        entries_[slot] = entry;
    else
        entries_.push_back(entry);
    ++count_;
}

std::optional<Change> History::back(Cpu& cpu) {
    if (count_ == 0)
        return std::nullopt;
    --count_;
    --executed_;
    const Entry& e = entries_[(first_ + count_) % capacity];
    Change change;
    change.where = static_cast<Change::Where>(e.where);
    change.index = e.index;
    change.after = e.oldValue;
    if (change.where == Change::Where::Register) {
        change.before = cpu.registers[e.index];
        cpu.registers[e.index] = e.oldValue;
    } else if (change.where == Change::Where::Memory) {
        change.before = cpu.memory[e.index];
        cpu.memory[e.index] = e.oldValue;
    }
    cpu.instructionPointer = e.instructionPointer;
    std::copy(e.nextInstruction.begin(), e.nextInstruction.end(), cpu.nextInstruction.begin());
    cpu.nextInstruction[4] = '\0';
    cpu.running = (e.flags & runningFlag) != 0;
    cpu.programLoaded = (e.flags & loadedFlag) != 0;
    return change;
}

std::optional<ExecutedWord> History::newest(const Cpu& cpu) const {
    if (count_ == 0)
        return std::nullopt;
    const Entry& e = entries_[(first_ + count_ - 1) % capacity];
    ExecutedWord newest{e.word, e.position, {}};
    newest.change.where = static_cast<Change::Where>(e.where);
    if (newest.change.where != Change::Where::Nothing) {
        newest.change.index = e.index;
        newest.change.before = e.oldValue;
        newest.change.after = newest.change.where == Change::Where::Register
                                  ? cpu.registers[e.index]
                                  : cpu.memory[e.index];
    }
    return newest;
}

void History::clear() {
    entries_.clear();
    first_ = 0;
    count_ = 0;
    executed_ = 0;
}

} // namespace mox
