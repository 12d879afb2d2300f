// The zerlant run from command line to .8xe file, without the closing pause.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mox {

// args are the command-line arguments after the program name; only the first
// is used. Gives the exit status: 0 when the .8xe file was written, 1 on every
// other path, so scripts can tell a failed assembly from a good one. Each
// line is flushed at once when flushEachLine is set, else by the end.
int runAssembler(const std::vector<std::string>& args, std::ostream& out,
                 bool flushEachLine = true);

} // namespace mox
