#include <gtest/gtest.h>

#include <stdexcept>

#include "protocol/CommandFrame.h"

namespace krv {
namespace {

TEST(ChecksumTest, MemoryEraseFrameOfAreaZeroCarriesC8)
{
    std::string frame = "\x02PE0\x03";
    AppendChecksum(frame);
    EXPECT_EQ(frame,
              "\x02PE0\x03"
              "C8\r\n");
    EXPECT_EQ(CommandFrame::Framed("PE").Hex1(0).WithEtxAndChecksum(), frame);
}

TEST(ChecksumTest, OnlyBytesUpToTheFirstEtxCount)
{
    std::string frame =
        "\x02W\x03"
        "garbage";
    AppendChecksum(frame);
    // 'W' (0x57) + ETX (0x03) = 0x5A; what follows the ETX is not summed.
    EXPECT_EQ(frame,
              "\x02W\x03"
              "garbage5A\r\n");
}

TEST(ChecksumTest, SumWrapsToItsLowEightBits)
{
    const std::string body(10, '\xFF');
    std::string frame = "\x02" + body + "\x03";
    AppendChecksum(frame);
    // 10 × 0xFF + 3 = 0x9F9 → F9
    EXPECT_EQ(frame.substr(frame.size() - 4), "F9\r\n");
}

TEST(ChecksumTest, FrameWithoutEtxOrStxIsAProgrammingError)
{
    std::string noEtx = "\x02W105";
    EXPECT_THROW(AppendChecksum(noEtx), std::invalid_argument);
    EXPECT_EQ(noEtx, "\x02W105");
    std::string noStx = "W105\x03";
    EXPECT_THROW(AppendChecksum(noStx), std::invalid_argument);
    EXPECT_EQ(noStx, "W105\x03");
    std::string empty;
    EXPECT_THROW(AppendChecksum(empty), std::invalid_argument);
}

TEST(FramedReplyTest, LengthAndChecksumMustBothMatch)
{
    std::string reply =
        "\x02"
        "CR0123\x03";
    AppendChecksum(reply);
    EXPECT_TRUE(IsValidFramedReply(reply, reply.size()));
    EXPECT_FALSE(IsValidFramedReply(reply, reply.size() + 1));

    std::string wrongSum = reply;
    wrongSum[wrongSum.size() - 3] ^= 1;
    EXPECT_FALSE(IsValidFramedReply(wrongSum, wrongSum.size()));

    // The checksum characters are compared as upper-case text.
    std::string frame =
        "\x02"
        "X\x03";  // 'X' + ETX = 0x5B
    EXPECT_TRUE(IsValidFramedReply(frame + "5B\r\n", 7));
    EXPECT_FALSE(IsValidFramedReply(frame + "5b\r\n", 7));

    EXPECT_FALSE(
        IsValidFramedReply("\x02"
                           "CR0123\r\n",
                           9));  // no ETX
    EXPECT_FALSE(IsValidFramedReply("\x02\x03", 2));
    EXPECT_FALSE(IsValidFramedReply("", 0));
}

TEST(CommandFrameTest, FieldsAreFixedWidthUpperCaseHex)
{
    EXPECT_EQ(CommandFrame::Plain("VER").WithCrLf(), "VER\r\n");
    EXPECT_EQ(CommandFrame::Framed("MS").WithEtx(), "\x02MS\x03\r\n");
    EXPECT_EQ(CommandFrame::Framed("R").Hex1(3).WithCrLf(), "\x02R3\r\n");
    EXPECT_EQ(CommandFrame::Framed("").Hex2(12).Hex4(0xBEEF).Hex4(0x8).Hex8(0xA1).Bytes(),
              "\x02"
              "0CBEEF0008000000A1");
    EXPECT_EQ(CommandFrame::Plain("").Hex4(0x10000).Bytes(), "10000");
}

}  // namespace
}  // namespace krv
