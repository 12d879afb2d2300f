#include "cycle.h"

#include "cpu.h"
#include "datapath_parts.h"
#include "format.h"
#include "history.h"
#include "state_spec.h"
#include "text.h"

#include <cctype>
#include <cstddef>
#include <initializer_list>
#include <limits>

namespace mox {

namespace {

std::int32_t& place(std::array<std::int32_t, 16>& registers, std::array<std::int32_t, 256>& memory,
                    const Change& change) {
    return change.where == Change::Where::Register
               ? registers[static_cast<std::size_t>(change.index)]
               : memory[static_cast<std::size_t>(change.index)];
}

// The digit's role from the table's layout of the word: r, s and n name
// reg, src and nn; anything else there is a digit the opcode ignores.
Digit::Role roleIn(std::string_view layout, std::size_t at) {
    switch (layout[at]) {
    case 'r':
        return Digit::Role::Register;
    case 's':
        return Digit::Role::Source;
    case 'n':
        return Digit::Role::Value;
    default:
        return Digit::Role::Unused;
    }
}

// The value the machine would give with more than 32 bits, for the
// operations that can wrap.
std::optional<std::int64_t> unwrapped(Operation operation, std::int64_t a, std::int64_t b) {
    switch (operation) {
    case Operation::Add:
        return a + b;
    case Operation::Subtract:
        return a - b;
    case Operation::Multiply:
        return a * b;
    case Operation::Increment:
        return a + 1;
    case Operation::Decrement:
        return a - 1;
    default:
        return std::nullopt;
    }
}

Rule ruleOf(const Cycle& c) {
    if (!c.instruction)
        return Rule::NoInstruction;
    const Operation op = c.instruction->operation;
    if (op == Operation::Stop)
        return Rule::Halt;
    if (c.sources.empty())
        return Rule::None;
    const std::int32_t a = c.sources.front().value;
    const std::int32_t b = c.sources.back().value;
    if (op == Operation::Divide && b == 0)
        return Rule::DivideByZero;
    if (op == Operation::Divide && a == std::numeric_limits<std::int32_t>::min() && b == -1)
        return Rule::DivideOverflow;
    if (op == Operation::Rotate && b <= 0)
        return Rule::RotateByNothing;
    if (const auto exact = unwrapped(op, a, b); exact && *exact != c.result)
        return Rule::Wrapped;
    return Rule::None;
}

} // namespace

Change Cycle::change() const {
    if (write.where == Change::Where::Nothing || write.before == write.after)
        return {};
    return write;
}

Cycle describeCycle(const std::array<std::int32_t, 16>& registers,
                    const std::array<std::int32_t, 256>& memory, std::string_view word,
                    Origin origin) {
    Cycle c;
    c.origin = origin;
    int value[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const char ch = i < word.size() ? word[i] : '\0';
        c.word[i] = ch >= 'a' && ch <= 'f' ? static_cast<char>(ch - 'a' + 'A') : ch;
        value[i] = hexDigitValue(ch);
        c.digits[i] = {c.word[i], i == 0 ? Digit::Role::Opcode : Digit::Role::Unused};
    }
    c.instruction = instructionForOpcode(value[0]);
    int reg = 0, src = 0;
    if (c.instruction) {
        for (std::size_t i = 1; i < 4 && c.instruction; ++i) {
            c.digits[i].role = roleIn(c.instruction->word, i);
            // The machine skips a word whose operands are not all digits.
            if (c.digits[i].role != Digit::Role::Unused && value[i] < 0)
                c.instruction = nullptr;
            else if (c.digits[i].role == Digit::Role::Register)
                reg = value[i];
            else if (c.digits[i].role == Digit::Role::Source)
                src = value[i];
        }
    }
    if (!c.instruction) {
        for (std::size_t i = 1; i < 4; ++i)
            c.digits[i].role = Digit::Role::Unused;
        c.rule = Rule::NoInstruction;
        if (!origin.isTyped())
            c.next = origin.position + 1;
        return c;
    }
    const Instruction& in = *c.instruction;
    const int nn = value[2] * 16 + value[3];

    // Sources in the order the table's effect reads them.
    for (std::string_view rest = in.reads; !rest.empty();) {
        const std::size_t comma = rest.find(", ");
        const std::string_view name = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);
        if (name == "memory[nn]")
            c.sources.push_back({Source::Kind::Memory, nn, memory[static_cast<std::size_t>(nn)]});
        else if (name == "nn")
            c.sources.push_back({Source::Kind::Constant, nn, nn});
        else {
            const int r = name == "src" ? src : reg;
            c.sources.push_back(
                {Source::Kind::Register, r, registers[static_cast<std::size_t>(r)]});
        }
    }
    bool fromMemory = false;
    for (const Source& s : c.sources)
        fromMemory = fromMemory || s.kind == Source::Kind::Memory;
    c.usesAlu = in.writes == Destination::Register && !fromMemory;

