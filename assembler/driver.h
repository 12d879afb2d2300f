// The zerlant run from command line to .8xe file, without the closing pause.
#pragma once

#include "assembly.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

// zerlant's work on a source it has found, for the editor's Build and Run
// too: reads and assembles it, each error going to report. A file that
// cannot be read, or memory running out, is one more fatal error, whose
// console line is `fatal`.
struct FileAssembly {
    Assembly run;
    std::string fatal;
};
FileAssembly assembleFile(const std::string& source, const ReportError& report);

// Writes the .8xe as zerlant does; gives zerlant's line when it cannot.
std::string writeMachineCode(const std::string& output, std::string_view machineCode);

// Whether the first argument is --help or -h, a question rather than a file.
bool asksForUsage(const std::vector<std::string>& args);
// The answer to it, lines ended by line feeds.
std::string_view usageText();

// args are the command-line arguments after the program name; only the first
// is used. Gives the exit status: 0 when the .8xe file was written, 1 on every
// other path, so scripts can tell a failed assembly from a good one. Each
// line is flushed at once when flushEachLine is set, else by the end.
int runAssembler(const std::vector<std::string>& args, std::ostream& out,
                 bool flushEachLine = true);

} // namespace mox
