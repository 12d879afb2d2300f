#include "cpu.h"

#include "instruction_set.h"
#include "text.h"

#include <algorithm>

namespace mox {

namespace {

// Digit values by character, -1 for anything else: the one decoder of
// instruction words.
constexpr std::array<std::int8_t, 256> makeDigitTable() {
    std::array<std::int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
        t[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
        t[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return t;
}
constexpr auto digitTable = makeDigitTable();

int digitOf(char c) {
    return digitTable[static_cast<unsigned char>(c)];
}

std::int32_t wrap(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}
std::uint32_t bits(std::int32_t v) {
    return static_cast<std::uint32_t>(v);
}

// Truncates toward zero. A zero divisor leaves the dividend, and the one
// quotient that does not fit (INT32_MIN / -1) wraps back to INT32_MIN, so
// the machine never traps.
std::int32_t divide(std::int32_t a, std::int32_t b) {
    if (b == 0)
        return a;
    if (b == -1)
        return wrap(0u - bits(a));
    return a / b;
}

// A count of 0 or less leaves the value as it is, as does a multiple of 32.
std::uint32_t rotateLeft(std::uint32_t value, std::int32_t count) {
    const unsigned n = count > 0 ? bits(count) % 32u : 0u;
    return n == 0 ? value : (value << n) | (value >> (32u - n));
}

// Writes a register or a cell and says what changed.
template <std::size_t N>
Change put(std::array<std::int32_t, N>& place, Change::Where where, unsigned index,
           std::int32_t value) {
    const std::int32_t before = place[index];
    place[index] = value;
    if (before == value)
        return {};
    return {where, static_cast<int>(index), before, value};
}

// Whether every place the opcode reads holds a digit; the others may hold
// anything.
bool readsOnlyDigits(const char* word) {
    const Instruction* in = instructionForOpcode(digitOf(word[0]));
    if (!in)
        return false;
    for (int at = firstOperandDigit(in->operands); at < 4; ++at)
        if (digitOf(word[at]) < 0)
            return false;
    return true;
}

} // namespace

void Cpu::reset() {
    memory.fill(0);
    registers.fill(0);
    running = false;
    programLoaded = false;
    instructionPointer = 0;
    program.clear();
    nextInstruction.fill('\0');
}

Change Cpu::execute(std::string_view word) {
    return execute(word, runState());
}

Change Cpu::execute(std::string_view word, const RunState& before, std::int32_t position) {
    const Change change = word.size() >= 4 ? step(word.data()) : Change{};
    if (history)
        history->record(change, before, word, position);
    return change;
}

Change Cpu::step(const char* word) {
    const int opcode = digitOf(word[0]);
    int r2 = digitOf(word[1]);
    int r3 = digitOf(word[2]);
    int r4 = digitOf(word[3]);
    if ((opcode | r2 | r3 | r4) < 0) {
        // Callers validate their texts; a stray character where the opcode
        // reads a digit must still never index outside the machine, so such a
        // word does nothing.
        if (!readsOnlyDigits(word))
            return {};
        r2 = std::max(r2, 0);
        r3 = std::max(r3, 0);
        r4 = std::max(r4, 0);
    }
    const auto setRegister = [this](int r, std::uint32_t value) {
        return put(registers, Change::Where::Register, static_cast<unsigned>(r), wrap(value));
    };
    // r2, r3 and r4 are the word's digits after the opcode; nn reads the last
    // two as one byte, x3 and x4 are the registers that the last two name.
    const auto nn = static_cast<unsigned>(r3 * 16 + r4);
    const std::uint32_t x3 = bits(registers[static_cast<unsigned>(r3)]);
    const std::uint32_t x4 = bits(registers[static_cast<unsigned>(r4)]);
    switch (opcode) {
    case 0x1: // loadm
        return setRegister(r2, bits(memory[nn]));
    case 0x2: // load
        return setRegister(r2, nn);
    case 0x3: // store
        return put(memory, Change::Where::Memory, nn, registers[static_cast<unsigned>(r2)]);
    case 0x4: // mov
        return setRegister(r3, x4);
    case 0x5: // add
        return setRegister(r3, x3 + x4);
    case 0x6: // sub
        return setRegister(r3, x3 - x4);
    case 0x7: // mul
        return setRegister(r3, x3 * x4);
    case 0x8: // div
        return setRegister(r3, bits(divide(wrap(x3), wrap(x4))));
    case 0x9: // inc
        return setRegister(r4, x4 + 1u);
    case 0xa: // dec
        return setRegister(r4, x4 - 1u);
    case 0xb: // or
        return setRegister(r3, x3 | x4);
    case 0xc: // xor
        return setRegister(r3, x3 ^ x4);
    case 0xd: // and
        return setRegister(r3, x3 & x4);
    case 0xe: // rotate
        return setRegister(r3, rotateLeft(x3, wrap(x4)));
    case 0xf: // halt
        running = false;
        return {};
    default: // 0 does nothing
        return {};
    }
}

Outcome Cpu::runText(std::string_view text) {
    Outcome outcome;
    outcome.controls = ExecutionMode::FullExecution;
    outcome.title = ExecutionMode::FullExecution;
    if (firstNonHexChar(text) >= 0) {
        // The spelling, and the information icon, are the toolkit's own.
        outcome.messages.push_back(
            {"Error:\nThere 8xe file is courpt!", "Error!", Icon::Information});
        return outcome;
    }
    RunState before = runState();
    running = true;
    // No jumps: one pass over the complete words; a last word of one to
    // three characters is never executed.
    const std::size_t words = text.size() / 4;
    outcome.changes.reserve(std::min<std::size_t>(words, std::size_t{1} << 20));
    while (outcome.changes.size() < words && running) {
        const std::size_t at = outcome.changes.size();
        outcome.changes.push_back(
            execute(text.substr(4 * at, 4), before, static_cast<std::int32_t>(at)));
        before.running = true;
    }
    outcome.messages.push_back(
        {"Execution Complete!. . Successful Run!", "Success!", Icon::Information});
    return outcome;
}

std::int64_t firstNonHexChar(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (digitOf(text[i]) < 0)
            return static_cast<std::int64_t>(i);
    return -1;
}

RunState Cpu::runState() const {
    RunState state{instructionPointer, {}, running, programLoaded};
    std::copy_n(nextInstruction.begin(), 4, state.nextInstruction.begin());
    return state;
}

std::string_view Cpu::nextInstructionText() const {
    return cutAtZero(std::string_view(nextInstruction.data(), nextInstruction.size()));
}

} // namespace mox
