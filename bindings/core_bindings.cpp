// The core as one ES module for the web edition and the editor servers
// (typed by bindings/mox77-core.d.ts).
// A thin adapter: every rule and message comes from the core; this file only
// moves values between C++ and JavaScript.
#include "assembly.h"
#include "check.h"
#include "cycle.h"
#include "disassemble.h"
#include "emulator.h"
#include "exercise_folder.h"
#include "format.h"
#include "instruction_set.h"
#include "state_spec.h"
#include "text.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

using emscripten::val;

namespace {

// A Uint8Array's bytes, each one as it is: no text decoding on the way in.
std::string bytesOf(const val& array) {
    std::string bytes(array["length"].as<std::size_t>(), '\0');
    if (!bytes.empty())
        val(emscripten::typed_memory_view(bytes.size(),
                                          reinterpret_cast<std::uint8_t*>(bytes.data())))
            .call<void>("set", array);
    return bytes;
}

// Bytes as a JavaScript string of one character per byte (code points 0 to
// 255), so that text which is not UTF-8 reaches the page without a loss.
// Embind decodes returned strings as UTF-8, hence the encoding here.
val latin1(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (u >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return val(utf8);
}

template <class T> val arrayOf(const std::vector<T>& items) {
    val array = val::array();
    for (const T& item : items)
        array.call<void>("push", val(item));
    return array;
}

val int32Copy(const std::int32_t* values, std::size_t n) {
    return val::global("Int32Array").new_(emscripten::typed_memory_view(n, values));
}

const char* operandName(mox::OperandClass operands) {
    switch (operands) {
    case mox::OperandClass::RegisterValue:
        return "RegisterValue";
    case mox::OperandClass::TwoRegisters:
        return "TwoRegisters";
    case mox::OperandClass::OneRegister:
        return "OneRegister";
    case mox::OperandClass::None:
        return "None";
    }
    return "None";
}

// A run of 100,000 words has as many changes: built in one JavaScript loop
// over packed values, as one embind call per field would cost ten times more.
EM_JS(emscripten::EM_VAL, changeList, (const std::int32_t* packed, int count), {
    const list = new Array(count);
    for (let i = 0, at = packed >> 2; i < count; ++i, at += 4)
        list[i] = {
            where : HEAP32[at] ? "memory" : "register",
            index : HEAP32[at + 1],
            before : HEAP32[at + 2],
            after : HEAP32[at + 3]
        };
    return Emval.toHandle(list);
});

val changeObjects(const std::vector<mox::Change>& changes) {
    std::vector<std::int32_t> packed;
    packed.reserve(4 * changes.size());
    for (const mox::Change& c : changes)
        packed.insert(packed.end(),
                      {c.where == mox::Change::Where::Memory ? 1 : 0, c.index, c.before, c.after});
    return val::take_ownership(changeList(packed.data(), static_cast<int>(changes.size())));
}

const char* roleName(mox::Digit::Role role) {
    constexpr const char* names[] = {"opcode", "register", "source", "value", "unused"};
    return names[static_cast<int>(role)];
}

const char* ruleName(mox::Rule rule) {
    constexpr const char* names[] = {"none",           "wrapped",         "divideByZero",
                                     "divideOverflow", "rotateByNothing", "halt",
                                     "noInstruction"};
    return names[static_cast<int>(rule)];
}

const char* placeName(mox::Change::Where where) {
    constexpr const char* names[] = {"nothing", "register", "memory"};
    return names[static_cast<int>(where)];
}

// A word's cycle as the Datapath panel binds it: the data, then the five
// phases with the drawing's ids to light, its slots' texts and the words.
val cycleObject(const std::optional<mox::Cycle>& cycle, mox::Base base) {
    if (!cycle)
        return val::null();
    const mox::Cycle& c = *cycle;
    val out = val::object();
    out.set("word", std::string(c.word.data(), c.word.size()));
    out.set("position", c.origin.position);
    out.set("next", c.next.value_or(-1));
    out.set("mnemonic", c.instruction ? std::string(c.instruction->mnemonic) : std::string());
    out.set("operation", c.instruction ? std::string(c.instruction->symbol) : std::string());
    val digits = val::array();
    for (const mox::Digit& d : c.digits) {
        val digit = val::object();
        digit.set("digit", std::string(1, d.digit));
        digit.set("role", roleName(d.role));
        digits.call<void>("push", digit);
    }
    out.set("digits", digits);
    val sources = val::array();
    for (const mox::Source& s : c.sources) {
        constexpr const char* kinds[] = {"register", "memory", "constant"};
        val source = val::object();
        source.set("kind", kinds[static_cast<int>(s.kind)]);
        source.set("index", s.index);
        source.set("value", s.value);
        sources.call<void>("push", source);
    }
    out.set("sources", sources);
    out.set("usesAlu", c.usesAlu);
    out.set("result", c.result);
    out.set("rule", ruleName(c.rule));
    val write = val::object();
    write.set("where", placeName(c.write.where));
    write.set("index", c.write.index);
    write.set("before", c.write.before);
    write.set("after", c.write.after);
    out.set("write", write);
    val phases = val::array();
    std::string narration;
    for (const mox::PhaseView& v : mox::showCycle(c, base)) {
        val phase = val::object();
        phase.set("name", std::string(mox::phaseNames[static_cast<std::size_t>(v.phase)]));
        val lit = val::array();
        for (const std::string_view id : v.lit)
            lit.call<void>("push", std::string(id));
        phase.set("lit", lit);
        val values = val::object();
        for (const auto& [slot, text] : v.values)
            values.set(std::string(slot), text);
        phase.set("values", values);
        phase.set("line", v.line);
        phase.set("sentence", v.sentence);
        phases.call<void>("push", phase);
        narration.append(narration.empty() ? "" : " ").append(v.sentence);
    }
    out.set("phases", phases);
    out.set("narration", narration);
    return out;
}

// A parsed state file, held by the page until it deletes it.
struct State {
    mox::StateSpec values;
};

val assemble(const val& source) {
    mox::Assembly run;
    run.keepWordLines = true;
    val errors = val::array();
    mox::assembleSource(mox::textModeText(bytesOf(source)), run,
                        [&errors](const mox::LineError& error) {
                            val item = val::object();
                            item.set("index", static_cast<double>(error.index));
                            item.set("line", mox::consoleLine(error));
                            errors.call<void>("push", item);
                        });
    val result = val::object();
    result.set("errorCount", static_cast<double>(run.errorCount));
    result.set("machineCode", latin1(run.machineCode));
    result.set("errors", errors);
    // A page never holds a source of 2^31 lines.
    const std::vector<std::int32_t> lines(run.wordLines.begin(), run.wordLines.end());
    result.set("wordLines",
               val(emscripten::typed_memory_view(lines.size(), lines.data())).call<val>("slice"));
    // How the core read each line with text beside its mnemonic.
    val misread = val::array();
    for (const std::int64_t w : run.misreadWords) {
        const auto at = static_cast<std::size_t>(w);
        val item = val::object();
        item.set("index", static_cast<double>(run.wordLines[at]));
        item.set("reading", mox::disassemble(std::string_view(run.machineCode).substr(4 * at, 4)));
        misread.call<void>("push", item);
    }
    result.set("misread", misread);
    return result;
}

val instructionTable() {
    val table = val::array();
    for (const mox::Instruction& in : mox::instructionTable) {
        val row = val::object();
        row.set("mnemonic", std::string(in.mnemonic));
        row.set("opcode", in.opcode);
        row.set("operands", operandName(in.operands));
        row.set("form", std::string(in.form));
        row.set("word", std::string(in.word));
        row.set("effect", std::string(in.effect));
        table.call<void>("push", row);
    }
    return table;
}

val registerNames() {
    val names = val::array();
    for (const std::string_view name : mox::registerNames)
        names.call<void>("push", std::string(name));
    return names;
}

std::string describeWord(const std::string& word) {
    return mox::describeWord(word);
}

std::string formatNumber(std::int32_t value, mox::Base base) {
    return mox::formatNumber(value, base);
}

int radixOf(mox::Base base) {
    return mox::radixOf(base);
}

// 2, 10 or 16 as the debug adapter's radix; null for any other number.
val baseOfRadix(int radix) {
    const auto base = mox::baseOfRadix(radix);
    return base ? val(*base) : val::null();
}

std::string errorCountLine(double errorCount) {
    return mox::errorCountLine(static_cast<std::int64_t>(errorCount));
}

std::string writtenLine(const std::string& outputName) {
    return mox::writtenLine(outputName);
}

std::string outputFileName(const std::string& sourceName) {
    return mox::outputFileName(sourceName);
}

val parseState(const std::string& json, const std::string& use) {
    auto parsed = mox::parseStateSpec(json, use == "starting" ? mox::StateUse::Starting
                                                              : mox::StateUse::Expected);
    val result = val::object();
    if (auto* error = std::get_if<mox::StateError>(&parsed)) {
        result.set("ok", false);
        result.set("error", error->place + ": " + error->reason);
    } else {
        result.set("ok", true);
        result.set("state", val(State{std::get<mox::StateSpec>(std::move(parsed))}));
    }
    return result;
}

val checkProgram(const val& fileBytes, bool source, const State* start, const State& expected) {
    mox::Submission s;
    s.source = source;
    mox::checkProgram(mox::textModeText(bytesOf(fileBytes)), s,
                      start ? start->values : mox::StateSpec{}, expected.values);
    val result = val::object();
    result.set("readable", s.readable);
    result.set("errors", static_cast<double>(s.errors.value_or(0)));
    result.set("error", s.error);
    result.set("executed", s.executed ? static_cast<double>(*s.executed) : -1.0);
    result.set("halted", s.halted);
    result.set("mismatches", arrayOf(s.mismatches));
    result.set("pass", s.passed());
    return result;
}

// An exercise folder's files as the page or the debug adapter has them: an
// object of file names and texts. The core picks the start files.
mox::ExerciseFiles exerciseFiles(const val& files) {
    mox::ExerciseFiles out;
    const val names = val::global("Object").call<val>("keys", files);
    const auto count = names["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const auto name = names[i].as<std::string>();
        out.emplace(name, files[name].as<std::string>());
    }
    return out;
}

val checkExercise(const val& files, const std::string& folder, const val& fileBytes, bool source) {
    val result = val::object();
    val tests = val::array();
    result.set("tests", tests);
    const auto read = mox::exerciseFromFiles(exerciseFiles(files), folder);
    if (const auto* error = std::get_if<std::string>(&read)) {
        result.set("error", *error);
        result.set("pass", false);
        result.set("points", 0);
        result.set("possible", 0);
        result.set("summary", std::string());
        return result;
    }
    const mox::Exercise& exercise = std::get<mox::Exercise>(read);
    mox::Submission file;
    file.source = source;
    const auto runs = mox::checkExercise(mox::textModeText(bytesOf(fileBytes)), file, exercise);
    bool pass = true;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const mox::Submission& s = runs[i];
        const mox::ExerciseTest& t = exercise.tests[i];
        val test = val::object();
        test.set("name", t.name);
        test.set("startName", t.startName);
        test.set("points", t.points);
        test.set("hidden", t.hidden);
        test.set("pass", s.passed());
        test.set("error", s.error);
        test.set("mismatches", arrayOf(s.mismatches));
        tests.call<void>("push", test);
        pass = pass && s.passed();
    }
    result.set("error", std::string());
    result.set("pass", pass);
    result.set("points", mox::pointsEarned(runs, exercise));
    result.set("possible", mox::pointsPossible(exercise));
    result.set("summary", mox::checkSummary(runs, exercise));
    return result;
}

// What a student is given of an exercise's files, for a link to carry.
val studentFiles(const val& files) {
    val out = val::object();
    for (const auto& [name, text] : mox::studentFiles(exerciseFiles(files)))
        out.set(name, text);
    return out;
}

// The first start of an exercise, which a debug session starts from.
val exerciseStart(const val& files, const std::string& folder) {
    val result = val::object();
    auto read = mox::exerciseFromFiles(exerciseFiles(files), folder);
    if (const auto* error = std::get_if<std::string>(&read)) {
        result.set("ok", false);
        result.set("error", *error);
        return result;
    }
    result.set("ok", true);
    result.set("state", val(State{std::move(std::get<mox::Exercise>(read).tests.front().start)}));
    return result;
}

// The run control for the page and the debug adapter: each action's outcome
// is kept, its changes for lastChanges() and the rest, in order, for
// takeEvents().
class Machine {
public:
    mox::ExecutionMode mode() const { return emulator_.executionMode; }
    void setMode(mox::ExecutionMode mode) { emulator_.executionMode = mode; }

