#include "exercise_folder.h"

#include <gtest/gtest.h>

#include <set>
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
    for (const ExerciseTest& t : exercise.tests)
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
    EXPECT_EQ(std::get<Exercise>(read).tests[0].start.registers[0], 5);
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
        {{{"expected.json", halted}, {"exercise.json", R"({"inputs": {}})"}},
         "ex",
         "ex/exercise.json: outputs: missing"},
        {{{"expected.json", halted},
          {"exercise.json", R"({"inputs": {"registers": {"ax": [0, 9]}},
                                "outputs": {"registers": ["cx"], "running": false},
                                "hidden": 3, "seed": 1})"},
          {"solution.asm", "load cx, 7\nhalt\n"}},
         "ex",
         "ex/solution.asm gives the same outputs from every start, so a program that writes "
         "them down would pass: widen the inputs or name other outputs"},
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

// cx = ax + 1, from ax in [0, 99]; one public start is in the folder.
const char* const recipe = R"({"inputs": {"registers": {"ax": [0, 99]}},
                               "outputs": {"registers": ["cx"], "running": false},
                               "public": 1, "hidden": 4, "seed": 3})";
const char* const addOne = "mov cx, ax\ninc cx\nhalt\n";

TEST(ExerciseFromFiles, DrawsTheHiddenStartsOnlyWhereTheSolutionIs) {
    const ExerciseFiles student{{"expected.json", R"({"registers": {"cx": 1}, "running": false})"},
                                {"exercise.json", recipe}};
    ExerciseFiles teacher = student;
    teacher.emplace("solution.asm", addOne);

    const auto copy = std::get<Exercise>(exerciseFromFiles(student, "ex"));
    EXPECT_EQ(copy.tests.size(), 1u);
    EXPECT_EQ(copy.hiddenElsewhere, 4u);

    const auto whole = std::get<Exercise>(exerciseFromFiles(teacher, "ex"));
    EXPECT_EQ(whole.hiddenElsewhere, 0u);
    ASSERT_EQ(whole.tests.size(), 5u);
    EXPECT_FALSE(whole.tests[0].hidden);
    std::set<std::string> inputs;
    for (std::size_t i = 1; i < whole.tests.size(); ++i) {
        const ExerciseTest& t = whole.tests[i];
        EXPECT_TRUE(t.hidden);
        EXPECT_EQ(t.name, "hidden start " + std::to_string(i));
        EXPECT_TRUE(t.startName.empty());
        // Each hidden start expects what the solution makes of its own input.
        const std::int32_t ax = *t.start.registers[0];
        EXPECT_TRUE(ax >= 0 && ax <= 99) << ax;
        EXPECT_EQ(t.expected.registers[2], ax + 1);
        EXPECT_EQ(t.inputs, R"({"registers":{"ax":)" + std::to_string(ax) + "}}");
        inputs.insert(t.inputs);
    }
    EXPECT_EQ(inputs.size(), 4u) << "no two hidden starts alike";

    // A program that writes the public answer down passes what the student
    // sees, and no hidden start.
    Submission read;
    read.source = true;
    const auto copied = checkExercise("load cx, 1\nhalt\n", read, whole);
    EXPECT_TRUE(copied[0].passed());
    for (std::size_t i = 1; i < copied.size(); ++i)
        EXPECT_FALSE(copied[i].passed()) << whole.tests[i].inputs;
}

TEST(CheckSummary, SaysWhatRanAndWhatWaitsForTheGrader) {
    const ExerciseFiles student{{"expected.json", R"({"registers": {"cx": 1}, "running": false})"},
                                {"exercise.json", recipe}};
    ExerciseFiles teacher = student;
    teacher.emplace("solution.asm", addOne);
    ExerciseFiles plain{{"expected.json", R"({"registers": {"cx": 1}, "running": false})"},
                        {"expected2.json", R"({"registers": {"cx": 2}, "running": false})"}};
    const struct {
        ExerciseFiles files;
        const char* program;
        std::string summary;
    } cases[] = {
        {plain, "load cx, 1\nhalt\n", "1 of 2 starts passes"},
        {plain, "halt\n", "0 of 2 starts pass"},
        {student, addOne, "1 of 1 public start passes; 4 hidden starts are run when graded"},
        {student, "halt\n", "0 of 1 public start pass; 4 hidden starts are run when graded"},
        {teacher, addOne, "1 of 1 public start passes; 4 of 4 hidden starts pass"},
        {teacher, "load cx, 1\nhalt\n", "1 of 1 public start passes; 0 of 4 hidden starts pass"},
    };
    for (const auto& c : cases) {
        const auto exercise = std::get<Exercise>(exerciseFromFiles(c.files, "ex"));
        Submission read;
        read.source = true;
        EXPECT_EQ(checkSummary(checkExercise(c.program, read, exercise), exercise), c.summary)
            << c.program;
    }
}

TEST(StudentFiles, GivesWhatAStudentMaySeeAndNothingElse) {
    const ExerciseFiles teacher{{"task.md", "# Sum"},      {"start.asm", "halt\n"},
                                {"solution.asm", addOne},  {"notes.txt", "answers"},
                                {"expected.json", halted}, {"init.json", "{}"},
                                {"exercise.json", recipe}};
    const ExerciseFiles given = studentFiles(teacher);
    std::set<std::string> names;
    for (const auto& [name, text] : given)
        names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"task.md", "start.asm", "expected.json", "init.json",
                                            "exercise.json"}));
    EXPECT_EQ(given.at("start.asm"), teacher.at("start.asm"));
    // The copy still tells how many hidden starts wait, not how to draw them.
    EXPECT_EQ(given.at("exercise.json").find("seed"), std::string::npos);
    EXPECT_EQ(std::get<Exercise>(exerciseFromFiles(given, "ex")).hiddenElsewhere, 4u);
    EXPECT_EQ(studentFiles({{"exercise.json", "{"}}).at("exercise.json"), "{");
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
