#include "report.h"

#include "text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <nlohmann/json.hpp>

namespace mox {

namespace {

using Json = nlohmann::ordered_json;

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

// A file's own verdict, the same in every run: how it was read and assembled.
const Submission& fileRun(const Graded& g) {
    static const Submission none;
    return g.runs.empty() ? none : g.runs.front();
}

std::string resultOf(const Graded& g) {
    return g.passed() ? "PASS" : "FAIL";
}

// For a person: the assembler's verdict and why a program did not run share
// one column, and "-" stands where nothing applies.
std::string assembledCell(const Submission& s) {
    const Cells c = cellsOf(s);
    if (s.errors.value_or(0) > 0)
        return c.errors + (*s.errors == 1 ? " error: " : " errors: ") + c.error;
    if (c.error.empty())
        return s.source ? "yes" : "-";
    return c.error;
}

std::string orDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

// The first difference of the first test that found one, named by its test.
std::string firstMismatchOf(const ClassGrades& grades, const Graded& g) {
    for (std::size_t i = 0; i < g.runs.size(); ++i)
        if (!g.runs[i].mismatches.empty())
            return grades.exercise.tests[i].name + ": " + g.runs[i].mismatches.front();
    return "";
}

using Row = std::vector<std::string>;

Row tableHeader(const ClassGrades& grades) {
    if (!grades.perTest)
        return {"file", "assembled", "executed", "halted", "result", "first mismatch"};
    Row header{"file", "assembled"};
    for (const ExerciseTest& test : grades.exercise.tests)
        header.push_back(test.name);
    header.insert(header.end(), {"points", "first mismatch"});
    return header;
}

Row tableRow(const ClassGrades& grades, const Graded& g) {
    const Submission& s = fileRun(g);
    if (!grades.perTest) {
        const Cells c = cellsOf(s);
        return {c.file,           assembledCell(s), orDash(c.executed),
                orDash(c.halted), c.result,         c.firstMismatch};
    }
    Row row{printableText(g.file), assembledCell(s)};
    for (const Submission& run : g.runs)
        row.push_back(run.passed() ? "PASS" : "FAIL");
    row.push_back(pointsText(pointsEarned(g, grades.exercise)) + " of " +
                  pointsText(pointsPossible(grades.exercise)));
    row.push_back(firstMismatchOf(grades, g));
    return row;
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

std::string csvLine(const Row& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line.append(i == 0 ? "" : ",").append(csvField(fields[i]));
    return line + "\r\n";
}

// The columns a cell takes on a terminal: a name's accented letters are one
// each, though UTF-8 spends two or more bytes on them.
std::size_t shownWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

std::size_t passedCount(const ClassGrades& grades) {
    return static_cast<std::size_t>(std::count_if(grades.rows.begin(), grades.rows.end(),
                                                  [](const Graded& g) { return g.passed(); }));
}

Json orNull(bool present, Json value) {
    return present ? std::move(value) : Json();
}

// The members a file has whatever it was graded against.
Json fileJson(const Submission& s) {
    const Cells c = cellsOf(s);
    return {
        {"file", c.file},
        {"assembled", orNull(s.errors.has_value(), s.errors.value_or(0) == 0)},
        {"errors", orNull(s.errors.has_value(), s.errors.value_or(0))},
        {"error", orNull(!c.error.empty(), c.error)},
    };
}

Json runJson(const Submission& s) {
    return {
        {"executed", orNull(s.executed.has_value(), s.executed.value_or(0))},
        {"halted", orNull(s.executed.has_value(), s.halted)},
        {"result", s.passed() ? "PASS" : "FAIL"},
        {"mismatches", s.mismatches},
    };
}

Json testsJson(const ClassGrades& grades, const Graded& g) {
    Json tests = Json::array();
    for (std::size_t i = 0; i < g.runs.size(); ++i) {
        const ExerciseTest& test = grades.exercise.tests[i];
        Json init = orNull(!test.startName.empty(), test.startName);
        if (test.hidden)
            init = grades.showHidden ? Json::parse(test.inputs) : Json();
        Json t{{"name", test.name},
               {"hidden", test.hidden},
               {"init", init},
               {"points", pointsJson(g.runs[i].passed() ? test.points : 0)},
               {"max_points", pointsJson(test.points)}};
        t.update(runJson(g.runs[i]));
        tests.push_back(std::move(t));
    }
    return tests;
}

} // namespace

std::string pointsText(double points) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, points).ptr;
    return std::string(buffer, end);
}

