#include "exercise.h"

#include "exercise_maker.h"
#include "state_file.h"
#include "text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace mox {

namespace {

struct Failure {
    std::string line;
};

std::string readWhole(const std::string& path) {
    CourseText file = readCourseFile(path);
    if (!file.error.empty())
        throw Failure{std::move(file.error)};
    return std::move(file.text);
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
            if (const std::string name = entry.path().filename().string();
                isStartFileName(name) || name == "exercise.json" || name == "solution.asm")
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

namespace {

// Through a temporary file and a rename, so a start is replaced whole or
// not at all.
void writeStart(const fs::path& path, const std::string& text) {
    const fs::path temporary = path.string() + ".new";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    std::error_code ec;
    if (!out || (fs::rename(temporary, path, ec), ec)) {
        fs::remove(temporary, ec);
        throw Failure{printableText(path.string()) + ": cannot be written"};
    }
}

std::string numberedName(const char* stem, std::size_t n) {
    return std::string(stem) + (n == 1 ? "" : std::to_string(n)) + ".json";
}

} // namespace

std::variant<MadeFiles, std::string> makeExercise(const std::string& folder) {
    const fs::path dir(folder);
    try {
        const std::string solution = readWhole((dir / "solution.asm").string());
        const auto recipe = parseRecipe(readWhole((dir / "exercise.json").string()));
        if (const auto* error = std::get_if<std::string>(&recipe))
            return printableText((dir / "exercise.json").string()) + ": " + *error;
        const Recipe& r = std::get<Recipe>(recipe);
        auto made = makeStarts(solution, r);
        if (const auto* error = std::get_if<std::string>(&made))
            return printableText(folder) + ": " + *error;
        MadeFiles files;
        const auto& starts = std::get<std::vector<MadeStart>>(made);
        std::set<std::string> kept;
        for (std::size_t n = 1; n <= r.publicStarts; ++n) {
            const MadeStart& start = starts[n - 1];
            for (const auto& [stem, text] :
                 {std::pair{"init", &start.init}, {"expected", &start.expected}}) {
                if (text->empty())
                    continue;
                const std::string name = numberedName(stem, n);
                writeStart(dir / name, *text);
                kept.insert(name);
                files.written.push_back(printableText((dir / name).string()));
            }
        }
        // Older starts past these would be tests the recipe no longer makes.
        std::error_code ec;
        std::set<std::string> stale;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
            if (const std::string name = entry.path().filename().string();
                isStartFileName(name) && !kept.contains(name))
                stale.insert(name);
        for (const std::string& name : stale) {
            fs::remove(dir / name, ec);
            files.removed.push_back(printableText((dir / name).string()));
        }
        return files;
    } catch (const Failure& failure) {
        return failure.line;
    }
}

std::variant<std::vector<std::string>, std::string> makeStudentCopy(const std::string& folder,
                                                                    const std::string& out) {
    const auto exercise = readExercise(folder);
    if (const auto* error = std::get_if<std::string>(&exercise))
        return *error;
    const fs::path from(folder), to(out);
    std::error_code ec;
    if (fs::exists(to, ec) && !(fs::is_directory(to, ec) && fs::is_empty(to, ec)))
        return printableText(out) + ": already holds files; a student's copy goes into a new "
                                    "or empty folder";
    try {
        // Only the files a student is given are read: never the solution.
        ExerciseFiles files;
        for (const fs::directory_entry& entry : fs::directory_iterator(from, ec))
            if (const std::string name = entry.path().filename().string();
                entry.is_regular_file(ec) && !studentFiles({{name, ""}}).empty())
                files.emplace(name, readWhole(entry.path().string()));
        files = studentFiles(files);
        fs::create_directories(to, ec);
        if (ec)
            return printableText(out) + ": cannot be made";
        std::vector<std::string> written;
        for (const auto& [name, text] : files) {
            writeStart(to / name, text);
            written.push_back(printableText((to / name).string()));
        }
        return written;
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
