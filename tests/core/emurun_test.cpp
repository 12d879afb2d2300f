#include "../run_tool.h"
#include "../temp_dir.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out, err;
};

class EmurunTest : public TempDirTest {
protected:
    // Runs a tool from the bin folder in the test's folder, stdin empty.
    Result run(const std::string& tool, const std::string& args, const std::string& limit = "") {
        const ShellRun r = runShell(dir, limit + toolCommand(tool) + " " + args +
                                             " </dev/null >out.txt 2>err.txt");
        return {r.status, readFile("out.txt"), readFile("err.txt")};
    }

    void assemble(const std::string& source) {
        writeFile("prog.asm", source);
        const Result r = run("zerlant", "prog.asm");
        ASSERT_TRUE(fs::exists(dir / "prog.8xe")) << r.out;
    }
};

using Json = nlohmann::json;

TEST_F(EmurunTest, RunsAnAssembledExampleToItsHalt) {
    std::ifstream example(std::string(MOX_SOURCE_DIR) + "/examples/hello.asm");
    std::stringstream source;
    source << example.rdbuf();
    assemble(source.str());
    const Result r = run("emurun", "--json prog.8xe");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Json report = Json::parse(r.out);
    EXPECT_EQ(report["executed"], 3);
    EXPECT_EQ(report["running"], false);
    const auto regs = report["registers"].get<std::vector<long long>>();
    ASSERT_EQ(regs.size(), 16u);
    EXPECT_EQ(regs[0], 255);
    EXPECT_EQ(regs[1], 1);
    EXPECT_EQ(report["memory"].get<std::vector<long long>>(), std::vector<long long>(256, 0));
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1); // one object, nothing else
}

TEST_F(EmurunTest, MemoryArithmeticAndStopAtHalt) {
    assemble("load ax, ff\n"
             "store ax, 10\n"
             "loadm bx, 10\n"
             "inc bx\n"
             "dec cx\n"
             "mul bx, bx\n"
             "store cx, ff\n"
             "halt\n"
             "inc dx\n");
    const Result r = run("emurun", "--json prog.8xe");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json report = Json::parse(r.out);
    EXPECT_EQ(report["executed"], 8);
    EXPECT_EQ(report["running"], false);
    const auto regs = report["registers"].get<std::vector<long long>>();
    ASSERT_EQ(regs.size(), 16u);
    EXPECT_EQ(regs[0], 255);
    EXPECT_EQ(regs[1], 65536);
    EXPECT_EQ(regs[2], -1);
    EXPECT_EQ(regs[3], 0);
    auto memory = report["memory"].get<std::vector<long long>>();
    ASSERT_EQ(memory.size(), 256u);
    EXPECT_EQ(memory[0x10], 255);
    EXPECT_EQ(memory[0xff], -1);
    memory[0x10] = memory[0xff] = 0;
    EXPECT_EQ(memory, std::vector<long long>(256, 0));
}

TEST_F(EmurunTest, TextReportInEachRadix) {
    writeFile("p.8xe", "a00220059004300e");
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"",
         {"executed 4 words\n", "  cx  ffffffff\n", "  ax  5\n", "  [e]  5\n",
          "ended without a halt\n"}},
        {"--radix 10", {"  cx  -1\n", "  ex  1\n", "  [14]  5\n"}},
        {"--radix=2", {"  cx  11111111111111111111111111111111\n", "  [1110]  101\n"}},
        {"--radix 16", {"  bx  0\n", "  px  0\n"}},
    };
    for (const auto& [option, lines] : cases) {
        const Result r = run("emurun", std::string(option) + " p.8xe");
        ASSERT_EQ(r.status, 0) << option << r.err;
        for (const auto& line : lines)
            EXPECT_NE(r.out.find(line), std::string::npos) << option << ": " << line << r.out;
    }
}

