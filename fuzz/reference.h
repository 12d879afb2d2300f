// Slow, literal models of the encoder and the machine, written straight from
// their rules with the text helpers, so the fuzz targets can hold the fast
// code against them; and small file helpers the targets share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mox::fuzz {

// What one source line gives: "blank", "word 20ff" or "error <message>".
std::string referenceLine(std::string_view line);

// What a whole prepared source gives.
struct ReferenceAssembly {
    std::string machineCode;
    std::string report; // every console line, each ended by a line feed
    std::int64_t errorCount = 0;
};
ReferenceAssembly referenceAssemble(std::string_view prepared);
// Comments removed by walking the text one byte at a time.
std::string referenceStripComments(std::string_view source);
// Text-mode reading of raw bytes: each CR LF becomes LF, then the text ends
// at its first zero byte.
std::string referenceTextMode(std::string_view bytes);

struct ReferenceMachine {
    std::array<std::int32_t, 256> memory{};
    std::array<std::int32_t, 16> registers{};
    bool running = false;

    // One word of four characters. A word whose opcode, or a character the
    // opcode reads, is no hexadecimal digit changes nothing.
    void execute(std::string_view word);
};

// What a word reads, writes and which of the machine's rules decide its
// result, told from the literal machine for holding a word's described
// cycle against.
struct ReferenceCycle {
    std::vector<std::int32_t> inputs; // the values read, in the operation's order
    char place = 'n';                 // 'r' a register, 'm' a cell, 'n' nothing
    int index = 0;
    std::int32_t before = 0, after = 0;
    // "none", "wrapped", "divide by zero", "divide overflow",
    // "rotate by nothing", "halt" or "no instruction"
    std::string rule;
};
ReferenceCycle referenceCycle(const ReferenceMachine& before, std::string_view word);

// A scratch folder of the process, whose path holds no dot, so that output
// names cut at the first dot land in it.
const std::string& scratchDir();
void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);

// Stops the fuzzer with a message when a property fails.
[[noreturn]] void fail(std::string_view what, std::string_view input);
inline void check(bool ok, std::string_view what, std::string_view input) {
    if (!ok)
        fail(what, input);
}

} // namespace mox::fuzz
