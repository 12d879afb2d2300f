// An exercise written from a sample solution: exercise.json says which
// registers and cells a program starts from, with what ranges, and what is
// compared; the starts are drawn from the ranges (edge values first, then
// at random from the seed) and their expected states come from running the
// solution. The same recipe always gives the same starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mox {

struct InputRange {
    int place; // a register 0-15, or a cell 0-255
    std::int32_t low, high;
};

struct Recipe {
    std::vector<InputRange> registers, memory;
    std::vector<int> outRegisters, outMemory;
    bool running = false;  // how the solution ends: still running, or at a halt
    bool executed = false; // the words run are compared too
    unsigned publicStarts = 1, hiddenStarts = 0;
    // None in a student's copy, so its hidden starts cannot be drawn there.
    std::optional<std::uint64_t> seed;
};

// exercise.json read, or "<member>: <reason>".
std::variant<Recipe, std::string> parseRecipe(std::string_view json);

// One start, as the files that hold it: init.json's and expected.json's
// texts, and the init's values on one line, as a report names a hidden start's
// inputs (and a teacher pastes them into an init file to try the start).
struct MadeStart {
    std::string init, expected, inputs;
};

// The recipe's starts, public ones first, each with the solution's outputs
// from it; or why the solution cannot make the exercise (it does not
// assemble, does not end as the recipe says, or gives the same outputs from
// every start, so that writing them down would pass), or the recipe has no
// seed to draw from.
std::variant<std::vector<MadeStart>, std::string> makeStarts(std::string_view solutionSource,
                                                             const Recipe& recipe);

// The starting values of the recipe's starts, in order: each input's edge
// values that its range holds (0, 1, -1, the range's ends, the smallest and
// largest 32-bit numbers), then values drawn from the seed; no two alike.
// Nothing when the ranges do not hold that many different starts.
std::vector<std::vector<std::int32_t>> drawStarts(const Recipe& recipe, unsigned count);

} // namespace mox