TEST_F(EmurunTest, TraceShowsEachWordAndItsChanges) {
    writeFile("p.8xe", "20ff3010f0009001");
    const Result r = run("emurun", "--trace p.8xe");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string first, second, third, fourth;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    std::getline(lines, fourth);
    EXPECT_EQ(first.substr(0, 17), "20FF  load ax, ff");
    EXPECT_NE(first.find("ax: 0 -> ff"), std::string::npos) << first;
    EXPECT_NE(second.find("store ax, 10"), std::string::npos) << second;
    EXPECT_NE(second.find("[10]: 0 -> ff"), std::string::npos) << second;
    EXPECT_EQ(third.substr(0, 10), "F000  halt");
    EXPECT_NE(third.find("halted"), std::string::npos) << third;
    EXPECT_EQ(fourth, "executed 3 words");

    // With --json the trace moves to standard error.
    const Result j = run("emurun", "--trace --json p.8xe");
    EXPECT_EQ(Json::parse(j.out)["executed"], 3) << j.out;
    EXPECT_EQ(j.err.rfind("20FF  load ax, ff", 0), 0u) << j.err;
}

// Splits standard output or error into its blocks: a "word N: ..." line and
// the five phase lines under it.
std::vector<std::vector<std::string>> explainBlocks(const std::string& text) {
    std::vector<std::vector<std::string>> blocks;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("word ", 0) == 0)
            blocks.emplace_back();
        // A block is its heading and five phases; the report follows the last.
        if (!blocks.empty() && blocks.back().size() < 6)
            blocks.back().push_back(line);
    }
    return blocks;
}

TEST_F(EmurunTest, ExplainTellsEachWordsCycleInTheRadixAsked) {
    writeFile("p.8xe", "2005210350010000f0009001");
    const Result plain = run("emurun", "p.8xe");
    const Result r = run("emurun", "--explain p.8xe");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto blocks = explainBlocks(r.out);
    ASSERT_EQ(blocks.size(), 5u) << r.out; // the word after the halt never runs
    for (const auto& block : blocks) {
        ASSERT_EQ(block.size(), 6u) << block[0];
        const char* phases[] = {"fetch", "decode", "read", "execute", "write"};
        for (std::size_t p = 0; p < 5; ++p)
            EXPECT_EQ(block[p + 1].substr(0, 2 + std::string(phases[p]).size()),
                      "  " + std::string(phases[p]))
                << block[p + 1];
    }
    EXPECT_EQ(blocks[2][0], "word 3: 5001");
    EXPECT_EQ(blocks[2][3], "  read     ax = 5, bx = 3");
    EXPECT_EQ(blocks[2][4], "  execute  5 + 3 = 8");
    EXPECT_EQ(blocks[2][5], "  write    ax: 5 -> 8");
    EXPECT_NE(blocks[3][2].find("no instruction"), std::string::npos) << blocks[3][2];
    EXPECT_NE(blocks[4][1].find("next: word 1"), std::string::npos) << blocks[4][1];
    // The report after the blocks is the one printed without the flag.
    EXPECT_EQ(r.out.substr(r.out.size() - plain.out.size()), plain.out);

    const Result binary = run("emurun", "--explain --radix 2 p.8xe");
    EXPECT_EQ(explainBlocks(binary.out)[2][4], "  execute  101 + 11 = 1000") << binary.out;
}

TEST_F(EmurunTest, ExplainCombinesWithInitExpectJsonAndTrace) {
    writeFile("p.8xe", "9000f000");
    writeFile("init.json", R"({"registers": {"ax": 2147483647}})");
    writeFile("expect.json", R"({"registers": {"ax": -2147483648}, "running": false})");
    const Result plain = run("emurun", "--json --init init.json --expect expect.json p.8xe");
    const Result r =
        run("emurun", "--explain --json --radix 10 --init init.json --expect expect.json p.8xe");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, plain.out) << "the JSON object stays alone on standard output";
    EXPECT_EQ(Json::parse(r.out)["pass"], true);
    const auto blocks = explainBlocks(r.err);
    ASSERT_EQ(blocks.size(), 2u) << r.err;
    EXPECT_EQ(blocks[0][4], "  execute  2147483647 + 1 = -2147483648 (wraps at 32 bits)");
    EXPECT_EQ(blocks[0][5], "  write    ax: 2147483647 -> -2147483648");

    // With --trace too, each word's trace line comes before its block.
    const Result both = run("emurun", "--trace --explain p.8xe");
    std::istringstream lines(both.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.rfind("9000  inc ax", 0), 0u) << first;
    EXPECT_EQ(second, "word 1: 9000");
}

struct FailCase {
    std::string args;
    int status;
    std::string err; // whole standard error
};

