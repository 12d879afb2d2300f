#include "sourcefile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr uid_t nobody = 65534;

class SourceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mox-sourcefile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ::chmod(dir_.c_str(), 0755);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static void write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static struct stat statOf(const std::string& name) {
        struct stat st {};
        EXPECT_EQ(::stat(name.c_str(), &st), 0) << name;
        return st;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    // Runs a save as another user in a child process; root is exempt from the
    // permissions these cases are about.
    static int saveAs(uid_t user, const std::string& name, const std::string& bytes) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(user) != 0 || ::setuid(user) != 0)
                ::_exit(2);
            ::_exit(mox::saveSourceFile(name, bytes, nullptr) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
    }

    fs::path dir_;
};

TEST_F(SourceFileTest, ReadsEveryByteOfRegularFilesOnly) {
    write(path("zero.asm"), "load ax, 1\0halt\r\n\xff"s);
    ASSERT_EQ(::mkfifo(path("fifo.asm").c_str(), 0644), 0);
    fs::create_directory(path("folder.asm"));
    struct Case {
        std::string name;
        std::optional<std::string> bytes;
        std::string reason;
    } const cases[] = {
        {path("zero.asm"), "load ax, 1\0halt\r\n\xff"s, ""},
        {path("fifo.asm"), std::nullopt, "not a regular file"},
        {"/dev/null", std::nullopt, "not a regular file"},
        {path("folder.asm"), std::nullopt, "Is a directory"},
        {path("missing.asm"), std::nullopt, "No such file or directory"},
    };
    for (const Case& c : cases) {
        std::string reason;
        // A FIFO without a writer would block a plain open for ever.
        EXPECT_EQ(mox::readSourceFile(c.name, &reason), c.bytes) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
    }
}

TEST_F(SourceFileTest, SavingThroughALinkWritesItsTarget) {
    fs::create_directory(path("real"));
    write(path("real/prog.asm"), "old");
    fs::create_symlink("real/prog.asm", path("link.asm"));
    fs::create_symlink("link.asm", path("link2.asm"));
    ASSERT_TRUE(mox::saveSourceFile(path("link2.asm"), "new\r\n", nullptr));
    EXPECT_TRUE(fs::is_symlink(path("link.asm")));
    EXPECT_TRUE(fs::is_symlink(path("link2.asm")));
    EXPECT_EQ(read(path("real/prog.asm")), "new\r\n");
    EXPECT_EQ(fs::directory_iterator(path("real"))->path().filename(), "prog.asm");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, HardLinksStayOneFile) {
    write(path("a.asm"), "old old old");
    fs::create_hard_link(path("a.asm"), path("b.asm"));
    ASSERT_TRUE(mox::saveSourceFile(path("a.asm"), "new", nullptr));
    EXPECT_EQ(read(path("b.asm")), "new");
    EXPECT_EQ(statOf(path("a.asm")).st_ino, statOf(path("b.asm")).st_ino);
    EXPECT_EQ(entries(), 2u);
}

TEST_F(SourceFileTest, KeepsModeAndReplacesWholeOtherwise) {
    write(path("a.asm"), "old");
    ::chmod(path("a.asm").c_str(), 0604);
    ASSERT_TRUE(mox::saveSourceFile(path("a.asm"), "new", nullptr));
    EXPECT_EQ(read(path("a.asm")), "new");
    EXPECT_EQ(statOf(path("a.asm")).st_mode & 07777, 0604u);

    // A new file gets the usual mode, not the temporary file's private one.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(mox::saveSourceFile(path("fresh.asm"), "x", nullptr));
    ::umask(mask);
    EXPECT_EQ(statOf(path("fresh.asm")).st_mode & 07777, 0644u);

    // No room for the temporary file's name: refused, the old file untouched.
    const std::string longName = path(std::string(251, 'n') + ".asm");
    write(longName, "old");
    std::string reason;
    EXPECT_FALSE(mox::saveSourceFile(longName, "new", &reason));
    EXPECT_EQ(reason, "File name too long");
    EXPECT_EQ(read(longName), "old");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, RefusesReadOnlyFilesAndWhatIsNoFile) {
    write(path("ro.asm"), "old");
    ::chmod(path("ro.asm").c_str(), 0444);
    fs::create_directory(path("folder.asm"));
    ASSERT_EQ(::mkfifo(path("fifo.asm").c_str(), 0666), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"ro.asm", "Permission denied"}, // no write bit: read-only for root too
        {"folder.asm", "Is a directory"},
        {"fifo.asm", "not a regular file"},
        {"no/such/dir.asm", "No such file or directory"},
    };
    for (const auto& [name, expected] : cases) {
        std::string reason;
        EXPECT_FALSE(mox::saveSourceFile(path(name), "new", &reason)) << name;
        EXPECT_EQ(reason, expected) << name;
    }
    EXPECT_EQ(read(path("ro.asm")), "old");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, AnotherOwnersFileKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "changing a file's owner needs root";
    write(path("theirs.asm"), "old text");
    ASSERT_EQ(::chown(path("theirs.asm").c_str(), 1234, 1235), 0);
    ::chmod(path("theirs.asm").c_str(), 0640);
    const ino_t inode = statOf(path("theirs.asm")).st_ino;
    ASSERT_TRUE(mox::saveSourceFile(path("theirs.asm"), "new", nullptr));
    const struct stat st = statOf(path("theirs.asm"));
    EXPECT_EQ(read(path("theirs.asm")), "new");
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 1235u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(SourceFileTest, OrdinaryUserPermissions) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    // The folder belongs to root: the user may write the file but not the folder.
    write(path("mine.asm"), "old text");
    ASSERT_EQ(::chown(path("mine.asm").c_str(), nobody, nobody), 0);
    const ino_t inode = statOf(path("mine.asm")).st_ino;
    EXPECT_EQ(saveAs(nobody, path("mine.asm"), "new"), 0);
    EXPECT_EQ(read(path("mine.asm")), "new");
    EXPECT_EQ(statOf(path("mine.asm")).st_ino, inode);
    EXPECT_EQ(statOf(path("mine.asm")).st_uid, nobody);

    // Root's file with write permission for its owner only.
    write(path("roots.asm"), "old");
    ::chmod(path("roots.asm").c_str(), 0644);
    EXPECT_EQ(saveAs(nobody, path("roots.asm"), "new"), 1);
    EXPECT_EQ(read(path("roots.asm")), "old");
    EXPECT_EQ(entries(), 2u);
}

} // namespace
