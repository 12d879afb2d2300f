// The instruction set in one place: the assembler encodes from it, the
// disassembler and the machine decode with it, the editor colours and
// explains with it, and the tests walk it. Adding an instruction means one
// row here and its case in Cpu::step.
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

// The word's operand digits run from this position to its end: a word of
// the class reads no others.
constexpr int firstOperandDigit(OperandClass operands) {
    return operands == OperandClass::RegisterValue  ? 1
           : operands == OperandClass::TwoRegisters ? 2
           : operands == OperandClass::OneRegister  ? 3
                                                    : 4;
}

// Where an instruction puts its result.
enum class Destination { Nothing, Register, Memory };

// What the word does with the values it reads, as the datapath view and
// emurun --explain tell it.
enum class Operation {
    Copy, // the value passes unchanged
    Add,
    Subtract,
    Multiply,
    Divide,
    Increment,
    Decrement,
    Or,
    Xor,
    And,
    Rotate,
    Stop,
};

// The texts share one notation: reg is the register the word names first (its
// digit r in the word), src the second one (digit s), nn a value or cell
// address of two hexadecimal digits, memory[nn] the cell at nn.
struct Instruction {
    std::string_view mnemonic;
    int opcode; // 1 to 15; 0 is never written
    OperandClass operands;
    std::string_view form;   // the source line, e.g. "load reg, nn"
    std::string_view word;   // the instruction word, e.g. "2rnn"
    std::string_view effect; // what a run does, e.g. "reg = nn"
    std::string_view reads;  // what the effect reads, "" for nothing
    Destination writes;      // reg or memory[nn]
    Operation operation;
    std::string_view symbol; // the operation in a formula: "+", "XOR", "copy"
    std::string_view spoken; // the word read aloud: "reg plus src"
    std::string_view done;   // what the ALU (or, for a cell, the machine) does
};

// In search order: a line is taken as the first mnemonic here that occurs
// anywhere in it, so loadm must precede load, and store and xor precede or.
inline constexpr std::array<Instruction, 15> instructionTable{{
    {"loadm", 0x1, OperandClass::RegisterValue, "loadm reg, nn", "1rnn", "reg = memory[nn]",
     "memory[nn]", Destination::Register, Operation::Copy, "copy", "memory[nn] into reg",
     "copies memory[nn] as it is"},
    {"load", 0x2, OperandClass::RegisterValue, "load reg, nn", "2rnn", "reg = nn", "nn",
     Destination::Register, Operation::Copy, "copy", "the constant nn into reg",
     "passes nn through"},
    {"store", 0x3, OperandClass::RegisterValue, "store reg, nn", "3rnn", "memory[nn] = reg", "reg",
     Destination::Memory, Operation::Copy, "copy", "reg into memory[nn]", "copies reg as it is"},
    {"mov", 0x4, OperandClass::TwoRegisters, "mov reg, src", "40rs", "reg = src", "src",
     Destination::Register, Operation::Copy, "copy", "src into reg", "passes src through"},
    {"add", 0x5, OperandClass::TwoRegisters, "add reg, src", "50rs",
     "reg = reg + src, wrapping at 32 bits", "reg, src", Destination::Register, Operation::Add, "+",
     "reg plus src", "adds reg and src"},
    {"sub", 0x6, OperandClass::TwoRegisters, "sub reg, src", "60rs",
     "reg = reg - src, wrapping at 32 bits", "reg, src", Destination::Register, Operation::Subtract,
     "-", "reg minus src", "subtracts src from reg"},
    {"mul", 0x7, OperandClass::TwoRegisters, "mul reg, src", "70rs",
     "reg = reg * src, the low 32 bits", "reg, src", Destination::Register, Operation::Multiply,
     "x", "reg times src", "multiplies reg by src"},
    {"div", 0x8, OperandClass::TwoRegisters, "div reg, src", "80rs",
     "reg = reg / src, toward zero; src 0 leaves reg", "reg, src", Destination::Register,
     Operation::Divide, "/", "reg divided by src", "divides reg by src"},
    {"inc", 0x9, OperandClass::OneRegister, "inc reg", "900r", "reg = reg + 1", "reg",
     Destination::Register, Operation::Increment, "+1", "reg plus 1", "adds 1 to reg"},
    {"dec", 0xa, OperandClass::OneRegister, "dec reg", "a00r", "reg = reg - 1", "reg",
     Destination::Register, Operation::Decrement, "-1", "reg minus 1", "subtracts 1 from reg"},
    {"xor", 0xc, OperandClass::TwoRegisters, "xor reg, src", "c0rs", "reg = reg XOR src",
     "reg, src", Destination::Register, Operation::Xor, "XOR", "reg XOR src", "XORs reg with src"},
    {"or", 0xb, OperandClass::TwoRegisters, "or reg, src", "b0rs", "reg = reg OR src", "reg, src",
     Destination::Register, Operation::Or, "OR", "reg OR src", "ORs reg with src"},
    {"and", 0xd, OperandClass::TwoRegisters, "and reg, src", "d0rs", "reg = reg AND src",
     "reg, src", Destination::Register, Operation::And, "AND", "reg AND src", "ANDs reg with src"},
    {"rotate", 0xe, OperandClass::TwoRegisters, "rotate reg, src", "e0rs",
     "reg = reg rotated left by src bits; src 0 or less leaves reg", "reg, src",
     Destination::Register, Operation::Rotate, "rotate", "reg rotated left by src",
     "rotates reg left by src bits"},
    {"halt", 0xf, OperandClass::None, "halt", "f000", "stop the run", "", Destination::Nothing,
     Operation::Stop, "stop", "stop the run", "stops the run"},
}};

// Register n is named registerNames[n]: ax is 0, px is 15.
inline constexpr std::array<std::string_view, 16> registerNames{
    "ax", "bx", "cx", "dx", "ex", "fx", "gx", "hx", "ix", "jx", "kx", "lx", "mx", "nx", "ox", "px",
};

// The table row of an opcode digit's value, or nullptr for 0 and anything
// outside 1 to 15.
constexpr const Instruction* instructionForOpcode(int opcode) {
    for (const Instruction& in : instructionTable)
        if (in.opcode == opcode)
            return &in;
    return nullptr;
}

} // namespace mox
