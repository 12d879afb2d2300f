// The machine's whole state as one value, for tests and fuzz targets that
// hold a restored machine to an earlier one field by field.
#pragma once

#include "cpu.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mox {

struct MachineSnapshot {
    std::array<std::int32_t, 256> memory;
    std::array<std::int32_t, 16> registers;
    bool running, programLoaded;
    std::int32_t instructionPointer;
    std::string program, nextInstruction;
    bool operator==(const MachineSnapshot&) const = default;
};

inline MachineSnapshot snapshot(const Cpu& cpu) {
    return {cpu.memory,
            cpu.registers,
            cpu.running,
            cpu.programLoaded,
            cpu.instructionPointer,
            cpu.program,
            std::string(cpu.nextInstructionText())};
}

// The machine before each word an action executed from `start`, one per
// entry of its changes: each word leaves its change, and a run goes on
// running once its first word is done.
inline std::vector<MachineSnapshot> statesBefore(MachineSnapshot start, const Outcome& outcome) {
    std::vector<MachineSnapshot> states;
    for (const Change& c : outcome.changes) {
        states.push_back(start);
        if (c.where == Change::Where::Register)
            start.registers[static_cast<std::size_t>(c.index)] = c.after;
        else if (c.where == Change::Where::Memory)
            start.memory[static_cast<std::size_t>(c.index)] = c.after;
        start.running = true;
    }
    return states;
}

} // namespace mox
