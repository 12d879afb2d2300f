// Runs the built mox77-grade on class folders, as a teacher or a script would.
#include "../run_tool.h"
#include "../temp_dir.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

struct Result {
    int status;
    std::string out, err;
};

// A program that leaves ax = ff and [10] = ff, and one that leaves ax = fe.
const std::string goodSource = "load ax, ff\nstore ax, 10\nhalt\n";
const std::string expected =
    R"({"registers": {"ax": 255}, "memory": {"16": "0xff"}, "running": false})";

class GradeTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        writeFile("expect.json", expected);
    }

    Result grade(const std::string& args) {
        const ShellRun r = runShell(dir, memoryLimit + toolCommand("mox77-grade") + " " + args +
                                             " </dev/null >out.txt 2>err.txt");
        return {r.status, readFile("out.txt"), readFile("err.txt")};
    }

    // Good, failing, unassemblable and binary work, odd names, a zero byte.
    void writeClass() {
        fs::create_directories(dir / "class" / "nested");
        writeFile("class/good.asm", goodSource);
        writeFile("class/wrong.asm", "load ax, fe\nhalt\n");
        writeFile("class/typo.asm", "lod ax, ff\nmov bx\nhalt\n");
        writeFile("class/binary.8xe", std::string("\x7f"
                                                  "ELF\x02\x01\0\0",
                                                  8));
        writeFile("class/zero.ASM", goodSource + std::string("\0mov\n", 5));
        writeFile("class/my prog, \"v2\".8xe", "20ff3010f000");
        writeFile("class/nested/=sum(1).asm", goodSource);
        writeFile("class/notes.txt", "not a program");
        // What archives and editors leave beside the work is not graded.
        fs::create_directories(dir / "class" / "__MACOSX");
        writeFile("class/__MACOSX/._good.asm", std::string("\0\5\26\7", 4));
        writeFile("class/._typo.asm", std::string("\0\5\26\7", 4));
        fs::create_symlink("someone@host.1234", dir / "class/.#wrong.asm");
    }
};

// Splits RFC 4180 text into rows of fields.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            rows.back().back() += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            rows.back().emplace_back();
        else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            rows.emplace_back(1, (++i, ""));
        else
            rows.back().back() += c;
    }
    rows.pop_back(); // after the last line end
    return rows;
}

TEST_F(GradeTest, ClassFolderGivesOneRowEachAndTheSummary) {
    writeClass();
    const Result r = grade("--expect expect.json class");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "file                      assembled                                              "
              "                                executed  halted  result  first mismatch\n"
              "class/binary.8xe          invalid program: byte 0x7f at position 0 (counting from "
              "0) is not a hexadecimal digit  -         -       FAIL\n"
              "class/good.asm            yes                                                    "
              "                                3         yes     PASS\n"
              "class/my prog, \"v2\".8xe   -                                                      "
              "                                3         yes     PASS\n"
              "class/nested/=sum(1).asm  yes                                                    "
              "                                3         yes     PASS\n"
              "class/typo.asm            2 errors: error on line(1):  invalid instruction       "
              "                                -         -       FAIL\n"
              "class/wrong.asm           yes                                                    "
              "                                2         yes     FAIL    ax: expected ff, got fe\n"
              "class/zero.ASM            yes                                                    "
              "                                3         yes     PASS\n"
              "4 of 7 passed\n");
}

TEST_F(GradeTest, CsvAndJsonGiveTheSameRowsForScripts) {
    writeClass();
    writeFile("=sum(1).asm", goodSource);
    writeFile("class/latin1 \xe9t\xe9.asm", goodSource); // no UTF-8: JSON must still be valid
    const Result csv = grade("--csv --expect=expect.json class =sum\\(1\\).asm");
    const Result json = grade("--expect expect.json --json class =sum\\(1\\).asm");
    EXPECT_EQ(csv.status, 3);
    EXPECT_EQ(json.status, 3);
    EXPECT_EQ(csv.err, "6 of 9 passed\n");
    EXPECT_EQ(json.err, "6 of 9 passed\n");

    const auto rows = parseCsv(csv.out);
    ASSERT_EQ(rows.size(), 10u) << csv.out;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"file", "assembled", "errors", "error", "executed",
                                                 "halted", "result", "first_mismatch"}));
    const Json report = Json::parse(json.out);
    ASSERT_EQ(report["submissions"].size(), 9u);
    EXPECT_EQ(report["passed"], 6);
    EXPECT_EQ(report["total"], 9);
    const auto orEmpty = [](const Json& v) {
        return v.is_null()      ? std::string()
               : v.is_boolean() ? std::string(v.get<bool>() ? "yes" : "no")
               : v.is_string()  ? v.get<std::string>()
                                : v.dump();
    };
    for (std::size_t i = 0; i < 9; ++i) {
        const auto& row = rows[i + 1];
        const Json& s = report["submissions"][i];
        ASSERT_EQ(row.size(), 8u) << csv.out;
        // A spreadsheet must not take a student's file name for a formula.
        EXPECT_EQ(row[0], std::string(s["file"] == "=sum(1).asm" ? "'" : "")
                              .append(s["file"].get<std::string>()));
        EXPECT_EQ(row[1], orEmpty(s["assembled"]));
        EXPECT_EQ(row[2], orEmpty(s["errors"]));
        EXPECT_EQ(row[3], orEmpty(s["error"]));
        EXPECT_EQ(row[4], orEmpty(s["executed"]));
        EXPECT_EQ(row[5], orEmpty(s["halted"]));
        EXPECT_EQ(row[6], s["result"].get<std::string>());
        EXPECT_EQ(row[7], s["mismatches"].empty() ? "" : s["mismatches"][0].get<std::string>());
    }
    EXPECT_EQ(rows[3][0], "class/latin1 \\xe9t\\xe9.asm");
    EXPECT_EQ(rows[4][0], "class/my prog, \"v2\".8xe");
    const Json& wrong = report["submissions"][6];
    EXPECT_EQ(wrong["mismatches"], Json({"ax: expected ff, got fe", "[10]: expected ff, got 0"}));
    EXPECT_EQ(report["submissions"][5]["errors"], 2);
}

