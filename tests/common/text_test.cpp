#include "../temp_dir.h"
#include "files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace mox;
namespace fs = std::filesystem;

namespace {

struct SearchCase {
    TextPos after; // -2: plain findText
    std::string text, pattern;
    TextPos expected;
};

TEST(TextSearch, FindAndFindAfter) {
    const SearchCase cases[] = {
        {-2, "loadm bx, 1", "load", 0},
        {-2, "", "a", -1},
        {-2, "abc", "", -1},
        {-2, "abc", "abcd", -1},
        {-2, "xxabc", "bc", 3},
        {0, "a\nb\n", "\n", 1},
        {1, "a\nb\n", "\n", 3},
        {3, "a\nb\n", "\n", -1},
        {0, "\nx", "\n", -1},
        {-1, "\nx", "\n", 0},
        {10, "abc", "c", -1},
        {1, "abc", "c", 2},
        {2, "abc", "c", -1},
    };
    for (const auto& c : cases) {
        const TextPos got =
            c.after == -2 ? findText(c.text, c.pattern) : findTextAfter(c.after, c.text, c.pattern);
        EXPECT_EQ(got, c.expected)
            << "after " << c.after << " in '" << c.text << "' for '" << c.pattern << "'";
    }
}

TEST(TextSearch, CountGivesMinusOneForNone) {
    EXPECT_EQ(countText("aaa", "aa"), 2);
    EXPECT_EQ(countText("load ax, 5", ","), 1);
    EXPECT_EQ(countText("load ax 5", ","), -1);
    EXPECT_EQ(countText("", ","), -1);
    EXPECT_EQ(countText("abc", ""), -1);
    EXPECT_EQ(countLines("a\nb\n"), 2);
    EXPECT_EQ(countLines("ab"), -1);
}

TEST(TextSearch, SameTextIsExact) {
    EXPECT_TRUE(sameText("Untitled.asm", "Untitled.asm"));
    EXPECT_FALSE(sameText("Untitled.asm", "untitled.asm"));
    EXPECT_FALSE(sameText("ab", "abc"));
    EXPECT_TRUE(sameText("", ""));
}

TEST(TextEdit, CopiesNeverReachOutside) {
    EXPECT_EQ(copyPrefix("abcdef", 3), "abc");
    EXPECT_EQ(copyPrefix("abcdef", 0), "");
    EXPECT_EQ(copyPrefix("abcdef", -4), "");
    EXPECT_EQ(copyPrefix("ab", 10), "ab");
    EXPECT_EQ(copyRange("abcdef", 1, 4), "bcd");
    EXPECT_EQ(copyRange("abcdef", 4, 4), "");
    EXPECT_EQ(copyRange("abcdef", 5, 2), "");
    EXPECT_EQ(copyRange("abcdef", -3, 100), "abcdef");
    EXPECT_EQ(copyText("x y"), "x y");
}

TEST(TextEdit, SpacesAndCase) {
    EXPECT_EQ(removeSpaces(" a b\t c"), "ab\tc");
    EXPECT_EQ(removeSpaces("a\r\n b"), "a\r\nb");
    EXPECT_EQ(lowerText("INC BX, \xC4Z"), "inc bx, \xC4z");
    EXPECT_EQ(upperText("20ff9001f000\n"), "20FF9001F000\n");
    EXPECT_EQ(lowerChar('Q'), 'q');
    EXPECT_EQ(lowerChar('['), '[');
    EXPECT_EQ(textLength("abc"), 3);
}

TEST(TextEdit, StripComments) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"load ax, 01 ; first\nhalt; stop\n", "load ax, 01 \nhalt\n"},
        {"; only comment", ""},
        {"a;b;c\nd", "a\nd"},
        {"\n;x\n;y", "\n\n"},
        {"halt;stop", "halt"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stripComments(c.in), c.out) << c.in;
    EXPECT_EQ(stripBetween("a[bc]d[e", '[', ']'), "a]d");
}

TEST(TextEdit, CutAtZero) {
    using namespace std::string_literals;
    EXPECT_EQ(cutAtZero("ab\0cd"s), "ab");
    EXPECT_EQ(cutAtZero("\0"s), "");
    EXPECT_EQ(cutAtZero("abc"), "abc");
}

TEST(TextEdit, PrintableTextKeepsUtf8AndEscapesTheRest) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain name.asm", "plain name.asm"},
        {"gr\xc3\xbc\xc3\x9f \xe6\x97\xa5 \xf0\x9f\x98\x80",
         "gr\xc3\xbc\xc3\x9f \xe6\x97\xa5 \xf0\x9f\x98\x80"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"\x1b[31m\x7f", "\\x1b[31m\\x7f"},
        {"c1 \xc2\x9b end \xc2\xa0", "c1 \\xc2\\x9b end \xc2\xa0"}, // CSI escaped, NBSP kept
        {"latin1 \xe9t\xe9", "latin1 \\xe9t\\xe9"},
        {"overlong \xc0\xaf \xe0\x80\xaf", "overlong \\xc0\\xaf \\xe0\\x80\\xaf"},
        {"surrogate \xed\xa0\x80", "surrogate \\xed\\xa0\\x80"},
        {"cut \xe6\x97", "cut \\xe6\\x97"},
        {"beyond \xf4\x90\x80\x80", "beyond \\xf4\\x90\\x80\\x80"},
        {std::string("zero\0byte", 9), "zero\\x00byte"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printableText(c.in), c.out) << c.in;
}

