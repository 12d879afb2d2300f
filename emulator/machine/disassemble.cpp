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
    std::string out(m->mnemonic);
    switch (m->operands) {
    case OperandClass::RegisterValue:
        if (!isHexText(word.substr(1, 3)))
            return "(invalid)";
        out.append(" ").append(registerName(word[1])).append(", ");
        out.push_back(lowerChar(word[2]));
        out.push_back(lowerChar(word[3]));
        break;
    case OperandClass::TwoRegisters:
        if (!isHexText(word.substr(2, 2)))
            return "(invalid)";
        out.append(" ").append(registerName(word[2])).append(", ").append(registerName(word[3]));
        break;
    case OperandClass::OneRegister:
        if (!isHexDigit(word[3]))
            return "(invalid)";
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
