#include "state_file.h"

#include "files.h"

namespace mox {

CourseText readCourseFile(const std::string& path) {
    const std::string name = printableText(path);
    if (const FileCheck check = checkFile(path); !check.problem.empty())
        return {{}, name + ": " + check.problem};
    auto text = readTextFile(path);
    if (!text)
        return {{}, name + ": cannot be read"};
    return {std::move(*text), {}};
}

std::variant<StateSpec, std::string> readStateFile(const std::string& path, StateUse use) {
    const CourseText file = readCourseFile(path);
    if (!file.error.empty())
        return file.error;
    auto parsed = parseStateSpec(file.text, use);
    if (const auto* error = std::get_if<StateError>(&parsed))
        return printableText(path) + ": " + error->place + ": " + error->reason;
    return std::get<StateSpec>(std::move(parsed));
}

} // namespace mox