TEST_F(GradeTest, ExitStatusesAndWhatTheyReport) {
    fs::create_directories(dir / "empty");
    writeFile("good.asm", goodSource);
    writeFile("\xc3\xa9t\xc3\xa9.asm", goodSource);
    writeFile("wrong.8xe", "20fef000");
    writeFile("sum.asm", "loadm ax, 00\nloadm bx, 01\nadd ax, bx\nstore ax, 10\nhalt\n");
    writeFile("start.json", R"({"memory": {"0": 200, "1": 55}})");
    writeFile("bad.json", R"({"registers": {"qx": 1}})");
    fs::create_directories(dir / "odd");
    ASSERT_EQ(::mkfifo((dir / "odd/pipe.asm").c_str(), 0600), 0);
    fs::create_symlink("nowhere", dir / "odd/gone.asm");
    // Sparse: large on paper, nothing on the disk.
    fs::resize_file(writeFile("huge.asm", ""), (64u << 20) + 1);
    const std::string tryHelp = "Try 'mox77-grade --help' for more information.\n";
    const struct {
        std::string args;
        int status;
        std::string err;      // whole standard error
        std::string outHolds; // a line of the table
    } cases[] = {
        {"--expect expect.json good.asm", 0, "", "1 of 1 passed"},
        {"--expect expect.json good.asm wrong.8xe", 3, "", "ax: expected ff, got fe"},
        {"--init start.json --expect expect.json sum.asm", 0, "", "sum.asm  yes"},
        {"--expect expect.json sum.asm", 3, "", "0 of 1 passed"},
        {"--expect expect.json good.asm missing", 1,
         "mox77-grade: missing: no such file or folder\n", "1 of 1 passed"},
        {"--expect expect.json empty good.asm notes", 1,
         "mox77-grade: empty: holds no .asm or .8xe file\nmox77-grade: notes: no such file or "
         "folder\n",
         "1 of 1 passed"},
        {"--expect expect.json expect.json good.asm", 1,
         "mox77-grade: expect.json: not a .asm or .8xe file\n", "1 of 1 passed"},
        {"--expect expect.json odd good.asm", 1, "", "odd/gone.asm  cannot be read: no such file"},
        {"--expect expect.json odd", 1, "", "odd/pipe.asm  cannot be read: not a regular file"},
        {"--expect expect.json huge.asm", 3, "",
         "huge.asm  too large: 67108865 bytes, more than 64 MiB"},
        // A source never assembled has no assembler columns.
        {"--csv --expect expect.json huge.asm", 3, "0 of 1 passed\n",
         "huge.asm,,,\"too large: 67108865 bytes, more than 64 MiB\",,,FAIL,"},
        {"--expect bad.json good.asm", 2,
         "mox77-grade: bad.json: registers.qx: unknown register (use ax to px)\n", ""},
        {"--init expect.json --expect expect.json good.asm", 2,
         "mox77-grade: expect.json: running: a starting state sets only registers and memory\n",
         ""},
        {"good.asm", 2, "mox77-grade: no --expect file or --exercise folder given\n" + tryHelp, ""},
        {"--expect expect.json", 2, "mox77-grade: no program or folder given\n" + tryHelp, ""},
        {"--expect", 2, "mox77-grade: option '--expect' needs a value\n" + tryHelp, ""},
        {"--expect expect.json --init= good.asm", 2,
         "mox77-grade: option '--init' needs a value\n" + tryHelp, ""},
        {"--csv --json --expect expect.json good.asm", 2,
         "mox77-grade: --csv and --json exclude each other\n" + tryHelp, ""},
        {"--expect expect.json --radix 2 good.asm", 2,
         "mox77-grade: unknown option '--radix'\n" + tryHelp, ""},
        // Columns line up under a name with accents: three letters, not six bytes.
        {"--expect expect.json good.asm \xc3\xa9t\xc3\xa9.asm", 0, "",
         "\xc3\xa9t\xc3\xa9.asm   yes"},
    };
    for (const auto& c : cases) {
        const Result r = grade(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_NE(r.out.find(c.outHolds), std::string::npos) << c.args << "\n" << r.out;
    }
}

// Every source the fuzzers start from, with and without errors: the grader's
// count and first line are zerlant's, and its run is emurun's on zerlant's file.
TEST_F(GradeTest, SourcesAssembleAndRunExactlyAsZerlantAndEmurun) {
    std::vector<std::string> names;
    for (const char* folder : {MOX_SOURCE_DIR "/examples", MOX_SOURCE_DIR "/fuzz/corpus/assembly"})
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) {
                const std::string name = "s" + std::to_string(names.size()).append(".asm");
                fs::copy_file(entry.path(), dir / name);
                names.push_back(name);
            }
    writeFile("none.json", "{}");
    const Result graded = grade("--json --expect none.json s*.asm");
    const Json report = Json::parse(graded.out);
    ASSERT_EQ(report["submissions"].size(), names.size());
    for (const Json& s : report["submissions"]) {
        const std::string name = s["file"];
        const std::string console =
            runShell(dir, toolCommand("zerlant") + " " + name + " </dev/null 2>&1").out;
        std::istringstream lines(console);
        std::string line, firstError;
        long long errors = -1;
        while (std::getline(lines, line)) {
            if (firstError.empty() && (line.starts_with("error") || line.starts_with("fatal")))
                firstError = line;
            std::sscanf(line.c_str(), "process stoped with  (%lld)", &errors);
        }
        EXPECT_EQ(s["errors"], errors) << name;
        EXPECT_EQ(s["error"].is_null() ? "" : s["error"].get<std::string>(), firstError) << name;
        if (errors != 0)
            continue;
        const std::string program = fs::path(name).replace_extension(".8xe").string();
        const Json run =
            Json::parse(runShell(dir, toolCommand("emurun") + " --json " + program + " 2>&1").out);
        EXPECT_EQ(s["executed"], run["executed"]) << name;
        EXPECT_EQ(s["halted"], !run["running"].get<bool>()) << name;
    }
}

} // namespace

