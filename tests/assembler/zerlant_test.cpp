// Runs the built zerlant on files in a scratch folder and checks what a user
// sees: the console, the .8xe bytes and the exit status.
#include "../run_tool.h"
#include "../temp_dir.h"
#include "instruction_set.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string pausePrompt = "Press any key to continue . . . \n";

class Zerlant : public TempDirTest {
protected:
    // Runs in the scratch folder with stdin not a terminal, so the pause
    // must not wait.
    ShellRun run(const std::string& args) const {
        return runShell(dir, toolCommand("zerlant") + " " + args + " </dev/null 2>&1");
    }

    bool exists(const std::string& name) const { return fs::exists(dir / name); }
};

std::string success(const std::string& source, const std::string& output) {
    return "now assembling: " + source + "\nprocess stoped with  (0) fatal errors\n" +
           "was succesful emu binary code (in hex)  named: " + output + "\n" + pausePrompt;
}

TEST_F(Zerlant, GoodSourceWritesTheWords) {
    writeFile("prog.asm", "; demo\r\nload ax, ff ; set\r\n\r\ninc bx\r\nhalt");
    const ShellRun r = run("prog.asm");
    EXPECT_EQ(r.out, success("prog.asm", "prog.8xe"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile("prog.8xe"), "20ff9001f000");
}

TEST_F(Zerlant, LineEndsCommentsAndIndentsAsTheSourceHasThem) {
    // Only CR LF is a line end; a CR anywhere else stays in its line.
    const std::string fail1 = "now assembling: t.asm\nerror on line(";
    const struct {
        std::string bytes, out, words; // words empty: no .8xe
    } cases[] = {
        {"halt\r", success("t.asm", "t.8xe"), "f000"},
        {"inc bx\r\nhalt\r\n", success("t.asm", "t.8xe"), "9001f000"},
        {"halt\n\r\n", success("t.asm", "t.8xe"), "f000"},
        {"halt\n\r", fail1 + "2):  invalid instruction\n", ""},
        {"load ax, 1\rhalt\n", fail1 + "1):  the second operand must contain a hex value\n", ""},
        {"load ax, 1\r\r\nhalt", fail1 + "1):  the second operand must contain a hex value\n", ""},
        {"load ax, ff ; set, two\r\nhalt ; stop", success("t.asm", "t.8xe"), "20fff000"},
        {"load ax; , ff\nhalt", fail1 + "1):  invalid number of operands on instruction\n", ""},
        {"\tload ax, 01\n  halt\ninc bx", success("t.asm", "t.8xe"), "2001f0009001"},
        {"  load ax, 01\nhalt\n", fail1 + "1):  the first operand must be a register\n", ""},
        {"load ax,\t1\nhalt\n", fail1 + "1):  the second operand must contain a hex value\n", ""},
    };
    for (const auto& c : cases) {
        fs::remove(dir / "t.8xe");
        writeFile("t.asm", c.bytes);
        const ShellRun r = run("t.asm");
        const std::string expected =
            c.words.empty() ? c.out + "process stoped with  (1) fatal errors\n" + pausePrompt
                            : c.out;
        EXPECT_EQ(r.out, expected) << testing::PrintToString(c.bytes);
        EXPECT_EQ(r.status, c.words.empty() ? 1 : 0) << testing::PrintToString(c.bytes);
        if (c.words.empty())
            EXPECT_FALSE(exists("t.8xe")) << testing::PrintToString(c.bytes);
        else
            EXPECT_EQ(readFile("t.8xe"), c.words) << testing::PrintToString(c.bytes);
    }
}

// Whether the child ends within ten seconds; killed otherwise, so that a
// hang fails the test instead of the suite.
bool endsSoon(pid_t pid, int& status) {
    for (int polls = 0; polls < 1000; ++polls, ::usleep(10'000))
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return false;
}

// Runs zerlant without arguments at a terminal and presses one key.
void pauseTakesOneKey(const std::string& key) {
    SCOPED_TRACE(testing::PrintToString(key));
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slaveName = ::ptsname(master);
    // Held open here too, so the terminal's modes can be read after the run.
    const int slave = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int tty = ::open(slaveName.c_str(), O_RDWR);
        ::dup2(tty, STDIN_FILENO);
        ::dup2(tty, STDOUT_FILENO);
        const std::string bin = std::string(MOX_BIN_DIR) + "/zerlant";
        ::execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    char buf[256];
    while (seen.find("continue . . . ") == std::string::npos) {
        // The terminal stays open here, so a zerlant that never prompts
        // would block the read for good.
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 10'000) != 1) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            FAIL() << "no prompt: " << seen;
        }
        const ssize_t got = ::read(master, buf, sizeof buf);
        ASSERT_GT(got, 0) << seen;
        seen.append(buf, static_cast<std::size_t>(got));
    }
    int status = 0;
    ::usleep(200'000);
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "did not wait at the prompt";
    ASSERT_EQ(::write(master, key.data(), key.size()), static_cast<ssize_t>(key.size()));
    // A prompt that still waits for Enter would hang the suite; give up.
    if (!endsSoon(pid, status))
        FAIL() << "one key did not end the pause";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    termios after{};
    ASSERT_EQ(::tcgetattr(slave, &after), 0);
    EXPECT_NE(after.c_lflag & ECHO, 0u) << "echo left off";
    EXPECT_NE(after.c_lflag & ICANON, 0u) << "line editing left off";
    // Bytes without a line end are readable only outside line editing.
    termios raw = after;
    raw.c_lflag &= static_cast<tcflag_t>(~ICANON);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &raw), 0);
    char left = 0;
    EXPECT_EQ(::read(slave, &left, 1), 0) << "left for the shell: " << left;
    ::close(slave);
    ::close(master);
}

TEST_F(Zerlant, PauseAtATerminalWaitsForOneKeyWithoutEnter) {
    // Some build machines have no pseudo-terminals; that says nothing about zerlant.
    const int probe = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (probe < 0 || ::grantpt(probe) != 0 || ::unlockpt(probe) != 0 ||
        ::access(::ptsname(probe), R_OK | W_OK) != 0) {
        if (probe >= 0)
            ::close(probe);
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    }
    ::close(probe);
    // A plain key, Ctrl+C and an arrow, which sends three bytes.
    for (const std::string key : {"k", "\x03", "\x1b[A"})
        pauseTakesOneKey(key);
}

TEST_F(Zerlant, OnlyTheFirstArgumentCounts) {
    writeFile("a.asm", "halt\n");
    const ShellRun r = run("a.asm b.asm");
    EXPECT_EQ(r.out, success("a.asm", "a.8xe"));
    EXPECT_EQ(readFile("a.8xe"), "f000");
}

TEST_F(Zerlant, OutputGoesBesideTheSourceNamedUpToTheFileNamesFirstDot) {
    const struct {
        std::string source, output;
    } cases[] = {
        {"my.prog.ASM", "my.8xe"},
        {"sub/p.asm", "sub/p.8xe"},
        {"./sub/q.asm", "./sub/q.8xe"},
        {"course.2024/lab1/a.asm", "course.2024/lab1/a.8xe"},
        {"course.2024/lab2/b.asm", "course.2024/lab2/b.8xe"},
        {"jan.kowalski/lab1/.asm", "jan.kowalski/lab1/.8xe"},
        {(dir / "jan.kowalski/lab1/prog.x.asm").string(),
         (dir / "jan.kowalski/lab1/prog.8xe").string()},
    };
    // Each program its own value, so one written over another shows.
    const auto value = [](std::size_t i) { return std::string{"0123456789abcdef"[i], '0'}; };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        fs::create_directories(fs::path(dir / c.source).parent_path());
        writeFile(c.source, "load ax, " + value(i) + "\nhalt\n");
        const ShellRun r = run(shellQuote(c.source));
        EXPECT_EQ(r.out, success(c.source, c.output)) << c.source;
        EXPECT_EQ(r.status, 0) << c.source;
    }
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(readFile(cases[i].output), "20" + value(i) + "f000") << cases[i].source;
    // Nothing lands beside a dotted folder, nor one program over another.
    for (const char* wrong : {"course.8xe", "jan.8xe", ".8xe", "sub.8xe"})
        EXPECT_FALSE(exists(wrong)) << wrong;
}

