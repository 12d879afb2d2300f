// emurun: runs a .8xe program without windows and prints the machine's state.
#include "cycle.h"
#include "disassemble.h"
#include "files.h"
#include "format.h"
#include "instruction_set.h"
#include "options.h"
#include "program_file.h"
#include "state_file.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    "  --explain        one block per executed word: its number and the word, then\n"
    "                   a line for each phase of its cycle (fetch, decode, read,\n"
    "                   execute, write) with the values it moves (on standard\n"
    "                   error with --json)\n"
    "  --json           print one JSON object and nothing else:\n"
    "                   {\"executed\": N, \"running\": true|false,\n"
    "                    \"registers\": [16 integers], \"memory\": [256 integers]}\n"
    "                   where executed counts the words run and running is the\n"
    "                   machine's running flag afterwards (false after a halt)\n"
    "  --init FILE      set the registers and memory cells FILE names before the\n"
    "                   run: {\"registers\": {\"ax\": 5}, \"memory\": {\"0x10\": -1}}\n"
    "  --expect FILE    compare the machine after the run with FILE, which may\n"
    "                   also name \"running\" (false after a halt) and\n"
    "                   \"executed\"; prints one line per difference, then PASS\n"
    "                   or FAIL (with --json: \"pass\" and \"mismatches\")\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 after a run (that matched FILE, with --expect); 1 when the\n"
    "program file is missing, cannot be read or holds a character that is not a\n"
    "hexadecimal digit; 2 for a wrong command line or a bad --init or --expect\n"
    "file; 3 when the machine differs from the --expect file.\n";

struct Options {
    Base base = Base::Hexadecimal;
    bool trace = false;
    bool explain = false;
    bool json = false;
    std::string initPath, expectPath;
    std::string path;
};

