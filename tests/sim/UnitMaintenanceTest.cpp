// The virtual unit's calibration tables, standalone memory, its faults, and the channels it runs
// by itself after a power-on with a standalone image.
#include <gtest/gtest.h>

#include "model/GeneratorState.h"
#include "model/StandaloneImageBuilder.h"
#include "protocol/Calibration.h"
#include "protocol/CommandFrame.h"
#include "protocol/StandaloneMemory.h"
#include "protocol/StatusReply.h"
#include "sim/VirtualUnit.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;
using Replies = std::vector<std::string>;
using Time = std::chrono::steady_clock::time_point;

std::string Checked(const std::string& body)
{
    return CommandFrame::Framed(body).WithEtxAndChecksum();
}

Replies Ok()
{
    return {"OK\r\n"};
}

// The host's output frame for a channel the unit runs itself, carrying `runState`.
std::string HostFrame(int index, unsigned runState)
{
    CommandFrame f = CommandFrame::Framed("W");
    f.Hex1(static_cast<unsigned>(index + 1)).Hex2(0).Hex4(0x1234).Hex4(0x1008).Hex4(0x0008);
    f.Hex4(0).Hex4(0).Hex4(0).Hex4(0).Hex4(0).Hex4(0).Hex2(runState);
    return f.WithEtxAndChecksum();
}

StatusReport StatusOf(VirtualUnit& unit, int index, Time now)
{
    const Replies replies = unit.HandleLine(StatusRequestFrame(index), now);
    EXPECT_EQ(replies.size(), 1u);
    const auto report = replies.empty() ? std::nullopt : DecodeStatusReply(replies[0]);
    EXPECT_TRUE(report);
    return report.value_or(StatusReport{});
}

TEST(UnitCalibrationTest, WorkingCopyChangesAndOnlyStoredValuesSurviveARestart)
{
    VirtualUnit unit(UnitConfig{});
    EXPECT_EQ(unit.HandleLine(Checked("CRM205")), Replies{Checked("CRM205000100008000")});
    EXPECT_EQ(unit.HandleLine(Checked("CMU205000200107FF6")), Ok());
    EXPECT_EQ(unit.HandleLine(Checked("CMM205000200208010")), Ok());
    EXPECT_EQ(unit.HandleLine(Checked("CRU205")), Replies{Checked("CRU205000200107FF6")});
    EXPECT_EQ(unit.CalibrationMode(1, 5), 0x0002);

    // The maker table is stored, the user table is not: a restart keeps only the maker's values
    // (and the mode, which travels with every store).
    EXPECT_EQ(unit.HandleLine(Checked("CWM")), Ok());
    unit.PowerCycle();
    EXPECT_EQ(unit.HandleLine(Checked("CRM205")), Replies{Checked("CRM205000200208010")});
    EXPECT_EQ(unit.HandleLine(Checked("CRU205")), Replies{Checked("CRU205000200008000")});

    // CINIU resets every user correction, stored ones too.
    EXPECT_EQ(unit.HandleLine(Checked("CMU10000020005800A")), Ok());
    EXPECT_EQ(unit.HandleLine(Checked("CWU")), Ok());
    EXPECT_EQ(unit.HandleLine("\x02"
                              "CINIU\x03\r\n"),
              Ok());
    unit.PowerCycle();
    EXPECT_EQ(unit.HandleLine(Checked("CRU100")), Replies{Checked("CRU100000200008000")});
}

TEST(UnitCalibrationTest, MalformedCommandsAreRefusedWithTheirCode)
{
    VirtualUnit unit(UnitConfig{});  // two circuits
    const struct {
        std::string line;
        Replies reply;
    } cases[] = {
        {Checked("CRM305"), {"NG02\r\n"}},                      // channel 3 of a two-circuit unit
        {Checked("CRM010"), {"NG02\r\n"}},                      // channel 0
        {Checked("CRM110"), {"NG03\r\n"}},                      // range 0x10
        {Checked("CRX105"), {"NG01\r\n"}},                      // table letter
        {Checked("CRM1G5"), {"NG01\r\n"}},                      // not hexadecimal
        {Checked("CMM1000001001"), {"NG01\r\n"}},               // short
        {Checked("CW"), {"NG01\r\n"}},                          // no table
        {Checked("CTU10712340002000000008000"), {"NG01\r\n"}},  // long
        {Checked("CTU107123400020000800"), {"NG01\r\n"}},       // short
        {Checked("CTU1071234000200008000"), {"NG04\r\n"}},      // unknown trial pair
        {std::string("\x02"
                     "CRM205\x03"
                     "00\r\n"),
         {}},  // wrong checksum: ignored
        {"\x02"
         "CINIU\x03"
         "4A\r\n",
         {}},  // CINIU carries no checksum
    };
    for (const auto& c : cases) EXPECT_EQ(unit.HandleLine(c.line), c.reply) << c.line;
}