TEST_F(Zerlant, CommandLineProblems) {
    writeFile("prog", "halt\n");
    const struct {
        std::string args, out;
    } cases[] = {
        {"", "error: invalid command line parameters\ncorrect format is the following\n"
             "zerlant source.asm\n"},
        {"prog", "fatal error: source file missing file extension\n"},
        {"missing.asm", "fatal error: could not find the file" + std::string("missing.asm\n")},
    };
    for (const auto& c : cases) {
        const ShellRun r = run(c.args);
        EXPECT_EQ(r.out, c.out + pausePrompt) << c.args;
        EXPECT_EQ(r.status, 1) << c.args;
    }
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "prog");
}

TEST_F(Zerlant, OnlyHelpOrHAsTheFirstArgumentAsksForTheUsage) {
    writeFile("prog.asm", "halt\n");
    writeFile("-x.asm", "inc ax\nhalt\n");
    const ShellRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: zerlant source.asm\n", 0), 0u) << help.out;
    EXPECT_EQ(help.out.find("Press any key"), std::string::npos) << help.out;
    for (const char* args : {"-h", "--help prog.asm", "-h -x.asm"}) {
        const ShellRun r = run(args);
        EXPECT_EQ(r.out, help.out) << args;
        EXPECT_EQ(r.status, 0) << args;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    const struct {
        std::string args, out;
        int status;
    } others[] = {
        {"-x.asm", success("-x.asm", "-x.8xe"), 0},
        {"prog.asm --help", success("prog.asm", "prog.8xe"), 0},
        {"--version", "fatal error: source file missing file extension\n" + pausePrompt, 1},
        {"-help", "fatal error: source file missing file extension\n" + pausePrompt, 1},
        {"-h.asm", "fatal error: could not find the file-h.asm\n" + pausePrompt, 1},
    };
    for (const auto& c : others) {
        const ShellRun r = run(c.args);
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.status, c.status) << c.args;
    }
    EXPECT_EQ(readFile("-x.8xe"), "9000f000");
}

