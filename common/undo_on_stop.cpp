#include "undo_on_stop.h"

#include <atomic>
#include <csignal>

namespace mox {

namespace {

std::atomic<void (*)()> pendingUndo{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);

void undoAndStop(int sig) {
    if (void (*undo)() = pendingUndo.load())
        undo();
    ::signal(sig, SIG_DFL);
    ::raise(sig); // delivered as the handler returns: the program ends by this signal
}

} // namespace

UndoOnStop::UndoOnStop(std::span<const int> signals, void (*undo)()) {
    pendingUndo = undo;
    struct sigaction handler {};
    handler.sa_handler = undoAndStop;
    sigemptyset(&handler.sa_mask);
    // One undo at a time, even when two signals come together.
    for (int sig : signals)
        sigaddset(&handler.sa_mask, sig);
    for (int sig : signals) {
        if (count_ == most)
            break;
        struct sigaction old {};
        signals_[count_] = sig;
        installed_[count_] = ::sigaction(sig, nullptr, &old) == 0 &&
                             (old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_DFL &&
                             ::sigaction(sig, &handler, nullptr) == 0;
        ++count_;
    }
}

UndoOnStop::~UndoOnStop() {
    for (std::size_t i = 0; i < count_; ++i)
        if (installed_[i])
            ::signal(signals_[i], SIG_DFL);
    pendingUndo = nullptr;
}

} // namespace mox