TEST_F(EmurunTest, ReportsBadFilesAndCommandLines) {
    writeFile("crlf.8xe", "20ff\r\n");
    writeFile("space.8xe", "20ff 9001");
    writeFile("junk.8xe", "20fg");
    writeFile("halt.8xe", "f000");
    fs::create_directory(dir / "folder.8xe");
    const std::string tryHelp = "Try 'emurun --help' for more information.\n";
    const FailCase cases[] = {
        // An empty variable in a script must not drop the check.
        {"--expect '' halt.8xe", 2, "emurun: option '--expect' needs a value\n" + tryHelp},
        {"--init= halt.8xe", 2, "emurun: option '--init' needs a value\n" + tryHelp},
        {"missing.8xe", 1, "emurun: missing.8xe: no such file\n"},
        {"folder.8xe", 1, "emurun: folder.8xe: is a directory\n"},
        {"crlf.8xe", 1,
         "emurun: crlf.8xe: invalid program: a line break at position 4 (counting from 0) is "
         "not a hexadecimal digit\n"},
        {"space.8xe", 1,
         "emurun: space.8xe: invalid program: a space at position 4 (counting from 0) is not a "
         "hexadecimal digit\n"},
        {"junk.8xe", 1,
         "emurun: junk.8xe: invalid program: 'G' at position 3 (counting from 0) is not a "
         "hexadecimal digit\n"},
    };
    for (const auto& c : cases) {
        const Result r = run("emurun", c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    const char* usageErrors[] = {"", "--radix 8 p.8xe", "--radix", "--bogus p.8xe", "a b"};
    for (const char* args : usageErrors) {
        const Result r = run("emurun", args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find(tryHelp), std::string::npos) << args;
    }
    const Result help = run("emurun", "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: emurun [options] program.8xe\n", 0), 0u);
}

// What follows the state report: the differences and the verdict.
std::string verdict(const std::string& out) {
    const auto ended = out.find("\nended ");
    return ended == std::string::npos ? out : out.substr(out.find('\n', ended + 1) + 1);
}

TEST_F(EmurunTest, ExpectedStateIsComparedWhereTheFileNamesIt) {
    writeFile("p.8xe", "20ff3010a001f000"); // ax = ff, [10] = ax, bx - 1, halt
    writeFile("nohalt.8xe", "9000");
    writeFile("start.json", R"({"registers": {"bx": 5}, "memory": {"0x20": 7}})");
    const struct {
        std::string args, expect;
        int status;
        std::string verdict;
    } cases[] = {
        {"p.8xe",
         R"({"registers": {"ax": 255, "bx": 4294967295, "cx": "0"}, "memory": {"0x10": "0xff",
            "17": 0}, "running": false, "executed": 4})",
         0, "PASS\n"},
        {"p.8xe", "{}", 0, "PASS\n"},
        {"p.8xe",
         R"({"registers": {"AX": 254, "bx": "-1"}, "memory": {"16": 0}, "running": true,
            "executed": 3})",
         3,
         "executed: expected 3, got 4\nrunning: expected true, got false\n"
         "ax: expected fe, got ff\n[10]: expected 0, got ff\nFAIL\n"},
        {"--radix 10 p.8xe", R"({"registers": {"ax": 254}, "memory": {"16": -2}})", 3,
         "ax: expected 254, got 255\n[16]: expected -2, got 255\nFAIL\n"},
        {"--radix=2 p.8xe", R"({"registers": {"bx": 0}})", 3,
         "bx: expected 0, got 11111111111111111111111111111111\nFAIL\n"},
        {"--init start.json p.8xe", R"({"registers": {"bx": 4}, "memory": {"32": 7}})", 0,
         "PASS\n"},
        {"nohalt.8xe", R"({"running": false})", 3, "running: expected false, got true\nFAIL\n"},
    };
    for (const auto& c : cases) {
        writeFile("expect.json", c.expect);
        const Result r = run("emurun", "--expect expect.json " + c.args);
        EXPECT_EQ(r.status, c.status) << c.expect << r.err;
        EXPECT_EQ(verdict(r.out), c.verdict) << c.expect;

        const Result j = run("emurun", "--json --expect=expect.json " + c.args);
        const Json report = Json::parse(j.out);
        EXPECT_EQ(j.status, c.status) << c.expect;
        EXPECT_EQ(report["pass"], c.status == 0) << j.out;
        std::string lines;
        for (const auto& line : report["mismatches"])
            lines += line.get<std::string>() + "\n";
        EXPECT_EQ(lines + (c.status == 0 ? "PASS\n" : "FAIL\n"), c.verdict) << j.out;
    }
}

