#include "exercise.h"

#include "files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace mox {

namespace {

using Json = nlohmann::ordered_json;

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

StateSpec parsed(const std::string& path, std::string_view text, StateUse use) {
    auto state = parseStateSpec(text, use);
    if (const auto* error = std::get_if<StateError>(&state))
        throw Failure{printableText(path) + ": " + error->place + ": " + error->reason};
    return std::get<StateSpec>(std::move(state));
}

// The test's worth comes out of the file before the state is read, so that
// the state's own checks still refuse every other unknown member. A text
// that is no JSON goes to the state reader whole, for its line and column.
ExerciseTest expectedTest(const std::string& path) {
    ExerciseTest test;
    test.name = fs::path(path).filename().string();
    std::string text = readWhole(path);
    Json root = Json::parse(text, nullptr, false);
    if (root.is_object() && root.contains("points")) {
        const Json& points = root["points"];
        if (!points.is_number() || !std::isfinite(points.get<double>()) || points.get<double>() < 0)
            throw Failure{printableText(path) + ": points: expected a number, 0 or more"};
        test.points = points.get<double>();
        root.erase("points");
        text = root.dump();
    }
    test.expected = parsed(path, text, StateUse::Expected);
    return test;
}

void addStart(ExerciseTest& test, const std::string& path) {
    test.startName = fs::path(path).filename().string();
    test.start = parsed(path, readWhole(path), StateUse::Starting);
}

std::string numbered(const char* stem, int n) {
    return std::string(stem) + (n == 1 ? "" : std::to_string(n)) + ".json";
}

} // namespace

std::variant<Exercise, std::string> readExercise(const std::string& folder) {
    const fs::path dir(folder);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return printableText(folder) + ": not an exercise folder";
    try {
        Exercise exercise;
        for (int n = 1;; ++n) {
            const fs::path expected = dir / numbered("expected", n);
            const fs::path init = dir / numbered("init", n);
            if (!fs::exists(expected, ec)) {
                // A start without its expected state would be a test lost unseen.
                if (fs::exists(init, ec))
                    return printableText(init.string()) + ": has no " + numbered("expected", n);
                break;
            }
            ExerciseTest test = expectedTest(expected.string());
            if (fs::exists(init, ec))
                addStart(test, init.string());
            exercise.push_back(std::move(test));
        }
        if (exercise.empty())
            return printableText(folder) + ": holds no expected.json";
        return exercise;
    } catch (const Failure& failure) {
        return failure.line;
    }
}

std::variant<Exercise, std::string> readSingleTest(const std::string& expectPath,
                                                   const std::string& initPath) {
    try {
        ExerciseTest start;
        if (!initPath.empty())
            addStart(start, initPath);
        ExerciseTest test = expectedTest(expectPath);
        test.startName = std::move(start.startName);
        test.start = start.start;
        return Exercise{std::move(test)};
    } catch (const Failure& failure) {
        return failure.line;
    }
}

bool Graded::passed() const {
    return !runs.empty() &&
           std::all_of(runs.begin(), runs.end(), [](const Submission& s) { return s.passed(); });
}

double pointsEarned(const Graded& g, const Exercise& exercise) {
    double sum = 0;
    for (std::size_t i = 0; i < g.runs.size() && i < exercise.size(); ++i)
        if (g.runs[i].passed())
            sum += exercise[i].points;
    return sum;
}

double pointsPossible(const Exercise& exercise) {
    double sum = 0;
    for (const ExerciseTest& test : exercise)
        sum += test.points;
    return sum;
}

} // namespace mox
