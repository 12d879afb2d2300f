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

void loadProgramFile(Emulator& emulator, const std::string& path) {
    const auto text = readTextFile(path);
    if (!text) {
        emulator.display.showMessage("Error:\nCould not read the file", "Error!", Icon::Error,
                                     std::nullopt);
        return;
    }
    emulator.loadProgram(*text);
}

} // namespace mox
