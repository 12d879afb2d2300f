#include "reference.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace mox::fuzz {

namespace {

// The table once more, on purpose: a change to the real one must show up as
// a difference here rather than pass unnoticed.
struct Row {
    const char* name;
    char opcode;
    char kind; // v register and value, r two registers, o one register, n none
};
constexpr Row rows[] = {
    {"loadm", '1', 'v'}, {"load", '2', 'v'},   {"store", '3', 'v'}, {"mov", '4', 'r'},
    {"add", '5', 'r'},   {"sub", '6', 'r'},    {"mul", '7', 'r'},   {"div", '8', 'r'},
    {"inc", '9', 'o'},   {"dec", 'a', 'o'},    {"xor", 'c', 'r'},   {"or", 'b', 'r'},
    {"and", 'd', 'r'},   {"rotate", 'e', 'r'}, {"halt", 'f', 'n'},
};
constexpr const char* registerNames[] = {"ax", "bx", "cx", "dx", "ex", "fx", "gx", "hx",
                                         "ix", "jx", "kx", "lx", "mx", "nx", "ox", "px"};
constexpr char digits[] = "0123456789abcdef";

bool contains(std::string_view text, std::string_view pattern) {
    return text.find(pattern) != std::string_view::npos;
}

std::int64_t count(std::string_view text, char c) {
    std::int64_t n = 0;
    for (char t : text)
        n += t == c;
    return n;
}

std::string withoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

// Operands start after the first space and are split at the first comma
// after it; with no comma there, the first is empty and the second the line.
void split(std::string_view line, std::string& first, std::string& second) {
    const auto space = line.find(' ');
    const std::int64_t s = space == std::string_view::npos ? -1 : static_cast<std::int64_t>(space);
    const auto comma = line.find(',', static_cast<std::size_t>(s + 1));
    const std::int64_t c = comma == std::string_view::npos ? -1 : static_cast<std::int64_t>(comma);
    const auto range = [line](std::int64_t from, std::int64_t to) {
        if (from < 0)
            from = 0;
        if (to > static_cast<std::int64_t>(line.size()))
            to = static_cast<std::int64_t>(line.size());
        return from >= to ? std::string_view{}
                          : line.substr(static_cast<std::size_t>(from),
                                        static_cast<std::size_t>(to - from));
    };
    first = withoutSpaces(range(s + 1, c));
    second = withoutSpaces(range(c + 1, static_cast<std::int64_t>(line.size())));
}

int registerOf(std::string_view operand) {
    for (int r = 0; r < 16; ++r)
        if (operand == registerNames[r])
            return r;
    return -1;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string word(char opcode, int a, int b, int c) {
    return std::string("word ") + opcode + digits[a] + digits[b] + digits[c];
}

std::string error(std::string_view message) {
    return "error " + std::string(message);
}

} // namespace

std::string referenceLine(std::string_view line) {
    if (line.find_first_not_of(' ') == std::string_view::npos)
        return "blank";
    const Row* row = nullptr;
    for (const Row& r : rows)
        if (contains(line, r.name)) {
            row = &r;
            break;
        }
    if (row == nullptr)
        return error(" invalid instruction");

    std::string first, second;
    switch (row->kind) {
    case 'v': {
        if (count(line, ',') != 1)
            return error(" invalid number of operands on instruction");
        split(line, first, second);
        const int reg = registerOf(first);
        if (reg < 0)
            return error(" the first operand must be a register");
        if (second.empty())
            return error(" the second operand must contain a hex value");
        for (char c : second)
            if (hexValue(c) < 0)
                return error(" the second operand must contain a hex value");
        const auto significant = second.find_first_not_of('0');
        const std::string_view value =
            significant == std::string::npos ? "" : std::string_view(second).substr(significant);
        if (value.size() > 2)
            return error(" operand size conflict, value to large for register");
        int v = 0;
        for (char c : value)
            v = v * 16 + hexValue(c);
        return word(row->opcode, reg, v / 16, v % 16);
    }
    case 'r': {
        if (count(line, ',') != 1)
            return error("  (fatal) invalid number of operands on instruction");
        split(line, first, second);
        const int a = registerOf(first);
        if (a < 0)
            return error("the first operand must be a register");
        const int b = registerOf(second);
        if (b < 0)
            return error("the second operand must be a register");
        return word(row->opcode, 0, a, b);
    }
    case 'o': {
        if (contains(line, ","))
            return error(" instruction only takes a single operand, no comma to seperate");
        std::string lowered(line);
        for (char& c : lowered)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        for (int r = 0; r < 16; ++r)
            if (contains(lowered, registerNames[r]))
                return word(row->opcode, 0, 0, r);
        return error(" single operand instruction, must contain register");
    }
    default:
        if (contains(line, ","))
            return error("  (fatal) invalid number of operands on instruction");
        return word(row->opcode, 0, 0, 0);
    }
}

std::string referenceStripComments(std::string_view source) {
    std::string out;
    bool dropping = false;
    for (char c : source) {
        if (dropping && c == '\n')
            dropping = false;
        else if (!dropping && c == ';')
            dropping = true;
        if (!dropping)
            out += c;
    }
    return out;
}

std::string referenceTextMode(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        if (bytes[i] == '\0')
            break;
        out += bytes[i];
    }
    return out;
}

