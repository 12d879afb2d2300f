#include "exercise_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace mox;

namespace {

const std::string halted = R"({"running": false})";

// name, start name, points
using Seen = std::tuple<std::string, std::string, double>;

std::vector<Seen> seen(const Exercise& exercise) {
    std::vector<Seen> out;
    for (const ExerciseTest& t : exercise)
        out.emplace_back(t.name, t.startName, t.points);
    return out;
}

TEST(ExerciseFromFiles, FindsEachStartWithItsExpectedState) {
    const struct {
        ExerciseFiles files;
        std::vector<Seen> tests;
    } cases[] = {
        {{{"expected.json", halted}}, {{"expected.json", "", 1}}},
        {{{"expected.json", halted},
          {"init.json", R"({"registers": {"ax": 5}})"},
          {"expected2.json", R"({"points": 2, "running": false})"}},
         {{"expected.json", "init.json", 1}, {"expected2.json", "", 2}}},
        // The rest of the folder is the exercise's own business.
        {{{"task.md", "# Task"},
          {"start.asm", "halt"},
          {"expected.json", halted},
          {"expected.json.bak", "{"},
          {"init-old.json", "{"}},
         {{"expected.json", "", 1}}},
    };
    for (const auto& c : cases) {
        const auto read = exerciseFromFiles(c.files, "ex");
        ASSERT_TRUE(std::holds_alternative<Exercise>(read)) << std::get<std::string>(read);
        EXPECT_EQ(seen(std::get<Exercise>(read)), c.tests);
    }
    const auto read = exerciseFromFiles(
        {{"init.json", R"({"registers": {"ax": 5}})"}, {"expected.json", halted}}, "ex");
    ASSERT_TRUE(std::holds_alternative<Exercise>(read));
    EXPECT_EQ(std::get<Exercise>(read)[0].start.registers[0], 5);
}

TEST(ExerciseFromFiles, RefusesAFolderThatIsNoSoundExercise) {
    const struct {
        ExerciseFiles files;
        const char* folder;
        std::string error;
    } cases[] = {
        {{}, "ex", "ex: holds no expected.json"},
        {{{"init.json", "{}"}}, "ex", "ex/init.json: has no expected.json"},
        {{{"expected.json", halted}, {"init2.json", "{}"}},
         "ex/",
         "ex/init2.json: has no expected2.json"},
        {{{"expected.json", halted}, {"expected3.json", halted}},
         "ex",
         "ex/expected3.json: has no expected2.json before it"},
        {{{"expected.json", halted}, {"expected2.json", halted}, {"expected02.json", halted}},
         "ex",
         "ex/expected02.json: start 2 is expected2.json already"},
        {{{"expected1.json", halted}},
         "ex",
         "ex/expected1.json: start 1 is expected.json; name "
         "the file so"},
        {{{"expected.json", halted}, {"init0.json", "{}"}},
         "ex",
         "ex/init0.json: no start has this number; the first is init.json, then init2.json and "
         "so on"},
        {{{"expected.json", halted}, {"expected12345678.json", halted}},
         "ex",
         "ex/expected12345678.json: no start has this number; the first is expected.json, then "
         "expected2.json and so on"},
        {{{"expected.json", R"({"points": -1, "running": false})"}},
         "ex",
         "ex/expected.json: points: expected a number, 0 or more"},
        {{{"expected.json", R"({"points": "2"})"}},
         "ex",
         "ex/expected.json: points: expected a number, 0 or more"},
    };
    for (const auto& c : cases) {
        const auto read = exerciseFromFiles(c.files, c.folder);
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << c.error;
        EXPECT_EQ(std::get<std::string>(read), c.error);
    }
    // A file that is no state is named with the state reader's place and reason.
    for (const auto& [name, text] : {std::pair{"init.json", "[]"}, {"expected.json", "{"}}) {
        ExerciseFiles files{{"expected.json", halted}, {"init.json", "{}"}};
        files[name] = text;
        const auto read = exerciseFromFiles(files, "ex");
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << name;
        EXPECT_EQ(std::get<std::string>(read).rfind("ex/" + std::string(name) + ": ", 0), 0u)
            << std::get<std::string>(read);
    }
}

TEST(StartFileName, TakesEveryNameThatMeansToBeAStart) {
    for (const char* name : {"init.json", "expected.json", "init2.json", "expected10.json",
                             "expected02.json", "init0.json"})
        EXPECT_TRUE(isStartFileName(name)) << name;
    for (const char* name : {"expected.json.bak", "Expected.json", "init-2.json", "init2.JSON",
                             "expectedx.json", "task.md", ".json", "init"})
        EXPECT_FALSE(isStartFileName(name)) << name;
}

} // namespace
