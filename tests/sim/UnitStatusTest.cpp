// The unit's status reply, its alarms and calibration modes, the standalone modes, the output
// history and the power cycle, without a pty.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/CommandFrame.h"
#include "sim/VirtualUnit.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;
using Replies = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const Replies kNoReply = {};  // the unit answers no output frame

std::string StatusRequest(char digit)
{
    return std::string("\x02R") + digit + "\r\n";
}

// The W frame of channel index `ch`; a run state of -1 gives the single "0" of the 47-byte form.
std::string Write(int ch, unsigned range, unsigned code, unsigned mainControl,
                  unsigned extControl = 0, int runState = -1)
{
    CommandFrame f = CommandFrame::Framed("W");
    f.Hex1(static_cast<unsigned>(ch + 1)).Hex2(range).Hex4(code).Hex4(mainControl).Hex4(0x0008);
    f.Hex4(0).Hex4(0).Hex4(extControl).Hex4(0).Hex4(0).Hex4(0);
    if (runState < 0) {
        f.Text("0");
    } else {
        f.Hex2(static_cast<unsigned>(runState));
    }
    return f.WithEtxAndChecksum();
}

// The only status reply of `unit` to a request for channel index `ch`; fails the test otherwise.
std::string Status(VirtualUnit& unit, int ch)
{
    const Replies replies = unit.HandleLine(StatusRequest(static_cast<char>('1' + ch)));
    EXPECT_EQ(replies.size(), 1u) << "channel index " << ch;
    return replies.empty() ? std::string() : replies.front();
}

// A field of a status reply by its byte positions.
std::string Field(const std::string& reply, std::size_t first, std::size_t last)
{
    return reply.size() > last ? reply.substr(first, last - first + 1) : "(short reply)";
}

UnitConfig Circuits(int n)
{
    UnitConfig config;
    config.circuits = n;
    return config;
}

TEST(UnitStatus, ReplyAfterAnOutputFrameHasTheAgreedLayout)
{
    VirtualUnit unit(UnitConfig{});
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8000, 0x100D)), kNoReply);
    const std::string reply = Status(unit, 0);
    EXPECT_EQ(reply,
              "\x02R1058000100D000800000000000000000000000000000000000100\x03"
              "71\r\n");
    EXPECT_TRUE(IsValidFramedReply(reply, 60));
}

TEST(UnitStatus, EveryChannelReportsItsOwnRegisters)
{
    VirtualUnit unit(Circuits(4));
    // Channels 1 to 3 on the main stage in different ranges, channel 4 on the external-supply
    // output (range 11) with its on bit in the external control word.
    ASSERT_EQ(unit.HandleLine(Write(0, 0, 0x1234, 0x1008)), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(1, 3, 0xFFFF, 0x100B)), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(2, 6, 0x0000, 0x0009)), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(3, 11, 0xABCD, 0x0008, 0x0001)), kNoReply);

    const char* const ranges[] = {"00", "03", "06", "0B"};
    const char* const codes[] = {"1234", "FFFF", "0000", "ABCD"};
    const char* const mains[] = {"1008", "100B", "0009", "0008"};
    const char* const exts[] = {"0000", "0000", "0000", "0001"};
    for (int ch = 0; ch < 4; ++ch) {
        const std::string reply = Status(unit, ch);
        ASSERT_EQ(reply.size(), 60u) << ch;
        EXPECT_TRUE(IsValidFramedReply(reply, 60)) << ch;
        EXPECT_EQ(reply[0], kStx);
        EXPECT_EQ(reply[1], 'R');
        EXPECT_EQ(reply[2], '1' + ch);
        EXPECT_EQ(Field(reply, 3, 4), ranges[ch]) << ch;
        EXPECT_EQ(Field(reply, 5, 8), codes[ch]) << ch;
        EXPECT_EQ(Field(reply, 9, 12), mains[ch]) << ch;
        EXPECT_EQ(Field(reply, 13, 16), "0008") << ch;  // the aux word the host sent
        EXPECT_EQ(Field(reply, 29, 32), exts[ch]) << ch;
        EXPECT_EQ(reply[55], kEtx);
        EXPECT_EQ(reply.substr(58), "\r\n");
    }
}

