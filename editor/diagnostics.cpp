#include "diagnostics.h"

#include "assembly.h"
#include "sourcetext.h"
#include "text.h"

namespace mox {

std::vector<SourceError> checkSource(std::string_view editorText) {
    // A CR can only come from a paste that kept it; on disk it is a line end.
    std::string normalized;
    if (editorText.find('\r') != std::string_view::npos) {
        normalized = stripCarriageReturns(windowsLineEnds(editorText));
        editorText = normalized;
    }
    std::vector<SourceError> errors;
    Assembly run;
    assembleSource(cutAtZero(editorText), run, [&errors](const LineError& error) {
        errors.push_back({error.index, consoleLine(error)});
    });
    return errors;
}

} // namespace mox
