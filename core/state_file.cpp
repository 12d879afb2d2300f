#include "state_file.h"

#include "files.h"

namespace mox {

std::variant<StateSpec, std::string> readStateFile(const std::string& path, StateUse use) {
    const std::string name = printableText(path);
    if (const FileCheck check = checkFile(path); !check.problem.empty())
        return name + ": " + check.problem;
    const auto text = readTextFile(path);
    if (!text)
        return name + ": cannot be read";
    auto parsed = parseStateSpec(*text, use);
    if (const auto* error = std::get_if<StateError>(&parsed))
        return name + ": " + error->place + ": " + error->reason;
    return std::get<StateSpec>(std::move(parsed));
}

} // namespace mox
