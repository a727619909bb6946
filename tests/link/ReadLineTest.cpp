// Line assembly from the receive ring, with the reader played by the test.
#include <gtest/gtest.h>

#include <string>

#include "link/DeviceLink.h"

namespace krv {
namespace {

class ReadLineTest : public ::testing::Test {
  protected:
    void Deliver(const std::string& bytes)
    {
        link.CommPort().DeliverReceived(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                        bytes.size());
    }
    std::string Line() const { return std::string(link.ReplyLine()); }

    DeviceLink link;
};

TEST_F(ReadLineTest, TwoRepliesInOneBurstComeOutOneByOne)
{
    Deliver("OK\r\nOK\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "OK\r\n");
    EXPECT_EQ(link.ReplyBuffer()[4], '\0');
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "OK\r\n");
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kNoLine);
}

TEST_F(ReadLineTest, SplitReplyIsPendingUntilItsEnd)
{
    Deliver("O");
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver("K\r");
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver("\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "OK\r\n");
}

TEST_F(ReadLineTest, OverlongLineIsThrownAwayAtItsFiveHundredTwelfthByte)
{
    // The ring holds 511 bytes, so the 600 bytes arrive in two portions as a reader would pass
    // them.
    Deliver(std::string(300, 'x'));
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver(std::string(300, 'y'));
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLineDiscarded);
    EXPECT_EQ(link.CommPort().Ring().Unread(), 88u);
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver("\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), std::string(88, 'y') + "\r\n");
}

TEST_F(ReadLineTest, BareCrLfStartsTheNextLine)
{
    Deliver("\r\nOK\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "\r\nOK\r\n");

    Deliver("\r\n");
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver("X\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "\r\nX\r\n");
}

TEST_F(ReadLineTest, LineErrorThrowsThePartialLineAway)
{
    for (std::uint8_t flag : {kFramingError, kParityError, kBreakError}) {
        Deliver("VER02");
        EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
        link.CommPort().DeliverLineErrors(flag);
        Deliver(".000\r\n");
        EXPECT_EQ(link.ReadLine(LinkKind::Com), kLineDiscarded) << int(flag);
        // The flags were taken: the bytes after the error assemble into a line of their own.
        ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
        EXPECT_EQ(Line(), ".000\r\n");
    }
}

TEST_F(ReadLineTest, FullRingDropsWhatDoesNotFit)
{
    std::string bytes;
    for (int i = 0; i < 600; ++i) bytes.push_back(static_cast<char>('a' + i % 26));
    Deliver(bytes);
    EXPECT_EQ(link.CommPort().Ring().Unread(), 511u);
    // The first 511 bytes are kept, in order; later ones were dropped.
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    Deliver("\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineDiscarded);  // 511 + CR is the 512th byte
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);    // LF alone is pending
}

TEST_F(ReadLineTest, RingIndicesWrapAround)
{
    // Many lines through the ring cross the wrap of both indices more than once.
    for (int i = 0; i < 100; ++i) {
        const std::string line = "LINE" + std::to_string(i) + "\r\n";
        Deliver(line);
        ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
        ASSERT_EQ(Line(), line);
    }
}

TEST_F(ReadLineTest, NulAndHighBytesAreOrdinaryLineBytes)
{
    const std::string line("A\0\xFF\x02R\r\n", 7);
    Deliver(line);
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), line);
}

TEST_F(ReadLineTest, UnknownLinkKindHasNoLine)
{
    Deliver("OK\r\n");
    EXPECT_EQ(link.ReadLine(static_cast<LinkKind>(7)), kNoLine);
    link.WriteText(static_cast<LinkKind>(7), "VER\r\n");  // does nothing, does not crash
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
}

TEST_F(ReadLineTest, UsbBridgeWithoutDeviceHasNoLine)
{
    EXPECT_EQ(link.ReadLine(LinkKind::Ftdi), kNoLine);
    EXPECT_FALSE(link.FtdiPort().OpenFtdiDevice());
}

TEST_F(ReadLineTest, ResetFillForgetsThePartialLine)
{
    Deliver("garb");
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kLinePending);
    link.ResetReplyFill();
    Deliver("OK\r\n");
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(Line(), "OK\r\n");
}

}  // namespace
}  // namespace krv
