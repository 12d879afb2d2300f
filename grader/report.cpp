#include "report.h"

#include "text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <nlohmann/json.hpp>

namespace mox {

namespace {

// The columns every form shares, as text; empty where a value does not apply.
struct Cells {
    std::string file, assembled, errors, error, executed, halted, result, firstMismatch;
};

Cells cellsOf(const Submission& s) {
    Cells c;
    c.file = printableText(s.file);
    if (s.errors) {
        c.assembled = *s.errors == 0 ? "yes" : "no";
        c.errors = std::to_string(*s.errors);
    }
    c.error = s.error;
    if (s.executed) {
        c.executed = std::to_string(*s.executed);
        c.halted = s.halted ? "yes" : "no";
    }
    c.result = s.passed() ? "PASS" : "FAIL";
    if (!s.mismatches.empty())
        c.firstMismatch = s.mismatches.front();
    return c;
}

// For a person: the assembler's verdict and why a program did not run share
// one column, and "-" stands where nothing applies.
std::array<std::string, 6> tableRow(const Submission& s) {
    const Cells c = cellsOf(s);
    std::string assembled = c.error;
    if (s.errors.value_or(0) > 0)
        assembled = c.errors + (*s.errors == 1 ? " error: " : " errors: ") + c.error;
    else if (c.error.empty())
        assembled = s.source ? "yes" : "-";
    const auto orDash = [](const std::string& text) { return text.empty() ? "-" : text; };
    return {c.file, assembled, orDash(c.executed), orDash(c.halted), c.result, c.firstMismatch};
}

// RFC 4180 quoting, and a leading = + - or @ made harmless, since a student
// chooses the file's name and a spreadsheet would take it for a formula.
std::string csvField(const std::string& text) {
    std::string field;
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos)
        field.push_back('\'');
    field.append(text);
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        quoted.push_back(c);
        if (c == '"')
            quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

// The columns a cell takes on a terminal: a name's accented letters are one
// each, though UTF-8 spends two or more bytes on them.
std::size_t shownWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

std::size_t passedCount(const std::vector<Submission>& rows) {
    return static_cast<std::size_t>(
        std::count_if(rows.begin(), rows.end(), [](const Submission& s) { return s.passed(); }));
}

} // namespace

std::string tableReport(const std::vector<Submission>& rows) {
    std::vector<std::array<std::string, 6>> table{
        {"file", "assembled", "executed", "halted", "result", "first mismatch"}};
    for (const Submission& s : rows)
        table.push_back(tableRow(s));
    std::array<std::size_t, 6> width{};
    for (const auto& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            width[i] = std::max(width[i], shownWidth(row[i]));
    std::string out;
    for (const auto& row : table) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line.append(row[i]);
            if (i + 1 < row.size())
                line.append(width[i] - shownWidth(row[i]) + 2, ' ');
        }
        // The last column may be empty.
        line.erase(line.find_last_not_of(' ') + 1);
        out.append(line).push_back('\n');
    }
    return out + summaryLine(rows) + "\n";
}

std::string csvReport(const std::vector<Submission>& rows) {
    std::string out = "file,assembled,errors,error,executed,halted,result,first_mismatch\r\n";
    for (const Submission& s : rows) {
        const Cells c = cellsOf(s);
        const std::string fields[] = {c.file,     c.assembled, c.errors, c.error,
                                      c.executed, c.halted,    c.result, c.firstMismatch};
        for (std::size_t i = 0; i < std::size(fields); ++i)
            out.append(i == 0 ? "" : ",").append(csvField(fields[i]));
        out.append("\r\n");
    }
    return out;
}

std::string jsonReport(const std::vector<Submission>& rows) {
    using Json = nlohmann::ordered_json;
    Json submissions = Json::array();
    for (const Submission& s : rows) {
        const Cells c = cellsOf(s);
        const Json none;
        submissions.push_back({
            {"file", c.file},
            {"assembled", s.errors ? Json(*s.errors == 0) : none},
            {"errors", s.errors ? Json(*s.errors) : none},
            {"error", c.error.empty() ? none : Json(c.error)},
            {"executed", s.executed ? Json(*s.executed) : none},
            {"halted", s.executed ? Json(s.halted) : none},
            {"result", c.result},
            {"mismatches", s.mismatches},
        });
    }
    const Json report{
        {"submissions", submissions}, {"passed", passedCount(rows)}, {"total", rows.size()}};
    return report.dump(2) + "\n";
}

std::string summaryLine(const std::vector<Submission>& rows) {
    return std::to_string(passedCount(rows)) + " of " + std::to_string(rows.size()) + " passed";
}

} // namespace mox