TEST(UnitStatus, OnlyTheExactRequestOfAPresentChannelIsAnswered)
{
    VirtualUnit two(Circuits(2));
    EXPECT_EQ(two.HandleLine(StatusRequest('1')).size(), 1u);
    EXPECT_EQ(two.HandleLine(StatusRequest('2')).size(), 1u);
    // A missing circuit cannot report: no reply, the host's poll runs into its time-out.
    EXPECT_TRUE(two.HandleLine(StatusRequest('3')).empty());
    EXPECT_TRUE(two.HandleLine(StatusRequest('4')).empty());
    VirtualUnit one(Circuits(1));
    EXPECT_TRUE(one.HandleLine(StatusRequest('2')).empty());

    VirtualUnit four(Circuits(4));
    for (const std::string& line :
         {StatusRequest('0'), StatusRequest('5'), StatusRequest('A'), StatusRequest('r'),
          std::string("\x02R\r\n"), std::string("\x02R11\r\n"), std::string("\x02R1\x03\r\n"),
          std::string("\x02R1\n"), std::string("R1\r\n"), std::string("\x02r1\r\n")}) {
        EXPECT_TRUE(four.HandleLine(line).empty()) << line;
    }
}

TEST(UnitStatus, RunStateOfAnOutputFrameInEitherForm)
{
    VirtualUnit unit(UnitConfig{});
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8000, 0x100D, 0, 2)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 0), 53, 54), "02");
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8000, 0x100D, 0, 0x1F)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 0), 53, 54), "1F");
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8000, 0x100D)), kNoReply);  // the 47-byte form
    EXPECT_EQ(Field(Status(unit, 0), 53, 54), "00");
}

TEST(UnitStatus, AlarmBitsAppearInTheirOwnWordUntilCleared)
{
    VirtualUnit unit(UnitConfig{});
    std::string reply = Status(unit, 1);
    EXPECT_EQ(Field(reply, 25, 28), "0000");
    EXPECT_EQ(Field(reply, 45, 48), "0000");

    unit.SetStatusBits(1, StatusWord::Main, kMainSlewing | kMainWatchdog);
    unit.SetStatusBits(1, StatusWord::Main, kMainCrc1);
    unit.SetStatusBits(1, StatusWord::External, kExtCrc2);
    reply = Status(unit, 1);
    EXPECT_TRUE(IsValidFramedReply(reply, 60));
    EXPECT_EQ(Field(reply, 25, 28), "001A");
    EXPECT_EQ(Field(reply, 45, 48), "0008");
    EXPECT_EQ(Field(Status(unit, 0), 25, 28), "0000");  // the other channel is untouched

    unit.ClearStatusBits(1, StatusWord::Main, kMainWatchdog);
    unit.ClearStatusBits(1, StatusWord::External, kExtOutputShort);  // not set: no change
    reply = Status(unit, 1);
    EXPECT_EQ(Field(reply, 25, 28), "0012");
    EXPECT_EQ(Field(reply, 45, 48), "0008");
    EXPECT_EQ(unit.Channel(1).mainStatus, kMainSlewing | kMainCrc1);

    // Output frames from the host do not touch the status words.
    ASSERT_EQ(unit.HandleLine(Write(1, 11, 0x4000, 0x0008, 0x0001)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 1), 45, 48), "0008");

    EXPECT_THROW(unit.SetStatusBits(4, StatusWord::Main, 1), std::out_of_range);
    EXPECT_THROW(unit.ClearStatusBits(-1, StatusWord::External, 1), std::out_of_range);
}