    // The result is the machine's own, from a scratch copy: the description
    // can never tell a different story from the run.
    Cpu scratch;
    scratch.registers = registers;
    scratch.memory = memory;
    scratch.running = true;
    scratch.execute(word);
    if (in.writes != Destination::Nothing) {
        c.write.where =
            in.writes == Destination::Register ? Change::Where::Register : Change::Where::Memory;
        c.write.index = in.writes == Destination::Register ? reg : nn;
        auto before = registers;
        auto cells = memory;
        c.write.before = place(before, cells, c.write);
        c.write.after = place(scratch.registers, scratch.memory, c.write);
        c.result = c.write.after;
    }
    c.rule = ruleOf(c);
    if (!origin.isTyped())
        c.next = c.halts() ? 0 : origin.position + 1;
    return c;
}

void takeBack(std::array<std::int32_t, 16>& registers, std::array<std::int32_t, 256>& memory,
              const Change& change) {
    if (change.where != Change::Where::Nothing)
        place(registers, memory, change) = change.before;
}

std::optional<Cycle> lastCycle(const Cpu& cpu, const History& history) {
    const auto newest = history.newest(cpu);
    // A debugger's edit is kept in the history without a word: no cycle.
    if (!newest || newest->word[0] == '\0')
        return std::nullopt;
    auto registers = cpu.registers;
    auto memory = cpu.memory;
    takeBack(registers, memory, newest->change);
    return describeCycle(registers, memory,
                         std::string_view(newest->word.data(), newest->word.size()),
                         Origin{newest->position});
}

namespace {

// Texts of one cycle, numbers in one base.
class CycleTexts {
public:
    CycleTexts(const Cycle& cycle, Base base) : c_(cycle), base_(base) {}

    std::string number(std::int32_t v) const { return formatNumber(v, base_); }
    std::string cell(int address) const {
        return "memory" + cellName(static_cast<std::size_t>(address), base_);
    }
    std::string wordText() const { return std::string(c_.word.data(), c_.word.size()); }
    std::string nameOf(const Source& s) const {
        switch (s.kind) {
        case Source::Kind::Register:
            return std::string(registerNames[static_cast<std::size_t>(s.index)]);
        case Source::Kind::Memory:
            return cell(s.index);
        case Source::Kind::Constant:
            break;
        }
        return "nn";
    }
    std::string destination() const {
        return c_.write.where == Change::Where::Register
                   ? std::string(registerNames[static_cast<std::size_t>(c_.write.index)])
                   : cell(c_.write.index);
    }
    std::string wordNumber(std::int32_t position) const {
        return "word " + std::to_string(static_cast<std::int64_t>(position) + 1);
    }

    // The table's notation filled in: reg, src, nn and memory[nn] become
    // names (for the decoder) or values (for the ALU).
    std::string fill(std::string_view text, bool values) const {
        std::string out;
        for (std::size_t at = 0; at < text.size();) {
            const auto is = [&](std::string_view token) {
                const std::size_t end = at + token.size();
                const auto word = [&](std::size_t i) {
                    return std::isalnum(static_cast<unsigned char>(text[i])) != 0;
                };
                return text.substr(at, token.size()) == token && (at == 0 || !word(at - 1)) &&
                       (end == text.size() || !word(end));
            };
            if (is("memory[nn]")) {
                const Source* s = find(Source::Kind::Memory, -1);
                out += values ? number(s ? s->value : c_.write.before) : cell(address());
                at += 10;
            } else if (is("reg") || is("src")) {
                out += operand(text.substr(at, 3) == "src", values);
                at += 3;
            } else if (is("nn")) {
                out += number(address());
                at += 2;
            } else {
                out += text[at++];
            }
        }
        return out;
    }

