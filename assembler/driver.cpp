#include "driver.h"

#include "assembly.h"
#include "files.h"

#include <functional>
#include <new>

namespace mox {

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

    Assembly run;
    say("now assembling: " + source);
    try {
        if (const auto text = readTextFile(source)) {
            assembleSource(*text, run, [&say](const LineError& error) { say(consoleLine(error)); });
        } else {
            say("fatal error: could not read the file" + source);
            ++run.errorCount;
        }
    } catch (const std::bad_alloc&) {
        // One fatal error like an unreadable file, with what was gathered
        // given back first.
        const std::int64_t errors = run.errorCount + 1;
        run = Assembly{};
        run.errorCount = errors;
        say("fatal error: out of memory assembling the file" + source);
    }
    say("process stoped with  (" + std::to_string(run.errorCount) + ") fatal errors");
    if (run.errorCount != 0)
        return 1;

    const std::string output = outputFileName(source);
    say("was succesful emu binary code (in hex)  named: " + output);
    // Waiting for the disk would cost more than the whole assembly, and a
    // machine-code file lost in a crash is made again by running once more.
    if (!writeTextFile(output, run.machineCode, nullptr, Durability::Cached)) {
        say("fatal error: could not write the file" + output);
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
