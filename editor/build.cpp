#include "build.h"

#include "assembly.h"
#include "files.h"

namespace mox {

BuildResult assembleFile(const std::string& source) {
    BuildResult result;
    const auto text = readTextFile(source);
    if (!text) {
        result.problem = "fatal error: could not read the file" + source;
        return result;
    }
    Assembly run;
    assembleSource(*text, run, [&result](const LineError& error) {
        result.errors.push_back({error.index, consoleLine(error)});
    });
    if (!result.errors.empty()) {
        return result;
    }
    const std::string output = outputFileName(source);
    // As zerlant writes it: the file is simply made again after a crash.
    if (!writeTextFile(output, run.machineCode, nullptr, Durability::Cached)) {
        result.problem = "fatal error: could not write the file" + output;
        return result;
    }
    result.outputName = output;
    return result;
}

} // namespace mox
