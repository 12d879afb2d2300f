// emurun: runs a .8xe program without windows and prints the machine's state.
#include "disassemble.h"
#include "emulator.h"
#include "format.h"
#include "instruction_set.h"
#include "null_display.h"
#include "text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

using namespace mox;

namespace {

const char* const usage =
    "Usage: emurun [options] program.8xe\n"
    "\n"
    "Runs a machine-code program from a zeroed machine in full execution, exactly\n"
    "as the emulator does, and prints the state the run leaves behind: the sixteen\n"
    "registers, every memory cell that is not zero, and whether the run ended at a\n"
    "halt.\n"
    "\n"
    "Options:\n"
    "  --radix 2|10|16  base of the numbers printed (default 16); decimal numbers\n"
    "                   are signed, the other bases show the 32-bit pattern\n"
    "  --trace          one line per executed word: the word, the instruction it\n"
    "                   holds and what it changed (on standard error with --json)\n"
    "  --json           print one JSON object and nothing else:\n"
    "                   {\"executed\": N, \"running\": true|false,\n"
    "                    \"registers\": [16 integers], \"memory\": [256 integers]}\n"
    "                   where executed counts the words run and running is the\n"
    "                   machine's running flag afterwards (false after a halt)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 after a run; 1 when the program file is missing, cannot be\n"
    "read or holds a character that is not a hexadecimal digit; 2 for a wrong\n"
    "command line.\n";

struct Options {
    int viewMode = ViewHex;
    bool trace = false;
    bool json = false;
    std::string path;
};

void write(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

// A name as one line of plain text: control characters (C0, DEL and the C1
// range in UTF-8) are written as escapes, so a name cannot break the line
// or drive the terminal.
std::string printable(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto u = static_cast<unsigned char>(name[i]);
        const bool c1 = u == 0xc2 && i + 1 < name.size() &&
                        (static_cast<unsigned char>(name[i + 1]) & 0xe0) == 0x80;
        if (u >= 0x20 && u != 0x7f && !c1) {
            out.push_back(name[i]);
        } else if (u == '\n') {
            out.append("\\n");
        } else if (u == '\r') {
            out.append("\\r");
        } else if (u == '\t') {
            out.append("\\t");
        } else {
            for (std::size_t k = 0; k < (c1 ? 2u : 1u); ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(name[i + k]));
                out.append(hex);
            }
            i += c1 ? 1 : 0;
        }
    }
    return out;
}

[[noreturn]] void commandLineError(const std::string& message) {
    write(stderr, "emurun: " + message + "\nTry 'emurun --help' for more information.\n");
    std::exit(2);
}

[[noreturn]] void fileError(const std::string& path, const std::string& reason) {
    write(stderr, "emurun: " + printable(path) + ": " + reason + "\n");
    std::exit(1);
}

int viewModeOf(std::string_view radix) {
    if (radix == "2")
        return ViewBinary;
    if (radix == "10")
        return ViewDecimal;
    if (radix == "16")
        return ViewHex;
    commandLineError("invalid radix '" + printable(radix) + "' (use 2, 10 or 16)");
}

Options parseOptions(int argc, char** argv) {
    Options options;
    bool havePath = false;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsDone = true;
            } else if (arg == "-h" || arg == "--help") {
                write(stdout, usage);
                std::exit(0);
            } else if (arg == "--trace") {
                options.trace = true;
            } else if (arg == "--json") {
                options.json = true;
            } else if (arg == "--radix") {
                if (++i == argc)
                    commandLineError("option '--radix' needs a value");
                options.viewMode = viewModeOf(argv[i]);
            } else if (arg.starts_with("--radix=")) {
                options.viewMode = viewModeOf(arg.substr(8));
            } else {
                commandLineError("unknown option '" + printable(arg) + "'");
            }
            continue;
        }
        if (havePath)
            commandLineError("more than one program given");
        options.path = arg;
        havePath = true;
    }
    if (!havePath)
        commandLineError("no program given");
    return options;
}

std::string describeChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
    case '\n':
        return "a line break";
    case '\r':
        return "a carriage return";
    case '\t':
        return "a tab";
    case ' ':
        return "a space";
    default:
        break;
    }
    if (u >= 0x21 && u < 0x7f)
        return std::string("'") + c + "'";
    char hex[16];
    std::snprintf(hex, sizeof hex, "byte 0x%02x", u);
    return hex;
}

