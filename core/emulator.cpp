#include "emulator.h"

#include "instruction_set.h"
#include "text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace mox {

std::string programText(std::string text) {
    // Branch-free, so that the loop vectorises: programs may run to megabytes.
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(u - (static_cast<unsigned char>(u - 'a') < 26u ? 32u : 0u));
    }
    return text;
}

namespace {

std::string describeChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
    case '\n':
        return "a line break";
    case '\r':
        return "a carriage return";
    case '\t':
        return "a tab";
    case ' ':
        return "a space";
    default:
        break;
    }
    if (u >= 0x21 && u < 0x7f)
        return std::string("'") + c + "'";
    char hex[16];
    std::snprintf(hex, sizeof hex, "byte 0x%02x", u);
    return hex;
}

} // namespace

std::string invalidProgramReason(std::string_view text) {
    const auto at = firstNonHexChar(text);
    if (at < 0)
        return {};
    return "invalid program: " + describeChar(text[static_cast<std::size_t>(at)]) +
           " at position " + std::to_string(at) + " (counting from 0) is not a hexadecimal digit";
}

std::string_view modeTitle(ExecutionMode mode) {
    return mode == ExecutionMode::FullExecution ? "MOX77 - Full Execution Mode"
                                                : "MOX77 - Step by Step Mode";
}

std::string nextInstructionLabel(std::string_view word) {
    return std::string("Next Instruction: ").append(word);
}

Emulator::Emulator() {
    cpu.history = &history;
}

namespace {

// Up to four characters of the program from `offset` on: never a byte from
// outside it, so the end of the program shows as a short or empty word.
void fetchWord(Cpu& cpu) {
    cpu.nextInstruction.fill('\0');
    const auto size = static_cast<std::int64_t>(cpu.program.size());
    const std::int64_t at = std::clamp<std::int64_t>(cpu.instructionPointer, 0, size);
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(4, size - at));
    cpu.program.copy(cpu.nextInstruction.data(), n, static_cast<std::size_t>(at));
}

} // namespace

Outcome Emulator::stepInstruction() {
    Outcome outcome;
    if (executionMode == ExecutionMode::FullExecution) {
        outcome.messages.push_back({"Error:\nYou are currently running in Execution mode, please "
                                    "restart in step mode to use the step instruction",
                                    "Error!", Icon::Information});
        return outcome;
    }
    if (!cpu.programLoaded) {
        outcome.messages.push_back(
            {"You cannot step into a corrupt 8XE", "Sorry no can do", Icon::Error});
        return outcome;
    }
    const RunState before = cpu.runState();
    cpu.running = true;
    // Running off the end of the program ends the pass as a halt would.
    if (cpu.nextInstructionText().size() == 4)
        outcome.changes.push_back(
            cpu.execute(cpu.nextInstructionText(), before, cpu.instructionPointer / 4));
    else
        cpu.running = false;

    if (!cpu.running) {
        // "Succesful" and "reseting" are spelt as the toolkit has always spelt them.
        outcome.messages.push_back(
            {"Succesful Execution, reseting instruction pointer to the first instruction",
             ":) all done", Icon::Information});
        cpu.instructionPointer = 0;
    } else {
        cpu.instructionPointer += 4;
    }
    fetchWord(cpu);
    outcome.nextInstruction = nextInstructionLabel(cpu.nextInstructionText());
    return outcome;
}

Outcome Emulator::loadProgram(std::string_view fileText) {
    std::string text = programText(std::string(fileText));
    history.clear();
    if (executionMode == ExecutionMode::FullExecution) {
        Outcome outcome = cpu.runText(text);
        outcome.listing = std::move(text);
        return outcome;
    }
    Outcome outcome;
    cpu.programLoaded = false;
    outcome.controls = ExecutionMode::StepByStep;
    if (!isHexText(text)) {
        outcome.messages.push_back(
            {"Fatal Error:\nInvalid or Corrupt 8XE File", "Error!", Icon::Information});
        outcome.listing = std::move(text);
        return outcome;
    }
    cpu.running = true;
    cpu.program = text;
    cpu.instructionPointer = 0;
    cpu.programLoaded = true;
    outcome.title = ExecutionMode::StepByStep;
    fetchWord(cpu);
    outcome.nextInstruction = nextInstructionLabel(cpu.nextInstructionText());
    outcome.listing = std::move(text);
    return outcome;
}

