#include "cpu.h"

#include "display.h"
#include "emulator.h"
#include "text.h"

namespace mox {

namespace {

// Digit values by character, -1 for anything else; a table keeps execute()
// free of branches on the character class.
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

std::int32_t rotateLeft(std::int32_t value, std::int32_t count) {
    if (count <= 0)
        return value;
    const unsigned n = static_cast<unsigned>(count) % 32u;
    if (n == 0)
        return value;
    const std::uint32_t v = bits(value);
    return wrap((v << n) | (v >> (32u - n)));
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

void Cpu::execute(std::string_view word) {
    const int opcode = word.size() >= 4 ? digitOf(word[0]) : -1;
    if (opcode > 0) {
        const int r2 = digitOf(word[1]);
        const int r3 = digitOf(word[2]);
        const int r4 = digitOf(word[3]);
        // Callers validate their texts; a stray character in a place the
        // opcode reads must still never index outside the machine, so such a
        // word does nothing. Places the opcode ignores may hold anything.
        const int reads = opcode <= 0x3                    ? r2 | r3 | r4
                          : opcode == 0xf                  ? 0
                          : opcode == 0x9 || opcode == 0xa ? r4
                                                           : r3 | r4;
        if (reads >= 0)
            apply(opcode, r2, r3, r4);
    }
    if (display)
        display->refreshDisplays();
}

void Cpu::apply(int opcode, int r2, int r3, int r4) {
    const auto address = static_cast<std::size_t>(r3 * 16 + r4);
    std::int32_t& a = registers[static_cast<std::size_t>(r3)];
    const std::int32_t b = registers[static_cast<std::size_t>(r4)];
    switch (opcode) {
    case 0x1:
        registers[static_cast<std::size_t>(r2)] = memory[address];
        break;
    case 0x2:
        registers[static_cast<std::size_t>(r2)] = static_cast<std::int32_t>(address);
        break;
    case 0x3:
        memory[address] = registers[static_cast<std::size_t>(r2)];
        break;
    case 0x4:
        a = b;
        break;
    case 0x5:
        a = wrap(bits(a) + bits(b));
        break;
    case 0x6:
        a = wrap(bits(a) - bits(b));
        break;
    case 0x7:
        a = wrap(bits(a) * bits(b));
        break;
    case 0x8:
        a = divide(a, b);
        break;
    case 0x9:
        registers[static_cast<std::size_t>(r4)] = wrap(bits(b) + 1u);
        break;
    case 0xa:
        registers[static_cast<std::size_t>(r4)] = wrap(bits(b) - 1u);
        break;
    case 0xb:
        a = wrap(bits(a) | bits(b));
        break;
    case 0xc:
        a = wrap(bits(a) ^ bits(b));
        break;
    case 0xd:
        a = wrap(bits(a) & bits(b));
        break;
    case 0xe:
        a = rotateLeft(a, b);
        break;
    case 0xf:
        running = false;
        break;
    default:
        break;
    }
}

void Cpu::runText(std::string_view text) {
    if (display) {
        showModeControls(*display, FullExecution);
        display->setExecutionTitle("MOX77 - Full Execution Mode");
    }
    if (!isHexText(text)) {
        if (display)
            display->showMessage("Error:\nThere 8xe file is courpt!", "Error!", Icon::Information,
                                 std::nullopt);
        return;
    }
    running = true;
    // No jumps: one pass over the complete words; a last word of one to
    // three characters is never executed.
    const std::size_t words = text.size() / 4;
    for (std::size_t k = 0; k < words; ++k) {
        execute(text.substr(k * 4, 4));
        if (!running)
            break;
    }
    if (display)
        display->showMessage("Execution Complete!. . Successful Run!", "Success!",
                             Icon::Information, std::nullopt);
}

std::string_view Cpu::nextInstructionText() const {
    return cutAtZero(std::string_view(nextInstruction.data(), nextInstruction.size()));
}

} // namespace mox
