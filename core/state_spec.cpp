#include "state_spec.h"

#include "format.h"
#include "instruction_set.h"
#include "text.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

namespace mox {

namespace {

// In file order, so that the first fault reported is the first in the file.
using Json = nlohmann::ordered_json;

struct Invalid {
    StateError error;
};

[[noreturn]] void fail(std::string place, std::string reason) {
    throw Invalid{{std::move(place), std::move(reason)}};
}

// Adds a key to a place such as "registers.ax"; an empty key is shown as "",
// so that the place is never empty.
void appendField(std::string& place, std::string_view key) {
    if (!place.empty())
        place.push_back('.');
    place.append(key.empty() ? "\"\"" : printableText(key));
}

std::string fieldPlace(std::string place, std::string_view key) {
    appendField(place, key);
    return place;
}

// Decimal or 0x hexadecimal, with a leading minus when allowed; nothing for
// any other text, or one too long to be any value a state can hold.
std::optional<std::int64_t> parseInteger(std::string_view text, bool allowMinus) {
    const bool negative = allowMinus && text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex)
        text.remove_prefix(2);
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        const int digit = hex ? hexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
    }
    return negative ? -value : value;
}

// -1 and 4294967295 are the same 32-bit pattern; either may be written.
std::int32_t wordValue(const Json& value, const std::string& place) {
    std::optional<std::int64_t> n;
    if (value.is_number_unsigned()) {
        if (const auto u = value.get<std::uint64_t>();
            u <= std::numeric_limits<std::uint32_t>::max())
            n = static_cast<std::int64_t>(u);
    } else if (value.is_number_integer()) {
        n = value.get<std::int64_t>();
    } else if (value.is_string()) {
        n = parseInteger(value.get_ref<const std::string&>(), true);
    }
    if (!n || *n < std::numeric_limits<std::int32_t>::min() ||
        *n > std::numeric_limits<std::uint32_t>::max())
        fail(place, "expected a 32-bit value: an integer from -2147483648 to 4294967295, or a "
                    "string such as \"0xff\"");
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*n));
}

void requireObject(const Json& value, const std::string& place, std::string_view what) {
    if (!value.is_object())
        fail(place, "expected an object from " + std::string(what) + " to value");
}

void readRegisters(const Json& field, StateSpec& state) {
    requireObject(field, "registers", "register name");
    for (const auto& [name, value] : field.items()) {
        const std::string place = fieldPlace("registers", name);
        std::size_t r = 0;
        while (r < registerNames.size() && lowerText(name) != registerNames[r])
            ++r;
        if (r == registerNames.size())
            fail(place, "unknown register (use ax to px)");
        if (state.registers[r])
            fail(place, "register " + std::string(registerNames[r]) + " is named twice");
        state.registers[r] = wordValue(value, place);
    }
}

void readMemory(const Json& field, StateSpec& state) {
    requireObject(field, "memory", "cell address");
    for (const auto& [address, value] : field.items()) {
        const std::string place = fieldPlace("memory", address);
        const auto a = parseInteger(address, false);
        if (!a || *a > 255)
            fail(place, "no such cell (use 0 to 255, or 0x0 to 0xff)");
        auto& cell = state.memory[static_cast<std::size_t>(*a)];
        if (cell)
            fail(place, "cell " + std::to_string(*a) + " is named twice");
        cell = wordValue(value, place);
    }
}

StateSpec interpret(const Json& root, StateUse use) {
    if (!root.is_object())
        fail("top level", "expected a JSON object");
    const bool expected = use == StateUse::Expected;
    StateSpec state;
    for (const auto& [key, value] : root.items()) {
        const std::string place = fieldPlace("", key);
        if (key == "registers") {
            readRegisters(value, state);
        } else if (key == "memory") {
            readMemory(value, state);
        } else if (!expected && (key == "running" || key == "executed")) {
            fail(place, "a starting state sets only registers and memory");
        } else if (key == "running") {
            if (!value.is_boolean())
                fail(place, "expected true or false");
            state.running = value.get<bool>();
        } else if (key == "executed") {
            if (!value.is_number_unsigned())
                fail(place, "expected a number of words, 0 or more");
            state.executed = value.get<std::uint64_t>();
        } else {
            fail(place, expected ? "unknown field (use registers, memory, running or executed)"
                                 : "unknown field (use registers or memory)");
        }
    }
    return state;
}

// The library's message without its "[json.exception.parse_error.101] ".
std::string_view messageOf(const nlohmann::json::exception& e) {
    const std::string_view what = e.what();
    const auto tag = what.find("] ");
    return tag == std::string_view::npos ? what : what.substr(tag + 2);
}

