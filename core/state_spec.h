// A machine state in part, as a course writes it in a JSON file: the values
// a run must leave behind, or the values a run starts from.
#pragma once

#include "cpu.h"
#include "format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mox {

// Only what a file names is set or compared.
struct StateSpec {
    std::array<std::optional<std::int32_t>, 16> registers;
    std::array<std::optional<std::int32_t>, 256> memory;
    std::optional<bool> running;
    std::optional<std::uint64_t> executed;
};

// A starting state sets registers and cells only.
enum class StateUse { Expected, Starting };

// Why a text is no state file. place is "line 3, column 12" for a text that
// is no JSON, else the field, as in "registers.qx".
struct StateError {
    std::string place;
    std::string reason;
};

std::variant<StateSpec, StateError> parseStateSpec(std::string_view json, StateUse use);

// Sets the registers and cells the state names.
void applyState(const StateSpec& state, Cpu& cpu);

// One line per difference between the expected state and the machine after
// a run of `executed` words, numbers in the view mode's radix:
// "executed: expected 12, got 11", "running: expected false, got true",
// "ax: expected ff, got fe", "[10]: expected 5, got 0". None when all match.
std::vector<std::string> stateMismatches(const StateSpec& expected, const Cpu& cpu,
                                         std::size_t executed, Base base);

// A cell's name as reports write it: "[10]" in the view mode's radix.
std::string cellName(std::size_t address, Base base);

} // namespace mox
