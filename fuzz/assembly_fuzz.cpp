// Any bytes as a source, and as a source file through the driver, held
// against the literal model.
#include "assembly.h"
#include "driver.h"
#include "reference.h"

#include <unistd.h>

#include <cstdint>
#include <sstream>
#include <string>

using namespace mox;
using namespace mox::fuzz;

namespace {

std::int64_t nonBlankLines(std::string_view prepared) {
    std::int64_t n = 0;
    std::size_t start = 0;
    for (;;) {
        const auto end = prepared.find('\n', start);
        const auto line = prepared.substr(start, end == std::string_view::npos ? end : end - start);
        n += line.find_first_not_of(' ') != std::string_view::npos;
        if (end == std::string_view::npos)
            return n;
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string source = scratchDir() + "/prog.asm";
    const std::string output = scratchDir() + "/prog.8xe";
    writeBytes(source, bytes);
    ::unlink(output.c_str());

    const std::string prepared = referenceStripComments(referenceTextMode(bytes));
    const ReferenceAssembly want = referenceAssemble(prepared);

    Assembly run;
    std::string report;
    assembleSource(referenceTextMode(bytes), run, [&report](const LineError& error) {
        report.append(consoleLine(error));
        report += '\n';
    });
    const std::string heading = "now assembling: " + source + '\n';
    check(report == want.report, "console lines match the model", bytes);
    check(run.errorCount == want.errorCount, "error count matches the model", bytes);
    check(run.machineCode == want.machineCode, "machine code matches the model", bytes);
    if (run.errorCount == 0)
        check(static_cast<std::int64_t>(run.machineCode.size()) == 4 * nonBlankLines(prepared),
              "four characters per non-blank line", bytes);

    // The whole program: the count line, and a file exactly when nothing failed.
    std::ostringstream console;
    const int status = runAssembler({source}, console);
    std::string expected = heading + want.report + "process stoped with  (" +
                           std::to_string(want.errorCount) + ") fatal errors\n";
    if (want.errorCount == 0)
        expected += "was succesful emu binary code (in hex)  named: " + output + '\n';
    check(console.str() == expected, "driver console matches", bytes);
    check(status == (want.errorCount == 0 ? 0 : 1), "exit status tells success", bytes);
    check(::access(output.c_str(), F_OK) == (want.errorCount == 0 ? 0 : -1),
          "a .8xe exactly after an error-free run", bytes);
    if (want.errorCount == 0)
        check(readBytes(output) == want.machineCode, "the .8xe holds the machine code", bytes);
    return 0;
}
