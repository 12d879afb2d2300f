#include "sourcetext.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

struct LineEndCase {
    std::string editor;
    std::string disk;
};

TEST(SourceText, EveryLineEndShownIsWrittenAsCrLf) {
    const LineEndCase cases[] = {
        {"", ""},
        {"halt", "halt"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb", "a\r\nb"},
        {"a\rb\r", "a\r\nb\r\n"},
        {"\n\n\r\r\n", "\r\n\r\n\r\n\r\n"},
        {"x\0y\n\0"s, "x\0y\r\n\0"s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mox::windowsLineEnds(c.editor), c.disk) << c.editor;
}

TEST(SourceText, ReadingDropsEveryCarriageReturn) {
    EXPECT_EQ(mox::stripCarriageReturns("a\r\nb\rc\r\r\n\0\r"s), "a\nbc\n\0"s);
}

TEST(SourceText, RecognisesStrictUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"load ax, ff ; plain ascii, long enough for whole words\n", true},
        {"; gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x98\x80", true},
        {"\xef\xbb\xbf\xe2\x80\xa8\xef\xb7\x90", true}, // BOM, line separator, noncharacter
        {"a\0b"s, true},
        {"; gr\xfc", false},             // Latin-1
        {"x\xc3", false},                // cut sequence
        {"\xc0\xaf", false},             // overlong slash
        {"\xe0\x80\xaf", false},         // overlong, three bytes
        {"\xed\xa0\x80", false},         // encoded surrogate
        {"\xf4\x90\x80\x80", false},     // above U+10FFFF
        {"\xe2\x82", false},             // cut at the end
        {"12345678\xe2\x28\xa1", false}, // bad continuation after a fast run
    };
    for (const auto& [bytes, utf8] : cases)
        EXPECT_EQ(mox::isUtf8(bytes), utf8) << bytes;
}

} // namespace
