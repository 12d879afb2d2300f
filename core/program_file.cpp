#include "program_file.h"

#include "files.h"

#include <utility>

namespace mox {

std::optional<std::string> readProgramText(const std::string& path) {
    auto text = readTextFile(path);
    if (!text)
        return std::nullopt;
    return programText(std::move(*text));
}

} // namespace mox
