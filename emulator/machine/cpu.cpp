#include "cpu.h"

#include "display.h"
#include "emulator.h"
#include "text.h"

#include <algorithm>

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

using Registers = std::array<std::int32_t, 16>;
using Memory = std::array<std::int32_t, 256>;

// All ones when the condition holds, else zero. Masks rather than ?: keep the
// compiler from turning choices back into jumps.
std::uint32_t maskOf(bool condition) {
    return 0u - static_cast<std::uint32_t>(condition);
}

// Carries out every opcode but halt, whose only effect the caller handles.
// Every result is computed and the opcode picks one from a table: programs
// mix opcodes freely, and a switch whose jumps the processor cannot predict
// runs about twice as slow. Opcodes that write no register write the
// character-3 register back unchanged. The digits must all be 0 to 15.
inline void applyWord(Registers& registers, Memory& memory, unsigned opcode, unsigned r2,
                      unsigned r3, unsigned r4) {
    const unsigned address = r3 * 16u + r4;
    const std::int32_t a = registers[r3];
    const std::int32_t b = registers[r4];
    const std::int32_t source = registers[r2];
    const std::int32_t cell = memory[address];
    const std::uint32_t ua = bits(a);
    const std::uint32_t ub = bits(b);
    // A count of 0 or less leaves the value as it is, as does a multiple of 32.
    const unsigned n = (ub % 32u) & maskOf(b > 0);
    const std::int32_t rotated = wrap((ua << n) | (ua >> ((32u - n) % 32u)));

    const std::int32_t results[16] = {
        a,                                  // 0: nothing
        cell,                               // 1: loadm
        static_cast<std::int32_t>(address), // 2: load
        a,                                  // 3: store
        b,                                  // 4: mov
        wrap(ua + ub),                      // 5: add
        wrap(ua - ub),                      // 6: sub
        wrap(ua * ub),                      // 7: mul
        a,                                  // 8: div, below
        wrap(ub + 1u),                      // 9: inc
        wrap(ub - 1u),                      // a: dec
        wrap(ua | ub),                      // b: or
        wrap(ua ^ ub),                      // c: xor
        wrap(ua & ub),                      // d: and
        rotated,                            // e: rotate
        a,                                  // f: halt
    };
    std::int32_t value = results[opcode];
    // Rare enough that a branch costs less than always dividing.
    if (opcode == 0x8) [[unlikely]]
        value = divide(a, b);

    // loadm and load write the character-2 register, inc and dec the
    // character-4 one, everything else the character-3 one.
    const std::uint32_t to2 = maskOf(opcode - 1u < 2u);
    const std::uint32_t to4 = maskOf(opcode - 9u < 2u);
    const unsigned destination = (r2 & to2) | (r4 & to4) | (r3 & ~(to2 | to4));
    registers[destination] = value;
    if (opcode == 0x3)
        memory[address] = source;
}

// Digit values of four characters known to be hexadecimal digits, in one go:
// the low nibble of each, plus 9 for the letters (bit 6 set in either case).
std::uint32_t hexNibbles(const char* word) {
    std::uint32_t x = 0;
    for (int k = 3; k >= 0; --k)
        x = (x << 8) | static_cast<unsigned char>(word[k]);
    return (x & 0x0F0F0F0Fu) + ((x >> 6) & 0x01010101u) * 9u;
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
    if (word.size() >= 4)
        step(word.data());
    if (display)
        display->refreshDisplays();
}

void Cpu::step(const char* word) {
    int opcode = digitOf(word[0]);
    int r2 = digitOf(word[1]);
    int r3 = digitOf(word[2]);
    int r4 = digitOf(word[3]);
    if ((opcode | r2 | r3 | r4) < 0) {
        // Callers validate their texts; a stray character where the opcode
        // reads a digit must still never index outside the machine, so such a
        // word does nothing. Places the opcode ignores may hold anything.
        if (opcode < 0)
            return;
        const int reads = opcode <= 0x3                    ? r2 | r3 | r4
                          : opcode == 0x0 || opcode == 0xf ? 0
                          : opcode == 0x9 || opcode == 0xa ? r4
                                                           : r3 | r4;
        if (reads < 0)
            return;
        r2 = std::max(r2, 0);
        r3 = std::max(r3, 0);
        r4 = std::max(r4, 0);
    }
    if (opcode == 0xf)
        running = false;
    else
        applyWord(registers, memory, static_cast<unsigned>(opcode), static_cast<unsigned>(r2),
                  static_cast<unsigned>(r3), static_cast<unsigned>(r4));
}

std::size_t Cpu::runText(std::string_view text) {
    if (display) {
        showModeControls(*display, FullExecution);
        display->setExecutionTitle("MOX77 - Full Execution Mode");
    }
    if (firstNonHexChar(text) >= 0) {
        if (display)
            display->showMessage("Error:\nThere 8xe file is courpt!", "Error!", Icon::Information,
                                 std::nullopt);
        return 0;
    }
    running = true;
    // No jumps: one pass over the complete words; a last word of one to
    // three characters is never executed.
    const std::size_t words = text.size() / 4;
    std::size_t executed = 0;
    while (executed < words) {
        // The text is all hexadecimal digits, so the words decode without a
        // table and without the checks of execute().
        const std::uint32_t v = hexNibbles(text.data() + 4 * executed++);
        const unsigned opcode = v & 0xFu;
        if (opcode != 0xf)
            applyWord(registers, memory, opcode, (v >> 8) & 0xFu, (v >> 16) & 0xFu, v >> 24);
        else
            running = false;
        if (display)
            display->refreshDisplays();
        if (!running)
            break;
    }
    if (display)
        display->showMessage("Execution Complete!. . Successful Run!", "Success!",
                             Icon::Information, std::nullopt);
    return executed;
}

std::string_view Cpu::nextInstructionText() const {
    return cutAtZero(std::string_view(nextInstruction.data(), nextInstruction.size()));
}

} // namespace mox