ReferenceAssembly referenceAssemble(std::string_view prepared) {
    ReferenceAssembly result;
    if (!contains(prepared, "halt")) {
        result.report = "fatal error: application requries a halt instruction\n";
        result.errorCount = 1;
        return result;
    }
    const std::string text = std::string(prepared) + '\n';
    std::int64_t number = 1;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start), ++number) {
        const std::string outcome =
            referenceLine(std::string_view(text).substr(start, end - start));
        if (outcome.rfind("word ", 0) == 0) {
            result.machineCode += outcome.substr(5);
        } else if (outcome.rfind("error ", 0) == 0) {
            result.report +=
                "error on line(" + std::to_string(number) + "): " + outcome.substr(6) + '\n';
            ++result.errorCount;
        }
    }
    return result;
}

void ReferenceMachine::execute(std::string_view word) {
    if (word.size() < 4)
        return;
    const int op = hexValue(word[0]);
    const int r2 = hexValue(word[1]);
    const int r3 = hexValue(word[2]);
    const int r4 = hexValue(word[3]);
    if (op < 0)
        return;
    // Only the characters an opcode reads have to be digits.
    const bool readsAll = op >= 1 && op <= 3;
    const bool readsFour = op == 9 || op == 10;
    const bool readsNone = op == 0 || op == 15;
    if (readsAll && (r2 < 0 || r3 < 0 || r4 < 0))
        return;
    if (readsFour && r4 < 0)
        return;
    if (!readsAll && !readsFour && !readsNone && (r3 < 0 || r4 < 0))
        return;

    auto& R = registers;
    auto& M = memory;
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    const auto s = [](std::uint32_t v) { return static_cast<std::int32_t>(v); };
    switch (op) {
    case 0x1:
        R[r2] = M[r3 * 16 + r4];
        break;
    case 0x2:
        R[r2] = r3 * 16 + r4;
        break;
    case 0x3:
        M[r3 * 16 + r4] = R[r2];
        break;
    case 0x4:
        R[r3] = R[r4];
        break;
    case 0x5:
        R[r3] = s(u(R[r3]) + u(R[r4]));
        break;
    case 0x6:
        R[r3] = s(u(R[r3]) - u(R[r4]));
        break;
    case 0x7:
        R[r3] = s(u(R[r3]) * u(R[r4]));
        break;
    case 0x8: {
        // The machine keeps the dividend for a zero divisor and wraps the
        // one quotient that does not fit.
        const std::int64_t a = R[r3], b = R[r4];
        if (b != 0)
            R[r3] = s(static_cast<std::uint32_t>(static_cast<std::uint64_t>(a / b)));
        break;
    }
    case 0x9:
        R[r4] = s(u(R[r4]) + 1u);
        break;
    case 0xa:
        R[r4] = s(u(R[r4]) - 1u);
        break;
    case 0xb:
        R[r3] = s(u(R[r3]) | u(R[r4]));
        break;
    case 0xc:
        R[r3] = s(u(R[r3]) ^ u(R[r4]));
        break;
    case 0xd:
        R[r3] = s(u(R[r3]) & u(R[r4]));
        break;
    case 0xe: {
        const std::int32_t n = R[r4];
        std::uint32_t v = u(R[r3]);
        // One bit at a time, as the rule is written; 32 turns are a no-op.
        for (std::int32_t k = 0; k < (n > 0 ? n % 32 : 0); ++k)
            v = (v << 1) | (v >> 31);
        R[r3] = s(v);
        break;
    }
    case 0xf:
        running = false;
        break;
    default:
        break;
    }
}

