#include "assembly.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace mox;

namespace {

struct Outcome {
    std::vector<std::string> lines;
    Assembly result;
};

Outcome assembleSource(std::string_view source) {
    Outcome run;
    assembleText(prepareSource(source), run.result,
                 [&run](std::string_view line) { run.lines.emplace_back(line); });
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
        const Outcome run = assembleSource(c.source);
        EXPECT_EQ(run.result.errorCount, 0) << c.source;
        EXPECT_TRUE(run.lines.empty()) << c.source;
        EXPECT_EQ(run.result.machineCode, c.machineCode) << c.source;
    }
}

TEST(Assembly, MissingHaltIsTheOnlyError) {
    for (const std::string source :
         {"", "; only a comment\n\n", "load ax, 01 ; halt\n", "HALT\n", "rubbish\nmov ax\n"}) {
        const Outcome run = assembleSource(source);
        EXPECT_EQ(run.result.errorCount, 1) << source;
        ASSERT_EQ(run.lines.size(), 1u) << source;
        EXPECT_EQ(run.lines[0], "fatal error: application requries a halt instruction");
        EXPECT_TRUE(run.result.machineCode.empty());
    }
}

TEST(Assembly, ErrorsKeepSourceLineNumbersAndAllAreReported) {
    const Outcome run =
        assembleSource("; header\n   \nINC bx\nload ax, 100 ; too big\nhalt\nmov ax\n\tdec\n");
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
    const Outcome run = assembleSource("load ax, 1\r\nhalt\n");
    EXPECT_EQ(run.lines, std::vector<std::string>{
                             "error on line(1):  the second operand must contain a hex value"});
}

TEST(Assembly, HugeLinesAndManyLines) {
    const std::string longLine = "load ax, 0" + std::string(1'000'000, ' ') + "1";
    const Outcome one = assembleSource(longLine + "\nhalt");
    EXPECT_EQ(one.result.machineCode, "2001f000");

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "inc cx\n";
    many += "halt";
    const Outcome run = assembleSource(many);
    EXPECT_EQ(run.result.machineCode.size(), 4u * 10001u);
    EXPECT_EQ(run.result.machineCode.substr(0, 8), "90029002");
}

TEST(Assembly, OutputNames) {
    const struct {
        std::string source, output;
    } cases[] = {
        {"prog.asm", "prog.8xe"},
        {"prog.ASM", "prog.8xe"},
        {"my.prog.asm", "my.8xe"},
        {"dir.old/prog.asm", "dir.8xe"},
        {"/home/user/code/prog.asm", "/home/user/code/prog.8xe"},
        {"./prog.asm", ".8xe"},
        {".asm", ".8xe"},
        {std::string(300, 'n') + ".asm", std::string(300, 'n') + ".8xe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outputFileName(c.source), c.output) << c.source;
}

TEST(Assembly, LineErrorText) {
    EXPECT_EQ(lineErrorText(2, " invalid instruction"), "error on line(3):  invalid instruction");
    EXPECT_EQ(lineErrorText(1'999'999, "x"), "error on line(2000000): x");
}

} // namespace
