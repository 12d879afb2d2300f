// The machine's whole state as one value, for tests and fuzz targets that
// hold a restored machine to an earlier one field by field.
#pragma once

#include "cpu.h"

#include <array>
#include <cstdint>
#include <string>

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

} // namespace mox
