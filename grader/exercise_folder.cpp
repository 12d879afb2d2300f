#include "exercise_folder.h"

#include "exercise_maker.h"
#include "text.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <optional>

namespace mox {

namespace {

using Json = nlohmann::ordered_json;

struct Failure {
    std::string line;
};

std::string numbered(std::string_view stem, unsigned n) {
    return std::string(stem) + (n == 1 ? "" : std::to_string(n)) + ".json";
}

std::string inFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    return printableText(path.append(name));
}

StateSpec parsed(const std::string& path, std::string_view text, StateUse use) {
    auto state = parseStateSpec(text, use);
    if (const auto* error = std::get_if<StateError>(&state))
        throw Failure{path + ": " + error->place + ": " + error->reason};
    return std::get<StateSpec>(std::move(state));
}

// The test's worth comes out of the file before the state is read, so that
// the state's own checks still refuse every other unknown member. A text
// that is no JSON goes to the state reader whole, for its line and column.
ExerciseTest expectedTest(const std::string& path, std::string_view text) {
    ExerciseTest test;
    std::string state(text);
    Json root = Json::parse(state, nullptr, false);
    if (root.is_object() && root.contains("points")) {
        const Json& points = root["points"];
        if (!points.is_number() || !std::isfinite(points.get<double>()) || points.get<double>() < 0)
            throw Failure{path + ": points: expected a number, 0 or more"};
        test.points = points.get<double>();
        root.erase("points");
        state = root.dump();
    }
    test.expected = parsed(path, state, StateUse::Expected);
    return test;
}

struct StartName {
    bool expected;
    std::optional<unsigned> number; // none when too long to be one
};

StartName readName(std::string_view name) {
    const bool expected = name.starts_with("expected");
    std::string_view digits = name.substr(expected ? 8 : 4);
    digits.remove_suffix(5); // ".json"
    if (digits.size() > 6)
        return {expected, std::nullopt};
    unsigned n = digits.empty() ? 1 : 0;
    for (const char c : digits)
        n = n * 10 + unsigned(c - '0');
    return {expected, n};
}

// The recipe's hidden starts, after its public ones, each its own test.
void addHiddenStarts(const ExerciseFiles& files, std::string_view folder, Exercise& exercise) {
    const auto recipeFile = files.find("exercise.json");
    if (recipeFile == files.end())
        return;
    const auto recipe = parseRecipe(recipeFile->second);
    if (const auto* error = std::get_if<std::string>(&recipe))
        throw Failure{inFolder(folder, "exercise.json") + ": " + *error};
    const Recipe& r = std::get<Recipe>(recipe);
    if (r.hiddenStarts == 0)
        return;
    const auto solution = files.find("solution.asm");
    if (solution == files.end()) {
        exercise.hiddenElsewhere = r.hiddenStarts;
        return;
    }
    const auto made = makeStarts(solution->second, r);
    if (const auto* error = std::get_if<std::string>(&made))
        throw Failure{inFolder(folder, *error)};
    const auto& starts = std::get<std::vector<MadeStart>>(made);
    for (std::size_t k = r.publicStarts; k < starts.size(); ++k) {
        ExerciseTest test;
        test.name = "hidden start " + std::to_string(k - r.publicStarts + 1);
        test.hidden = true;
        test.inputs = starts[k].inputs;
        test.expected = parsed(test.name, starts[k].expected, StateUse::Expected);
        if (!starts[k].init.empty())
            test.start = parsed(test.name, starts[k].init, StateUse::Starting);
        exercise.tests.push_back(std::move(test));
    }
}

std::string passing(std::size_t passed, std::size_t of, std::string_view kind) {
    return std::to_string(passed) + " of " + std::to_string(of) + " " + std::string(kind) +
           (of == 1 ? "start" : "starts") + (passed == 1 ? " passes" : " pass");
}

} // namespace

bool isStartFileName(std::string_view name) {
    std::string_view rest = name;
    if (rest.starts_with("expected"))
        rest.remove_prefix(8);
    else if (rest.starts_with("init"))
        rest.remove_prefix(4);
    else
        return false;
    if (!rest.ends_with(".json"))
        return false;
    rest.remove_suffix(5);
    return rest.find_first_not_of("0123456789") == std::string_view::npos;
}

