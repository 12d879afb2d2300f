// Any mix of loads, steps, typed words, full runs and backs: every back puts
// the whole machine exactly where it was before the word it takes back.
#include "../tests/machine_snapshot.h"
#include "emulator.h"
#include "reference.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace mox;
using namespace mox::fuzz;

namespace {

using Snapshot = MachineSnapshot;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Emulator emulator;
    std::vector<Snapshot> befores;
    const auto ran = [&befores](const Snapshot& start, const Outcome& outcome) {
        for (Snapshot& s : statesBefore(start, outcome))
            befores.push_back(std::move(s));
    };

    // Each action is a byte, then what it needs: a length byte and a text.
    const auto take = [&bytes](std::size_t n) {
        const std::string_view piece = bytes.substr(0, std::min(n, bytes.size()));
        bytes.remove_prefix(piece.size());
        return piece;
    };
    while (!bytes.empty()) {
        const auto action = static_cast<unsigned char>(take(1)[0]) % 6;
        const Snapshot start = snapshot(emulator.cpu);
        switch (action) {
        case 0: { // a load in either mode, which ends the history
            const std::string_view length = take(1);
            emulator.executionMode = length.empty() || (length[0] & 1)
                                         ? ExecutionMode::StepByStep
                                         : ExecutionMode::FullExecution;
            const Outcome outcome = emulator.loadProgram(
                take(length.empty() ? 0 : static_cast<unsigned char>(length[0])));
            befores.clear();
            ran(start, outcome);
            continue;
        }
        case 1:
            emulator.executionMode = ExecutionMode::StepByStep;
            ran(start, emulator.stepInstruction());
            break;
        case 2:
            ran(start, emulator.executeTypedInstruction(take(4)));
            break;
        case 3: {
            const std::string_view length = take(1);
            ran(start,
                emulator.runText(take(length.empty() ? 0 : static_cast<unsigned char>(length[0]))));
            break;
        }
        case 4: {
            const bool went = emulator.back().has_value();
            check(went == !befores.empty(), "back goes back exactly while words are left", bytes);
            if (went) {
                check(snapshot(emulator.cpu) == befores.back(), "back restores the state", bytes);
                befores.pop_back();
            }
            continue;
        }
        default:
            (bytes.size() & 1) ? emulator.clearMemory() : emulator.fillMemory();
            befores.clear();
            continue;
        }
        check(emulator.executedCount() == befores.size(), "every executed word is counted", bytes);
    }
    return 0;
}