TEST(Hex, DigitsAndValues) {
    EXPECT_TRUE(isHexText(""));
    EXPECT_TRUE(isHexText("0F"));
    EXPECT_TRUE(isHexText("aBcDeF0123456789"));
    EXPECT_FALSE(isHexText("g1"));
    EXPECT_FALSE(isHexText("20ff\n"));
    EXPECT_FALSE(isHexText("20 f"));
    EXPECT_FALSE(isHexDigit('\0'));
    EXPECT_FALSE(isHexDigit('G'));
    const struct {
        std::string text;
        std::int32_t value;
    } values[] = {{"ff", 255},   {"FF", 255}, {"0100", 256}, {"7", 7},
                  {"x", -1},     {"00", 0},   {"a", 10},     {"7fffffff", 2147483647},
                  {"000ff", 255}};
    for (const auto& v : values)
        EXPECT_EQ(hexToInt(v.text), v.value) << v.text;
    EXPECT_EQ(hexDigitValue('A'), 10);
    EXPECT_EQ(hexDigitValue('f'), 15);
    EXPECT_EQ(hexDigitValue('-'), -1);
}

class TextFiles : public TempDirTest {};

TEST_F(TextFiles, ReadingJoinsCrLfOnly) {
    writeFile("a.txt", "ab\r\nc");
    EXPECT_EQ(fileCharCount(path("a.txt")), 4);
    EXPECT_EQ(readTextFile(path("a.txt")), "ab\nc");
    writeFile("cr.txt", "a\rb\r\r\n\r");
    EXPECT_EQ(readTextFile(path("cr.txt")), "a\rb\r\n\r");
    writeFile("empty.txt", "");
    EXPECT_EQ(readTextFile(path("empty.txt")), "");
    EXPECT_EQ(fileCharCount(path("empty.txt")), 0);
}

TEST_F(TextFiles, ReadingCutsAtZeroByte) {
    using namespace std::string_literals;
    writeFile("z.txt", "halt\0load\r\n"s);
    EXPECT_EQ(readTextFile(path("z.txt")), "halt");
    EXPECT_EQ(fileCharCount(path("z.txt")), 10);
}

TEST_F(TextFiles, UnreadableNamesGiveNothing) {
    EXPECT_EQ(fileCharCount(path("missing")), -1);
    EXPECT_EQ(readTextFile(path("missing")), std::nullopt);
    EXPECT_EQ(readTextFile(dir.string()), std::nullopt);
    EXPECT_EQ(fileCharCount(dir.string()), -1);
}

TEST_F(TextFiles, WritingExpandsLineFeeds) {
    ASSERT_TRUE(writeTextFile(path("w.txt"), "a\nb\r\n"));
    EXPECT_EQ(readFile("w.txt"), "a\r\nb\r\r\n");
    ASSERT_TRUE(writeTextFile(path("w.txt"), "x"));
    EXPECT_EQ(readFile("w.txt"), "x");
}

TEST_F(TextFiles, CachedWritingGivesTheSameBytes) {
    for (const std::string text : {"", "f000", "a\nb\r\n", "\n\n"}) {
        ASSERT_TRUE(writeTextFile(path("s.txt"), text));
        ASSERT_TRUE(writeTextFile(path("c.txt"), text, nullptr, Durability::Cached));
        EXPECT_EQ(readFile("c.txt"), readFile("s.txt"));
    }
    EXPECT_FALSE(writeTextFile(path("nofolder/x.txt"), "x", nullptr, Durability::Cached));
}

TEST_F(TextFiles, FailedWriteKeepsOldFileAndLeavesNoTemporary) {
    fs::create_directory(dir / "sub");
    std::string reason;
    EXPECT_FALSE(writeTextFile(path("sub"), "x", &reason));
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    EXPECT_FALSE(writeTextFile(path("nofolder/x.txt"), "x"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(TextFiles, WritingKeepsTheOldMode) {
    writeFile("m.txt", "old");
    fs::permissions(path("m.txt"), fs::perms(0640));
    ASSERT_TRUE(writeTextFile(path("m.txt"), "new"));
    EXPECT_EQ(fs::status(path("m.txt")).permissions() & fs::perms::all, fs::perms(0640));
}

TEST_F(TextFiles, ExistsFollowsTheDirectorySearch) {
    writeFile("prog.asm", "halt");
    writeFile("a[1].asm", "halt");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "gone", dir / "dangling");
    const struct {
        std::string name;
        bool exists;
    } cases[] = {
        {"prog.asm", true}, {"folder", true},     {"*.asm", true},    {"pro?.asm", true},
        {"p*m", true},      {"*.8xe", false},     {"prog.as?", true}, {"prog.asm?", false},
        {"a[1].asm", true}, {"a[12].asm", false}, {"nothing", false}, {"*", true},
        {"dangling", true}, {"dangl?ng", true},   {"gone", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileExists(path(c.name)), c.exists) << c.name;
    EXPECT_FALSE(fileExists(""));
}

} // namespace
