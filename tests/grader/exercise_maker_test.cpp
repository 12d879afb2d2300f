#include "exercise_maker.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

using namespace mox;

namespace {

Recipe recipe(std::vector<InputRange> registers, std::vector<InputRange> memory = {},
              std::uint64_t seed = 7) {
    Recipe r;
    r.registers = std::move(registers);
    r.memory = std::move(memory);
    r.outRegisters = {2};
    r.seed = seed;
    return r;
}

TEST(DrawStarts, EdgesTheRangeHoldsComeFirstThenValuesWithinIt) {
    const struct {
        InputRange range;
        std::vector<std::int32_t> first;
    } cases[] = {
        {{0, -100, 100}, {0, 1, -1, -100, 100}},
        {{0, 0, 255}, {0, 1, 255}},
        {{0, 5, 9}, {5, 9}},
        {{0, -30, -1}, {-1, -30}},
        {{0, INT32_MIN, INT32_MAX}, {0, 1, -1, INT32_MIN, INT32_MAX}},
    };
    for (const auto& c : cases) {
        const auto starts =
            drawStarts(recipe({c.range}), static_cast<unsigned>(c.first.size()) + 3);
        ASSERT_EQ(starts.size(), c.first.size() + 3);
        std::set<std::int32_t> seen;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::int32_t v = starts[k][0];
            if (k < c.first.size()) {
                EXPECT_EQ(v, c.first[k]) << c.range.low << ".." << c.range.high << " start " << k;
            }
            EXPECT_GE(v, c.range.low);
            EXPECT_LE(v, c.range.high);
            EXPECT_TRUE(seen.insert(v).second) << "start " << k << " repeats " << v;
        }
    }
}

TEST(DrawStarts, TheSeedDecidesAndTooSmallARangeIsSaid) {
    const Recipe a = recipe({{0, -1000, 1000}}, {{0x10, 0, 255}}, 7);
    const Recipe b = recipe({{0, -1000, 1000}}, {{0x10, 0, 255}}, 8);
    EXPECT_EQ(drawStarts(a, 40), drawStarts(a, 40));
    EXPECT_NE(drawStarts(a, 40), drawStarts(b, 40));
    // Edges alike, random draws not: the seed shows only past the edges.
    EXPECT_EQ(drawStarts(a, 3), drawStarts(b, 3));
    // Two inputs of two values each hold four starts, no more.
    const Recipe small = recipe({{0, 0, 1}, {1, 0, 1}});
    EXPECT_EQ(drawStarts(small, 4).size(), 4u);
    EXPECT_TRUE(drawStarts(small, 5).empty());
    EXPECT_EQ(drawStarts(recipe({}), 1).size(), 1u);
    EXPECT_TRUE(drawStarts(recipe({}), 2).empty());
}

TEST(ParseRecipe, ReadsEveryMember) {
    const auto read = parseRecipe(R"({
        "inputs": {"registers": {"ax": [-100, 100]}, "memory": {"0x00": [0, 255], "0x01": "any"}},
        "outputs": {"registers": ["cx"], "memory": ["0x02"], "running": false, "executed": true},
        "public": 2, "hidden": 8, "seed": 7})");
    ASSERT_TRUE(std::holds_alternative<Recipe>(read)) << std::get<std::string>(read);
    const Recipe& r = std::get<Recipe>(read);
    ASSERT_EQ(r.registers.size(), 1u);
    EXPECT_EQ(r.registers[0].place, 0);
    EXPECT_EQ(r.registers[0].low, -100);
    ASSERT_EQ(r.memory.size(), 2u);
    EXPECT_EQ(r.memory[1].place, 1);
    EXPECT_EQ(r.memory[1].low, INT32_MIN);
    EXPECT_EQ(r.memory[1].high, INT32_MAX);
    EXPECT_EQ(r.outRegisters, std::vector<int>{2});
    EXPECT_EQ(r.outMemory, std::vector<int>{2});
    EXPECT_FALSE(r.running);
    EXPECT_TRUE(r.executed);
    EXPECT_EQ(r.publicStarts, 2u);
    EXPECT_EQ(r.hiddenStarts, 8u);
    EXPECT_EQ(r.seed, 7u);
}