TEST_F(Zerlant, ErrorsWriteNothingAndKeepTheOldFile) {
    writeFile("prog.asm", "load ax, 1\nINC bx\nhalt\n");
    writeFile("prog.8xe", "2001f000");
    const ShellRun r = run("prog.asm");
    EXPECT_EQ(r.out, "now assembling: prog.asm\nerror on line(2):  invalid instruction\n"
                     "process stoped with  (1) fatal errors\n" +
                         pausePrompt);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile("prog.8xe"), "2001f000");

    writeFile("nohalt.asm", "load ax, 1\n");
    EXPECT_EQ(run("nohalt.asm").out,
              "now assembling: nohalt.asm\nfatal error: application requries a halt "
              "instruction\nprocess stoped with  (1) fatal errors\n" +
                  pausePrompt);
    EXPECT_FALSE(exists("nohalt.8xe"));
}

TEST_F(Zerlant, FoundButUnreadableNamesAreOneError) {
    fs::create_directories(dir / "folder.asm");
    writeFile("prog.asm", "halt\n");
    fs::create_symlink(dir / "moved.asm", dir / "link.asm");
    std::vector<std::string> names = {"folder.asm", "'p*.asm'", "link.asm"};
    writeFile("locked.asm", "halt\n");
    fs::permissions(dir / "locked.asm", fs::perms::none);
    if (::geteuid() != 0) // root reads anything
        names.push_back("locked.asm");
    for (const auto& name : names) {
        const std::string shown = name[0] == '\'' ? name.substr(1, name.size() - 2) : name;
        const ShellRun r = run(name);
        EXPECT_EQ(r.out, "now assembling: " + shown + "\nfatal error: could not read the file" +
                             shown + "\nprocess stoped with  (1) fatal errors\n" + pausePrompt);
        EXPECT_EQ(r.status, 1);
    }
    EXPECT_FALSE(exists("folder.8xe"));
    EXPECT_FALSE(exists("p*.8xe"));
}

