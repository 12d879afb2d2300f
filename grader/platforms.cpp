#include "platforms.h"

#include "text.h"

#include <algorithm>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <sstream>

namespace mox {

namespace {

using Json = nlohmann::ordered_json;

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text.append(printableText(line)).push_back('\n');
    return text;
}

// Why a hand-in cannot be graded as one program; empty when it can.
std::string handInProblem(const ClassGrades& grades) {
    if (grades.rows.empty())
        return "No .asm or .8xe file was handed in.";
    if (grades.rows.size() > 1) {
        std::string names;
        for (const Graded& g : grades.rows)
            names.append(names.empty() ? "" : ", ").append(printableText(g.file));
        return "Hand in one program; found " + std::to_string(grades.rows.size()) + ": " + names +
               ".";
    }
    if (!grades.rows.front().readable())
        return printableText(grades.rows.front().file) + ": " +
               grades.rows.front().runs.front().error;
    return "";
}

std::size_t hiddenCount(const ClassGrades& grades) {
    return static_cast<std::size_t>(std::count_if(grades.exercise.tests.begin(),
                                                  grades.exercise.tests.end(),
                                                  [](const ExerciseTest& t) { return t.hidden; }));
}

// "sum.asm: 1 of 2 tests passed, 1 of 2 points."; with hidden starts
// "sum.asm: 2 of 2 public starts pass; 7 of 8 hidden starts pass, 9 of 10
// points.", or where students see the line before the hidden tests
// "sum.asm: 2 of 2 public starts pass; 8 hidden starts are shown when the
// grades are published."
std::string scoreLine(const ClassGrades& grades, const Graded& g, bool hiddenLater = false) {
    if (const std::size_t hidden = hiddenCount(grades); hidden > 0) {
        const std::string file = printableText(g.file) + ": ";
        if (!hiddenLater)
            return file + checkSummary(g.runs, grades.exercise) + ", " +
                   pointsText(pointsEarned(g, grades.exercise)) + " of " +
                   pointsText(pointsPossible(grades.exercise)) + " points.";
        Exercise shown = grades.exercise;
        shown.tests.resize(shown.tests.size() - hidden);
        shown.hiddenElsewhere = static_cast<unsigned>(hidden);
        return file + checkSummary(g.runs, shown, "shown when the grades are published") + ".";
    }
    std::size_t passed = 0;
    for (const Submission& run : g.runs)
        passed += run.passed() ? 1 : 0;
    return printableText(g.file) + ": " + std::to_string(passed) + " of " +
           std::to_string(g.runs.size()) + (g.runs.size() == 1 ? " test" : " tests") + " passed, " +
           pointsText(pointsEarned(g, grades.exercise)) + " of " +
           pointsText(pointsPossible(grades.exercise)) + " points.";
}

} // namespace

std::string gradescopeReport(const ClassGrades& grades, double seconds) {
    const std::string problem = handInProblem(grades);
    const Graded* g = problem.empty() ? &grades.rows.front() : nullptr;
    Json tests = Json::array();
    for (std::size_t i = 0; i < grades.exercise.tests.size(); ++i) {
        const ExerciseTest& test = grades.exercise.tests[i];
        const bool passed = g && g->runs[i].passed();
        tests.push_back({
            {"name", testTitle(test, grades.showHidden)},
            {"score", pointsJson(passed ? test.points : 0)},
            {"max_score", pointsJson(test.points)},
            {"status", passed ? "passed" : "failed"},
            {"output", g ? joined(failureLines(g->runs[i])) : problem},
            {"visibility", test.hidden ? "after_published" : "visible"},
        });
    }
    // A source that did not assemble says why above the tests too.
    std::string output = g ? scoreLine(grades, *g, true) + "\n" : problem;
    if (g && g->runs.front().errors.value_or(0) > 0)
        output += joined(failureLines(g->runs.front()));
    const Json results{
        {"score", pointsJson(g ? pointsEarned(*g, grades.exercise) : 0)},
        {"execution_time", static_cast<std::int64_t>(seconds + 0.999)},
        {"output", output},
        {"stdout_visibility", "visible"},
        {"tests", tests},
    };
    return results.dump(2) + "\n";
}

std::string prairieLearnReport(const ClassGrades& grades) {
    const std::string problem = handInProblem(grades);
    if (!problem.empty()) {
        const Json results{{"gradable", false},
                           {"score", 0},
                           {"message", problem},
                           {"format_errors", {problem}},
                           {"tests", Json::array()}};
        return results.dump(2) + "\n";
    }
    const Graded& g = grades.rows.front();
    const double possible = pointsPossible(grades.exercise);
    Json tests = Json::array();
    for (std::size_t i = 0; i < grades.exercise.tests.size(); ++i) {
        const ExerciseTest& test = grades.exercise.tests[i];
        const bool passed = g.runs[i].passed();
        tests.push_back({
            {"name", testTitle(test, grades.showHidden)},
            {"points", pointsJson(passed ? test.points : 0)},
            {"max_points", pointsJson(test.points)},
            {"message", passed ? "passed" : "failed"},
            {"output", joined(failureLines(g.runs[i]))},
        });
    }
    // An exercise worth nothing is passed or not.
    const double score =
        possible > 0 ? pointsEarned(g, grades.exercise) / possible : (g.passed() ? 1 : 0);
    const Json results{
        {"gradable", true}, {"score", score}, {"message", scoreLine(grades, g)}, {"tests", tests}};
    return results.dump(2) + "\n";
}

std::string junitReport(const ClassGrades& grades, double seconds) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node all = doc.append_child("testsuites");
    all.append_attribute("name") = "mox77-grade";
    std::size_t testCount = 0, failures = 0;
    for (const Graded& g : grades.rows) {
        const std::string file = printableText(g.file);
        pugi::xml_node suite = all.append_child("testsuite");
        suite.append_attribute("name") = file.c_str();
        std::size_t suiteFailures = 0;
        for (std::size_t i = 0; i < g.runs.size(); ++i) {
            pugi::xml_node testCase = suite.append_child("testcase");
            testCase.append_attribute("name") =
                testTitle(grades.exercise.tests[i], grades.showHidden).c_str();
            testCase.append_attribute("classname") = file.c_str();
            const std::vector<std::string> lines = failureLines(g.runs[i]);
            if (lines.empty())
                continue;
            ++suiteFailures;
            pugi::xml_node failure = testCase.append_child("failure");
            failure.append_attribute("message") = printableText(lines.front()).c_str();
            failure.text() = joined(lines).c_str();
        }
        suite.append_attribute("tests") = g.runs.size();
        suite.append_attribute("failures") = suiteFailures;
        suite.append_attribute("errors") = 0;
        testCount += g.runs.size();
        failures += suiteFailures;
    }
    all.append_attribute("tests") = testCount;
    all.append_attribute("failures") = failures;
    all.append_attribute("errors") = 0;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    all.append_attribute("time") = time;
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace mox
