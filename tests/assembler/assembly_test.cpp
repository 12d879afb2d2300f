#include "assembly.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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

// Reads a source the simple way: whole, CR LF joined, cut at its zero byte,
// comments stripped from the whole text.
Outcome assembleWhole(const std::string& name) {
    Outcome run;
    const ReportLine report = [&run](std::string_view line) { run.lines.emplace_back(line); };
    report("now assembling: " + name);
    assembleText(prepareSource(readTextFile(name).value()), run.result, report);
    return run;
}

Outcome assembleStreamed(const std::string& name, std::size_t chunkSize) {
    Outcome run;
    assembleFile(
        name, run.result, [&run](std::string_view line) { run.lines.emplace_back(line); },
        chunkSize);
    return run;
}

std::string visible(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
        out += c == '\r'   ? std::string("\\r")
               : c == '\n' ? std::string("\\n\n")
               : c == '\0' ? std::string("\\0")
                           : std::string(1, c);
    return out;
}

class SourceFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("mox_assembly_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& bytes) const {
        const std::string name = (dir / "source.asm").string();
        // A new file each time, as rewriting one in place may wait for the disk.
        fs::remove(name);
        std::ofstream(name, std::ios::binary) << bytes;
        return name;
    }
    fs::path dir;
};

TEST_F(SourceFile, ReadingInChunksAgreesWithReadingWhole) {
    std::mt19937 random(11);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const std::string pieces[] = {"load ax, 1",
                                  "halt",
                                  "hal",
                                  "t",
                                  "HALT",
                                  ";",
                                  "; halt",
                                  "\r",
                                  "\n",
                                  "\r\n",
                                  std::string(1, '\0'),
                                  " ",
                                  ",",
                                  "mov ax, bx",
                                  "inc",
                                  "x",
                                  "\t",
                                  "lt",
                                  "load ax, 100",
                                  "store bx, ff"};
    for (int n = 0; n < 1000; ++n) {
        std::string source;
        for (std::size_t k = pick(60); k > 0; --k)
            source += pieces[pick(std::size(pieces))];
        // Now and then without the zero byte, so the halt is seen at the end.
        if (pick(2) == 0)
            source.erase(std::remove(source.begin(), source.end(), '\0'), source.end());
        const std::string name = write(source);
        const Outcome whole = assembleWhole(name);
        for (std::size_t chunkSize : {1, 2, 3, 7, 63, 64, 65, 1 << 16}) {
            const Outcome streamed = assembleStreamed(name, chunkSize);
            ASSERT_EQ(streamed.lines, whole.lines) << visible(source) << "\nchunk " << chunkSize;
            ASSERT_EQ(streamed.result.errorCount, whole.result.errorCount) << visible(source);
            ASSERT_EQ(streamed.result.machineCode, whole.result.machineCode) << visible(source);
        }
    }
}

TEST_F(SourceFile, LinesLongerThanManyChunks) {
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
        const std::string name = write(c.source);
        const Outcome whole = assembleWhole(name);
        for (std::size_t chunkSize : {std::size_t{4096}, std::size_t{1} << 16}) {
            const Outcome streamed = assembleStreamed(name, chunkSize);
            EXPECT_EQ(streamed.lines, whole.lines) << c.source.substr(0, 20);
            EXPECT_EQ(streamed.result.errorCount, c.machineCode.empty() ? 1 : 0);
            if (c.machineCode.empty())
                EXPECT_EQ(streamed.lines.back(), "error on line(1):  invalid instruction");
            else
                EXPECT_EQ(streamed.result.machineCode, c.machineCode);
        }
    }
}

TEST_F(SourceFile, PipeIsReadWholeForTheHaltCheck) {
    // An error before the halt needs a second look at the text, which a pipe
    // cannot give by reading it again.
    const std::string name = (dir / "pipe.asm").string();
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    std::thread writer([&name] { std::ofstream(name, std::ios::binary) << "x\nhalt\n"; });
    const Outcome run = assembleStreamed(name, 1 << 16);
    writer.join();
    EXPECT_EQ(run.lines, (std::vector<std::string>{"now assembling: " + name,
                                                   "error on line(1):  invalid instruction"}));
}

TEST_F(SourceFile, UnreadableNamesAreOneError) {
    const Outcome run = assembleStreamed(dir.string(), 1 << 16);
    EXPECT_EQ(run.lines,
              (std::vector<std::string>{"now assembling: " + dir.string(),
                                        "fatal error: could not read the file" + dir.string()}));
    EXPECT_EQ(run.result.errorCount, 1);
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
