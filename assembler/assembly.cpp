#include "assembly.h"

#include "encoder.h"
#include "text.h"

#include <optional>

namespace mox {

std::string lineErrorText(std::int64_t index, std::string_view message) {
    std::string line = "error on line(";
    line += std::to_string(index + 1);
    line += "): ";
    line += message;
    return line;
}

std::string prepareSource(std::string_view source) {
    return stripComments(source);
}

void assembleText(std::string_view prepared, Assembly& run, const ReportLine& report) {
    if (findText(prepared, "halt") == -1) {
        report("fatal error: application requries a halt instruction");
        ++run.errorCount;
        return;
    }
    // The text after the last line feed is a line too, as if one more line
    // feed closed the text.
    std::int64_t index = 0;
    for (std::size_t start = 0;; ++index) {
        const std::size_t end = prepared.find('\n', start);
        const std::string_view line = prepared.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const LineResult r = assembleLine(line);
        if (r.kind == LineResult::Kind::Word) {
            run.appendWord(r.wordText());
        } else if (r.kind == LineResult::Kind::Error) {
            report(lineErrorText(index, r.message));
            ++run.errorCount;
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

void assembleFile(const std::string& name, Assembly& run, const ReportLine& report) {
    report("now assembling: " + name);
    std::string prepared;
    {
        // Only the prepared copy is kept, so a big source is held once.
        const std::optional<std::string> source = readTextFile(name);
        if (!source) {
            report("fatal error: could not read the file" + name);
            ++run.errorCount;
            return;
        }
        prepared = prepareSource(*source);
    }
    assembleText(prepared, run, report);
}

std::string outputFileName(std::string_view sourceName) {
    const TextPos dot = findText(sourceName, ".");
    return copyPrefix(sourceName, dot) + ".8xe";
}

} // namespace mox
