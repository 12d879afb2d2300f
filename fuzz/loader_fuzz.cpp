// Any bytes as a .8xe file through loading, validation, a full run and
// stepping, held against the literal machine.
#include "emulator.h"
#include "files.h"
#include "reference.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace mox;
using namespace mox::fuzz;

namespace {

bool allHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

std::vector<std::string> texts(const Outcome& outcome) {
    std::vector<std::string> out;
    for (const Message& m : outcome.messages)
        out.push_back(m.text);
    return out;
}

bool sameMachine(const Cpu& cpu, const ReferenceMachine& ref) {
    return cpu.registers == ref.registers && cpu.memory == ref.memory && cpu.running == ref.running;
}

// Registers and cells that make arithmetic interesting from the first word.
void seed(Cpu& cpu, ReferenceMachine& ref) {
    constexpr std::int32_t values[] = {0,         1,         -1,   2,    -7, 31, 32,  33,
                                       INT32_MIN, INT32_MAX, 0xF0, 0x3C, -5, 3,  255, 16};
    for (std::size_t i = 0; i < 16; ++i)
        cpu.registers[i] = ref.registers[i] = values[i];
    for (std::size_t i = 0; i < 256; ++i)
        cpu.memory[i] = ref.memory[i] = static_cast<std::int32_t>(i * 0x01010101u);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = scratchDir() + "/prog.8xe";
    writeBytes(path, bytes);

    std::string text = referenceTextMode(bytes);
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const bool valid = allHex(text);

    // Read as the desktop reads a chosen file.
    const std::string fileText = readTextFile(path).value_or("\x01unreadable");
    Emulator emulator;
    Cpu& cpu = emulator.cpu;
    ReferenceMachine ref;
    seed(cpu, ref);

    // Full execution: every complete word up to the first halt, never more
    // than L / 4 of them; an invalid text changes nothing.
    emulator.executionMode = ExecutionMode::FullExecution;
    Outcome outcome = emulator.loadProgram(fileText);
    check(outcome.listing == text, "the listing shows the upper-cased text", bytes);
    check(outcome.title == ExecutionMode::FullExecution, "full execution title", bytes);
    if (valid) {
        ref.running = true;
        std::size_t executed = 0;
        for (std::size_t at = 0; at + 4 <= text.size() && ref.running; at += 4, ++executed)
            ref.execute(std::string_view(text).substr(at, 4));
        check(outcome.changes.size() == executed, "one change per executed word", bytes);
        check(executed <= text.size() / 4, "at most L / 4 words", bytes);
        check(texts(outcome) == std::vector<std::string>{"Execution Complete!. . Successful Run!"},
              "a run ends with the success message", bytes);
    } else {
        check(outcome.changes.empty(), "an invalid text runs nothing", bytes);
        check(texts(outcome) == std::vector<std::string>{"Error:\nThere 8xe file is courpt!"},
              "an invalid text is reported as corrupt", bytes);
    }
    check(sameMachine(cpu, ref), "full run matches the model", bytes);

    // Step by step on what the run left: each Step one word, a halt or the
    // end of the program rewinds, and nothing is read outside the program.
    emulator.executionMode = ExecutionMode::StepByStep;
    outcome = emulator.loadProgram(fileText);
    if (!valid) {
        check(!cpu.programLoaded, "an invalid text is not loaded for stepping", bytes);
        check(texts(outcome) ==
                  std::vector<std::string>{"Fatal Error:\nInvalid or Corrupt 8XE File"},
              "an invalid step load is reported", bytes);
        check(texts(emulator.stepInstruction()) ==
                  std::vector<std::string>{"You cannot step into a corrupt 8XE"},
              "no step into it", bytes);
        check(sameMachine(cpu, ref), "an invalid step load changes nothing", bytes);
        return 0;
    }
    check(cpu.programLoaded && cpu.program == text && cpu.instructionPointer == 0, "step load",
          bytes);
    check(outcome.changes.empty() && outcome.messages.empty(), "a step load executes nothing",
          bytes);
    ref.running = true;
    const std::size_t steps = std::min<std::size_t>(text.size() / 4 + 2, 300);
    std::size_t at = 0;
    for (std::size_t k = 0; k < steps; ++k) {
        const std::string_view expectWord =
            std::string_view(text).substr(std::min(at, text.size()), 4);
        check(cpu.nextInstructionText() == expectWord, "the next word is the program's", bytes);
        check(outcome.nextInstruction == "Next Instruction: " + std::string(expectWord),
              "the label shows the next word", bytes);
        outcome = emulator.stepInstruction();
        ref.running = true;
        if (expectWord.size() == 4)
            ref.execute(expectWord);
        else
            ref.running = false;
        const bool rewound = !ref.running;
        at = rewound ? 0 : at + 4;
        check(sameMachine(cpu, ref), "a step matches the model", bytes);
        check(cpu.instructionPointer == static_cast<std::int32_t>(at),
              "the pointer moves by a word", bytes);
        check(outcome.messages.size() == (rewound ? 1u : 0u),
              "a message exactly when the pass ends", bytes);
    }
    return 0;
}
