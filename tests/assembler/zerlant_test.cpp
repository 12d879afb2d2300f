// Runs the built zerlant on files in a scratch folder and checks what a user
// sees: the console, the .8xe bytes and the exit status.
#include "mnemonics.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string pausePrompt = "Press any key to continue . . . \n";

struct Result {
    std::string out;
    int status = -1;
};

std::string quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class Zerlant : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("zerlant_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    // Runs in the scratch folder with stdin not a terminal, so the pause
    // must not wait.
    Result run(const std::string& args) const {
        const std::string command = "cd " + quote(dir.string()) + " && " +
                                    quote(std::string(MOX_BIN_DIR) + "/zerlant") + " " + args +
                                    " </dev/null 2>&1";
        Result r;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return r;
        std::array<char, 4096> buf{};
        size_t got = 0;
        while ((got = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
            r.out.append(buf.data(), got);
        const int status = ::pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool exists(const std::string& name) const { return fs::exists(dir / name); }

    fs::path dir;
};

std::string success(const std::string& source, const std::string& output) {
    return "now assembling: " + source + "\nprocess stoped with  (0) fatal errors\n" +
           "was succesful emu binary code (in hex)  named: " + output + "\n" + pausePrompt;
}

TEST_F(Zerlant, GoodSourceWritesTheWords) {
    write("prog.asm", "; demo\r\nload ax, ff ; set\r\n\r\ninc bx\r\nhalt");
    const Result r = run("prog.asm");
    EXPECT_EQ(r.out, success("prog.asm", "prog.8xe"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read("prog.8xe"), "20ff9001f000");
}

TEST_F(Zerlant, OnlyTheFirstArgumentCounts) {
    write("a.asm", "halt\n");
    const Result r = run("a.asm b.asm");
    EXPECT_EQ(r.out, success("a.asm", "a.8xe"));
    EXPECT_EQ(read("a.8xe"), "f000");
}

TEST_F(Zerlant, OutputIsNamedUpToTheFirstDot) {
    write("my.prog.ASM", "halt\n");
    fs::create_directories(dir / "sub");
    write("sub/p.asm", "dec px\nhalt\n");
    EXPECT_EQ(run("my.prog.ASM").out, success("my.prog.ASM", "my.8xe"));
    EXPECT_EQ(read("my.8xe"), "f000");
    const std::string full = (dir / "sub/p.asm").string();
    if (full.find('.') == (dir / "sub/p").string().size()) {
        EXPECT_EQ(run(quote(full)).status, 0);
        EXPECT_EQ(read("sub/p.8xe"), "a00ff000");
    }
    EXPECT_EQ(run("./sub/p.asm").out, success("./sub/p.asm", ".8xe"));
    EXPECT_EQ(read(".8xe"), "a00ff000");
}

TEST_F(Zerlant, CommandLineProblems) {
    write("prog", "halt\n");
    const struct {
        std::string args, out;
    } cases[] = {
        {"", "error: invalid command line parameters\ncorrect format is the following\n"
             "zerlant source.asm\n"},
        {"prog", "fatal error: source file missing file extension\n"},
        {"missing.asm", "fatal error: could not find the file" + std::string("missing.asm\n")},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.out, c.out + pausePrompt) << c.args;
        EXPECT_EQ(r.status, 1) << c.args;
    }
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "prog");
}

TEST_F(Zerlant, ErrorsWriteNothingAndKeepTheOldFile) {
    write("prog.asm", "load ax, 1\nINC bx\nhalt\n");
    write("prog.8xe", "2001f000");
    const Result r = run("prog.asm");
    EXPECT_EQ(r.out, "now assembling: prog.asm\nerror on line(2):  invalid instruction\n"
                     "process stoped with  (1) fatal errors\n" +
                         pausePrompt);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read("prog.8xe"), "2001f000");

    write("nohalt.asm", "load ax, 1\n");
    EXPECT_EQ(run("nohalt.asm").out,
              "now assembling: nohalt.asm\nfatal error: application requries a halt "
              "instruction\nprocess stoped with  (1) fatal errors\n" +
                  pausePrompt);
    EXPECT_FALSE(exists("nohalt.8xe"));
}

TEST_F(Zerlant, FoundButUnreadableNamesAreOneError) {
    fs::create_directories(dir / "folder.asm");
    write("prog.asm", "halt\n");
    std::vector<std::string> names = {"folder.asm", "'p*.asm'"};
    write("locked.asm", "halt\n");
    fs::permissions(dir / "locked.asm", fs::perms::none);
    if (::geteuid() != 0) // root reads anything
        names.push_back("locked.asm");
    for (const auto& name : names) {
        const std::string shown = name[0] == '\'' ? name.substr(1, name.size() - 2) : name;
        const Result r = run(name);
        EXPECT_EQ(r.out, "now assembling: " + shown + "\nfatal error: could not read the file" +
                             shown + "\nprocess stoped with  (1) fatal errors\n" + pausePrompt);
        EXPECT_EQ(r.status, 1);
    }
    EXPECT_FALSE(exists("folder.8xe"));
    EXPECT_FALSE(exists("p*.8xe"));
}

TEST_F(Zerlant, FailedWriteIsReportedAndKeepsTheOldFile) {
    write("prog.asm", "halt\n");
    fs::create_directories(dir / "prog.8xe"); // a folder cannot be replaced by a file
    const Result r = run("prog.asm");
    EXPECT_EQ(r.out, "now assembling: prog.asm\nprocess stoped with  (0) fatal errors\n"
                     "was succesful emu binary code (in hex)  named: prog.8xe\n"
                     "fatal error: could not write the fileprog.8xe\n" +
                         pausePrompt);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::is_directory(dir / "prog.8xe"));
}

