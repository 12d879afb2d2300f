#include "exercise.h"

#include "files.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace mox {

namespace {

struct Failure {
    std::string line;
};

std::string readWhole(const std::string& path) {
    const std::string name = printableText(path);
    if (const FileCheck check = checkFile(path); !check.problem.empty())
        throw Failure{name + ": " + check.problem};
    auto text = readTextFile(path);
    if (!text)
        throw Failure{name + ": cannot be read"};
    return std::move(*text);
}

} // namespace

std::variant<Exercise, std::string> readExercise(const std::string& folder) {
    const fs::path dir(folder);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return printableText(folder) + ": not an exercise folder";
    try {
        // In name order, so that of two faults the same one is told each time.
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
            if (const std::string name = entry.path().filename().string(); isStartFileName(name))
                names.insert(name);
        if (ec)
            return printableText(folder) + ": cannot be read";
        ExerciseFiles files;
        for (const std::string& name : names)
            files.emplace(name, readWhole((dir / name).string()));
        return exerciseFromFiles(files, folder);
    } catch (const Failure& failure) {
        return failure.line;
    }
}

std::variant<Exercise, std::string> readSingleTest(const std::string& expectPath,
                                                   const std::string& initPath) {
    try {
        const std::string start = initPath.empty() ? std::string() : readWhole(initPath);
        return singleTest(expectPath, readWhole(expectPath), initPath, start);
    } catch (const Failure& failure) {
        return failure.line;
    }
}

bool Graded::passed() const {
    return !runs.empty() &&
           std::all_of(runs.begin(), runs.end(), [](const Submission& s) { return s.passed(); });
}

double pointsEarned(const Graded& g, const Exercise& exercise) {
    return pointsEarned(g.runs, exercise);
}

} // namespace mox
