// One run of the assembler over one source: preparation, the line loop and
// the gathered machine code. Console lines go to a caller-given sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace mox {

// Receives each console line, without its line end.
using ReportLine = std::function<void(std::string_view)>;

struct Assembly {
    std::int64_t errorCount = 0;
    // The instruction words back to back: the whole content of a .8xe file.
    std::string machineCode;

    void appendWord(std::string_view word) { machineCode.append(word); }
};

// One error of a source, as the line loop finds it.
struct LineError {
    std::int64_t
        index; // source line counted from 0; -1 for the missing halt, which belongs to no line
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

// "error on line(N): " and the message, N counted from 1.
std::string lineErrorText(std::int64_t index, std::string_view message);

// The source without its comments; every line keeps its number.
std::string prepareSource(std::string_view source);
// Checks for a halt, then encodes every line of a prepared text.
void assembleText(std::string_view prepared, Assembly& run, const ReportLine& report);
// Reads and assembles a file that the directory search has found, chunk by
// chunk; the chunk size matters only to tests of the chunk boundaries.
void assembleFile(const std::string& name, Assembly& run, const ReportLine& report,
                  std::size_t chunkSize = 1 << 16);

// The source name up to its first "." followed by ".8xe".
std::string outputFileName(std::string_view sourceName);

} // namespace mox