TEST_F(Zerlant, FailedWriteIsReportedAndKeepsTheOldFile) {
    writeFile("prog.asm", "halt\n");
    fs::create_directories(dir / "prog.8xe"); // a folder cannot be replaced by a file
    const ShellRun r = run("prog.asm");
    EXPECT_EQ(r.out, "now assembling: prog.asm\nprocess stoped with  (0) fatal errors\n"
                     "was succesful emu binary code (in hex)  named: prog.8xe\n"
                     "fatal error: could not write the fileprog.8xe\n" +
                         pausePrompt);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::is_directory(dir / "prog.8xe"));
}

TEST_F(Zerlant, ClosedConsoleStillWritesTheFile) {
    writeFile("prog.asm", "halt\n");
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
    EXPECT_EQ(readFile("prog.8xe"), "f000");
}

TEST_F(Zerlant, BadBytesNeverCrash) {
    // Text after a zero byte is not read, its halt included.
    writeFile("zero.asm", std::string("load ax, 1\n\0halt\n", 17));
    EXPECT_EQ(run("zero.asm").status, 1);
    writeFile("zero2.asm", std::string("halt\n\0mov\n", 10));
    EXPECT_EQ(run("zero2.asm").out, success("zero2.asm", "zero2.8xe"));

    std::string binary;
    for (int i = 0; i < 256 * 64; ++i)
        binary += static_cast<char>((i * 131) & 0xff);
    writeFile("bin.asm", binary + "\nhalt\n\xff\xfe inc ax\n");
    const ShellRun r = run("bin.asm");
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
        const ShellRun r = run(name);
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string output = entry.path().stem().string() + ".8xe";
        EXPECT_EQ(r.out, success(name, output));
        const std::string words = readFile(output);
        for (std::size_t at = 0; at < words.size(); at += 4)
            opcodes.insert(words[at]);
    }
    EXPECT_GE(count, 3);
    for (const mox::Instruction& m : mox::instructionTable)
        EXPECT_EQ(opcodes.count("0123456789abcdef"[m.opcode]), 1u) << m.mnemonic;
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
        writeFile("z.asm", c.bytes);
        const ShellRun r = run("z.asm");
        EXPECT_EQ(r.out, c.out) << testing::PrintToString(c.bytes);
        EXPECT_EQ(r.status, c.words.empty() ? 1 : 0) << testing::PrintToString(c.bytes);
        if (c.words.empty())
            EXPECT_FALSE(exists("z.8xe")) << testing::PrintToString(c.bytes);
        else
            EXPECT_EQ(readFile("z.8xe"), c.words) << testing::PrintToString(c.bytes);
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
        writeFile(c.source, "inc bx\nhalt\n");
        const ShellRun r = run(shellQuote(c.source));
        EXPECT_EQ(r.out, success(c.source, c.output)) << c.source;
        EXPECT_EQ(r.status, 0) << c.source;
        EXPECT_EQ(readFile(c.output), "9001f000") << c.source;
    }
    // Unquoted, a blank splits the name and only its first part is used.
    EXPECT_EQ(run("my prog.asm").out,
              "fatal error: source file missing file extension\n" + pausePrompt);
}

// Hostile files, memory shortage, signals and long names.

TEST_F(Zerlant, EndlessInputEndsAtOnceOrAsAFatalError) {
    fs::create_symlink("/dev/zero", dir / "zero.asm");
    fs::create_symlink("/dev/urandom", dir / "random.asm");
    ASSERT_EQ(::mkfifo((dir / "pipe.asm").c_str(), 0600), 0);
    const std::string noHalt = "fatal error: application requries a halt instruction\n";
    const struct {
        std::string name, writer, message;
    } cases[] = {
        {"zero.asm", "", noHalt},
        {"random.asm", "", noHalt}, // a few bytes before the first zero, no halt among them
        // One line without end: it must be held to be read.
        {"pipe.asm", "(head -c 2000000000 /dev/zero | tr '\\0' a >pipe.asm) >/dev/null 2>&1 &\n",
         "fatal error: out of memory assembling the filepipe.asm\n"},
    };
    for (const auto& c : cases) {
        if (!c.writer.empty() && memoryLimit.empty())
            continue;
        const ShellRun r = runShell(dir, c.writer + memoryLimit + "exec " + toolCommand("zerlant") +
                                             " " + c.name + " </dev/null 2>&1");
        EXPECT_EQ(r.out, "now assembling: " + c.name + "\n" + c.message +
                             "process stoped with  (1) fatal errors\n" + pausePrompt);
        EXPECT_EQ(r.status, 1) << c.name;
    }
    // Frees a writer still waiting for a reader, whatever zerlant did.
    ::close(::open((dir / "pipe.asm").c_str(), O_RDONLY | O_NONBLOCK));
}