TEST(UnitCalibrationTest, TrialOutputShowsInTheOutputHistory)
{
    VirtualUnit unit(UnitConfig{});
    const Time t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(unit.HandleLine(Checked("CTU107FFFF000200058001"), t0), Ok());
    EXPECT_EQ(unit.HandleLine(Checked("CTU10700000002FFFB7FF0"), t0 + 1s), Ok());
    EXPECT_EQ(unit.HandleLine(Checked("CTU107000000000000"
                                      "8000"),
                              t0 + 2s),
              Ok());
    const auto history = unit.OutputHistory(0);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].outputCode, 0xFFFF);
    EXPECT_EQ(history[0].range, 7);
    EXPECT_EQ(history[1].outputCode, 0x0000);
    EXPECT_EQ(history[2].outputCode, unit.Channel(0).outputCode);
    EXPECT_EQ(history[1].time, t0 + 1s);
    const auto trial = unit.Trial(0);
    ASSERT_TRUE(trial);
    EXPECT_EQ(trial->kind, CalibrationTrial::Normal);
    EXPECT_EQ(trial->gain, 0x8000);
    EXPECT_FALSE(unit.Trial(1));
}

TEST(UnitMemoryTest, BufferStorageAndReadBack)
{
    VirtualUnit unit(UnitConfig{});
    MemoryImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i % 251);
    for (int area = 0; area < 3; ++area) {
        EXPECT_EQ(unit.HandleLine(EraseMemoryFrame(area)), Ok());
    }
    for (std::size_t a = 0; a < 2304; a += 32) {
        ASSERT_EQ(unit.HandleLine(StoreMemoryFrame(a, image)), Ok()) << a;
    }
    for (int area = 0; area < 3; ++area) EXPECT_EQ(unit.HandleLine(WriteMemoryFrame(area)), Ok());
    unit.PowerCycle();  // the buffer is lost, the storage stays
    EXPECT_EQ(unit.Memory().Buffer()[100], 0);
    EXPECT_EQ(unit.Memory().Storage()[100], 100);
    for (int area = 0; area < 3; ++area) EXPECT_EQ(unit.HandleLine(LoadMemoryFrame(area)), Ok());

    // The read reply of 2272 carries the last 24 bytes and what lies beyond them in the buffer.
    const Replies last = unit.HandleLine(ReadMemoryFrame(2272));
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].size(), kMemoryReadReplyLength);
    EXPECT_EQ(last[0].substr(0, 13), "\x02PR000008E0" + std::string("0D"));  // 2272 % 251 = 13
    EXPECT_TRUE(IsValidFramedReply(last[0], kMemoryReadReplyLength));
    EXPECT_EQ(unit.HandleLine(ReadMemoryFrame(2296)), Replies{Checked("PREND")});

    // Erasing clears the area in storage and buffer alike.
    EXPECT_EQ(unit.HandleLine(EraseMemoryFrame(1)), Ok());
    EXPECT_EQ(unit.Memory().Storage()[1500], 0);
    EXPECT_EQ(unit.Memory().Buffer()[1500], 0);
    EXPECT_EQ(unit.Memory().Storage()[2100], 2100 % 251);

    const struct {
        std::string line;
        Replies reply;
    } refused[] = {
        {Checked("PE3"), {"NG01\r\n"}},
        {Checked("PW"), {"NG01\r\n"}},
        {Checked("PS0BF0" + std::string(64, '0')), {"NG01\r\n"}},  // 3056 + 32 > 3072
        {Checked("PS0000" + std::string(62, '0')), {"NG01\r\n"}},
        {Checked("PR0000000"), {"NG01\r\n"}},
    };
    for (const auto& c : refused) EXPECT_EQ(unit.HandleLine(c.line), c.reply) << c.line;
}

