// Runs the built programs through the shell, as a user or a script would.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

// One shell word for the text exactly, whatever it holds.
inline std::string shellQuote(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A program of the bin folder as a shell word.
inline std::string toolCommand(const std::string& tool) {
    return shellQuote(std::string(MOX_BIN_DIR) + "/" + tool);
}

// A limit on the address space, so that reading without end meets it at
// once; sanitizers reserve far more address space than that.
#if defined(__SANITIZE_ADDRESS__)
inline const std::string memoryLimit;
#else
inline const std::string memoryLimit = "ulimit -v 65536 && ";
#endif

struct ShellRun {
    std::string out;
    int status = -1; // -1 when the shell did not exit by itself
};

// Runs shell lines in the folder; gives what they print on standard output.
inline ShellRun runShell(const std::filesystem::path& dir, const std::string& lines) {
    ShellRun r;
    FILE* pipe =
        ::popen(("cd " + shellQuote(dir.string()) + " || exit 126\n" + lines).c_str(), "r");
    std::array<char, 4096> buf{};
    for (std::size_t got = 0; pipe && (got = std::fread(buf.data(), 1, buf.size(), pipe)) > 0;)
        r.out.append(buf.data(), got);
    const int status = pipe ? ::pclose(pipe) : -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
