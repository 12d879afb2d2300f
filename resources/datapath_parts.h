// The parts and buses of datapath.svg that a word's cycle lights, by the ids
// the drawing gives them, and which of them light in each phase. Each part's
// label is the drawing's text element "<id>-value". datapath-portrait.svg,
// the same parts stacked for a narrow screen, carries the same ids. An id
// renamed in a drawing is renamed here; the tests hold the three together.
#pragma once

#include <array>
#include <string_view>

namespace mox::datapath {

struct Part {
    std::string_view id;    // the element that lights
    std::string_view label; // the text element that shows what passes
};

inline constexpr Part program{"program", "program-value"};
inline constexpr Part ip{"ip", "ip-value"};
inline constexpr Part ir{"ir", "ir-value"};
inline constexpr Part decoder{"decoder", "decoder-value"};
inline constexpr Part registers{"registers", "registers-value"};
inline constexpr Part alu{"alu", "alu-value"};
inline constexpr Part memory{"memory", "memory-value"};
inline constexpr Part ipToProgram{"bus-ip-program", "bus-ip-program-value"};
inline constexpr Part programToIr{"bus-program-ir", "bus-program-ir-value"};
inline constexpr Part irToDecoder{"bus-ir-decoder", "bus-ir-decoder-value"};
inline constexpr Part decoderToRegisters{"bus-decoder-registers", "bus-decoder-registers-value"};
inline constexpr Part decoderToAlu{"bus-decoder-alu", "bus-decoder-alu-value"};
inline constexpr Part irToAlu{"bus-ir-alu", "bus-ir-alu-value"};
inline constexpr Part irToMemory{"bus-ir-memory", "bus-ir-memory-value"};
inline constexpr Part registersToAlu{"bus-registers-alu", "bus-registers-alu-value"};
inline constexpr Part aluToRegisters{"bus-alu-registers", "bus-alu-registers-value"};
inline constexpr Part memoryToRegisters{"bus-memory-registers", "bus-memory-registers-value"};
inline constexpr Part registersToMemory{"bus-registers-memory", "bus-registers-memory-value"};

// Every part the drawing must hold.
inline constexpr std::array<Part, 18> parts{program,
                                            ip,
                                            ir,
                                            decoder,
                                            registers,
                                            alu,
                                            memory,
                                            ipToProgram,
                                            programToIr,
                                            irToDecoder,
                                            decoderToRegisters,
                                            decoderToAlu,
                                            irToAlu,
                                            irToMemory,
                                            registersToAlu,
                                            aluToRegisters,
                                            memoryToRegisters,
                                            registersToMemory};

// What lights in each phase, in the order the value travels: each phase
// lights one of its roads, and the extras its word calls for.

// Fetch: a typed word is in the instruction register already; a program's
// word comes from where the instruction pointer points.
inline constexpr std::array fetchTyped{ir};
inline constexpr std::array fetchFromProgram{ip, ipToProgram, program, programToIr, ir};
// Halt's write: the instruction pointer goes back to the first word.
inline constexpr std::array rewind{ip};

// Decode: the opcode goes to the decoder, which selects registers and tells
// the ALU its operation when the word uses them.
inline constexpr std::array decode{ir, irToDecoder, decoder};
inline constexpr std::array decodeSelectsRegisters{decoderToRegisters};
inline constexpr std::array decodeTellsAlu{decoderToAlu};

// Read: a cell by the address in the word, a constant from the word, the
// registers the decoder selected.
inline constexpr std::array readCell{irToMemory, memory};
inline constexpr std::array readConstant{ir, irToAlu};
inline constexpr std::array readRegisters{decoderToRegisters, registers};

// Execute: the ALU on what it was given, or a value passed on directly.
inline constexpr std::array executeAlu{decoderToAlu, alu};
inline constexpr std::array executeConstant{irToAlu};
inline constexpr std::array executeRegisters{registersToAlu};
inline constexpr std::array executeToCell{registersToMemory};
inline constexpr std::array executeToRegister{memoryToRegisters};

// Write: into a cell at the address in the word, or into the register the
// decoder selected.
inline constexpr std::array writeCell{registersToMemory, irToMemory, memory};
inline constexpr std::array writeFromAlu{aluToRegisters, decoderToRegisters, registers};
inline constexpr std::array writeFromCell{memoryToRegisters, decoderToRegisters, registers};

} // namespace mox::datapath
