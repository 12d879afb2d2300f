#include "driver.h"

#include "assembly.h"
#include "files.h"

#include <functional>
#include <new>

namespace mox {

FileAssembly assembleFile(const std::string& source, const ReportError& report) {
    FileAssembly file;
    try {
        if (const auto text = readTextFile(source)) {
            assembleSource(*text, file.run, report);
        } else {
            file.fatal = "fatal error: could not read the file" + source;
            ++file.run.errorCount;
        }
    } catch (const std::bad_alloc&) {
        // One fatal error like an unreadable file, with what was gathered
        // given back first.
        const std::int64_t errors = file.run.errorCount + 1;
        file.run = Assembly{};
        file.run.errorCount = errors;
        file.fatal = "fatal error: out of memory assembling the file" + source;
    }
    return file;
}

std::string writeMachineCode(const std::string& output, std::string_view machineCode) {
    // Waiting for the disk would cost more than the whole assembly, and a
    // machine-code file lost in a crash is made again by running once more.
    if (!writeTextFile(output, machineCode, nullptr, Durability::Cached))
        return "fatal error: could not write the file" + output;
    return {};
}

namespace {

// Receives each console line, without its line end.
using Say = std::function<void(std::string_view)>;

int assemble(const std::vector<std::string>& args, const Say& say) {
    if (args.empty()) {
        say("error: invalid command line parameters");
        say("correct format is the following");
        say("zerlant source.asm");
        return 1;
    }
    const std::string& source = args.front();
    if (findText(source, ".") == -1) {
        say("fatal error: source file missing file extension");
        return 1;
    }
    if (!fileExists(source)) {
        say("fatal error: could not find the file" + source);
        return 1;
    }

    say("now assembling: " + source);
    const FileAssembly file =
        assembleFile(source, [&say](const LineError& error) { say(consoleLine(error)); });
    if (!file.fatal.empty())
        say(file.fatal);
    say(errorCountLine(file.run.errorCount));
    if (file.run.errorCount != 0)
        return 1;

    const std::string output = outputFileName(source);
    say(writtenLine(output));
    if (const std::string problem = writeMachineCode(output, file.run.machineCode);
        !problem.empty()) {
        say(problem);
        return 1;
    }
    return 0;
}

} // namespace

int runAssembler(const std::vector<std::string>& args, std::ostream& out, bool flushEachLine) {
    // A person at the console sees each line as it comes; into a file or a
    // pipe, a million error lines would cost a million writes if flushed
    // singly.
    const auto say = [&out, flushEachLine](std::string_view line) {
        out << line << '\n';
        if (flushEachLine)
            out.flush();
    };
    const int status = assemble(args, say);
    out.flush();
    return status;
}

} // namespace mox