std::string loadProgram(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            fileError(path, "no such file");
        // Any other reason, such as a loop of links, as the system gives it.
        std::string reason = std::strerror(errno);
        if (!reason.empty())
            reason[0] = lowerChar(reason[0]);
        fileError(path, reason);
    }
    if (S_ISDIR(st.st_mode))
        fileError(path, "is a directory");
    auto text = readProgramText(path);
    if (!text)
        fileError(path, "cannot be read");
    if (const auto at = firstNonHexChar(*text); at >= 0)
        fileError(path, "invalid program: " + describeChar((*text)[static_cast<std::size_t>(at)]) +
                            " at position " + std::to_string(at) +
                            " (counting from 0) is not a hexadecimal digit");
    return std::move(*text);
}

std::string cellName(std::size_t address, int viewMode) {
    std::string name = "[";
    name.append(formatNumber(static_cast<std::int32_t>(address), viewMode)).push_back(']');
    return name;
}

// Prints each executed word with what it changed.
class TracingDisplay : public NullDisplay {
public:
    TracingDisplay(const Cpu& cpu, std::string_view text, int viewMode, std::FILE* to)
        : cpu_(cpu), text_(text), viewMode_(viewMode), to_(to) {}

    // The machine refreshes the displays once after each word, in order.
    void refreshDisplays(const Change& change) override {
        std::string line = describeWord(text_.substr(executed_++ * 4, 4));
        line.resize(std::max<std::size_t>(line.size(), 24), ' ');
        if (change.where != Change::Where::Nothing)
            line.append("  ")
                .append(change.where == Change::Where::Register
                            ? std::string(registerNames[static_cast<std::size_t>(change.index)])
                            : cellName(static_cast<std::size_t>(change.index), viewMode_))
                .append(": ")
                .append(formatNumber(change.before, viewMode_))
                .append(" -> ")
                .append(formatNumber(change.after, viewMode_));
        else if (cpu_.running)
            line.append("  -");
        // Only a halt ends a run while words remain.
        if (!cpu_.running)
            line.append("  halted");
        line.push_back('\n');
        write(to_, line);
    }

private:
    const Cpu& cpu_;
    std::string_view text_;
    int viewMode_;
    std::FILE* to_;
    std::size_t executed_ = 0;
};

template <std::size_t N> void appendArray(std::string& out, const std::array<std::int32_t, N>& a) {
    out.push_back('[');
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0)
            out.append(", ");
        out.append(std::to_string(a[i]));
    }
    out.push_back(']');
}

std::string jsonReport(const Cpu& cpu, std::size_t executed) {
    std::string out = "{\"executed\": " + std::to_string(executed) +
                      ", \"running\": " + (cpu.running ? "true" : "false") + ", \"registers\": ";
    appendArray(out, cpu.registers);
    out.append(", \"memory\": ");
    appendArray(out, cpu.memory);
    out.append("}\n");
    return out;
}

std::string textReport(const Cpu& cpu, std::size_t executed, int viewMode) {
    std::string out = "executed " + std::to_string(executed) + " words\nregisters:\n";
    for (std::size_t r = 0; r < 16; ++r)
        out.append("  ")
            .append(registerNames[r])
            .append("  ")
            .append(formatNumber(cpu.registers[r], viewMode))
            .push_back('\n');
    out.append("memory (cells that are not zero):\n");
    bool any = false;
    for (std::size_t a = 0; a < 256; ++a) {
        if (cpu.memory[a] == 0)
            continue;
        any = true;
        out.append("  ")
            .append(cellName(a, viewMode))
            .append("  ")
            .append(formatNumber(cpu.memory[a], viewMode))
            .push_back('\n');
    }
    if (!any)
        out.append("  none\n");
    out.append(cpu.running ? "ended without a halt\n" : "ended at a halt\n");
    return out;
}

int run(const Options& options) {
    const std::string text = loadProgram(options.path);

    Cpu cpu;
    std::optional<TracingDisplay> tracer;
    if (options.trace)
        cpu.display = &tracer.emplace(cpu, text, options.viewMode, options.json ? stderr : stdout);
    const std::size_t executed = cpu.runText(text);

    write(stdout,
          options.json ? jsonReport(cpu, executed) : textReport(cpu, executed, options.viewMode));
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        write(stderr, "emurun: cannot write the report to standard output\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
        return run(options);
    } catch (const std::bad_alloc&) {
        // What the failed allocation held is given back by now, so the
        // message itself has room.
        if (options.path.empty()) {
            write(stderr, "emurun: out of memory\n");
            return 1;
        }
        fileError(options.path, "out of memory");
    }
}
