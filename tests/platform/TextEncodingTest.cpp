#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace krv {
namespace {

TEST(TextEncodingTest, JapaneseTextRoundTrips)
{
    const struct {
        const char* utf8;
        std::string cp932;
    } cases[] = {
        {"換算式", "\x8A\xB7\x8E\x5A\x8E\xAE"},
        {"ｍＡ", "\x82\x8D\x82\x60"},
        {"℃", "\x81\x8E"},
        {"ｱｲｳ", "\xB1\xB2\xB3"},
        {"a\\b~c", "a\\b~c"},  // backslash and tilde stay ASCII
        {"①", "\x87\x40"},     // NEC extension
        {"～", "\x81\x60"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string encoded;
        ASSERT_TRUE(Utf8ToCp932(c.utf8, encoded)) << c.utf8;
        EXPECT_EQ(encoded, c.cp932) << c.utf8;
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(Cp932Length(c.utf8), static_cast<int>(c.cp932.size()));
    }
}

TEST(TextEncodingTest, BadBytesBecomeReplacementCharacters)
{
    // A lead byte cut off at the end.
    EXPECT_EQ(Cp932ToUtf8("ab\x82"), "ab\xEF\xBF\xBD");
    // A lead byte followed by a byte that cannot trail it: the second byte still counts.
    EXPECT_EQ(Cp932ToUtf8("\x82\x20x"), "\xEF\xBF\xBD x");
    // Bytes that start nothing.
    EXPECT_EQ(Cp932ToUtf8("\xFF"
                          "A"),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(Cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextEncodingTest, TextsWithoutACp932FormAreRefused)
{
    for (const char* text : {"😀", "한국", "é", "\xC3", "\xFF", "a\xE3\x81", "\xED\xA0\x80"}) {
        std::string out = "untouched";
        EXPECT_FALSE(Utf8ToCp932(text, out)) << text;
        EXPECT_EQ(out, "untouched");
        EXPECT_EQ(Cp932Length(text), -1);
    }
}

TEST(TextEncodingTest, LossyEncodingReplacesEachBadCharacterOnce)
{
    bool replaced = false;
    EXPECT_EQ(Utf8ToCp932Lossy("m😀℃é", &replaced), "m?\x81\x8E?");
    EXPECT_TRUE(replaced);
    EXPECT_EQ(Utf8ToCp932Lossy("a\xC3"
                               "b\xE3\x81",
                               &replaced),
              "a?b?");
    EXPECT_TRUE(replaced);
    EXPECT_EQ(Utf8ToCp932Lossy("換算式", &replaced), "\x8A\xB7\x8E\x5A\x8E\xAE");
    EXPECT_FALSE(replaced);
}

TEST(TextEncodingTest, Utf16LeDecodes)
{
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0\xDB\x63", 4)), "A換");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8\x00\xDE", 4)), "😀");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8"
                                        "A\0",
                                        4)),
              "\xEF\xBF\xBD"
              "A");                                                        // lone high
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xDE", 2)), "\xEF\xBF\xBD");  // lone low
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0B", 3)), "A\xEF\xBF\xBD");     // odd byte
}

}  // namespace
}  // namespace krv