    void loadProgram(const val& fileBytes) {
        keep(emulator_.loadProgram(mox::textModeText(bytesOf(fileBytes))));
    }
    void execute() { keep(emulator_.runText(listing_)); }
    void step() { keep(emulator_.stepInstruction()); }
    void typeInstruction(const std::string& text) { keep(emulator_.executeTypedInstruction(text)); }

    bool back() {
        auto outcome = emulator_.back();
        keep(outcome ? std::move(*outcome) : mox::Outcome{});
        return outcome.has_value();
    }
    bool canGoBack() const { return emulator_.canGoBack(); }
    // The timeline: a move tells its changes and messages as that many Steps
    // or Backs would.
    void moveTo(double word) {
        // A number from the page: NaN and negatives are the start, and the core
        // stops at the run's end whatever the size.
        const double clamped = word > 0 ? std::min(word, 1e15) : 0;
        keep(emulator_.moveTo(static_cast<std::size_t>(clamped)));
    }
    val timeline() const {
        const mox::Timeline t = emulator_.timeline();
        val out = val::object();
        out.set("word", static_cast<double>(t.word));
        out.set("length", static_cast<double>(t.length));
        out.set("available", t.available);
        return out;
    }
    void reset() {
        keep({});
        emulator_.reset();
    }
    void clearMemory() {
        changingMemory([this] { emulator_.clearMemory(); });
    }
    void fillMemory() {
        changingMemory([this] { emulator_.fillMemory(); });
    }
    double executedCount() const { return static_cast<double>(emulator_.executedCount()); }

