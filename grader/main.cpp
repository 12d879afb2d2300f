// mox77-grade: grades a class's programs against an expected state.
#include "grade.h"
#include "options.h"
#include "platforms.h"
#include "report.h"
#include "text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using namespace mox;

namespace {

const char* const usage =
    "Usage: mox77-grade --expect FILE [--init FILE] [OUTPUT...] PATH...\n"
    "       mox77-grade --exercise DIR [OUTPUT...] PATH...\n"
    "       mox77-grade --make-exercise DIR\n"
    "       mox77-grade --student-copy DIR OUT\n"
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
    "  --exercise DIR grade against every start of an exercise folder: each\n"
    "                 expected.json, expected2.json ... with its init.json,\n"
    "                 init2.json ... is one test, worth 1 point or its \"points\"\n"
    "                 then, with DIR/exercise.json and DIR/solution.asm, each\n"
    "                 hidden start, drawn and run through the solution now\n"
    "  --show-hidden  say the hidden starts' inputs (for the teacher's eyes)\n"
    "  --make-exercise DIR  write DIR's public starts (init.json, expected.json,\n"
    "                 init2.json, ...) by running DIR/solution.asm from starts\n"
    "                 drawn as DIR/exercise.json says; nothing else is graded\n"
    "  --student-copy DIR OUT  write into the new folder OUT what a student\n"
    "                 gets of DIR: task.md, start.asm, the public starts and\n"
    "                 exercise.json without its seed, and no solution\n"
    "\n"
    "Output (the table unless --csv or --json; the files besides):\n"
    "  --csv          one CSV row per program, for a gradebook\n"
    "  --json         one JSON object with a row per program, for a script\n"
    "  --gradescope FILE    Gradescope's results.json for one hand-in\n"
    "  --prairielearn FILE  PrairieLearn's results.json for one hand-in\n"
    "  --junit FILE   JUnit XML, a test suite per program\n"
    "  -h, --help     show this help\n"
    "\n"
    "Prints a table, one row per program, and \"N of M passed\" (on standard\n"
    "error with --csv or --json).\n"
    "\n"
    "Exit status: 0 when every program passed; 3 when any failed; 1 when a path\n"
    "or a program cannot be read, or a path is no program or folder of them (the\n"
    "others are still graded), or a results FILE cannot be written; 2 for a\n"
    "wrong command line or a bad --expect or --init file or --exercise folder.\n";

enum class Form { Table, Csv, Json };

struct Options {
    std::string expectPath, initPath, exercisePath, makePath, copyPath;
    bool showHidden = false;
    std::string gradescopePath, prairieLearnPath, junitPath;
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
        } else if (arg == "--show-hidden") {
            options.showHidden = true;
        } else if (const auto expect =
                       fileOptionValue("--expect", argc, argv, i, commandLineError)) {
            options.expectPath = *expect;
        } else if (const auto init = fileOptionValue("--init", argc, argv, i, commandLineError)) {
            options.initPath = *init;
        } else if (const auto dir =
                       fileOptionValue("--make-exercise", argc, argv, i, commandLineError)) {
            options.makePath = *dir;
        } else if (const auto dir =
                       fileOptionValue("--student-copy", argc, argv, i, commandLineError)) {
            options.copyPath = *dir;
        } else if (const auto dir =
                       fileOptionValue("--exercise", argc, argv, i, commandLineError)) {
            options.exercisePath = *dir;
        } else if (const auto file =
                       fileOptionValue("--gradescope", argc, argv, i, commandLineError)) {
            options.gradescopePath = *file;
        } else if (const auto file =
                       fileOptionValue("--prairielearn", argc, argv, i, commandLineError)) {
            options.prairieLearnPath = *file;
        } else if (const auto file = fileOptionValue("--junit", argc, argv, i, commandLineError)) {
            options.junitPath = *file;
        } else {
            commandLineError("unknown option '" + printableText(arg) + "'");
        }
    }
    const bool noGrading = options.form == Form::Table && !options.showHidden &&
                           (options.expectPath + options.initPath + options.exercisePath +
                            options.gradescopePath + options.prairieLearnPath + options.junitPath)
                               .empty();
    if (!options.makePath.empty()) {
        if (!noGrading || !options.paths.empty() || !options.copyPath.empty())
            commandLineError("--make-exercise takes its folder alone");
        return options;
    }
    if (!options.copyPath.empty()) {
        if (!noGrading || options.paths.size() != 1)
            commandLineError("--student-copy takes its folder and the new folder alone");
        return options;
    }
    if (options.showHidden && options.exercisePath.empty())
        commandLineError("--show-hidden goes with --exercise");
    if (!options.exercisePath.empty() && !(options.expectPath + options.initPath).empty())
        commandLineError("--exercise excludes --expect and --init");
    if (options.expectPath.empty() && options.exercisePath.empty())
        commandLineError("no --expect file or --exercise folder given");
    if (options.paths.empty())
        commandLineError("no program or folder given");
    return options;
}

