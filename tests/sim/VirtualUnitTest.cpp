#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "protocol/CommandFrame.h"

namespace krv::sim {
namespace {

using Replies = std::vector<std::string>;

// Channel 1, range 5, code 8000, main control 100D, the other words at their start values, and
// the single "0" the host sends while the unit does not run the channel itself: 47 bytes.
const std::string kWriteFrame = std::string(
    "\x02W1058000100D0008000000000000000000000000"
    "0\x03"
    "05\r\n");

std::string WriteFrame(unsigned channel, unsigned runStateDigits, unsigned runState)
{
    CommandFrame f = CommandFrame::Framed("W");
    f.Hex1(channel).Hex2(11).Hex4(0xFFFF).Hex4(0x0008).Hex4(0x0008).Hex4(0x1234).Hex4(0x5678);
    f.Hex4(0x0001).Hex4(0xA).Hex4(0xB).Hex4(0xC);
    if (runStateDigits == 1) {
        f.Hex1(runState);
    } else {
        f.Hex2(runState);
    }
    return f.WithEtxAndChecksum();
}

TEST(VirtualUnit, AnswersIdentificationQueriesWithItsConfiguration)
{
    VirtualUnit standard(UnitConfig{});
    EXPECT_EQ(standard.HandleLine("VER\r\n"), Replies{"VER02.000\r\n"});
    EXPECT_EQ(standard.HandleLine("CH\r\n"), Replies{"CH2\r\n"});

    VirtualUnit odd(UnitConfig{3, " 2 00 "});
    EXPECT_EQ(odd.HandleLine("VER\r\n"), Replies{"VER 2 00 \r\n"});
    EXPECT_EQ(odd.HandleLine("CH\r\n"), Replies{"CH3\r\n"});
}

TEST(VirtualUnit, AnswersOnlyTheExactCommandLine)
{
    VirtualUnit unit(UnitConfig{});
    for (const std::string& line :
         {std::string("VER"), std::string("VER\n"), std::string("VER\r"), std::string(" VER\r\n"),
          std::string("VER \r\n"), std::string("ver\r\n"), std::string("VER\0\r\n", 6),
          std::string("\0VER\r\n", 6), std::string("\x02VER\r\n"), std::string("CH2\r\n"),
          std::string("VERVER\r\n"), std::string("\r\n"), std::string(""), std::string("\x02\r\n"),
          std::string("\x02R9\r\n"), std::string(3000, 'V') + "\r\n"}) {
        EXPECT_TRUE(unit.HandleLine(line).empty()) << "line: " << line;
    }
}

TEST(VirtualUnit, CheckUnitConfigRejectsACircuitCountThatIsNotOneDigit)
{
    std::string error;
    EXPECT_TRUE(CheckUnitConfig(UnitConfig{4, "02.000"}, &error));
    EXPECT_FALSE(CheckUnitConfig(UnitConfig{10, "02.000"}, &error));
    EXPECT_NE(error.find("10"), std::string::npos);
    EXPECT_FALSE(CheckUnitConfig(UnitConfig{-1, "02.000"}, nullptr));
}

TEST(VirtualUnitWrite, TakesAGoodFrameWithoutAnsweringAndKeepsItsFields)
{
    // The same frame built field by field gives the same bytes as the reference frame.
    CommandFrame f = CommandFrame::Framed("W");
    f.Hex1(1).Hex2(5).Hex4(0x8000).Hex4(0x100D).Hex4(0x0008);
    for (int i = 0; i < 6; ++i) f.Hex4(0);
    ASSERT_EQ(f.Text("0").WithEtxAndChecksum(), kWriteFrame);
    ASSERT_EQ(kWriteFrame.size(), 47u);

    VirtualUnit unit(UnitConfig{});
    EXPECT_TRUE(unit.HandleLine(kWriteFrame).empty());  // the unit never answers W
    const ChannelRegisters& r = unit.Channel(0);
    EXPECT_EQ(r.range, 5);
    EXPECT_EQ(r.outputCode, 0x8000);
    EXPECT_EQ(r.mainControl, 0x100D);
    EXPECT_EQ(r.mainAux, 0x0008);
    EXPECT_EQ(r.extControl, 0);
    EXPECT_EQ(r.runState, 0);
    EXPECT_EQ(r.framesAccepted, 1u);
    EXPECT_EQ(unit.Channel(1).framesAccepted, 0u);

    // The 48-byte form carries a two-digit run state.
    const std::string frame = WriteFrame(4, 2, 0x01);
    ASSERT_EQ(frame.size(), 48u);
    EXPECT_TRUE(unit.HandleLine(frame).empty());
    const ChannelRegisters& c4 = unit.Channel(3);
    EXPECT_EQ(c4.range, 11);
    EXPECT_EQ(c4.outputCode, 0xFFFF);
    EXPECT_EQ(c4.spareWords[0], 0x1234);
    EXPECT_EQ(c4.spareWords[1], 0x5678);
    EXPECT_EQ(c4.extControl, 0x0001);
    EXPECT_EQ(c4.extAux[0], 0xA);
    EXPECT_EQ(c4.extAux[2], 0xC);
    EXPECT_EQ(c4.runState, 1);
    EXPECT_EQ(unit.MalformedFrames(), 0u);
}

TEST(VirtualUnitWrite, IgnoresFramesWithAWrongChecksumOrChannel)
{
    VirtualUnit unit(UnitConfig{});
    std::string wrongSum = kWriteFrame;
    wrongSum[wrongSum.size() - 3] = '6';
    std::string lowerCase = WriteFrame(2, 2, 0x00);
    ASSERT_EQ(lowerCase.substr(lowerCase.size() - 4, 2), "E1");
    lowerCase[lowerCase.size() - 4] = 'e';
    std::string changedField = kWriteFrame;
    changedField[6] = '1';  // the checksum no longer fits
    std::string noCrLf = kWriteFrame.substr(0, kWriteFrame.size() - 2);

    for (const std::string& frame :
         {wrongSum, changedField, noCrLf, lowerCase, WriteFrame(0, 1, 0), WriteFrame(5, 1, 0)}) {
        EXPECT_TRUE(unit.HandleLine(frame).empty()) << frame;
    }
    for (int ch = 0; ch < VirtualUnit::kChannels; ++ch) {
        EXPECT_EQ(unit.Channel(ch).framesAccepted, 0u);
        EXPECT_EQ(unit.Channel(ch).mainControl, 0x0008);
    }
}

TEST(VirtualUnitWrite, CountsAMisshapenFrameButLeavesTheRegistersAlone)
{
    VirtualUnit unit(UnitConfig{});
    ASSERT_TRUE(unit.HandleLine(kWriteFrame).empty());
    const std::string shortFrame =
        CommandFrame::Framed("W").Hex1(1).Hex4(0x1234).WithEtxAndChecksum();
    std::string nonHex = kWriteFrame;
    nonHex[5] = '9';
    nonHex[6] = '/';  // "80" becomes "9/": the byte sum, and so the checksum, stays right

    EXPECT_TRUE(unit.HandleLine(shortFrame).empty());
    EXPECT_TRUE(unit.HandleLine(nonHex).empty());
    EXPECT_EQ(unit.MalformedFrames(), 2u);
    EXPECT_EQ(unit.Channel(0).outputCode, 0x8000);
    EXPECT_EQ(unit.Channel(0).framesAccepted, 1u);
}

TEST(VirtualUnitStress, RandomBytesNeverGetAnAnswer)
{
    VirtualUnit unit(UnitConfig{});
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string line(random() % 64, '\0');
        for (char& c : line) c = static_cast<char>(random());
        if (i % 2 == 0 && !line.empty()) line[0] = '\x02';
        if (i % 3 == 0 && line.size() > 1) line[1] = 'W';
        line += "\r\n";
        ASSERT_TRUE(unit.HandleLine(line).empty()) << i;
    }
}

}  // namespace
}  // namespace krv::sim
