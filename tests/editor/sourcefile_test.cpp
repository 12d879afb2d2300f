#include "../temp_dir.h"
#include "sourcefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr uid_t nobody = 65534;

class SourceFileTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        // Other users must reach the files inside.
        ::chmod(dir.c_str(), 0755);
    }

    static struct stat statOf(const std::string& name) {
        struct stat st {};
        EXPECT_EQ(::stat(name.c_str(), &st), 0) << name;
        return st;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
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
};

TEST_F(SourceFileTest, ReadsEveryByteOfRegularFilesOnly) {
    writeFile("zero.asm", "load ax, 1\0halt\r\n\xff"s);
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
    writeFile("real/prog.asm", "old");
    fs::create_symlink("real/prog.asm", path("link.asm"));
    fs::create_symlink("link.asm", path("link2.asm"));
    ASSERT_TRUE(mox::saveSourceFile(path("link2.asm"), "new\r\n", nullptr));
    EXPECT_TRUE(fs::is_symlink(path("link.asm")));
    EXPECT_TRUE(fs::is_symlink(path("link2.asm")));
    EXPECT_EQ(readFile("real/prog.asm"), "new\r\n");
    EXPECT_EQ(fs::directory_iterator(path("real"))->path().filename(), "prog.asm");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, HardLinksStayOneFile) {
    writeFile("a.asm", "old old old");
    fs::create_hard_link(path("a.asm"), path("b.asm"));
    ASSERT_TRUE(mox::saveSourceFile(path("a.asm"), "new", nullptr));
    EXPECT_EQ(readFile("b.asm"), "new");
    EXPECT_EQ(statOf(path("a.asm")).st_ino, statOf(path("b.asm")).st_ino);
    EXPECT_EQ(entries(), 2u);
}

TEST_F(SourceFileTest, KeepsModeAndReplacesWholeOtherwise) {
    writeFile("a.asm", "old");
    ::chmod(path("a.asm").c_str(), 0604);
    ASSERT_TRUE(mox::saveSourceFile(path("a.asm"), "new", nullptr));
    EXPECT_EQ(readFile("a.asm"), "new");
    EXPECT_EQ(statOf(path("a.asm")).st_mode & 07777, 0604u);

    // A new file gets the usual mode, not the temporary file's private one.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(mox::saveSourceFile(path("fresh.asm"), "x", nullptr));
    ::umask(mask);
    EXPECT_EQ(statOf(path("fresh.asm")).st_mode & 07777, 0644u);

    // No room for the temporary file's name: refused, the old file untouched.
    const std::string longName = std::string(251, 'n') + ".asm";
    writeFile(longName, "old");
    std::string reason;
    EXPECT_FALSE(mox::saveSourceFile(path(longName), "new", &reason));
    EXPECT_EQ(reason, "File name too long");
    EXPECT_EQ(readFile(longName), "old");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, RefusesReadOnlyFilesAndWhatIsNoFile) {
    writeFile("ro.asm", "old");
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
    EXPECT_EQ(readFile("ro.asm"), "old");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(SourceFileTest, AnotherOwnersFileKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "changing a file's owner needs root";
    writeFile("theirs.asm", "old text");
    ASSERT_EQ(::chown(path("theirs.asm").c_str(), 1234, 1235), 0);
    ::chmod(path("theirs.asm").c_str(), 0640);
    const ino_t inode = statOf(path("theirs.asm")).st_ino;
    ASSERT_TRUE(mox::saveSourceFile(path("theirs.asm"), "new", nullptr));
    const struct stat st = statOf(path("theirs.asm"));
    EXPECT_EQ(readFile("theirs.asm"), "new");
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
    writeFile("mine.asm", "old text");
    ASSERT_EQ(::chown(path("mine.asm").c_str(), nobody, nobody), 0);
    const ino_t inode = statOf(path("mine.asm")).st_ino;
    EXPECT_EQ(saveAs(nobody, path("mine.asm"), "new"), 0);
    EXPECT_EQ(readFile("mine.asm"), "new");
    EXPECT_EQ(statOf(path("mine.asm")).st_ino, inode);
    EXPECT_EQ(statOf(path("mine.asm")).st_uid, nobody);

    // Root's file with write permission for its owner only.
    writeFile("roots.asm", "old");
    ::chmod(path("roots.asm").c_str(), 0644);
    EXPECT_EQ(saveAs(nobody, path("roots.asm"), "new"), 1);
    EXPECT_EQ(readFile("roots.asm"), "old");
    EXPECT_EQ(entries(), 2u);
}

} // namespace
