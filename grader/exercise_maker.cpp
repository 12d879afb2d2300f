#include "exercise_maker.h"

#include "check.h"
#include "instruction_set.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <set>

namespace mox {

namespace {

using Json = nlohmann::ordered_json;

struct Bad {
    std::string line;
};

constexpr std::int64_t smallest = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t largest = std::numeric_limits<std::int32_t>::max();

int registerIndex(const std::string& name, const std::string& place) {
    for (std::size_t r = 0; r < registerNames.size(); ++r)
        if (registerNames[r] == name)
            return static_cast<int>(r);
    throw Bad{place + ": no register is named " + name + " (ax to px)"};
}

// "0x00" to "0xff", as the state files write cells.
int cellIndex(const std::string& key, const std::string& place) {
    if (key.size() >= 3 && key.size() <= 4 && key[0] == '0' && (key[1] == 'x' || key[1] == 'X') &&
        std::all_of(key.begin() + 2, key.end(),
                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return std::stoi(key.substr(2), nullptr, 16);
    throw Bad{place + ": a cell is written 0x00 to 0xff"};
}

std::int32_t word(const Json& v, const std::string& place) {
    if (!v.is_number_integer() || v.get<std::int64_t>() < smallest ||
        v.get<std::int64_t>() > largest)
        throw Bad{place + ": expected a whole number of 32 bits"};
    return static_cast<std::int32_t>(v.get<std::int64_t>());
}

InputRange range(int index, const Json& v, const std::string& place) {
    if (v == "any")
        return {index, static_cast<std::int32_t>(smallest), static_cast<std::int32_t>(largest)};
    if (!v.is_array() || v.size() != 2)
        throw Bad{place + ": expected [low, high] or \"any\""};
    const std::int32_t low = word(v[0], place + "[0]");
    const std::int32_t high = word(v[1], place + "[1]");
    if (low > high)
        throw Bad{place + ": the low end is above the high one"};
    return {index, low, high};
}

// A copy: the members read are small, and a reference through this call is
// what GCC 14 takes for dangling.
Json member(const Json& object, const char* key, const std::string& place) {
    if (!object.contains(key))
        throw Bad{place + key + ": missing"};
    return object[key];
}

unsigned count(const Json& object, const char* key, unsigned fallback, unsigned least) {
    if (!object.contains(key))
        return fallback;
    const Json& v = object[key];
    if (!v.is_number_unsigned() || v.get<std::uint64_t>() < least || v.get<std::uint64_t>() > 1000)
        throw Bad{std::string(key) + ": expected a whole number from " + std::to_string(least) +
                  " to 1000"};
    return static_cast<unsigned>(v.get<std::uint64_t>());
}

void onlyKeys(const Json& object, std::initializer_list<const char*> keys,
              const std::string& place) {
    for (const auto& item : object.items()) {
        const std::string& key = item.key();
        if (std::none_of(keys.begin(), keys.end(), [&key](const char* k) { return key == k; }))
            throw Bad{place + key + ": unknown member"};
    }
}

// SplitMix64: the same numbers from the same seed on every machine.
struct Draw {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::int32_t in(const InputRange& r) {
        const auto span = static_cast<std::uint64_t>(std::int64_t{r.high} - r.low) + 1;
        return static_cast<std::int32_t>(r.low + static_cast<std::int64_t>(next() % span));
    }
};

std::vector<std::int32_t> edges(const InputRange& r) {
    std::vector<std::int32_t> out;
    for (const std::int64_t v : {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1},
                                 std::int64_t{r.low}, std::int64_t{r.high}, smallest, largest})
        if (v >= r.low && v <= r.high &&
            std::find(out.begin(), out.end(), static_cast<std::int32_t>(v)) == out.end())
            out.push_back(static_cast<std::int32_t>(v));
    return out;
}

std::string cellKey(int cell) {
    char key[8];
    std::snprintf(key, sizeof key, "0x%02x", cell);
    return key;
}

} // namespace

std::variant<Recipe, std::string> parseRecipe(std::string_view text) {
    const Json root = Json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return std::string("the file is no JSON object");
    try {
        Recipe recipe;
        onlyKeys(root, {"inputs", "outputs", "public", "hidden", "seed"}, "");
        const Json inputs = member(root, "inputs", "");
        const Json outputs = member(root, "outputs", "");
        if (!inputs.is_object() || !outputs.is_object())
            throw Bad{std::string(inputs.is_object() ? "outputs" : "inputs") +
                      ": expected an object"};
        onlyKeys(inputs, {"registers", "memory"}, "inputs.");
        onlyKeys(outputs, {"registers", "memory", "running", "executed"}, "outputs.");
        if (inputs.contains("registers"))
            for (const auto& [name, v] : inputs["registers"].items())
                recipe.registers.push_back(range(registerIndex(name, "inputs.registers." + name), v,
                                                 "inputs.registers." + name));
        if (inputs.contains("memory"))
            for (const auto& [key, v] : inputs["memory"].items())
                recipe.memory.push_back(
                    range(cellIndex(key, "inputs.memory." + key), v, "inputs.memory." + key));
        const auto names = [&](const char* key) {
            const Json& list = outputs.contains(key) ? outputs[key] : Json::array();
            if (!list.is_array())
                throw Bad{std::string("outputs.") + key + ": expected a list"};
            return list;
        };
        for (const Json& name : names("registers"))
            recipe.outRegisters.push_back(registerIndex(
                name.is_string() ? name.get<std::string>() : name.dump(), "outputs.registers"));
        for (const Json& key : names("memory"))
            recipe.outMemory.push_back(
                cellIndex(key.is_string() ? key.get<std::string>() : key.dump(), "outputs.memory"));
        const Json running = member(outputs, "running", "outputs.");
        if (!running.is_boolean())
            throw Bad{"outputs.running: expected true or false"};
        recipe.running = running.get<bool>();
        if (outputs.contains("executed")) {
            if (!outputs["executed"].is_boolean())
                throw Bad{"outputs.executed: expected true or false"};
            recipe.executed = outputs["executed"].get<bool>();
        }
        if (recipe.outRegisters.empty() && recipe.outMemory.empty())
            throw Bad{"outputs: name a register or a cell the solution writes"};
        recipe.publicStarts = count(root, "public", 1, 1);
        recipe.hiddenStarts = count(root, "hidden", 0, 0);
        if (root.contains("seed")) {
            if (!root["seed"].is_number_unsigned())
                throw Bad{"seed: expected a whole number, 0 or more"};
            recipe.seed = root["seed"].get<std::uint64_t>();
        }
        return recipe;
    } catch (const Bad& bad) {
        return bad.line;
    }
}

std::vector<std::vector<std::int32_t>> drawStarts(const Recipe& recipe, unsigned count) {
    std::vector<InputRange> inputs = recipe.registers;
    inputs.insert(inputs.end(), recipe.memory.begin(), recipe.memory.end());
    std::vector<std::vector<std::int32_t>> edgeLists;
    for (const InputRange& r : inputs)
        edgeLists.push_back(edges(r));
    Draw draw{recipe.seed.value_or(0)};
    std::set<std::vector<std::int32_t>> seen;
    std::vector<std::vector<std::int32_t>> starts;
    // A range of a few values runs out of new starts: a bound on the tries
    // keeps a recipe that asks for more from drawing for ever.
    for (unsigned tries = 0; starts.size() < count && tries < 64 * count + 64; ++tries) {
        std::vector<std::int32_t> values;
        for (std::size_t i = 0; i < inputs.size(); ++i)
            values.push_back(tries < edgeLists[i].size() ? edgeLists[i][tries]
                                                         : draw.in(inputs[i]));
        if (seen.insert(values).second)
            starts.push_back(std::move(values));
    }
    if (starts.size() < count)
        return {};
    return starts;
}

std::variant<std::vector<MadeStart>, std::string> makeStarts(std::string_view solutionSource,
                                                             const Recipe& recipe) {
    if (!recipe.seed)
        return std::string("exercise.json: seed: missing; every start is drawn from it");
    const unsigned total = recipe.publicStarts + recipe.hiddenStarts;
    const auto drawn = drawStarts(recipe, total);
    if (drawn.empty())
        return "exercise.json: the inputs' ranges do not hold " + std::to_string(total) +
               " different starts; widen them or ask for fewer";
    std::vector<MadeStart> made;
    std::set<std::string> outputs;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        Json init = Json::object();
        StateSpec start;
        std::size_t i = 0;
        for (const InputRange& r : recipe.registers) {
            init["registers"][std::string(registerNames[static_cast<std::size_t>(r.place)])] =
                drawn[k][i];
            start.registers[static_cast<std::size_t>(r.place)] = drawn[k][i++];
        }
        for (const InputRange& r : recipe.memory) {
            init["memory"][cellKey(r.place)] = drawn[k][i];
            start.memory[static_cast<std::size_t>(r.place)] = drawn[k][i++];
        }
        Submission s;
        s.source = true;
        const auto cpu = runProgram(solutionSource, s, start);
        if (!cpu)
            return "solution.asm: " + s.error;
        if (cpu->running != recipe.running)
            return "solution.asm: from start " + std::to_string(k + 1) + " it " +
                   (cpu->running ? "ends without a halt" : "halts") +
                   ", where exercise.json's outputs.running says " +
                   (recipe.running ? "true" : "false");
        Json expected = Json::object();
        for (const int r : recipe.outRegisters)
            expected["registers"][std::string(registerNames[static_cast<std::size_t>(r)])] =
                cpu->registers[static_cast<std::size_t>(r)];
        for (const int c : recipe.outMemory)
            expected["memory"][cellKey(c)] = cpu->memory[static_cast<std::size_t>(c)];
        outputs.insert(expected.dump());
        expected["running"] = recipe.running;
        if (recipe.executed)
            expected["executed"] = *s.executed;
        made.push_back({init.empty() ? std::string() : init.dump(2) + "\n", expected.dump(2) + "\n",
                        init.empty() ? std::string("{}") : init.dump()});
    }
    if (total > 1 && outputs.size() == 1)
        return std::string("solution.asm gives the same outputs from every start, so a program "
                           "that writes them down would pass: widen the inputs or name other "
                           "outputs");
    return made;
}

} // namespace mox