Json pointsJson(double points) {
    if (points == std::floor(points) && std::abs(points) < 1e15)
        return Json(static_cast<std::int64_t>(points));
    return Json(points);
}

std::string testTitle(const ExerciseTest& test, bool showHidden) {
    if (test.hidden)
        return showHidden ? test.name + " from " + test.inputs : test.name;
    return test.startName.empty() ? test.name : test.name + " from " + test.startName;
}

std::vector<std::string> failureLines(const Submission& run) {
    if (run.passed())
        return {};
    if (!run.mismatches.empty())
        return run.mismatches;
    if (!run.errorLines.empty()) {
        std::vector<std::string> lines = run.errorLines;
        if (run.errors && static_cast<std::size_t>(*run.errors) > lines.size())
            lines.push_back("and " + std::to_string(*run.errors - lines.size()) + " more errors");
        return lines;
    }
    if (!run.error.empty())
        return {run.error};
    return {"did not pass"};
}

std::string tableReport(const ClassGrades& grades) {
    std::vector<Row> table{tableHeader(grades)};
    for (const Graded& g : grades.rows)
        table.push_back(tableRow(grades, g));
    std::vector<std::size_t> width(table.front().size());
    for (const Row& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            width[i] = std::max(width[i], shownWidth(row[i]));
    std::string out;
    for (const Row& row : table) {
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
    // Too wide for a column, the hidden starts' inputs come under the table.
    if (grades.showHidden)
        for (const ExerciseTest& test : grades.exercise.tests)
            if (test.hidden)
                out += testTitle(test, true) + "\n";
    return out + summaryLine(grades) + "\n";
}

std::string csvReport(const ClassGrades& grades) {
    if (!grades.perTest) {
        std::string out = csvLine({"file", "assembled", "errors", "error", "executed", "halted",
                                   "result", "first_mismatch"});
        for (const Graded& g : grades.rows) {
            const Cells c = cellsOf(fileRun(g));
            out += csvLine({c.file, c.assembled, c.errors, c.error, c.executed, c.halted, c.result,
                            c.firstMismatch});
        }
        return out;
    }
    // One row per student, a column of points per test and their total: what
    // a gradebook's import maps onto its own columns.
    Row header{"student", "file", "assembled", "errors", "error"};
    for (const ExerciseTest& test : grades.exercise.tests)
        header.push_back(test.hidden ? testTitle(test, grades.showHidden) : test.name);
    header.insert(header.end(), {"total", "result"});
    std::string out = csvLine(header);
    for (const Graded& g : grades.rows) {
        const Cells c = cellsOf(fileRun(g));
        Row row{printableText(g.student), c.file, c.assembled, c.errors, c.error};
        for (std::size_t i = 0; i < g.runs.size(); ++i)
            row.push_back(pointsText(g.runs[i].passed() ? grades.exercise.tests[i].points : 0));
        row.push_back(pointsText(pointsEarned(g, grades.exercise)));
        row.push_back(resultOf(g));
        out += csvLine(row);
    }
    return out;
}

std::string jsonReport(const ClassGrades& grades) {
    Json submissions = Json::array();
    for (const Graded& g : grades.rows) {
        Json s = fileJson(fileRun(g));
        if (!grades.perTest) {
            s.update(runJson(fileRun(g)));
        } else {
            s["student"] = printableText(g.student);
            s["result"] = resultOf(g);
            s["points"] = pointsJson(pointsEarned(g, grades.exercise));
            s["max_points"] = pointsJson(pointsPossible(grades.exercise));
            s["tests"] = testsJson(grades, g);
        }
        submissions.push_back(std::move(s));
    }
    const Json report{{"submissions", submissions},
                      {"passed", passedCount(grades)},
                      {"total", grades.rows.size()}};
    return report.dump(2) + "\n";
}

std::string summaryLine(const ClassGrades& grades) {
    return std::to_string(passedCount(grades)) + " of " + std::to_string(grades.rows.size()) +
           " passed";
}

} // namespace mox
