// One run of the assembler over one source: the halt check, the line loop
// and the gathered machine code. Errors go to a caller-given sink.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

struct Assembly {
    std::int64_t errorCount = 0;
    // The instruction words back to back: the whole content of a .8xe file.
    std::string machineCode;
    // With keepWordLines, the source line (from 0) of each word, for a
    // listing that points back at the source; zerlant does without.
    bool keepWordLines = false;
    std::vector<std::int64_t> wordLines;
};

// One error of a source, as the line loop finds it.
struct LineError {
    // Source line counted from 0; -1 for the missing halt, which belongs to no line.
    std::int64_t index;
    std::string_view message; // static text, as the encoder gives it
};
using ReportError = std::function<void(const LineError&)>;

// A whole source as read (LF line ends, already ended at its first zero byte):
// the halt check, then every line, each cut at its comment. Errors go to
// report in line order and are counted in run.
void assembleSource(std::string_view source, Assembly& run, const ReportError& report);
// The console line exactly as zerlant prints it: "error on line(3):  invalid
// instruction" or "fatal error: application requries a halt instruction".
std::string consoleLine(const LineError& error);

// zerlant's closing lines: the count it always prints, and the one naming the
// .8xe it writes when the count is 0.
std::string errorCountLine(std::int64_t errorCount);
std::string writtenLine(std::string_view outputName);

// The source name up to its first "." followed by ".8xe".
std::string outputFileName(std::string_view sourceName);

} // namespace mox