namespace {

// The field's text arrives as UTF-8; its length is counted in characters, as
// the user sees them.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

} // namespace

Outcome Emulator::executeTypedInstruction(std::string_view typed) {
    Outcome outcome;
    if (characterCount(typed) != 4) {
        outcome.messages.push_back({"Error:\nInstruction length incorrect (Only 4 Hex Characters)",
                                    "Error!", Icon::Error});
        return outcome;
    }
    if (!isHexText(typed)) {
        outcome.messages.push_back(
            {"Error:\nInstruction Not in Correct Format, requires Only hex digits", "Error!",
             Icon::Error});
        return outcome;
    }
    outcome.changes.push_back(cpu.execute(typed));
    return outcome;
}

Change Emulator::setValue(Change::Where where, int index, std::int32_t value) {
    std::int32_t* place = nullptr;
    if (where == Change::Where::Register && index >= 0 && index < int(cpu.registers.size()))
        place = &cpu.registers[static_cast<std::size_t>(index)];
    else if (where == Change::Where::Memory && index >= 0 && index < int(cpu.memory.size()))
        place = &cpu.memory[static_cast<std::size_t>(index)];
    if (!place || *place == value)
        return {};
    const Change change{where, index, *place, value};
    history.record(change, cpu.runState());
    *place = value;
    return change;
}

std::optional<Outcome> Emulator::back() {
    const auto change = history.back(cpu);
    if (!change)
        return std::nullopt;
    Outcome outcome;
    outcome.changes.push_back(*change);
    if (cpu.programLoaded)
        outcome.nextInstruction = nextInstructionLabel(cpu.nextInstructionText());
    return outcome;
}

std::size_t passLength(std::string_view program) {
    const std::size_t words = program.size() / 4;
    for (std::size_t i = 0; i < words; ++i) {
        const Instruction* in = instructionForOpcode(hexDigitValue(program[4 * i]));
        if (in && in->operation == Operation::Stop)
            return i + 1;
    }
    return words;
}

Timeline Emulator::timeline() const {
    Timeline t;
    t.word = executedCount();
    t.available = executionMode == ExecutionMode::StepByStep && cpu.programLoaded;
    if (t.available)
        t.length = std::max(passLength(cpu.program), t.word);
    return t;
}

namespace {

// A move shows as one action: every word's change and message, the next word
// as it ends.
void append(Outcome& moved, Outcome&& part) {
    moved.changes.insert(moved.changes.end(), part.changes.begin(), part.changes.end());
    moved.messages.insert(moved.messages.end(), std::make_move_iterator(part.messages.begin()),
                          std::make_move_iterator(part.messages.end()));
    if (part.nextInstruction)
        moved.nextInstruction = std::move(part.nextInstruction);
}

} // namespace

Outcome Emulator::moveTo(std::size_t word) {
    Outcome moved;
    const Timeline from = timeline();
    if (!from.available)
        return moved;
    // Never past the run's end: a move forward runs through one halt at most,
    // so its box comes once, and going back tells nothing.
    const std::size_t target = std::min(word, from.length);
    // A Step or Back that moves no word (the end of a pass without a halt,
    // words older than the history holds) ends the move where it stands.
    while (executedCount() < target) {
        const std::size_t before = executedCount();
        append(moved, stepInstruction());
        if (executedCount() == before)
            break;
    }
    while (executedCount() > target) {
        auto back = this->back();
        if (!back)
            break;
        append(moved, std::move(*back));
    }
    return moved;
}

std::optional<Cycle> Emulator::nextCycle() const {
    if (executionMode != ExecutionMode::StepByStep || !cpu.programLoaded ||
        cpu.nextInstructionText().size() != 4)
        return std::nullopt;
    return describeCycle(cpu.registers, cpu.memory, cpu.nextInstructionText(),
                         Origin{cpu.instructionPointer / 4});
}

void Emulator::clearMemory() {
    cpu.memory.fill(0);
    history.clear();
}

void Emulator::fillMemory() {
    cpu.memory.fill(255);
    history.clear();
}

void Emulator::reset() {
    cpu.reset();
    history.clear();
}

} // namespace mox