// "parse error at line 3, column 12: <reason>" split into place and reason.
StateError syntaxError(const nlohmann::json::parse_error& e) {
    const std::string_view what = messageOf(e);
    const auto at = what.find(" at line ");
    const auto colon = at == std::string_view::npos ? at : what.find(": ", at);
    if (colon == std::string_view::npos)
        return {"byte " + std::to_string(e.byte), printableText(what)};
    return {std::string(what.substr(at + 4, colon - at - 4)),
            printableText(what.substr(colon + 2))};
}

// The parser keeps the last of two equal keys without a word; a course file
// that names a field twice is a slip to point at. Each open container keeps
// only its own name, and the place is put together once a key repeats: a
// whole place per level would take memory as the square of the depth.
Json parseJson(std::string_view text) {
    struct Container {
        std::string name; // its key in the object around it; empty in an array
        bool isObject;
        std::set<std::string> keys;
    };
    std::vector<Container> open;
    std::string lastKey;
    std::optional<StateError> twice;
    const auto placeOf = [&open](std::string_view key) {
        std::string place;
        for (std::size_t i = 1; i < open.size(); ++i) {
            if (open[i - 1].isObject)
                appendField(place, open[i].name);
            else
                place.append("[]");
        }
        appendField(place, key);
        return place;
    };
    const auto note = [&](int, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        if (event == Event::object_start || event == Event::array_start) {
            const bool inObject = !open.empty() && open.back().isObject;
            open.push_back({inObject ? lastKey : std::string(), event == Event::object_start, {}});
        } else if (event == Event::object_end || event == Event::array_end) {
            open.pop_back();
        } else if (event == Event::key) {
            lastKey = parsed.get<std::string>();
            if (!open.back().keys.insert(lastKey).second && !twice)
                twice = StateError{placeOf(lastKey), "named twice"};
        }
        return true;
    };
    Json root = Json::parse(text.begin(), text.end(), note);
    if (twice)
        throw Invalid{*twice};
    return root;
}

} // namespace

std::variant<StateSpec, StateError> parseStateSpec(std::string_view json, StateUse use) {
    // Windows editors may begin a UTF-8 file with a byte order mark; the
    // parser skips it but counts it in the column of a fault, where no
    // editor shows it.
    if (json.starts_with("\xef\xbb\xbf"))
        json.remove_prefix(3);
    // nlohmann-json 3.11.3 words an empty file its own way; every Debian gives
    // the words of the versions before it.
    if (json.empty())
        return StateError{"line 1, column 1", "syntax error while parsing value - unexpected end "
                                              "of input; expected '[', '{', or a literal"};
    try {
        return interpret(parseJson(json), use);
    } catch (const Invalid& invalid) {
        return invalid.error;
    } catch (const nlohmann::json::parse_error& e) {
        return syntaxError(e);
    } catch (const nlohmann::json::exception& e) {
        // A number beyond what the parser holds, which it reports without a place.
        return StateError{"the text", printableText(messageOf(e))};
    }
}

void applyState(const StateSpec& state, Cpu& cpu) {
    for (std::size_t r = 0; r < cpu.registers.size(); ++r)
        if (state.registers[r])
            cpu.registers[r] = *state.registers[r];
    for (std::size_t a = 0; a < cpu.memory.size(); ++a)
        if (state.memory[a])
            cpu.memory[a] = *state.memory[a];
}

std::string cellName(std::size_t address, Base base) {
    std::string name = "[";
    name.append(formatNumber(static_cast<std::int32_t>(address), base)).push_back(']');
    return name;
}

std::vector<std::string> stateMismatches(const StateSpec& expected, const Cpu& cpu,
                                         std::size_t executed, Base base) {
    std::vector<std::string> lines;
    const auto differ = [&lines](const std::string& what, const std::string& want,
                                 const std::string& got) {
        if (want != got)
            lines.push_back(what + ": expected " + want + ", got " + got);
    };
    const auto flag = [](bool b) { return std::string(b ? "true" : "false"); };
    if (expected.executed)
        differ("executed", std::to_string(*expected.executed), std::to_string(executed));
    if (expected.running)
        differ("running", flag(*expected.running), flag(cpu.running));
    for (std::size_t r = 0; r < cpu.registers.size(); ++r)
        if (expected.registers[r])
            differ(std::string(registerNames[r]), formatNumber(*expected.registers[r], base),
                   formatNumber(cpu.registers[r], base));
    for (std::size_t a = 0; a < cpu.memory.size(); ++a)
        if (expected.memory[a])
            differ(cellName(a, base), formatNumber(*expected.memory[a], base),
                   formatNumber(cpu.memory[a], base));
    return lines;
}

} // namespace mox