TEST(UnitMemoryTest, CommandFaults)
{
    CommandFaults faults;
    std::string error;
    ASSERT_TRUE(ParseCommandFaults("pe=3A,pw=40,pr=1,silent-after=5", faults, &error)) << error;
    EXPECT_EQ(faults.eraseError, 0x3A);
    EXPECT_EQ(faults.writeError, 0x40);
    EXPECT_EQ(faults.badReadReply, 1u);
    EXPECT_EQ(faults.silentAfter, 5u);
    ASSERT_TRUE(ParseCommandFaults("b1-from=3,b8=51,b15-bad=300,b13-silent=511,b15-silent=0",
                                   faults, &error))
        << error;
    EXPECT_EQ(faults.bootAnswerFrom, 3u);
    EXPECT_EQ(faults.refuseProgramming, 0x51);
    EXPECT_EQ(faults.badReadBlock, 300);
    EXPECT_EQ(faults.silentFromProgram, 511);
    EXPECT_EQ(faults.silentFromRead, 0);
    for (const char* bad : {"pe", "pe=0", "pe=100", "pr=-1", "silent=3", "pw=4G", ",", "b8=0",
                            "b15-bad=512", "b13-silent=-1", "b1-from=x"}) {
        EXPECT_FALSE(ParseCommandFaults(bad, faults, &error)) << bad;
    }

    UnitConfig config;
    ASSERT_TRUE(ParseCommandFaults("pe=3A,pw=40,pr=1,silent-after=5", config.faults, &error));
    VirtualUnit unit(config);
    EXPECT_EQ(unit.HandleLine(EraseMemoryFrame(0)), Replies{"NG3A\r\n"});
    EXPECT_EQ(unit.HandleLine(WriteMemoryFrame(2)), Replies{"NG40\r\n"});
    const Replies first = unit.HandleLine(ReadMemoryFrame(0));
    const Replies second = unit.HandleLine(ReadMemoryFrame(32));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(IsValidFramedReply(first[0], kMemoryReadReplyLength));
    EXPECT_FALSE(IsValidFramedReply(second[0], kMemoryReadReplyLength));
    EXPECT_EQ(unit.HandleLine("VER\r\n").size(), 1u);  // the fifth frame
    EXPECT_TRUE(unit.HandleLine("VER\r\n").empty());
    EXPECT_TRUE(unit.HandleLine(ReadMemoryFrame(0)).empty());

    unit.SetCommandFaults({});
    EXPECT_EQ(unit.HandleLine("VER\r\n").size(), 1u);
}

class UnitStandaloneTest : public ::testing::Test {
  protected:
    // Writes the image of `state` into the unit as the host does and takes it into use.
    void Install(bool linked = false)
    {
        const StandaloneImage image = BuildStandaloneImage(state, fixed, linked);
        for (int area = 0; area < 3; ++area)
            ASSERT_EQ(unit.HandleLine(EraseMemoryFrame(area)), Ok());
        for (std::size_t a = 0; a < 2304; a += 32) {
            ASSERT_EQ(unit.HandleLine(StoreMemoryFrame(a, image.bytes)), Ok());
        }
        for (int area = 0; area < 3; ++area)
            ASSERT_EQ(unit.HandleLine(WriteMemoryFrame(area)), Ok());
        ASSERT_EQ(unit.HandleLine("\x02PI\x03\r\n"), Ok());
    }

    AppValues app;
    GeneratorState state{app};
    std::array<float, 2> fixed{5.0f, 0.0f};
    VirtualUnit unit{UnitConfig{}};
};

