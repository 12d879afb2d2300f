// One source line through the encoder, held against the literal model and
// the disassembler.
#include "disassemble.h"
#include "encoder.h"
#include "instruction_set.h"
#include "reference.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace mox;
using namespace mox::fuzz;

namespace {

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

void checkWord(std::string_view word, std::string_view line) {
    check(word.size() == 4, "a word has four characters", line);
    for (char c : word)
        check(isLowerHex(c), "a word is lower-case hexadecimal digits", line);
    const int opcode = word[0] <= '9' ? word[0] - '0' : word[0] - 'a' + 10;
    const Instruction* m = instructionForOpcode(opcode);
    check(m != nullptr, "a word starts with an opcode of the table", line);
    check(opcodeOf(line) == opcode, "the word's opcode is the line's first mnemonic", line);
    switch (m->operands) {
    case OperandClass::TwoRegisters:
        check(word[1] == '0', "a two-register word has 0 in place 2", line);
        break;
    case OperandClass::OneRegister:
        check(word.substr(1, 2) == "00", "a one-register word has 00 in places 2 and 3", line);
        break;
    case OperandClass::None:
        check(word == "f000", "halt is f000", line);
        break;
    case OperandClass::RegisterValue:
        break;
    }
    // The disassembler's line must assemble back to the same word.
    const std::string source = disassemble(word);
    const LineResult again = assembleLine(source);
    check(again.kind == LineResult::Kind::Word && again.wordText() == word,
          "disassembled word assembles back: " + source, line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    // The encoder is only ever given the text between two line feeds.
    line = line.substr(0, line.find('\n'));

    const LineResult r = assembleLine(line);
    const std::string got = describe(r);
    const std::string want = referenceLine(line);
    check(got == want, "encoder gave '" + got + "', the model '" + want + "'", line);
    if (r.kind == LineResult::Kind::Word)
        checkWord(r.wordText(), line);
    if (r.kind == LineResult::Kind::Error)
        check((r.message == " invalid instruction") == (opcodeOf(line) == 0),
              "only a line without a mnemonic is an invalid instruction", line);
    return 0;
}
