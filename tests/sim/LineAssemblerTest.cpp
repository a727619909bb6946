#include "sim/LineAssembler.h"

#include <gtest/gtest.h>

#include <string>

namespace krv::sim {
namespace {

std::vector<std::string> Texts(const std::vector<LineAssembler::Line>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines) out.push_back(line.bytes);
    return out;
}

TEST(LineAssembler, JoinsChunksAndReportsWhereEachLineEnded)
{
    LineAssembler a;
    EXPECT_TRUE(a.Feed("VE").empty());
    EXPECT_TRUE(a.Feed("R\r").empty());
    const auto lines = a.Feed("\nCH\r\nX");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].bytes, "VER\r\n");
    EXPECT_EQ(lines[0].endOffset, 1u);
    EXPECT_EQ(lines[1].bytes, "CH\r\n");
    EXPECT_EQ(lines[1].endOffset, 5u);
    EXPECT_EQ(a.PendingBytes(), 1u);
}

TEST(LineAssembler, OnlyCrLfEndsALineAndEveryByteValueIsKept)
{
    LineAssembler a;
    const std::string data("A\rB\nC\0\xFF\r\n", 9);
    EXPECT_EQ(Texts(a.Feed(data)), std::vector<std::string>{data});
    EXPECT_EQ(Texts(a.Feed("\n\r\r\n")), std::vector<std::string>{"\n\r\r\n"});
}

TEST(LineAssembler, OverLongLineIsDroppedWholeAndTheNextLineIsServed)
{
    LineAssembler a;
    const std::string longest(LineAssembler::kMaxLineLength, 'x');
    EXPECT_EQ(Texts(a.Feed(longest + "\r\n")), std::vector<std::string>{longest + "\r\n"});

    // One byte too many: nothing of it comes out, not even a tail that reads like a command.
    const auto lines = a.Feed(longest + "VER\r\nCH\r\n");
    EXPECT_EQ(Texts(lines), std::vector<std::string>{"CH\r\n"});
    EXPECT_EQ(a.DiscardedLines(), 1u);

    // The CR LF that ends the discarded line may be split across chunks.
    a.Feed(std::string(2000, 'y') + "\r");
    EXPECT_EQ(Texts(a.Feed("\nVER\r\n")), std::vector<std::string>{"VER\r\n"});
}

TEST(LineAssemblerStress, EndlessGarbageKeepsTheBufferBounded)
{
    LineAssembler a;
    // Every byte value but LF, CRs included, so no line ever ends.
    std::string junk(4096, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>(i * 7);
        if (junk[i] == '\n') junk[i] = '\0';
    }
    for (int i = 0; i < 256; ++i) {
        a.Feed(junk);
        ASSERT_LE(a.PendingBytes(), LineAssembler::kMaxLineLength + 1);
    }
    a.Feed("\r\n");
    EXPECT_EQ(Texts(a.Feed("VER\r\n")), std::vector<std::string>{"VER\r\n"});
}

}  // namespace
}  // namespace krv::sim