TEST(UnitStatus, CalibrationModeIsThatOfTheRangeInUse)
{
    VirtualUnit unit(UnitConfig{});
    unit.SetCalibrationMode(0, 5, 0x0002);
    EXPECT_EQ(Field(Status(unit, 0), 49, 52), "0001");  // range 0 at power-on: maker default
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0, 0x000D)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 0), 49, 52), "0002");
    EXPECT_EQ(Field(Status(unit, 1), 49, 52), "0001");  // per channel
    ASSERT_EQ(unit.HandleLine(Write(0, 15, 0, 0x0008)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 0), 49, 52), "0001");
    // A range code with no table entry has no mode to report.
    ASSERT_EQ(unit.HandleLine(Write(0, 0x10, 0, 0x0008)), kNoReply);
    EXPECT_EQ(Field(Status(unit, 0), 49, 52), "0000");

    UnitConfig user;
    user.calibrationMode = 0x0002;
    VirtualUnit userUnit(user);
    for (int range = 0; range < VirtualUnit::kRanges; ++range) {
        EXPECT_EQ(userUnit.CalibrationMode(3, range), 0x0002);
    }
    EXPECT_THROW(unit.SetCalibrationMode(0, 16, 1), std::out_of_range);
    EXPECT_THROW(unit.SetCalibrationMode(4, 0, 1), std::out_of_range);
    EXPECT_THROW(unit.CalibrationMode(0, -1), std::out_of_range);
}

TEST(UnitStandalone, MsReportsModeAndRunDigitsOfChannelsOneAndTwo)
{
    const std::string ms =
        "\x02MS\x03"
        "\r\n";
    VirtualUnit plain(UnitConfig{});
    EXPECT_EQ(plain.HandleLine(ms), Replies{"\x02MS0000\r\n"});

    UnitConfig config;
    config.standalone = {StandaloneSetting{2, 1}, StandaloneSetting{1, 0}};
    VirtualUnit unit(config);
    EXPECT_EQ(unit.HandleLine(ms), Replies{"\x02MS2110\r\n"});
    EXPECT_EQ(Field(Status(unit, 0), 53, 54), "01");  // the running waveform shows in the status

    // The host pauses channel 1 through its output frame; MS and the status report it.
    ASSERT_EQ(unit.HandleLine(Write(0, 1, 0x2000, 0x1009, 0, 2)), kNoReply);
    EXPECT_EQ(unit.HandleLine(ms), Replies{"\x02MS2210\r\n"});
    EXPECT_EQ(Field(Status(unit, 0), 53, 54), "02");

    unit.SetStandalone(1, StandaloneSetting{2, 2});
    EXPECT_EQ(unit.HandleLine(ms), Replies{"\x02MS2222\r\n"});
    EXPECT_EQ(unit.Standalone(1).mode, 2);
    EXPECT_EQ(unit.Standalone(3).mode, 0);

    for (const std::string& line :
         {std::string("\x02MS\r\n"), std::string("MS\r\n"), std::string("\x02MS\x03X\r\n"),
          std::string("\x02MS\x03\n"), CommandFrame::Framed("MS").WithEtxAndChecksum()}) {
        EXPECT_TRUE(unit.HandleLine(line).empty()) << line;
    }
    EXPECT_THROW(unit.SetStandalone(2, StandaloneSetting{1, 0}), std::out_of_range);
    EXPECT_THROW(unit.SetStandalone(0, StandaloneSetting{3, 0}), std::invalid_argument);
    EXPECT_THROW(unit.SetStandalone(0, StandaloneSetting{0, -1}), std::invalid_argument);
}

TEST(UnitStandalone, CheckUnitConfigRejectsDigitsOutsideZeroToTwo)
{
    UnitConfig config;
    config.standalone[1] = StandaloneSetting{2, 3};
    std::string error;
    EXPECT_FALSE(CheckUnitConfig(config, &error));
    EXPECT_NE(error.find("channel 2"), std::string::npos) << error;
    config.standalone[1] = StandaloneSetting{2, 2};
    EXPECT_TRUE(CheckUnitConfig(config, &error));
}