    // The two value digits as one number.
    int address() const {
        int nn = 0;
        for (const Digit& d : c_.digits)
            if (d.role == Digit::Role::Value)
                nn = nn * 16 + hexDigitValue(d.digit);
        return nn;
    }

    const Cycle& c_;

private:
    const Source* find(Source::Kind kind, int index) const {
        for (const Source& s : c_.sources)
            if (s.kind == kind && (index < 0 || s.index == index))
                return &s;
        return nullptr;
    }
    // reg or src: its name, or the value it held before the word.
    std::string operand(bool isSource, bool values) const {
        int r = -1;
        for (const Digit& d : c_.digits)
            if (d.role == (isSource ? Digit::Role::Source : Digit::Role::Register))
                r = hexDigitValue(d.digit);
        if (!values)
            return std::string(registerNames[static_cast<std::size_t>(r)]);
        const Source* s = find(Source::Kind::Register, r);
        return number(s ? s->value : c_.write.before);
    }

    Base base_;
};

// One text from its pieces: one call where a chain of + would build a
// string per step (the web edition's module carries every such chain).
std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view p : parts)
        out.append(p);
    return out;
}

// Appends to a list: "a, b".
void listed(std::string& list, std::string_view item) {
    if (!list.empty())
        list.append(", ");
    list.append(item);
}

void slot(PhaseView& v, const datapath::Part& part, std::string text) {
    v.values.emplace_back(part.label, std::move(text));
}

template <std::size_t N> void light(PhaseView& v, const std::array<datapath::Part, N>& road) {
    for (const datapath::Part& part : road)
        v.lit.push_back(part.id);
}

std::string_view registerName(int r) {
    return registerNames[static_cast<std::size_t>(r)];
}

std::string digitRuns(const CycleTexts& t) {
    const Cycle& c = t.c_;
    std::string out;
    for (std::size_t i = 1; i < 4; ++i) {
        const Digit& d = c.digits[i];
        const std::string_view digit(&d.digit, 1);
        switch (d.role) {
        case Digit::Role::Unused: {
            std::size_t end = i;
            while (end + 1 < 4 && c.digits[end + 1].role == Digit::Role::Unused)
                ++end;
            std::string digits;
            for (std::size_t k = i; k <= end; ++k)
                digits += c.digits[k].digit;
            const std::string from = std::to_string(i + 1);
            out += end == i ? cat({"; digit ", from, " (", digits, ") is not used"})
                            : cat({"; digits ", from, "-", std::to_string(end + 1), " (", digits,
                                   ") are not used"});
            i = end;
            break;
        }
        case Digit::Role::Register:
        case Digit::Role::Source:
            out += cat({d.role == Digit::Role::Register ? "; reg " : "; src ", digit, " = ",
                        registerName(hexDigitValue(d.digit))});
            break;
        case Digit::Role::Value:
            // The pair is told once, at its second digit.
            if (c.digits[i - 1].role == Digit::Role::Value)
                out += cat({"; nn ", std::string_view(c.word.data() + i - 1, 2), " = ",
                            t.number(t.address())});
            break;
        case Digit::Role::Opcode:
            break;
        }
    }
    return out;
}

std::string_view ruleNote(const Cycle& c) {
    switch (c.rule) {
    case Rule::Wrapped:
        return " (wraps at 32 bits)";
    case Rule::DivideByZero:
        return " (division by 0 leaves the register)";
    case Rule::DivideOverflow:
        return " (-2147483648 / -1 does not fit 32 bits and wraps)";
    case Rule::RotateByNothing:
        return " (rotation by 0 or less leaves the register)";
    default:
        return "";
    }
}

std::string_view ruleSentence(const Cycle& c) {
    switch (c.rule) {
    case Rule::Wrapped:
        return "; the true result does not fit 32 bits, so only its low 32 bits are kept";
    case Rule::DivideByZero:
        return "; a division by 0 leaves the register as it was";
    case Rule::DivideOverflow:
        return "; -2147483648 / -1 does not fit 32 bits and wraps back to -2147483648";
    case Rule::RotateByNothing:
        return "; a rotation by 0 or less leaves the register as it was";
    default:
        return "";
    }
}

