// Any text typed into the Execute Instruction field, and any four characters
// handed straight to the machine, held against the literal machine.
#include "cycle.h"
#include "emulator.h"
#include "reference.h"

#include <cstdint>
#include <string>

using namespace mox;
using namespace mox::fuzz;

namespace {

const char* ruleText(Rule rule) {
    switch (rule) {
    case Rule::None:
        return "none";
    case Rule::Wrapped:
        return "wrapped";
    case Rule::DivideByZero:
        return "divide by zero";
    case Rule::DivideOverflow:
        return "divide overflow";
    case Rule::RotateByNothing:
        return "rotate by nothing";
    case Rule::Halt:
        return "halt";
    case Rule::NoInstruction:
        return "no instruction";
    }
    return "?";
}

// A word's described cycle against the literal machine and against what the
// machine then reports.
void checkCycle(const Cycle& cycle, const ReferenceCycle& expected, const Change& change,
                std::string_view bytes) {
    check(cycle.change() == change, "the described write is the machine's change", bytes);
    check(ruleText(cycle.rule) == expected.rule, "the described rule", bytes);
    std::vector<std::int32_t> inputs;
    for (const Source& s : cycle.sources)
        inputs.push_back(s.value);
    check(inputs == expected.inputs, "the described sources' values", bytes);
    const char place = cycle.write.where == Change::Where::Register ? 'r'
                       : cycle.write.where == Change::Where::Memory ? 'm'
                                                                    : 'n';
    check(place == expected.place, "the described destination", bytes);
    if (place != 'n')
        check(cycle.write.index == expected.index && cycle.write.before == expected.before &&
                  cycle.write.after == expected.after,
              "the described destination's values", bytes);
    for (const Base base : {Base::Binary, Base::Decimal, Base::Hexadecimal})
        for (const PhaseView& v : showCycle(cycle, base))
            check(!v.line.empty() && !v.sentence.empty(), "every phase is told", bytes);
}

bool hexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The field's text is UTF-8: the user counts characters, not bytes.
std::size_t characters(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Emulator emulator;
    Cpu& cpu = emulator.cpu;
    ReferenceMachine ref;
    constexpr std::int32_t values[] = {-7, 2,  INT32_MIN, -1, 0xF0, 0x3C, 33, 0,
                                       1,  32, INT32_MAX, 5,  -5,   31,   7,  100};
    for (std::size_t i = 0; i < 16; ++i)
        cpu.registers[i] = ref.registers[i] = values[i];
    for (std::size_t i = 0; i < 256; ++i)
        cpu.memory[i] = ref.memory[i] = static_cast<std::int32_t>(0x9E3779B9u * (i + 1));
    cpu.running = ref.running = true;

    const Outcome outcome = emulator.executeTypedInstruction(bytes);
    std::vector<std::string> messages;
    for (const Message& m : outcome.messages)
        messages.push_back(m.text);
    const bool rightLength = characters(bytes) == 4;
    const bool allHex = rightLength && bytes.size() == 4 && hexDigit(bytes[0]) &&
                        hexDigit(bytes[1]) && hexDigit(bytes[2]) && hexDigit(bytes[3]);
    if (!rightLength) {
        check(messages ==
                  std::vector<std::string>{
                      "Error:\nInstruction length incorrect (Only 4 Hex Characters)"},
              "the length message for a wrong length", bytes);
    } else if (!allHex) {
        check(messages ==
                  std::vector<std::string>{
                      "Error:\nInstruction Not in Correct Format, requires Only hex digits"},
              "the format message for a non-hex word", bytes);
    } else {
        ref.execute(bytes);
        check(messages.empty(), "a good word runs without a message", bytes);
    }
    check(outcome.changes.size() == (allHex ? 1u : 0u), "only a good word runs, once", bytes);
    check(cpu.registers == ref.registers && cpu.memory == ref.memory && cpu.running == ref.running,
          "typed word matches the model", bytes);
    check(!cpu.programLoaded && cpu.instructionPointer == 0, "a typed word leaves stepping alone",
          bytes);

    // The interpreter itself, on any four bytes: the characters an opcode
    // reads decide; a stray character there makes the word do nothing.
    if (bytes.size() >= 4) {
        const std::string_view word = bytes.substr(0, 4);
        const Cycle cycle = describeCycle(cpu.registers, cpu.memory, word, Origin{});
        const ReferenceCycle expected = referenceCycle(ref, word);
        const Change change = cpu.execute(word);
        ref.execute(word);
        checkCycle(cycle, expected, change, bytes);
        check(cpu.registers == ref.registers && cpu.memory == ref.memory &&
                  cpu.running == ref.running,
              "execute matches the model", bytes);
    }
    return 0;
}
