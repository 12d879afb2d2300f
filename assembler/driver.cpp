#include "driver.h"

#include "assembly.h"
#include "text.h"

namespace mox {

int runAssembler(const std::vector<std::string>& args, std::ostream& out) {
    // Each line is flushed at once, so a reader of the console sees the
    // progress even when the run is slow or ends badly.
    const auto say = [&out](std::string_view line) { out << line << '\n' << std::flush; };

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
    assembleFile(source, run, say);
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

} // namespace mox