TEST(ParseRecipe, NamesTheMemberAtFault) {
    const std::string outputs = R"("outputs": {"memory": ["0x02"], "running": false})";
    const std::string inputs = R"("inputs": {"memory": {"0x00": [0, 9]}})";
    const struct {
        std::string json, error;
    } cases[] = {
        {"[]", "the file is no JSON object"},
        {"{" + outputs + R"(, "seed": 1})", "inputs: missing"},
        {"{" + inputs + R"(, "seed": 1})", "outputs: missing"},
        {R"({"inputs": {"registers": {"qx": [0, 1]}}, )" + outputs + R"(, "seed": 1})",
         "inputs.registers.qx: no register is named qx (ax to px)"},
        {R"({"inputs": {"memory": {"0x100": [0, 1]}}, )" + outputs + R"(, "seed": 1})",
         "inputs.memory.0x100: a cell is written 0x00 to 0xff"},
        {R"({"inputs": {"memory": {"0x00": [9, 0]}}, )" + outputs + R"(, "seed": 1})",
         "inputs.memory.0x00: the low end is above the high one"},
        {R"({"inputs": {"memory": {"0x00": [0, 4294967296]}}, )" + outputs + R"(, "seed": 1})",
         "inputs.memory.0x00[1]: expected a whole number of 32 bits"},
        {R"({"inputs": {"memory": {"0x00": "some"}}, )" + outputs + R"(, "seed": 1})",
         "inputs.memory.0x00: expected [low, high] or \"any\""},
        {"{" + inputs + R"(, "outputs": {"memory": ["0x02"]}, "seed": 1})",
         "outputs.running: missing"},
        {"{" + inputs + R"(, "outputs": {"running": false}, "seed": 1})",
         "outputs: name a register or a cell the solution writes"},
        {"{" + inputs + "," + outputs + R"(, "public": 0, "seed": 1})",
         "public: expected a whole number from 1 to 1000"},
        {"{" + inputs + "," + outputs + R"(, "seed": -1})",
         "seed: expected a whole number, 0 or more"},
        {"{" + inputs + "," + outputs + R"(, "seed": 1, "hiden": 3})", "hiden: unknown member"},
    };
    for (const auto& c : cases) {
        const auto read = parseRecipe(c.json);
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << c.json;
        EXPECT_EQ(std::get<std::string>(read), c.error) << c.json;
    }
}

// cx = ax + bx, then a halt.
const char* const sum = "mov cx, ax\nadd cx, bx\nhalt\n";

TEST(MakeStarts, RunsTheSolutionFromEachStart) {
    Recipe r = recipe({{0, -5, 5}, {1, 0, 3}});
    r.publicStarts = 3;
    r.hiddenStarts = 2;
    const auto made = makeStarts(sum, r);
    ASSERT_TRUE(std::holds_alternative<std::vector<MadeStart>>(made))
        << std::get<std::string>(made);
    const auto& starts = std::get<std::vector<MadeStart>>(made);
    ASSERT_EQ(starts.size(), 5u);
    EXPECT_EQ(starts[1].init, "{\n  \"registers\": {\n    \"ax\": 1,\n    \"bx\": 1\n  }\n}\n");
    EXPECT_EQ(starts[1].inputs, R"({"registers":{"ax":1,"bx":1}})");
    EXPECT_EQ(starts[1].expected,
              "{\n  \"registers\": {\n    \"cx\": 2\n  },\n  \"running\": false\n}\n");
    EXPECT_EQ(makeStarts(sum, r).index(), 0u);
    EXPECT_EQ(std::get<std::vector<MadeStart>>(makeStarts(sum, r))[4].init, starts[4].init);
}

TEST(MakeStarts, RefusesASolutionThatCannotMakeTheExercise) {
    const Recipe r = recipe({{0, -5, 5}});
    Recipe running = r;
    running.running = true;
    Recipe crowded = r;
    crowded.publicStarts = 12;
    Recipe unseeded = r;
    unseeded.seed.reset();
    const struct {
        const char* solution;
        Recipe recipe;
        std::string error;
    } cases[] = {
        {"mov cx ax\nhalt\n", r, "solution.asm: error on line(1):"},
        {sum, running,
         "solution.asm: from start 1 it halts, where exercise.json's "
         "outputs.running says true"},
        {"load cx, 7\nhalt\n", r, "solution.asm gives the same outputs from every start"},
        {sum, crowded, "exercise.json: the inputs' ranges do not hold 12 different starts"},
        {sum, unseeded, "exercise.json: seed: missing"},
    };
    for (const auto& c : cases) {
        Recipe two = c.recipe;
        two.hiddenStarts += two.publicStarts == 1 ? 1 : 0;
        const auto made = makeStarts(c.solution, two);
        ASSERT_TRUE(std::holds_alternative<std::string>(made)) << c.solution;
        EXPECT_EQ(std::get<std::string>(made).rfind(c.error, 0), 0u) << std::get<std::string>(made);
    }
}

} // namespace