Exercise readTests(const Options& options) {
    auto tests = options.exercisePath.empty() ? readSingleTest(options.expectPath, options.initPath)
                                              : readExercise(options.exercisePath);
    if (const auto* error = std::get_if<std::string>(&tests)) {
        write(stderr, "mox77-grade: " + *error + "\n");
        std::exit(2);
    }
    return std::get<Exercise>(std::move(tests));
}

// A platform's file; false, with the reason said, when it could not be made.
bool writeResults(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = errno;
    written = file && std::fclose(file) == 0 && written;
    if (!written)
        write(stderr, "mox77-grade: " + printableText(path) +
                          ": cannot be written: " + std::strerror(error) + "\n");
    return written;
}

int makeExerciseFolder(const std::string& folder) {
    const auto made = makeExercise(folder);
    if (const auto* error = std::get_if<std::string>(&made)) {
        write(stderr, "mox77-grade: " + *error + "\n");
        return 2;
    }
    const MadeFiles& files = std::get<MadeFiles>(made);
    for (const std::string& name : files.written)
        write(stdout, "wrote " + name + "\n");
    for (const std::string& name : files.removed)
        write(stdout, "removed " + name + "\n");
    return 0;
}

int copyForStudents(const std::string& folder, const std::string& out) {
    const auto copied = makeStudentCopy(folder, out);
    if (const auto* error = std::get_if<std::string>(&copied)) {
        write(stderr, "mox77-grade: " + *error + "\n");
        return 2;
    }
    for (const std::string& name : std::get<std::vector<std::string>>(copied))
        write(stdout, "wrote " + name + "\n");
    return 0;
}

int run(const Options& options) {
    if (!options.makePath.empty())
        return makeExerciseFolder(options.makePath);
    if (!options.copyPath.empty())
        return copyForStudents(options.copyPath, options.paths.front());
    const auto began = std::chrono::steady_clock::now();
    ClassGrades grades;
    grades.exercise = readTests(options);
    grades.perTest = !options.exercisePath.empty();
    grades.showHidden = options.showHidden;
    // Grading a student's copy by mistake would pass what the hidden starts fail.
    if (const unsigned later = grades.exercise.hiddenElsewhere; later > 0)
        write(stderr, "mox77-grade: " + printableText(options.exercisePath) + ": " +
                          std::to_string(later) +
                          (later == 1 ? " hidden start is" : " hidden starts are") +
                          " not run: the folder has no solution.asm to draw them from\n");

    const FoundFiles found = findSubmissions(options.paths);
    for (const std::string& problem : found.problems)
        write(stderr, "mox77-grade: " + problem + "\n");

    grades.rows.reserve(found.files.size());
    for (const FoundFile& file : found.files) {
        grades.rows.push_back(gradeFile(file.path, grades.exercise));
        grades.rows.back().student = file.student;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    switch (options.form) {
    case Form::Table:
        write(stdout, tableReport(grades));
        break;
    case Form::Csv:
        write(stdout, csvReport(grades));
        write(stderr, summaryLine(grades) + "\n");
        break;
    case Form::Json:
        write(stdout, jsonReport(grades));
        write(stderr, summaryLine(grades) + "\n");
        break;
    }
    bool written = true;
    if (!options.gradescopePath.empty())
        written = writeResults(options.gradescopePath, gradescopeReport(grades, seconds));
    if (!options.prairieLearnPath.empty())
        written = writeResults(options.prairieLearnPath, prairieLearnReport(grades)) && written;
    if (!options.junitPath.empty())
        written = writeResults(options.junitPath, junitReport(grades, seconds)) && written;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        write(stderr, "mox77-grade: cannot write the grades to standard output\n");
        return 1;
    }
    bool unreadable = !written || !found.problems.empty() || grades.rows.empty();
    bool failed = false;
    for (const Graded& g : grades.rows) {
        unreadable = unreadable || !g.readable();
        failed = failed || !g.passed();
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
