// zerlant: assembles one .asm file into a .8xe file, then pauses.
#include "driver.h"

#include <csignal>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

// The console's closing prompt. It waits for one key only at a terminal, so
// scripts and pipelines never hang on it.
void pauseConsole() {
    std::cout << "Press any key to continue . . . " << std::flush;
    if (::isatty(STDIN_FILENO)) {
        termios saved{};
        if (::tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios raw = saved;
            raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
            char key = 0;
            [[maybe_unused]] const ssize_t got = ::read(STDIN_FILENO, &key, 1);
            ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        }
    }
    std::cout << '\n' << std::flush;
}

} // namespace

int main(int argc, char** argv) {
    // A reader that goes away early (zerlant x.asm | head -1) must not cost
    // the user the .8xe file.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int status = mox::runAssembler(args, std::cout, ::isatty(STDOUT_FILENO) != 0);
    pauseConsole();
    return status;
}