ReferenceCycle referenceCycle(const ReferenceMachine& before, std::string_view word) {
    ReferenceCycle cycle;
    cycle.rule = "no instruction";
    ReferenceMachine after = before;
    after.execute(word);
    if (word.size() < 4)
        return cycle;
    const int op = hexValue(word[0]);
    const int r2 = hexValue(word[1]);
    const int r3 = hexValue(word[2]);
    const int r4 = hexValue(word[3]);
    // Which digits each opcode reads, as the rows above lay the words out.
    const bool readsAll = op >= 1 && op <= 3;
    const bool readsFour = op == 9 || op == 10;
    const bool readsTwo = op >= 4 && op <= 14 && !readsFour;
    if (op < 1 || (readsAll && (r2 < 0 || r3 < 0 || r4 < 0)) || (readsFour && r4 < 0) ||
        (readsTwo && (r3 < 0 || r4 < 0)))
        return cycle;
    if (op == 0xf) {
        cycle.rule = "halt";
        return cycle;
    }
    const auto& R = before.registers;
    const auto& M = before.memory;
    const int nn = readsAll ? r3 * 16 + r4 : 0;
    switch (op) {
    case 0x1:
        cycle.inputs = {M[nn]};
        break;
    case 0x2:
        cycle.inputs = {nn};
        break;
    case 0x3:
        cycle.inputs = {R[r2]};
        break;
    case 0x4:
        cycle.inputs = {R[r4]};
        break;
    case 0x9:
    case 0xa:
        cycle.inputs = {R[r4]};
        break;
    default:
        cycle.inputs = {R[r3], R[r4]};
        break;
    }
    cycle.place = op == 3 ? 'm' : 'r';
    cycle.index = op == 3 ? nn : readsAll ? r2 : readsFour ? r4 : r3;
    cycle.before = cycle.place == 'm' ? M[cycle.index] : R[cycle.index];
    cycle.after = cycle.place == 'm' ? after.memory[cycle.index] : after.registers[cycle.index];

    const std::int64_t a = cycle.inputs.front();
    const std::int64_t b = cycle.inputs.back();
    std::int64_t exact = cycle.after;
    if (op == 5)
        exact = a + b;
    else if (op == 6)
        exact = a - b;
    else if (op == 7)
        exact = a * b;
    else if (op == 9)
        exact = a + 1;
    else if (op == 10)
        exact = a - 1;
    cycle.rule = "none";
    if (op == 8 && b == 0)
        cycle.rule = "divide by zero";
    else if (op == 8 && a == INT32_MIN && b == -1)
        cycle.rule = "divide overflow";
    else if (op == 0xe && b <= 0)
        cycle.rule = "rotate by nothing";
    else if (exact != cycle.after)
        cycle.rule = "wrapped";
    return cycle;
}

const std::string& scratchDir() {
    // Never destroyed, so the clean-up at exit can still read it.
    static const std::string* const dir = [] {
        // Memory-backed where there is one: every input is written to disk.
        const bool shm = std::filesystem::is_directory("/dev/shm");
        std::string pattern = shm ? "/dev/shm/moxfuzzXXXXXX" : "/tmp/moxfuzzXXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            fail("cannot make a scratch folder", {});
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDir(), ignored);
        });
        return new std::string(pattern);
    }();
    return *dir;
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        fail("cannot write " + path, {});
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void fail(std::string_view what, std::string_view input) {
    std::fprintf(stderr,
                 "property failed: %.*s\ninput (%zu bytes): ", static_cast<int>(what.size()),
                 what.data(), input.size());
    for (unsigned char c : input.substr(0, 200))
        std::fprintf(stderr, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

} // namespace mox::fuzz
