// Work that must be undone when a signal stops the program in the middle of
// it: a temporary file on disk, a terminal left silent.
#pragma once

#include <cstddef>
#include <span>

namespace mox {

// For its lifetime, each of the given signals that is at its default first
// runs `undo` and then ends the program by the same signal, so the shell sees
// the status it expects. Signals the program ignores or handles itself are
// left to it. `undo` must be async-signal-safe; one object at a time.
class UndoOnStop {
public:
    UndoOnStop(std::span<const int> signals, void (*undo)());
    ~UndoOnStop();
    UndoOnStop(const UndoOnStop&) = delete;
    UndoOnStop& operator=(const UndoOnStop&) = delete;

private:
    static constexpr std::size_t most = 8;
    int signals_[most] = {};
    bool installed_[most] = {};
    std::size_t count_ = 0;
};

} // namespace mox
