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
