// Any bytes as a course's state file: never a crash, a starting state is
// also a valid expected one, and a machine given a state matches it.
#include "format.h"
#include "reference.h"
#include "state_spec.h"

#include <cstdint>
#include <string>
#include <variant>

using namespace mox;
using namespace mox::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto expected = parseStateSpec(text, StateUse::Expected);
    const auto starting = parseStateSpec(text, StateUse::Starting);
    if (const auto* error = std::get_if<StateError>(&expected)) {
        check(!error->place.empty() && !error->reason.empty(), "an error has a place and a reason",
              text);
        check(std::holds_alternative<StateError>(starting),
              "no starting state without an expected one", text);
        return 0;
    }
    const StateSpec& state = std::get<StateSpec>(expected);
    Cpu cpu;
    applyState(state, cpu);
    // Only the fields a starting state can hold, so the run's own ones match.
    StateSpec values = state;
    values.running.reset();
    values.executed.reset();
    for (const Base base : {Base::Binary, Base::Decimal, Base::Hexadecimal})
        check(stateMismatches(values, cpu, 0, base).empty(), "a given state matches itself", text);
    if (const auto* start = std::get_if<StateSpec>(&starting))
        check(start->registers == state.registers && start->memory == state.memory,
              "a starting state reads as the expected one does", text);
    return 0;
}
