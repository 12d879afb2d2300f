// The instruction set in one place: the assembler encodes from it, the
// disassembler decodes with it and the tests walk it.
#pragma once

#include <array>
#include <string_view>

namespace mox {

// What follows the mnemonic in the source, and so how the word is laid out.
enum class OperandClass {
    RegisterValue, // opcode, register, two value digits
    TwoRegisters,  // opcode, 0, first register, second register
    OneRegister,   // opcode, 0, 0, register
    None,          // opcode, 0, 0, 0
};

struct Mnemonic {
    std::string_view name;
    int opcode; // 1 to 15; 0 is never written
    OperandClass operands;
};

// In search order: a line is taken as the first mnemonic here that occurs
// anywhere in it, so loadm must precede load, and store and xor precede or.
inline constexpr std::array<Mnemonic, 15> mnemonicTable{{
    {"loadm", 0x1, OperandClass::RegisterValue},
    {"load", 0x2, OperandClass::RegisterValue},
    {"store", 0x3, OperandClass::RegisterValue},
    {"mov", 0x4, OperandClass::TwoRegisters},
    {"add", 0x5, OperandClass::TwoRegisters},
    {"sub", 0x6, OperandClass::TwoRegisters},
    {"mul", 0x7, OperandClass::TwoRegisters},
    {"div", 0x8, OperandClass::TwoRegisters},
    {"inc", 0x9, OperandClass::OneRegister},
    {"dec", 0xa, OperandClass::OneRegister},
    {"xor", 0xc, OperandClass::TwoRegisters},
    {"or", 0xb, OperandClass::TwoRegisters},
    {"and", 0xd, OperandClass::TwoRegisters},
    {"rotate", 0xe, OperandClass::TwoRegisters},
    {"halt", 0xf, OperandClass::None},
}};

// Register n is named registerNames[n]: ax is 0, px is 15.
inline constexpr std::array<std::string_view, 16> registerNames{
    "ax", "bx", "cx", "dx", "ex", "fx", "gx", "hx", "ix", "jx", "kx", "lx", "mx", "nx", "ox", "px",
};

// The table row of an opcode digit's value, or nullptr for 0 and anything
// outside 1 to 15.
constexpr const Mnemonic* mnemonicForOpcode(int opcode) {
    for (const Mnemonic& m : mnemonicTable)
        if (m.opcode == opcode)
            return &m;
    return nullptr;
}

} // namespace mox