    val registers() const { return int32Copy(emulator_.cpu.registers.data(), 16); }
    val memory() const { return int32Copy(emulator_.cpu.memory.data(), 256); }
    bool running() const { return emulator_.cpu.running; }
    bool programLoaded() const { return emulator_.cpu.programLoaded; }
    val nextInstruction() const { return latin1(emulator_.cpu.nextInstructionText()); }
    int instructionPointer() const { return emulator_.cpu.instructionPointer; }

    val lastChanges() const { return changeObjects(changes_); }
    val lastCycle(mox::Base base) const { return cycleObject(emulator_.lastCycle(), base); }
    val nextCycle(mox::Base base) const { return cycleObject(emulator_.nextCycle(), base); }
    val takeEvents() {
        val taken = events_;
        events_ = val::array();
        return taken;
    }

    // The editors' debugger edits one value at a time, as Back can take back.
    bool setValue(const std::string& where, int index, std::int32_t value) {
        mox::Outcome outcome;
        outcome.changes.push_back(emulator_.setValue(
            where == "memory" ? mox::Change::Where::Memory : mox::Change::Where::Register, index,
            value));
        const bool changed = outcome.changes.back().where != mox::Change::Where::Nothing;
        keep(std::move(outcome));
        return changed;
    }

    void applyState(const State& state) { mox::applyState(state.values, emulator_.cpu); }
    val mismatches(const State& expected, double executed, mox::Base base) const {
        return arrayOf(mox::stateMismatches(expected.values, emulator_.cpu,
                                            static_cast<std::size_t>(executed), base));
    }

private:
    // The page lights only what changed, so words that changed nothing drop
    // out of lastChanges(); events are the texts the page shows.
    void keep(mox::Outcome outcome) {
        changes_.clear();
        for (const mox::Change& c : outcome.changes)
            if (c.where != mox::Change::Where::Nothing)
                changes_.push_back(c);
        if (outcome.listing) {
            listing_ = *outcome.listing;
            event("listing").set("text", latin1(listing_));
        }
        if (outcome.title)
            event("title").set("text", latin1(mox::modeTitle(*outcome.title)));
        for (const mox::Message& m : outcome.messages) {
            val e = event("message");
            e.set("text", latin1(m.text));
            e.set("caption", latin1(m.caption));
            e.set("icon", m.icon == mox::Icon::Error ? "error" : "information");
        }
    }