TEST_F(EmurunTest, MalformedStateFilesAreNamedWithPlaceAndReason) {
    writeFile("p.8xe", "f000");
    const struct {
        std::string option, json, err;
    } cases[] = {
        {"--expect", R"({"registers": {"ax": 1,})",
         "line 1, column 24: syntax error while parsing object key - unexpected '}'; expected "
         "string literal"},
        {"--expect", "",
         "line 1, column 1: syntax error while parsing value - unexpected end of "
         "input; expected '[', '{', or a literal"},
        // A Windows editor's byte order mark is no column of the text.
        {"--expect", "\xef\xbb\xbf{\"registers\": {\"ax\": 1,}}",
         "line 1, column 24: syntax error while parsing object key - unexpected '}'; expected "
         "string literal"},
        {"--expect", "[1]", "top level: expected a JSON object"},
        {"--expect", R"({"register": {}})",
         "register: unknown field (use registers, memory, running or executed)"},
        {"--expect", R"({"": 1})",
         "\"\": unknown field (use registers, memory, running or executed)"},
        {"--expect", R"({"registers": [1]})",
         "registers: expected an object from register name to value"},
        {"--expect", R"({"registers": {"qx": 1}})",
         "registers.qx: unknown register (use ax to px)"},
        {"--expect", R"({"registers": {"ax": 1, "AX": 2}})",
         "registers.AX: register ax is named twice"},
        {"--expect", R"({"registers": {"ax": 1, "ax": 2}})", "registers.ax: named twice"},
        {"--expect", R"({"registers": {"ax": 4294967296}})",
         "registers.ax: expected a 32-bit value: an integer from -2147483648 to 4294967295, or a "
         "string such as \"0xff\""},
        {"--expect", R"({"registers": {"ax": 4e2366}})",
         "the text: number overflow parsing '4e2366'"},
        {"--expect", R"({"registers": {"ax": 1.0}})",
         "registers.ax: expected a 32-bit value: an integer from -2147483648 to 4294967295, or a "
         "string such as \"0xff\""},
        {"--expect", R"({"registers": {"ax": "0xg"}})",
         "registers.ax: expected a 32-bit value: an integer from -2147483648 to 4294967295, or a "
         "string such as \"0xff\""},
        {"--expect", R"({"memory": {"256": 1}})",
         "memory.256: no such cell (use 0 to 255, or 0x0 to 0xff)"},
        {"--expect", R"({"memory": {"-1": 1}})",
         "memory.-1: no such cell (use 0 to 255, or 0x0 to 0xff)"},
        {"--expect", R"({"memory": {"16": 1, "0x10": 1}})", "memory.0x10: cell 16 is named twice"},
        {"--expect", R"({"running": "no"})", "running: expected true or false"},
        {"--expect", R"({"executed": -1})", "executed: expected a number of words, 0 or more"},
        {"--init", R"({"running": false})",
         "running: a starting state sets only registers and memory"},
        {"--init", R"({"executed": 1})",
         "executed: a starting state sets only registers and memory"},
        {"--expect", R"({"registers": {"ax": {"v": 1, "v": 2}}})", "registers.ax.v: named twice"},
        // Deep nesting costs memory in proportion to the depth, no more.
        {"--init", R"({"registers": )" + std::string(100000, '[') + std::string(100000, ']') + "}",
         "registers: expected an object from register name to value"},
    };
    for (const auto& c : cases) {
        writeFile("state.json", c.json);
        const Result r = run("emurun", c.option + " state.json p.8xe", memoryLimit);
        const std::string shown = c.json.substr(0, 60);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.err, "emurun: state.json: " + c.err + "\n") << shown;
        EXPECT_EQ(r.out, "") << shown;
    }
    // The course's file is checked before the student's program.
    const Result missing = run("emurun", "--expect nowhere.json missing.8xe");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "emurun: nowhere.json: no such file\n");
}

TEST_F(EmurunTest, UnreadableFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    writeFile("locked.8xe", "f000");
    fs::permissions(dir / "locked.8xe", fs::perms::none);
    const Result r = run("emurun", "locked.8xe");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "emurun: locked.8xe: cannot be read\n");
}

