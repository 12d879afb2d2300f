#include "../temp_dir.h"
#include "assembly.h"
#include "driver.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace mox;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::vector<std::string> lines;
    Assembly result;
};

Outcome assembled(std::string_view source) {
    Outcome run;
    assembleSource(source, run.result,
                   [&run](const LineError& error) { run.lines.push_back(consoleLine(error)); });
    return run;
}

TEST(Assembly, WordsFollowTheNonBlankLines) {
    const struct {
        std::string source, machineCode;
    } cases[] = {
        {"halt", "f000"},
        {"halt\n", "f000"},
        {"; comment\n\nload ax, 1\nhalt\n", "2001f000"},
        {"load ax, ff\ninc bx\nhalt", "20ff9001f000"},
        {"load ax, ff ; why\n   \nhalt;stop\n", "20fff000"},
    };
    for (const auto& c : cases) {
        const Outcome run = assembled(c.source);
        EXPECT_EQ(run.result.errorCount, 0) << c.source;
        EXPECT_TRUE(run.lines.empty()) << c.source;
        EXPECT_EQ(run.result.machineCode, c.machineCode) << c.source;
    }
}

TEST(Assembly, WordLinesPointBackAtTheirSourceLines) {
    const struct {
        std::string source;
        std::vector<std::int64_t> lines;
    } cases[] = {
        {"; comment\n\nload ax, 1\n\t \r\nhalt", {2, 4}},
        {"inc ax\nbad line\n halt ; end", {0, 2}}, // an error leaves no word
        {"inc ax ; halt\nhalt\n", {0, 1}},
    };
    for (const auto& c : cases) {
        Assembly run;
        run.keepWordLines = true;
        assembleSource(c.source, run, [](const LineError&) {});
        EXPECT_EQ(run.wordLines, c.lines) << c.source;
        EXPECT_EQ(run.wordLines.size() * 4, run.machineCode.size()) << c.source;
    }
    EXPECT_TRUE(assembled("inc ax\nhalt").result.wordLines.empty()); // not asked for
}

// Text beside a mnemonic is passed over, as zerlant reads the line: the
// same words and no error, but the word is named for a hint.
TEST(Assembly, WordsReadPastTextBesideTheirMnemonicAreNamed) {
    const struct {
        std::string source;
        std::vector<std::int64_t> misread;
    } cases[] = {
        {"haltload cx, 7\nloadx ax, 1\nhalt", {0, 1}},
        {"load ax, 1\n\tinc bx\n  halt ; haltx in a comment", {}},
        {"inc ax\nxinc bx\nhalts\n", {1, 2}},
        {"inc ax\nloadx qx, 1\nincbx\nhalt", {1}}, // an error is no misread word
    };
    for (const auto& c : cases) {
        const Outcome asZerlant = assembled(c.source);
        Assembly run;
        run.keepWordLines = true;
        std::int64_t errors = 0;
        assembleSource(c.source, run, [&errors](const LineError&) { ++errors; });
        EXPECT_EQ(run.misreadWords, c.misread) << c.source;
        EXPECT_EQ(run.machineCode, asZerlant.result.machineCode) << c.source;
        EXPECT_EQ(errors, asZerlant.result.errorCount) << c.source;
    }
    EXPECT_TRUE(assembled("loadx ax, 1\nhalt").result.misreadWords.empty()); // not asked for
}

TEST(Assembly, MissingHaltIsTheOnlyError) {
    for (const std::string source :
         {"", "; only a comment\n\n", "load ax, 01 ; halt\n", "HALT\n", "rubbish\nmov ax\n"}) {
        const Outcome run = assembled(source);
        EXPECT_EQ(run.result.errorCount, 1) << source;
        ASSERT_EQ(run.lines.size(), 1u) << source;
        EXPECT_EQ(run.lines[0], "fatal error: application requries a halt instruction");
        EXPECT_TRUE(run.result.machineCode.empty());
    }
}

TEST(Assembly, ErrorsKeepSourceLineNumbersAndAllAreReported) {
    const Outcome run =
        assembled("; header\n   \nINC bx\nload ax, 100 ; too big\nhalt\nmov ax\n\tdec\n");
    EXPECT_EQ(run.result.errorCount, 4);
    const std::vector<std::string> expected = {
        "error on line(3):  invalid instruction",
        "error on line(4):  operand size conflict, value to large for register",
        "error on line(6):   (fatal) invalid number of operands on instruction",
        "error on line(7):  single operand instruction, must contain register",
    };
    EXPECT_EQ(run.lines, expected);
}