TEST(UnitPowerCycle, RegistersGoBackWhatTheUnitStoresStays)
{
    UnitConfig config;
    config.standalone[0] = StandaloneSetting{2, 1};
    VirtualUnit unit(config);
    ASSERT_EQ(unit.HandleLine(Write(0, 3, 0x9000, 0x100B, 0x0001, 2)), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(1, 5, 0x7000, 0x100D)), kNoReply);
    unit.SetStatusBits(0, StatusWord::Main, kMainOverTemperature);
    unit.SetStatusBits(1, StatusWord::External, kExtOutputFault);
    unit.SetCalibrationMode(0, 0, 0x0002);

    unit.PowerCycle();

    for (int ch = 0; ch < VirtualUnit::kChannels; ++ch) {
        const ChannelRegisters& r = unit.Channel(ch);
        EXPECT_EQ(r.range, 0) << ch;
        EXPECT_EQ(r.outputCode, 0) << ch;
        EXPECT_EQ(r.mainControl, 0x0008) << ch;
        EXPECT_EQ(r.mainAux, 0x0008) << ch;
        EXPECT_EQ(r.extControl, 0) << ch;
        EXPECT_EQ(r.mainStatus, 0) << ch;
        EXPECT_EQ(r.extStatus, 0) << ch;
        EXPECT_EQ(r.framesAccepted, 0u) << ch;
    }
    // The standalone setting survives and the waveform starts as stored.
    EXPECT_EQ(unit.Channel(0).runState, 1);
    EXPECT_EQ(unit.HandleLine("\x02MS\x03\r\n"), Replies{"\x02MS2100\r\n"});
    EXPECT_EQ(Field(Status(unit, 0), 49, 52), "0002");
    EXPECT_EQ(unit.OutputHistory(0).size(), 1u);
}

TEST(UnitOutputHistory, RecordsEveryAcceptedFrameWithItsTime)
{
    VirtualUnit unit(UnitConfig{});
    const Clock::time_point t0 = Clock::now();
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8000, 0x100D), t0), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(1, 11, 0x1000, 0x0008, 0x0001, 1), t0 + 10ms), kNoReply);
    ASSERT_EQ(unit.HandleLine(Write(0, 5, 0x8100, 0x100D), t0 + 20ms), kNoReply);
    // Not accepted: a wrong checksum, and fields that do not read.
    std::string bad = Write(0, 5, 0x9000, 0x100D);
    bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
    EXPECT_TRUE(unit.HandleLine(bad, t0 + 30ms).empty());
    EXPECT_EQ(
        unit.HandleLine(CommandFrame::Framed("W").Hex1(1).Hex2(5).WithEtxAndChecksum(), t0 + 40ms),
        kNoReply);

    const auto first = unit.OutputHistory(0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].time, t0);
    EXPECT_EQ(first[0].range, 5);
    EXPECT_EQ(first[0].outputCode, 0x8000);
    EXPECT_EQ(first[0].mainControl, 0x100D);
    EXPECT_EQ(first[0].extControl, 0);
    EXPECT_EQ(first[1].time, t0 + 20ms);
    EXPECT_EQ(first[1].outputCode, 0x8100);
    const auto second = unit.OutputHistory(1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].range, 11);
    EXPECT_EQ(second[0].extControl, 1);
    EXPECT_EQ(second[0].runState, 1);
    EXPECT_TRUE(unit.OutputHistory(3).empty());
    EXPECT_THROW(unit.OutputHistory(4), std::out_of_range);

    unit.ClearOutputHistory();
    EXPECT_TRUE(unit.OutputHistory(0).empty());
}

TEST(UnitOutputHistory, KeepsTheNewestRecordsUpToItsLimit)
{
    VirtualUnit unit(UnitConfig{});
    const std::size_t total = VirtualUnit::kOutputHistoryLimit + 5;
    const Clock::time_point t0{};
    for (std::size_t i = 0; i < total; ++i) {
        unit.HandleLine(Write(2, 0, static_cast<unsigned>(i & 0xFFFF), 0x1008),
                        t0 + std::chrono::milliseconds(i));
    }
    const auto history = unit.OutputHistory(2);
    ASSERT_EQ(history.size(), VirtualUnit::kOutputHistoryLimit);
    EXPECT_EQ(history.front().time, t0 + 5ms);
    EXPECT_EQ(history.back().time, t0 + std::chrono::milliseconds(total - 1));
    EXPECT_EQ(unit.Channel(2).framesAccepted, total);
}

}  // namespace
}  // namespace krv::sim