TEST_F(EmurunTest, ZeroByteEndsTheProgramWhereverItStands) {
    using namespace std::string_literals;
    const struct {
        std::string bytes, executed;
    } cases[] = {
        {"\0"
         "9001f000"s,
         "executed 0 words"},
        {"9001\0"
         "9001"s,
         "executed 1 words"},
        {"90\0"
         "019001"s,
         "executed 0 words"},
        {"90019001\0"s, "executed 2 words"},
        {"9001\r\n\0"s, ""}, // the line break before the zero still counts
    };
    for (const auto& c : cases) {
        writeFile("z.8xe", c.bytes);
        const Result r = run("emurun", "z.8xe");
        if (c.executed.empty()) {
            EXPECT_EQ(r.status, 1) << testing::PrintToString(c.bytes);
            continue;
        }
        EXPECT_EQ(r.status, 0) << testing::PrintToString(c.bytes);
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.executed) << testing::PrintToString(c.bytes);
    }
}

TEST_F(EmurunTest, NamesWithShellAndNonAsciiCharacters) {
    const char* names[] = {"my prog.8xe",
                           "it's.8xe",
                           "say \"hi\".8xe",
                           "semi;colon.8xe",
                           "$HOME and $(id).8xe",
                           "gr\xc3\xbc\xc3\x9f"
                           "e \xe6\x97\xa5\xe6\x9c\xac.8xe",
                           "latin1 \xe9t\xe9.8xe"};
    for (const std::string name : names) {
        writeFile(name, "9001f000");
        const Result r = run("emurun", "--json " + shellQuote(name));
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(Json::parse(r.out)["executed"], 2) << name;
    }
}

// Hostile files: endless devices, memory shortage, link loops, raw names.
TEST_F(EmurunTest, HostileFilesEndAtOnceWithOneErrorLine) {
    fs::create_symlink("/dev/zero", dir / "x.8xe");
    fs::create_symlink("/dev/urandom", dir / "random.8xe");
    fs::create_symlink("loop2.8xe", dir / "loop1.8xe");
    fs::create_symlink("loop1.8xe", dir / "loop2.8xe");
    ASSERT_EQ(::mkfifo((dir / "pipe.8xe").c_str(), 0600), 0);
    writeFile("\x1b[31mred.8xe", "9001\n");
    const struct {
        std::string before, args;
        int status;
        std::string err;
    } cases[] = {
        {"", "x.8xe", 0, ""},
        // A program without end: it must be held to be run.
        {"(head -c 2000000000 /dev/zero | tr '\\0' 0 >pipe.8xe) >/dev/null 2>&1 &\n", "pipe.8xe", 1,
         "emurun: pipe.8xe: out of memory\n"},
        {"", "loop1.8xe", 1, "emurun: loop1.8xe: too many levels of symbolic links\n"},
        {"", "'gone\nnext.8xe'", 1, "emurun: gone\\nnext.8xe: no such file\n"},
        {"", "'\x1b[31mred.8xe'", 1,
         "emurun: \\x1b[31mred.8xe: invalid program: a line break at position 4 (counting from "
         "0) is not a hexadecimal digit\n"},
        {"", "'--tab\there'", 2,
         "emurun: unknown option '--tab\\there'\nTry 'emurun --help' for more information.\n"},
        {"", "random.8xe", -1, ""}, // a few random bytes before the first zero
    };
    for (const auto& c : cases) {
        if (!c.before.empty() && memoryLimit.empty())
            continue;
        const int status = runShell(dir, c.before + memoryLimit + "exec " + toolCommand("emurun") +
                                             " " + c.args + " </dev/null >out.txt 2>err.txt")
                               .status;
        const std::string err = readFile("err.txt");
        if (c.status >= 0) {
            EXPECT_EQ(status, c.status) << c.args;
            EXPECT_EQ(err, c.err) << c.args;
        } else if (status != 0) {
            EXPECT_EQ(err.find("emurun: random.8xe: invalid program: "), 0u) << err;
        }
    }
    // Frees a writer still waiting for a reader, whatever emurun did.
    ::close(::open((dir / "pipe.8xe").c_str(), O_RDONLY | O_NONBLOCK));
}

} // namespace