TEST_F(UnitStandaloneTest, AfterARestartTheUnitRunsTheImage)
{
    state.channels[0].range = kRange0_10V;
    state.autoOutput[0].standaloneMode = kStandaloneFixed;
    state.channels[1].range = kRange0_5V;
    state.autoOutput[1].standaloneMode = kStandaloneAuto;
    state.autoOutput[1].ramps[kRange0_5V] = {kSawtooth, 2, 0.0f, 1.0f, 0.5f, 10, false};
    Install();
    // Nothing changes until the restart.
    EXPECT_EQ(unit.HandleLine("\x02MS\x03\r\n"), Replies{"\x02MS0000\r\n"});

    const Time t0 = std::chrono::steady_clock::now();
    unit.PowerCycle(t0);
    EXPECT_EQ(unit.HandleLine("\x02MS\x03\r\n", t0), Replies{"\x02MS1021\r\n"});
    const StatusReport fixedOut = StatusOf(unit, 0, t0);
    EXPECT_EQ(fixedOut.range, 1u);
    EXPECT_EQ(fixedOut.outputCode, 32768);  // 5.0 V of 0-10 V
    EXPECT_EQ(fixedOut.mainControl & 0x1007, 0x1001);

    // The sawtooth steps every 0.1 s: 0, 0.5, 1.0, then the second and last cycle.
    EXPECT_EQ(unit.NextStandaloneStep(), t0 + 100ms);
    const unsigned expected[] = {0, 6554, 13107, 0, 6554, 13107};
    for (int i = 0; i < 6; ++i) {
        const StatusReport r = StatusOf(unit, 1, t0 + i * 100ms);
        EXPECT_EQ(r.outputCode, expected[i]) << i;
        EXPECT_EQ(r.runState, 1) << i;
    }
    EXPECT_EQ(StatusOf(unit, 1, t0 + 600ms).runState, 0);  // two cycles done
    EXPECT_EQ(StatusOf(unit, 1, t0 + 600ms).outputCode, 13107);
    EXPECT_EQ(unit.NextStandaloneStep(), Time::max());

    // The host starts it again through the run state of its output frame, then pauses it; the
    // frame's range and code do not take over the channel.
    unit.HandleLine(HostFrame(1, 1), t0 + 1s);
    EXPECT_EQ(StatusOf(unit, 1, t0 + 1s).outputCode, 0);
    EXPECT_EQ(StatusOf(unit, 1, t0 + 1100ms).outputCode, 6554);
    unit.HandleLine(HostFrame(1, 2), t0 + 1150ms);
    EXPECT_EQ(unit.HandleLine("\x02MS\x03\r\n", t0 + 2s), Replies{"\x02MS1022\r\n"});
    EXPECT_EQ(StatusOf(unit, 1, t0 + 2s).outputCode, 6554);
    unit.HandleLine(HostFrame(0, 0), t0 + 2s);  // a fixed value takes no run state
    EXPECT_EQ(StatusOf(unit, 0, t0 + 2s).outputCode, 32768);
}

TEST_F(UnitStandaloneTest, PointListPausesWhereThePointSaysSo)
{
    state.channels[0].range = kRange0_5V;
    state.autoOutput[0].standaloneMode = kStandaloneAuto;
    state.autoOutput[0].ramps[kRange0_5V].waveform = kArbitrary;
    state.autoOutput[0].points[0] = {true, 1.0f, 5, false};
    state.autoOutput[0].points[1] = {true, 2.0f, 20, true};
    state.autoOutput[0].points[2] = {true, 3.0f, 5, false};
    Install();
    const Time t0 = std::chrono::steady_clock::now();
    unit.PowerCycle(t0);
    EXPECT_EQ(StatusOf(unit, 0, t0).outputCode, 13107);
    EXPECT_EQ(StatusOf(unit, 0, t0 + 50ms).outputCode, 26214);
    EXPECT_EQ(StatusOf(unit, 0, t0 + 60ms).runState, 2);  // paused on the point
    EXPECT_EQ(StatusOf(unit, 0, t0 + 5s).outputCode, 26214);
    unit.HandleLine(HostFrame(0, 1), t0 + 5s);
    EXPECT_EQ(StatusOf(unit, 0, t0 + 5s + 200ms).outputCode, 39321);
    EXPECT_EQ(StatusOf(unit, 0, t0 + 5s + 250ms).outputCode, 13107);  // round again
}

TEST_F(UnitStandaloneTest, TriangleTurnsAtItsEndAndConvertedValuesUseTheFormula)
{
    state.channels[0].range = kRange4_20mA;
    state.autoOutput[0].standaloneMode = kStandaloneAuto;
    state.autoOutput[0].ramps[kRange4_20mA] = {kTriangle, 0, 4.0f, 12.0f, 4.0f, 100, false};
    state.channels[1].range = kRange0_10V;
    state.channels[1].scalingOn = true;
    state.channels[1].scaledMin = 0.0;
    state.channels[1].scaledMax = 200.0;
    state.autoOutput[1].standaloneMode = kStandaloneFixed;
    fixed = {0.0f, 50.0f};  // a quarter of the converted span
    Install();
    const Time t0 = std::chrono::steady_clock::now();
    unit.PowerCycle(t0);
    const unsigned triangle[] = {0, 16384, 32768, 16384, 0, 16384};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(StatusOf(unit, 0, t0 + i * 1s).outputCode, triangle[i]);
    EXPECT_EQ(StatusOf(unit, 1, t0).outputCode, 16384);
}

}  // namespace
}  // namespace krv::sim
