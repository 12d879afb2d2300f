#include "assembly.h"

#include "encoder.h"
#include "text.h"

namespace mox {

namespace {

// Whether a line holds "halt" before its comment. Looked for from the end,
// where a program's halt usually stands.
bool holdsHalt(std::string_view source) {
    for (std::size_t end = source.size();;) {
        const std::size_t lineFeed =
            end == 0 ? std::string_view::npos : source.rfind('\n', end - 1);
        const std::size_t start = lineFeed == std::string_view::npos ? 0 : lineFeed + 1;
        const std::string_view line = source.substr(start, end - start);
        if (line.substr(0, line.find(';')).find("halt") != std::string_view::npos)
            return true;
        if (lineFeed == std::string_view::npos)
            return false;
        end = lineFeed;
    }
}

} // namespace

void assembleSource(std::string_view source, Assembly& run, const ReportError& report) {
    if (!holdsHalt(source)) {
        ++run.errorCount;
        report({-1, "fatal error: application requries a halt instruction"});
        return;
    }
    // Every word needs a line of at least four characters and its line feed,
    // so the code never grows past this, nor its buffer by doubling.
    run.machineCode.reserve(run.machineCode.size() + (source.size() + 1) / 5 * 4);
    // The text after the last line feed is a line too.
    for (std::int64_t index = 0;; ++index) {
        const std::size_t end = source.find('\n');
        const std::string_view line = source.substr(0, end);
        const LineResult r = assembleLine(line.substr(0, line.find(';')));
        if (r.kind == LineResult::Kind::Word) {
            run.machineCode.append(r.wordText());
            if (run.keepWordLines)
                run.wordLines.push_back(index);
        } else if (r.kind == LineResult::Kind::Error) {
            ++run.errorCount;
            report({index, r.message});
        }
        if (end == std::string_view::npos)
            return;
        source.remove_prefix(end + 1);
    }
}

std::string consoleLine(const LineError& error) {
    if (error.index < 0)
        return std::string(error.message);
    return "error on line(" + std::to_string(error.index + 1) + "): " + std::string(error.message);
}

std::string errorCountLine(std::int64_t errorCount) {
    return "process stoped with  (" + std::to_string(errorCount) + ") fatal errors";
}

std::string writtenLine(std::string_view outputName) {
    return "was succesful emu binary code (in hex)  named: " + std::string(outputName);
}

std::string outputFileName(std::string_view sourceName) {
    const TextPos dot = findText(sourceName, ".");
    return copyPrefix(sourceName, dot) + ".8xe";
}

} // namespace mox
