// What the desktop programs do before their first window: answer --help
// without one, and say plainly when there is no display to open one on.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

class QApplication;

namespace mox {

// With --help or -h as the first argument, prints the usage (program
// name first, then `arguments` and `about`) on standard output; without a
// display, says so on standard error. Gives the exit status when the
// program is to end here, before Qt is started.
std::optional<int> answerBeforeWindows(int argc, char** argv, std::string_view arguments,
                                       std::string_view about);

// While it lives, Qt failing to open its window system ends the program with
// a message and status 1 instead of aborting it.
class NoDisplayGuard {
public:
    explicit NoDisplayGuard(const char* program);
    ~NoDisplayGuard();
    NoDisplayGuard(const NoDisplayGuard&) = delete;
    NoDisplayGuard& operator=(const NoDisplayGuard&) = delete;
};

// The program's QApplication, made under a NoDisplayGuard and named for
// the settings it remembers between runs (organization "MOX77", then
// `name`). argc must outlive it, as Qt requires.
std::unique_ptr<QApplication> startApplication(int& argc, char** argv, const char* name);

} // namespace mox