TEST_F(Zerlant, TheLongestNameTheFolderAcceptsIsWritten) {
    const std::string stem(250, 'n');
    writeFile(stem + ".asm", "halt\n");
    EXPECT_EQ(run(stem + ".asm").out, success(stem + ".asm", stem + ".8xe"));
    EXPECT_EQ(readFile(stem + ".8xe"), "f000");
}

// Starts zerlant in the folder with the signals it may meet at their defaults
// (a background run would inherit them ignored).
pid_t startZerlant(const fs::path& dir, const std::string& args, int in, int out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP})
            std::signal(sig, SIG_DFL);
        ::setsid();
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        const std::string command =
            "cd " + shellQuote(dir.string()) + " && exec " + toolCommand("zerlant") + args;
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

TEST_F(Zerlant, InterruptedWriteLeavesNothingBehindAndKeepsTheOldFile) {
    std::string source, words;
    for (int i = 0; i < 3'000'000; ++i) {
        source += "inc ax\n";
        words += "9000";
    }
    writeFile("big.asm", source + "halt\n");
    words += "f000";
    const std::string folder = fs::canonical(dir).string() + "/";
    const int null = ::open("/dev/null", O_RDWR);
    // Gives whether zerlant ended by the signal.
    const auto interruptOnce = [&](int sig) {
        writeFile("big.8xe", "f000");
        const pid_t pid = startZerlant(dir, " big.asm", null, null);
        // The signal goes the moment a file of the folder other than the
        // source is open: a named temporary or an unnamed one alike.
        int status = 0;
        pid_t done = 0;
        for (int polls = 0; polls < 100'000 && done == 0; ++polls) {
            bool writing = false;
            std::error_code ec;
            for (const auto& fd :
                 fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
                const std::string target = fs::read_symlink(fd.path(), ec).string();
                writing |= target.starts_with(folder) && target != folder + "big.asm";
            }
            if (writing)
                break;
            ::usleep(100);
            done = ::waitpid(pid, &status, WNOHANG);
        }
        if (done == 0) {
            ::kill(pid, sig);
            ::waitpid(pid, &status, 0);
        }
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"big.asm", "big.8xe"}));
        const std::string now = readFile("big.8xe");
        EXPECT_TRUE(now == "f000" || now == words) << now.size() << " bytes";
        EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == sig : WEXITSTATUS(status) == 0);
        return WIFSIGNALED(status);
    };
    // A loaded machine may let a write pass unseen; a few tries see one.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        bool interrupted = false;
        for (int tries = 0; tries < 5 && !interrupted; ++tries)
            interrupted = interruptOnce(sig);
        EXPECT_TRUE(interrupted) << sig;
    }
    ::close(null);
}

TEST_F(Zerlant, PauseKilledBySignalGivesTheTerminalBack) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::access(::ptsname(master), R_OK | W_OK) != 0)
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    for (const int sig : {SIGTERM, SIGHUP}) {
        // Not the controlling terminal of the test itself.
        const int tty = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        termios before{};
        ASSERT_EQ(::tcgetattr(tty, &before), 0);
        termios now = before;
        const pid_t pid = startZerlant(dir, "", tty, tty);
        // Waiting means the terminal no longer echoes.
        char seen[256];
        for (int polls = 0; polls < 1000 && (now.c_lflag & ECHO) != 0; ++polls) {
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 10) == 1 && ::read(master, seen, sizeof seen) < 0)
                break;
            ::tcgetattr(tty, &now);
        }
        EXPECT_EQ(now.c_lflag & ECHO, 0u) << "never waited at the pause";
        ::kill(pid, sig);
        int status = 0;
        endsSoon(pid, status);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        ASSERT_EQ(::tcgetattr(tty, &now), 0);
        EXPECT_EQ(std::memcmp(&now, &before, sizeof now), 0) << "terminal not given back " << sig;
        ::close(tty);
    }
    ::close(master);
}

} // namespace
