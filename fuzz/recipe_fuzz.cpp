// Any bytes as an exercise's recipe: never a crash, every refusal names what
// it refuses, and the starts drawn keep to the ranges, differ and come out
// the same every time.
#include "exercise_maker.h"
#include "reference.h"

#include <cstdint>
#include <set>
#include <string>
#include <variant>

using namespace mox;
using namespace mox::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto read = parseRecipe(text);
    if (const auto* error = std::get_if<std::string>(&read)) {
        check(!error->empty(), "a refusal says why", text);
        return 0;
    }
    const Recipe& recipe = std::get<Recipe>(read);
    const unsigned count = recipe.publicStarts + recipe.hiddenStarts;
    // Past a few dozen starts a draw only costs time, not cases.
    if (count > 40)
        return 0;
    const auto starts = drawStarts(recipe, count);
    check(starts.empty() || starts.size() == count, "all the starts or none", text);
    check(starts == drawStarts(recipe, count), "the same starts from the same seed", text);
    check(std::set(starts.begin(), starts.end()).size() == starts.size(), "no two starts alike",
          text);
    std::vector<InputRange> inputs = recipe.registers;
    inputs.insert(inputs.end(), recipe.memory.begin(), recipe.memory.end());
    for (const auto& start : starts) {
        check(start.size() == inputs.size(), "a value for each input", text);
        for (std::size_t i = 0; i < inputs.size() && i < start.size(); ++i)
            check(start[i] >= inputs[i].low && start[i] <= inputs[i].high,
                  "each value within its range", text);
    }
    const auto made = makeStarts("mov cx, ax\nadd cx, bx\nstore cx, 02\nhalt\n", recipe);
    if (const auto* list = std::get_if<std::vector<MadeStart>>(&made))
        check(list->size() == count, "a start made for each drawn", text);
    return 0;
}