std::variant<Exercise, std::string> exerciseFromFiles(const ExerciseFiles& files,
                                                      std::string_view folder) {
    std::map<unsigned, std::string_view> expected, starts;
    for (const auto& [name, text] : files) {
        if (!isStartFileName(name))
            continue;
        const StartName read = readName(name);
        const std::string_view stem = read.expected ? "expected" : "init";
        if (!read.number || *read.number == 0)
            return inFolder(folder, name) + ": no start has this number; the first is " +
                   numbered(stem, 1) + ", then " + numbered(stem, 2) + " and so on";
        const std::string own = numbered(stem, *read.number);
        if (name != own)
            return inFolder(folder, name) + ": start " + std::to_string(*read.number) + " is " +
                   own + (files.contains(own) ? " already" : "; name the file so");
        (read.expected ? expected : starts)[*read.number] = text;
    }
    for (const auto& [n, text] : starts)
        if (!expected.contains(n))
            return inFolder(folder, numbered("init", n)) + ": has no " + numbered("expected", n);
    if (expected.empty())
        return printableText(folder) + ": holds no expected.json";
    // Numbers run on without a gap, so no start is skipped unseen.
    unsigned n = 1;
    for (const auto& [number, text] : expected) {
        if (number != n)
            return inFolder(folder, numbered("expected", number)) + ": has no " +
                   numbered("expected", n) + " before it";
        ++n;
    }
    try {
        Exercise exercise;
        for (const auto& [number, text] : expected) {
            ExerciseTest test = expectedTest(inFolder(folder, numbered("expected", number)), text);
            test.name = numbered("expected", number);
            if (const auto start = starts.find(number); start != starts.end()) {
                test.startName = numbered("init", number);
                test.start =
                    parsed(inFolder(folder, test.startName), start->second, StateUse::Starting);
            }
            exercise.tests.push_back(std::move(test));
        }
        addHiddenStarts(files, folder, exercise);
        return exercise;
    } catch (const Failure& failure) {
        return failure.line;
    }
}

ExerciseFiles studentFiles(const ExerciseFiles& files) {
    ExerciseFiles out;
    for (const auto& [name, text] : files) {
        if (name == "exercise.json") {
            Json recipe = Json::parse(text, nullptr, false);
            // A recipe that is no JSON goes as it is, for the check to refuse.
            if (recipe.is_object())
                recipe.erase("seed");
            out.emplace(name, recipe.is_object() ? recipe.dump(2) + "\n" : text);
        } else if (isStartFileName(name) || name == "task.md" || name == "start.asm") {
            out.emplace(name, text);
        }
    }
    return out;
}

std::variant<Exercise, std::string> singleTest(std::string_view expectPath,
                                               std::string_view expectText,
                                               std::string_view startPath,
                                               std::string_view startText) {
    try {
        StateSpec start;
        if (!startPath.empty())
            start = parsed(printableText(startPath), startText, StateUse::Starting);
        ExerciseTest test = expectedTest(printableText(expectPath), expectText);
        const auto fileName = [](std::string_view path) {
            return std::string(path.substr(path.find_last_of('/') + 1));
        };
        test.name = fileName(expectPath);
        if (!startPath.empty())
            test.startName = fileName(startPath);
        test.start = start;
        Exercise exercise;
        exercise.tests.push_back(std::move(test));
        return exercise;
    } catch (const Failure& failure) {
        return failure.line;
    }
}

std::vector<Submission> checkExercise(std::string_view fileText, const Submission& read,
                                      const Exercise& exercise) {
    std::vector<Submission> runs;
    runs.reserve(exercise.tests.size());
    for (const ExerciseTest& test : exercise.tests) {
        Submission s = read;
        checkProgram(fileText, s, test.start, test.expected);
        runs.push_back(std::move(s));
    }
    return runs;
}

std::string checkSummary(const std::vector<Submission>& runs, const Exercise& exercise,
                         std::string_view later) {
    std::size_t shown = 0, shownPassed = 0, hidden = 0, hiddenPassed = 0;
    for (std::size_t i = 0; i < runs.size() && i < exercise.tests.size(); ++i) {
        (exercise.tests[i].hidden ? hidden : shown) += 1;
        (exercise.tests[i].hidden ? hiddenPassed : shownPassed) += runs[i].passed() ? 1 : 0;
    }
    if (hidden == 0 && exercise.hiddenElsewhere == 0)
        return passing(shownPassed, shown, "");
    std::string line = passing(shownPassed, shown, "public ") + "; ";
    if (hidden > 0)
        return line + passing(hiddenPassed, hidden, "hidden ");
    const unsigned elsewhere = exercise.hiddenElsewhere;
    return line + std::to_string(elsewhere) +
           (elsewhere == 1 ? " hidden start is " : " hidden starts are ") + std::string(later);
}

double pointsEarned(const std::vector<Submission>& runs, const Exercise& exercise) {
    double sum = 0;
    for (std::size_t i = 0; i < runs.size() && i < exercise.tests.size(); ++i)
        if (runs[i].passed())
            sum += exercise.tests[i].points;
    return sum;
}

double pointsPossible(const Exercise& exercise) {
    double sum = 0;
    for (const ExerciseTest& test : exercise.tests)
        sum += test.points;
    return sum;
}

} // namespace mox