void showFetch(const CycleTexts& t, PhaseView& v) {
    const Cycle& c = t.c_;
    const std::string word = t.wordText();
    if (c.origin.isTyped()) {
        light(v, datapath::fetchTyped);
        slot(v, datapath::ir, word);
        v.line = "typed; the instruction pointer stays";
        v.sentence = cat({"Fetch: the typed word ", word, "."});
        return;
    }
    const std::string at = t.wordNumber(c.origin.position);
    light(v, datapath::fetchFromProgram);
    slot(v, datapath::ip, at);
    slot(v, datapath::ipToProgram, at);
    slot(v, datapath::program, cat({at, ": ", word}));
    slot(v, datapath::programToIr, word);
    slot(v, datapath::ir, word);
    v.line = cat({at, " of the program; next: ", t.wordNumber(*c.next),
                  c.halts() ? " (a halt goes back to the first)" : ""});
    v.sentence = cat({"Fetch: ", at, " of the program, ", word, "."});
}

void showDecode(const CycleTexts& t, PhaseView& v) {
    const Cycle& c = t.c_;
    const std::string_view opcode(c.word.data(), 1);
    light(v, datapath::decode);
    slot(v, datapath::ir, t.wordText());
    slot(v, datapath::irToDecoder, std::string(opcode));
    if (!c.instruction) {
        slot(v, datapath::decoder, "none");
        v.line = cat({opcode, " = no instruction", digitRuns(t)});
        v.sentence = cat({"Decode: ", opcode, " is no instruction; the word does nothing."});
        return;
    }
    const Instruction& in = *c.instruction;
    slot(v, datapath::decoder, std::string(in.mnemonic));
    std::string selected;
    for (const Digit& d : c.digits)
        if (d.role == Digit::Role::Register || d.role == Digit::Role::Source)
            listed(selected, registerName(hexDigitValue(d.digit)));
    if (!selected.empty()) {
        light(v, datapath::decodeSelectsRegisters);
        slot(v, datapath::decoderToRegisters, selected);
    }
    if (c.usesAlu) {
        light(v, datapath::decodeTellsAlu);
        slot(v, datapath::decoderToAlu, std::string(in.symbol));
    }
    v.line = cat({opcode, " = ", in.mnemonic, digitRuns(t)});
    v.sentence =
        cat({"Decode: ", opcode, " is ", in.mnemonic, "; ", t.fill(in.spoken, false), "."});
}

void showRead(const CycleTexts& t, PhaseView& v) {
    const Cycle& c = t.c_;
    if (c.sources.empty()) {
        v.line = "nothing";
        v.sentence = "Read: nothing.";
        return;
    }
    std::string registers, terse, told;
    for (const Source& s : c.sources) {
        const std::string value = t.number(s.value);
        const std::string name = t.nameOf(s);
        listed(terse, cat({name, " = ", value}));
        switch (s.kind) {
        case Source::Kind::Register:
            listed(registers, cat({name, " = ", value}));
            listed(told, cat({name, " is ", value}));
            break;
        case Source::Kind::Memory:
            light(v, datapath::readCell);
            slot(v, datapath::irToMemory, t.number(s.index));
            slot(v, datapath::memory, cat({name, " = ", value}));
            listed(told, cat({name, " is ", value}));
            break;
        case Source::Kind::Constant:
            light(v, datapath::readConstant);
            slot(v, datapath::irToAlu, value);
            listed(told, cat({"the constant is ", value}));
            break;
        }
    }
    if (!registers.empty()) {
        light(v, datapath::readRegisters);
        slot(v, datapath::registers, registers);
    }
    v.line = terse;
    v.sentence = cat({"Read: ", told, "."});
}