TEST(Assembly, LineEndsDoNotChangeTheResult) {
    // Text-mode reading has already turned CR LF into LF; a lone CR stays in
    // the line and spoils a value.
    const Outcome run = assembled("load ax, 1\r\nhalt\n");
    EXPECT_EQ(run.lines, std::vector<std::string>{
                             "error on line(1):  the second operand must contain a hex value"});
}

TEST(Assembly, HugeLinesAndManyLines) {
    const std::string longLine = "load ax, 0" + std::string(1'000'000, ' ') + "1";
    const Outcome one = assembled(longLine + "\nhalt");
    EXPECT_EQ(one.result.machineCode, "2001f000");

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "inc cx\n";
    many += "halt";
    const Outcome run = assembled(many);
    EXPECT_EQ(run.result.machineCode.size(), 4u * 10001u);
    EXPECT_EQ(run.result.machineCode.substr(0, 8), "90029002");
}

// zerlant's whole run over one source file, without the pause.
class AssemblerRun : public TempDirTest {
protected:
    std::vector<std::string> console(const std::string& name) {
        std::ostringstream out;
        status = runAssembler({name}, out, false);
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    int status = -1;
};

TEST_F(AssemblerRun, LongLinesWithLineEndsAndComments) {
    const std::string wide(1'000'000, ' ');
    const struct {
        std::string source, machineCode; // no machine code: one error, on line 1
    } cases[] = {
        {"load ax, 0" + wide + "1\r\nhalt", "2001f000"},
        {"halt ;" + std::string(1'000'000, 'x') + "\r\ninc bx\r\n", "f0009001"},
        {wide + "\r\nmov ax," + wide + "bx\r\nhalt\r", "4001f000"},
        {"load ax, 1" + wide + ";" + wide + "\nhalt", "2001f000"},
        {std::string(1'000'000, 'q') + "\nhalt\n", ""},
    };
    for (const auto& c : cases) {
        const std::string name = writeFile("source.asm", c.source);
        std::filesystem::remove(path("source.8xe"));
        const std::vector<std::string> lines = console(name);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "now assembling: " + name);
        if (c.machineCode.empty()) {
            EXPECT_EQ(lines[1], "error on line(1):  invalid instruction");
            EXPECT_EQ(status, 1);
        } else {
            EXPECT_EQ(lines[1], "process stoped with  (0) fatal errors");
            EXPECT_EQ(readFile("source.8xe"), c.machineCode);
        }
    }
}

TEST_F(AssemblerRun, PipeIsReadWholeForTheHaltCheck) {
    // An error before the halt is printed only once the halt is known, which
    // a pipe cannot give by reading it again.
    const std::string name = path("pipe.asm");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    std::thread writer([&name] { std::ofstream(name, std::ios::binary) << "x\nhalt\n"; });
    const std::vector<std::string> lines = console(name);
    writer.join();
    EXPECT_EQ(lines, (std::vector<std::string>{"now assembling: " + name,
                                               "error on line(1):  invalid instruction",
                                               "process stoped with  (1) fatal errors"}));
}

TEST(Assembly, OutputNames) {
    const struct {
        std::string source, output;
    } cases[] = {
        {"prog.asm", "prog.8xe"},
        {"prog.ASM", "prog.8xe"},
        {"my.prog.asm", "my.8xe"},
        {"lab1/prog.asm", "lab1/prog.8xe"},
        {"/home/user/code/prog.asm", "/home/user/code/prog.8xe"},
        {".asm", ".8xe"},
        {"lab1/.asm", "lab1/.8xe"},
        // A dot in a folder's name decides nothing.
        {"dir.old/prog.asm", "dir.old/prog.8xe"},
        {"./prog.asm", "./prog.8xe"},
        {"../lab1/my.prog.asm", "../lab1/my.8xe"},
        {"/home/jan.kowalski/lab1/prog.asm", "/home/jan.kowalski/lab1/prog.8xe"},
        {"course.2024/lab2/b.asm", "course.2024/lab2/b.8xe"},
        {std::string(300, 'n') + ".asm", std::string(300, 'n') + ".8xe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outputFileName(c.source), c.output) << c.source;
}

TEST(Assembly, ConsoleLines) {
    EXPECT_EQ(consoleLine({2, " invalid instruction"}), "error on line(3):  invalid instruction");
    EXPECT_EQ(consoleLine({1'999'999, "x"}), "error on line(2000000): x");
    EXPECT_EQ(consoleLine({-1, "fatal error: application requries a halt instruction"}),
              "fatal error: application requries a halt instruction");
}

} // namespace
