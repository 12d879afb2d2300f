#include "disassemble.h"

#include "instruction_set.h"
#include "text.h"

namespace mox {

namespace {

std::string_view registerName(char digit) {
    return registerNames[static_cast<std::size_t>(hexDigitValue(digit))];
}

} // namespace

std::string disassemble(std::string_view word) {
    if (word.size() < 4 || !isHexDigit(word[0]))
        return "(invalid)";
    const Instruction* m = instructionForOpcode(hexDigitValue(word[0]));
    if (!m)
        return "(none)";
    const auto first = static_cast<std::size_t>(firstOperandDigit(m->operands));
    if (!isHexText(word.substr(first, 4 - first)))
        return "(invalid)";
    std::string out(m->mnemonic);
    switch (m->operands) {
    case OperandClass::RegisterValue:
        out.append(" ").append(registerName(word[1])).append(", ");
        out.push_back(lowerChar(word[2]));
        out.push_back(lowerChar(word[3]));
        break;
    case OperandClass::TwoRegisters:
        out.append(" ").append(registerName(word[2])).append(", ").append(registerName(word[3]));
        break;
    case OperandClass::OneRegister:
        out.append(" ").append(registerName(word[3]));
        break;
    case OperandClass::None:
        break;
    }
    return out;
}

std::string describeWord(std::string_view word) {
    return std::string(word).append("  ").append(disassemble(word));
}

} // namespace mox