void write(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

[[noreturn]] void commandLineError(const std::string& message) {
    write(stderr, "emurun: " + message + "\nTry 'emurun --help' for more information.\n");
    std::exit(2);
}

[[noreturn]] void fileError(const std::string& path, const std::string& reason) {
    write(stderr, "emurun: " + printableText(path) + ": " + reason + "\n");
    std::exit(1);
}

Base baseOf(std::string_view radix) {
    for (const int r : {2, 10, 16})
        if (radix == std::to_string(r))
            return *baseOfRadix(r);
    commandLineError("invalid radix '" + printableText(radix) + "' (use 2, 10 or 16)");
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
            } else if (arg == "--explain") {
                options.explain = true;
            } else if (arg == "--json") {
                options.json = true;
            } else if (const auto radix = optionValue("--radix", argc, argv, i, commandLineError)) {
                options.base = baseOf(*radix);
            } else if (const auto init =
                           fileOptionValue("--init", argc, argv, i, commandLineError)) {
                options.initPath = *init;
            } else if (const auto expect =
                           fileOptionValue("--expect", argc, argv, i, commandLineError)) {
                options.expectPath = *expect;
            } else {
                commandLineError("unknown option '" + printableText(arg) + "'");
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

// One executed word with what it changed, as --trace prints it.
std::string traceLine(std::string_view word, const Change& change, bool running, Base base) {
    std::string line = describeWord(word);
    line.resize(std::max<std::size_t>(line.size(), 24), ' ');
    if (change.where != Change::Where::Nothing)
        line.append("  ")
            .append(change.where == Change::Where::Register
                        ? std::string(registerNames[static_cast<std::size_t>(change.index)])
                        : cellName(static_cast<std::size_t>(change.index), base))
            .append(": ")
            .append(formatNumber(change.before, base))
            .append(" -> ")
            .append(formatNumber(change.after, base));
    else if (running)
        line.append("  -");
    // Only a halt ends a run while words remain.
    if (!running)
        line.append("  halted");
    line.push_back('\n');
    return line;
}

// Each executed word with what it changed (--trace), its cycle (--explain),
// or both: the run told again from the registers and memory it started on.
void tell(std::array<std::int32_t, 16> registers, std::array<std::int32_t, 256> memory,
          std::string_view text, const Outcome& run, bool endedRunning, const Options& options,
          std::FILE* to) {
    const std::size_t executed = run.changes.size();
    for (std::size_t i = 0; i < executed; ++i) {
        const std::string_view word = text.substr(i * 4, 4);
        const Change& change = run.changes[i];
        if (options.trace)
            write(to, traceLine(word, change, i + 1 < executed || endedRunning, options.base));
        if (options.explain)
            write(to, explainBlock(describeCycle(registers, memory, word,
                                                 Origin{static_cast<std::int32_t>(i)}),
                                   i + 1, options.base));
        if (change.where == Change::Where::Register)
            registers[static_cast<std::size_t>(change.index)] = change.after;
        else if (change.where == Change::Where::Memory)
            memory[static_cast<std::size_t>(change.index)] = change.after;
    }
}

std::string jsonReport(const Cpu& cpu, std::size_t executed,
                       const std::optional<std::vector<std::string>>& mismatches) {
    nlohmann::ordered_json report{{"executed", executed},
                                  {"running", cpu.running},
                                  {"registers", cpu.registers},
                                  {"memory", cpu.memory}};
    if (mismatches) {
        report["pass"] = mismatches->empty();
        report["mismatches"] = *mismatches;
    }
    return report.dump() + "\n";
}

std::string textReport(const Cpu& cpu, std::size_t executed, Base base) {
    std::string out = "executed " + std::to_string(executed) + " words\nregisters:\n";
    for (std::size_t r = 0; r < 16; ++r)
        out.append("  ")
            .append(registerNames[r])
            .append("  ")
            .append(formatNumber(cpu.registers[r], base))
            .push_back('\n');
    out.append("memory (cells that are not zero):\n");
    bool any = false;
    for (std::size_t a = 0; a < 256; ++a) {
        if (cpu.memory[a] == 0)
            continue;
        any = true;
        out.append("  ")
            .append(cellName(a, base))
            .append("  ")
            .append(formatNumber(cpu.memory[a], base))
            .push_back('\n');
    }
    if (!any)
        out.append("  none\n");
    out.append(cpu.running ? "ended without a halt\n" : "ended at a halt\n");
    return out;
}

StateSpec readState(const std::string& path, StateUse use) {
    auto state = readStateFile(path, use);
    if (const auto* error = std::get_if<std::string>(&state)) {
        write(stderr, "emurun: " + *error + "\n");
        std::exit(2);
    }
    return std::get<StateSpec>(std::move(state));
}

int run(const Options& options) {
    // The course's files before the student's program: a fault in them is
    // the command line's.
    Cpu cpu;
    if (!options.initPath.empty())
        applyState(readState(options.initPath, StateUse::Starting), cpu);
    std::optional<StateSpec> expected;
    if (!options.expectPath.empty())
        expected = readState(options.expectPath, StateUse::Expected);

    if (const FileCheck check = checkFile(options.path); !check.problem.empty())
        fileError(options.path, check.problem);
    const auto program = readProgramText(options.path);
    if (!program)
        fileError(options.path, "cannot be read");
    const std::string& text = *program;
    if (const std::string reason = invalidProgramReason(text); !reason.empty())
        fileError(options.path, reason);

    const auto startRegisters = cpu.registers;
    const auto startMemory = cpu.memory;
    const Outcome outcome = cpu.runText(text);
    const std::size_t executed = outcome.changes.size();
    if (options.trace || options.explain)
        tell(startRegisters, startMemory, text, outcome, cpu.running, options,
             options.json ? stderr : stdout);

    std::optional<std::vector<std::string>> mismatches;
    if (expected)
        mismatches = stateMismatches(*expected, cpu, executed, options.base);
    if (options.json) {
        write(stdout, jsonReport(cpu, executed, mismatches));
    } else {
        write(stdout, textReport(cpu, executed, options.base));
        if (mismatches) {
            for (const std::string& line : *mismatches)
                write(stdout, line + "\n");
            write(stdout, mismatches->empty() ? "PASS\n" : "FAIL\n");
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        write(stderr, "emurun: cannot write the report to standard output\n");
        return 1;
    }
    return mismatches && !mismatches->empty() ? 3 : 0;
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
