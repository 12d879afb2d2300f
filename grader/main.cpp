// mox77-grade: grades a class's programs against an expected state.
#include "grade.h"
#include "options.h"
#include "report.h"
#include "state_file.h"
#include "text.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using namespace mox;

namespace {

const char* const usage =
    "Usage: mox77-grade --expect FILE [--init FILE] [--csv | --json] PATH...\n"
    "\n"
    "Grades MOX77 programs: each .asm is assembled as zerlant assembles it (in\n"
    "memory, nothing is written), each .asm and .8xe runs from a zeroed machine\n"
    "as emurun runs it, and the machine afterwards is compared with FILE. A PATH\n"
    "that is a folder stands for every .asm and .8xe in it and in its folders,\n"
    "sorted by name (hidden files and __MACOSX folders left out).\n"
    "\n"
    "Options:\n"
    "  --expect FILE  the state every program must leave: a JSON object with any\n"
    "                 of \"registers\" ({\"ax\": 255}), \"memory\" ({\"0x10\": -1}),\n"
    "                 \"running\" (false after a halt) and \"executed\"\n"
    "  --init FILE    registers and memory cells to set before each run\n"
    "  --csv          one CSV row per program, for a gradebook\n"
    "  --json         one JSON object with a row per program, for a script\n"
    "  -h, --help     show this help\n"
    "\n"
    "Prints a table, one row per program, and \"N of M passed\" (on standard\n"
    "error with --csv or --json).\n"
    "\n"
    "Exit status: 0 when every program passed; 3 when any failed; 1 when a path\n"
    "or a program cannot be read, or a path is no program or folder of them (the\n"
    "others are still graded); 2 for a wrong command line or a bad --expect or\n"
    "--init file.\n";

enum class Form { Table, Csv, Json };

struct Options {
    std::string expectPath, initPath;
    Form form = Form::Table;
    std::vector<std::string> paths;
};

void write(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

[[noreturn]] void commandLineError(const std::string& message) {
    write(stderr, "mox77-grade: " + message + "\nTry 'mox77-grade --help' for more information.\n");
    std::exit(2);
}

void setForm(Options& options, Form form) {
    if (options.form != Form::Table && options.form != form)
        commandLineError("--csv and --json exclude each other");
    options.form = form;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            options.paths.emplace_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "-h" || arg == "--help") {
            write(stdout, usage);
            std::exit(0);
        } else if (arg == "--csv") {
            setForm(options, Form::Csv);
        } else if (arg == "--json") {
            setForm(options, Form::Json);
        } else if (const auto expect =
                       fileOptionValue("--expect", argc, argv, i, commandLineError)) {
            options.expectPath = *expect;
        } else if (const auto init = fileOptionValue("--init", argc, argv, i, commandLineError)) {
            options.initPath = *init;
        } else {
            commandLineError("unknown option '" + printableText(arg) + "'");
        }
    }
    if (options.expectPath.empty())
        commandLineError("no --expect file given");
    if (options.paths.empty())
        commandLineError("no program or folder given");
    return options;
}

StateSpec readState(const std::string& path, StateUse use) {
    auto state = readStateFile(path, use);
    if (const auto* error = std::get_if<std::string>(&state)) {
        write(stderr, "mox77-grade: " + *error + "\n");
        std::exit(2);
    }
    return std::get<StateSpec>(std::move(state));
}

int run(const Options& options) {
    const StateSpec start =
        options.initPath.empty() ? StateSpec{} : readState(options.initPath, StateUse::Starting);
    const StateSpec expected = readState(options.expectPath, StateUse::Expected);

    const FoundFiles found = findSubmissions(options.paths);
    for (const std::string& problem : found.problems)
        write(stderr, "mox77-grade: " + problem + "\n");

    std::vector<Submission> rows;
    rows.reserve(found.files.size());
    for (const std::string& file : found.files)
        rows.push_back(gradeFile(file, start, expected));

    switch (options.form) {
    case Form::Table:
        write(stdout, tableReport(rows));
        break;
    case Form::Csv:
        write(stdout, csvReport(rows));
        write(stderr, summaryLine(rows) + "\n");
        break;
    case Form::Json:
        write(stdout, jsonReport(rows));
        write(stderr, summaryLine(rows) + "\n");
        break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        write(stderr, "mox77-grade: cannot write the grades to standard output\n");
        return 1;
    }
    bool unreadable = !found.problems.empty() || rows.empty();
    bool failed = false;
    for (const Submission& s : rows) {
        unreadable = unreadable || !s.readable;
        failed = failed || !s.passed();
    }
    return unreadable ? 1 : failed ? 3 : 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(parseOptions(argc, argv));
    } catch (const std::bad_alloc&) {
        write(stderr, "mox77-grade: out of memory\n");
        return 1;
    }
}