namespace {

// cx = ax + bx: an exercise written from its solution and a recipe.
const std::string sumRecipe = R"({
  "inputs": {"registers": {"ax": [-100, 100], "bx": "any"}},
  "outputs": {"registers": ["cx"], "running": false},
  "public": 2, "hidden": 3, "seed": 7
})";

TEST_F(GradeTest, MakeExerciseWritesThePublicStartsFromTheSolution) {
    fs::create_directories(dir / "ex");
    writeFile("ex/solution.asm", "mov cx, ax\nadd cx, bx\nhalt\n");
    writeFile("ex/exercise.json", sumRecipe);
    writeFile("ex/task.md", "# Sum\n");
    writeFile("ex/expected3.json", "{}"); // from an older recipe with more starts
    writeFile("ex/init3.json", "{}");
    Result r = grade("--make-exercise ex");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote ex/init.json\nwrote ex/expected.json\nwrote ex/init2.json\n"
                     "wrote ex/expected2.json\nremoved ex/expected3.json\nremoved ex/init3.json\n");
    EXPECT_EQ(readFile("ex/task.md"), "# Sum\n");
    EXPECT_FALSE(fs::exists(dir / "ex/expected3.json"));
    const std::string first = readFile("ex/init2.json") + readFile("ex/expected2.json");
    // A regrade draws the same starts, byte for byte.
    ASSERT_EQ(grade("--make-exercise ex").status, 0);
    EXPECT_EQ(readFile("ex/init2.json") + readFile("ex/expected2.json"), first);
    // The solution passes its own exercise; a program that writes down one
    // start's answer does not.
    EXPECT_EQ(grade("--exercise ex ex/solution.asm").status, 0);
    writeFile("copied.asm", "load cx, 0\nhalt\n");
    EXPECT_EQ(grade("--exercise ex copied.asm").status, 3);
}

TEST_F(GradeTest, MakeExerciseRefusesWhatCannotMakeOne) {
    fs::create_directories(dir / "ex");
    writeFile("ex/solution.asm", "load cx, 7\nhalt\n");
    writeFile("ex/exercise.json", sumRecipe);
    const struct {
        std::string args, err;
    } cases[] = {
        {"--make-exercise ex",
         "mox77-grade: ex: solution.asm gives the same outputs from every start, so a program "
         "that writes them down would pass: widen the inputs or name other outputs\n"},
        {"--make-exercise missing", "mox77-grade: missing/solution.asm: no such file\n"},
        {"--make-exercise ex ex/solution.asm",
         "mox77-grade: --make-exercise takes its folder alone\nTry 'mox77-grade --help' for "
         "more information.\n"},
    };
    for (const auto& c : cases) {
        const Result r = grade(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    writeFile("ex/exercise.json", R"({"inputs": {}, "outputs": {"running": false}, "seed": 1})");
    EXPECT_EQ(grade("--make-exercise ex").err,
              "mox77-grade: ex/exercise.json: outputs: name a register or a cell the solution "
              "writes\n");
    EXPECT_FALSE(fs::exists(dir / "ex/expected.json"));
}

} // namespace