void showExecute(const CycleTexts& t, PhaseView& v) {
    const Cycle& c = t.c_;
    if (!c.instruction || c.halts()) {
        v.line = c.halts() ? "stop the run" : "nothing";
        v.sentence =
            c.halts() ? "Execute: the machine stops the run." : "Execute: nothing happens.";
        return;
    }
    const Instruction& in = *c.instruction;
    const std::string first = t.number(c.sources.front().value);
    const std::string result = t.number(c.result);
    std::string formula;
    if (in.operation == Operation::Copy)
        formula = cat({"copy ", result});
    else if (c.sources.size() == 1) // +1 and -1
        formula =
            cat({first, " ", in.symbol.substr(0, 1), " ", in.symbol.substr(1), " = ", result});
    else
        formula =
            cat({first, " ", in.symbol, " ", t.number(c.sources.back().value), " = ", result});
    v.line = cat({formula, ruleNote(c)});
    v.sentence = cat({"Execute: ", c.usesAlu ? "the ALU " : "the machine ", t.fill(in.done, true),
                      in.operation == Operation::Copy ? "" : ", giving ",
                      in.operation == Operation::Copy ? "" : result, ruleSentence(c), "."});
    if (!c.usesAlu) {
        // A cell's value passes between memory and a register directly.
        const bool toMemory = in.writes == Destination::Memory;
        if (toMemory) {
            light(v, datapath::executeToCell);
            slot(v, datapath::registersToMemory, first);
        } else {
            light(v, datapath::executeToRegister);
            slot(v, datapath::memoryToRegisters, first);
        }
        return;
    }
    light(v, datapath::executeAlu);
    slot(v, datapath::decoderToAlu, std::string(in.symbol));
    slot(v, datapath::alu, formula);
    std::string fromRegisters;
    for (const Source& s : c.sources) {
        if (s.kind == Source::Kind::Constant) {
            light(v, datapath::executeConstant);
            slot(v, datapath::irToAlu, t.number(s.value));
        } else {
            listed(fromRegisters, t.number(s.value));
        }
    }
    if (!fromRegisters.empty()) {
        light(v, datapath::executeRegisters);
        slot(v, datapath::registersToAlu, fromRegisters);
    }
}

void showWrite(const CycleTexts& t, PhaseView& v) {
    const Cycle& c = t.c_;
    if (c.write.where == Change::Where::Nothing) {
        v.line = "nothing changes";
        v.sentence = "Write: nothing changes.";
        if (c.halts() && c.next) {
            light(v, datapath::rewind);
            slot(v, datapath::ip, t.wordNumber(*c.next));
            v.line = cat({"nothing changes; the run stops; next: ", t.wordNumber(*c.next)});
            v.sentence = "Write: nothing changes; the run stops and the instruction pointer goes "
                         "back to the first word.";
        } else if (c.halts()) {
            v.line = "nothing changes; the run stops";
            v.sentence = "Write: nothing changes; the run stops.";
        }
        return;
    }
    const std::string name = t.destination();
    const std::string before = t.number(c.write.before);
    const std::string after = t.number(c.write.after);
    const bool same = c.write.before == c.write.after;
    v.line = cat({name, ": ", before, " -> ", after, same ? ", nothing changes" : ""});
    v.sentence = same ? cat({"Write: ", name, " stays ", after, "; nothing changes."})
                      : cat({"Write: ", name, " becomes ", after, "; it was ", before, "."});
    if (c.write.where == Change::Where::Memory) {
        light(v, datapath::writeCell);
        slot(v, datapath::registersToMemory, after);
        slot(v, datapath::irToMemory, t.number(c.write.index));
        slot(v, datapath::memory, cat({name, " = ", after}));
        return;
    }
    if (c.usesAlu) {
        light(v, datapath::writeFromAlu);
        slot(v, datapath::aluToRegisters, after);
    } else {
        light(v, datapath::writeFromCell);
        slot(v, datapath::memoryToRegisters, after);
    }
    slot(v, datapath::decoderToRegisters, name);
    slot(v, datapath::registers, cat({name, " = ", after}));
}

} // namespace

std::array<PhaseView, 5> showCycle(const Cycle& cycle, Base base) {
    const CycleTexts t(cycle, base);
    std::array<PhaseView, 5> phases;
    for (std::size_t i = 0; i < phases.size(); ++i)
        phases[i].phase = static_cast<Phase>(i);
    showFetch(t, phases[0]);
    showDecode(t, phases[1]);
    showRead(t, phases[2]);
    showExecute(t, phases[3]);
    showWrite(t, phases[4]);
    return phases;
}

std::string explainBlock(const Cycle& cycle, std::size_t number, Base base) {
    std::string out = "word " + std::to_string(number) + ": " +
                      std::string(cycle.word.data(), cycle.word.size()) + "\n";
    for (const PhaseView& v : showCycle(cycle, base)) {
        std::string name(phaseNames[static_cast<std::size_t>(v.phase)]);
        name.resize(9, ' ');
        out.append("  ").append(name).append(v.line).push_back('\n');
    }
    return out;
}

std::string narration(const Cycle& cycle, Base base) {
    std::string out;
    for (const PhaseView& v : showCycle(cycle, base))
        out.append(out.empty() ? "" : " ").append(v.sentence);
    return out;
}

} // namespace mox
