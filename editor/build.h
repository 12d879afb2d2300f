// Build and Run's assembly: zerlant's run on a saved source, from reading the
// file to writing the .8xe beside it, with the errors kept for the editor
// instead of printed.
#pragma once

#include "diagnostics.h"

#include <string>
#include <vector>

namespace mox {

struct BuildResult {
    // In line order, exactly as zerlant prints them; no file is written then.
    std::vector<SourceError> errors;
    // zerlant's line when the source cannot be read or the output written.
    std::string problem;
    // The .8xe written, named as zerlant names it.
    std::string outputName;

    bool built() const { return errors.empty() && problem.empty(); }
};

BuildResult buildFile(const std::string& source);

} // namespace mox