TEST_F(Zerlant, ClosedConsoleStillWritesTheFile) {
    write("prog.asm", "halt\n");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]); // nobody will read what zerlant prints
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(ends[1], STDOUT_FILENO);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        const std::string bin = std::string(MOX_BIN_DIR) + "/zerlant";
        ::execl(bin.c_str(), bin.c_str(), "prog.asm", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(read("prog.8xe"), "f000");
}

TEST_F(Zerlant, BadBytesNeverCrash) {
    // Text after a zero byte is not read, its halt included.
    write("zero.asm", std::string("load ax, 1\n\0halt\n", 17));
    EXPECT_EQ(run("zero.asm").status, 1);
    write("zero2.asm", std::string("halt\n\0mov\n", 10));
    EXPECT_EQ(run("zero2.asm").out, success("zero2.asm", "zero2.8xe"));

    std::string binary;
    for (int i = 0; i < 256 * 64; ++i)
        binary += static_cast<char>((i * 131) & 0xff);
    write("bin.asm", binary + "\nhalt\n\xff\xfe inc ax\n");
    const Result r = run("bin.asm");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("process stoped with  ("), std::string::npos);
    EXPECT_FALSE(exists("bin.8xe"));
}

TEST_F(Zerlant, ExamplesAssembleWithoutErrorsAndUseEveryInstruction) {
    int count = 0;
    std::set<char> opcodes;
    for (const auto& entry : fs::directory_iterator(fs::path(MOX_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".asm")
            continue;
        ++count;
        const std::string name = entry.path().filename().string();
        fs::copy_file(entry.path(), dir / name);
        const Result r = run(name);
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string output = entry.path().stem().string() + ".8xe";
        EXPECT_EQ(r.out, success(name, output));
        const std::string words = read(output);
        for (std::size_t at = 0; at < words.size(); at += 4)
            opcodes.insert(words[at]);
    }
    EXPECT_GE(count, 3);
    for (const mox::Mnemonic& m : mox::mnemonicTable)
        EXPECT_EQ(opcodes.count("0123456789abcdef"[m.opcode]), 1u) << m.name;
}

TEST_F(Zerlant, ZeroByteEndsTheTextWhereverItStands) {
    using namespace std::string_literals;
    const std::string noHalt = "now assembling: z.asm\nfatal error: application requries a halt "
                               "instruction\nprocess stoped with  (1) fatal errors\n" +
                               pausePrompt;
    const struct {
        std::string bytes, out, words; // words empty: no .8xe
    } cases[] = {
        {"\0halt\n"s, noHalt, ""},
        {"\0"s, noHalt, ""},
        {"load ax, 1\n\0halt\n"s, noHalt, ""},
        {"halt\nload ax, 1\0ff\n"s, success("z.asm", "z.8xe"), "f0002001"},
        {"halt\r\0\n"s, success("z.asm", "z.8xe"), "f000"},
        {"load ax, 1\nhalt\n\0"s, success("z.asm", "z.8xe"), "2001f000"},
        {"load ax, 1\r\nhalt\0"s, success("z.asm", "z.8xe"), "2001f000"},
    };
    for (const auto& c : cases) {
        fs::remove(dir / "z.8xe");
        write("z.asm", c.bytes);
        const Result r = run("z.asm");
        EXPECT_EQ(r.out, c.out) << testing::PrintToString(c.bytes);
        EXPECT_EQ(r.status, c.words.empty() ? 1 : 0) << testing::PrintToString(c.bytes);
        if (c.words.empty())
            EXPECT_FALSE(exists("z.8xe")) << testing::PrintToString(c.bytes);
        else
            EXPECT_EQ(read("z.8xe"), c.words) << testing::PrintToString(c.bytes);
    }
}

TEST_F(Zerlant, NamesWithShellAndNonAsciiCharacters) {
    // Each name reaches zerlant whole (the shell quotes it) and the output
    // lands beside the source under the name up to its first dot.
    const struct {
        std::string source, output;
    } cases[] = {
        {"my prog.asm", "my prog.8xe"},
        {"it's.asm", "it's.8xe"},
        {"say \"hi\".asm", "say \"hi\".8xe"},
        {"semi;colon.asm", "semi;colon.8xe"},
        {"$HOME and $(id).asm", "$HOME and $(id).8xe"},
        {"gr\xc3\xbc\xc3\x9f"
         "e \xe6\x97\xa5\xe6\x9c\xac.asm",
         "gr\xc3\xbc\xc3\x9f"
         "e \xe6\x97\xa5\xe6\x9c\xac.8xe"},
        {"folder with blanks/p.asm", "folder with blanks/p.8xe"},
        {"latin1 \xe9t\xe9.asm", "latin1 \xe9t\xe9.8xe"},
    };
    fs::create_directories(dir / "folder with blanks");
    for (const auto& c : cases) {
        write(c.source, "inc bx\nhalt\n");
        const Result r = run(quote(c.source));
        EXPECT_EQ(r.out, success(c.source, c.output)) << c.source;
        EXPECT_EQ(r.status, 0) << c.source;
        EXPECT_EQ(read(c.output), "9001f000") << c.source;
    }
    // Unquoted, a blank splits the name and only its first part is used.
    EXPECT_EQ(run("my prog.asm").out,
              "fatal error: source file missing file extension\n" + pausePrompt);
}

} // namespace