    val event(const char* kind) {
        val e = val::object();
        e.set("kind", kind);
        events_.call<void>("push", e);
        return e;
    }

    // Clear and Fill give no outcome of their own, so what they changed is
    // read off the cells, in address order.
    template <class Edit> void changingMemory(Edit&& edit) {
        const auto before = emulator_.cpu.memory;
        edit();
        mox::Outcome outcome;
        for (std::size_t a = 0; a < before.size(); ++a)
            if (before[a] != emulator_.cpu.memory[a])
                outcome.changes.push_back({mox::Change::Where::Memory, static_cast<int>(a),
                                           before[a], emulator_.cpu.memory[a]});
        keep(std::move(outcome));
    }

    mox::Emulator emulator_;
    std::vector<mox::Change> changes_;
    std::string listing_;
    val events_ = val::array();
};

} // namespace

EMSCRIPTEN_BINDINGS(mox77_core) {
    using namespace emscripten;
    enum_<mox::Base>("Base")
        .value("Binary", mox::Base::Binary)
        .value("Decimal", mox::Base::Decimal)
        .value("Hexadecimal", mox::Base::Hexadecimal);
    enum_<mox::ExecutionMode>("ExecutionMode")
        .value("StepByStep", mox::ExecutionMode::StepByStep)
        .value("FullExecution", mox::ExecutionMode::FullExecution);
    function("assemble", &assemble);
    function("instructionTable", &instructionTable);
    function("registerNames", &registerNames);
    function("describeWord", &describeWord);
    function("formatNumber", &formatNumber);
    function("radixOf", &radixOf);
    function("baseOfRadix", &baseOfRadix);
    function("outputFileName", &outputFileName);
    function("parseState", &parseState);
    function("errorCountLine", &errorCountLine);
    function("writtenLine", &writtenLine);
    function("checkProgram", &checkProgram, allow_raw_pointers());
    function("checkExercise", &checkExercise);
    function("exerciseStart", &exerciseStart);
    function("studentFiles", &studentFiles);
    class_<State>("State");
    class_<Machine>("Machine")
        .constructor<>()
        .function("mode", &Machine::mode)
        .function("setMode", &Machine::setMode)
        .function("loadProgram", &Machine::loadProgram)
        .function("execute", &Machine::execute)
        .function("step", &Machine::step)
        .function("typeInstruction", &Machine::typeInstruction)
        .function("back", &Machine::back)
        .function("canGoBack", &Machine::canGoBack)
        .function("moveTo", &Machine::moveTo)
        .function("timeline", &Machine::timeline)
        .function("reset", &Machine::reset)
        .function("clearMemory", &Machine::clearMemory)
        .function("fillMemory", &Machine::fillMemory)
        .function("executedCount", &Machine::executedCount)
        .function("registers", &Machine::registers)
        .function("memory", &Machine::memory)
        .function("running", &Machine::running)
        .function("programLoaded", &Machine::programLoaded)
        .function("nextInstruction", &Machine::nextInstruction)
        .function("instructionPointer", &Machine::instructionPointer)
        .function("lastChanges", &Machine::lastChanges)
        .function("lastCycle", &Machine::lastCycle)
        .function("nextCycle", &Machine::nextCycle)
        .function("takeEvents", &Machine::takeEvents)
        .function("setValue", &Machine::setValue)
        .function("applyState", &Machine::applyState)
        .function("mismatches", &Machine::mismatches);
}
