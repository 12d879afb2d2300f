#include "build.h"

#include "driver.h"

namespace mox {

BuildResult buildFile(const std::string& source) {
    BuildResult result;
    const FileAssembly file = assembleFile(source, [&result](const LineError& error) {
        result.errors.push_back({error.index, consoleLine(error)});
    });
    result.problem = file.fatal;
    if (file.run.errorCount != 0)
        return result;
    const std::string output = outputFileName(source);
    result.problem = writeMachineCode(output, file.run.machineCode);
    if (result.problem.empty())
        result.outputName = output;
    return result;
}

} // namespace mox
