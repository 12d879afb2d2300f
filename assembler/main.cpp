// zerlant: assembles one .asm file into a .8xe file, then pauses.
#include "driver.h"
#include "undo_on_stop.h"

#include <csignal>
#include <iostream>
#include <new>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings from before the pause, for restoreTerminal.
termios savedTerminal{};

// Ctrl+C and Ctrl+\ are keys during the pause, but the same signals can come
// from elsewhere, and a closed terminal or a kill ends the program too: each
// gives the terminal back first.
constexpr int stoppingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

void restoreTerminal() {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
}

// The console's closing prompt. It waits for one key only at a terminal, so
// scripts and pipelines never hang on it.
void pauseConsole() {
    std::cout << "Press any key to continue . . . " << std::flush;
    if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        const mox::UndoOnStop givenBack(stoppingSignals, restoreTerminal);
        termios raw = savedTerminal;
        // Ctrl+C is a key like any other here: as a signal it would end
        // the program with the terminal still silent.
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        char key = 0;
        [[maybe_unused]] const ssize_t got = ::read(STDIN_FILENO, &key, 1);
        // The rest of a key that sends several bytes (an arrow, F1) must
        // not reach the shell as typed text.
        ::tcflush(STDIN_FILENO, TCIFLUSH);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    }
    std::cout << '\n' << std::flush;
}

} // namespace

int main(int argc, char** argv) {
    // A reader that goes away early (zerlant x.asm | head -1) must not cost
    // the user the .8xe file.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    int status = 1;
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        // Asked by a person at a shell, who needs no pause after the answer.
        if (mox::asksForUsage(args)) {
            std::cout << mox::usageText() << std::flush;
            return 0;
        }
        status = mox::runAssembler(args, std::cout, ::isatty(STDOUT_FILENO) != 0);
    } catch (const std::bad_alloc&) {
        // The assembly itself reports its own shortage with the file's name;
        // this is what is left, such as a line too long to print.
        std::cout << "fatal error: out of memory\n" << std::flush;
        status = 1;
    }
    pauseConsole();
    return status;
}
