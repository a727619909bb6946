// The document's commands against a unit played by the test on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "files/SettingsFile.h"
#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "link/DeviceLink.h"
#include "model/GeneratorState.h"
#include "protocol/Exchange.h"
#include "protocol/StatusReply.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::ScriptedUnit;
using test::StatusFields;
using test::StatusReply;
using Lines = std::vector<std::string>;

// Time-outs are checked from below only; how many tries there were shows in the lines the unit
// received. That a wrong line is answered at once, without a time-out, the exchange's own tests
// show.
constexpr auto kFourTimeouts = 4 * kShortTimeout;
const std::string kMsFrame = "\x02MS\x03\r\n";

class UnitExchangeTest : public ::testing::Test {
  protected:
    void StartUnit(ScriptedUnit::Script script = {}, bool open = true)
    {
        unit = std::make_unique<ScriptedUnit>(std::move(script));
        link.SetPortName(unit->PortName());
        if (open) {
            ASSERT_TRUE(link.OpenPort());
        }
    }
    void TearDown() override
    {
        link.ClosePort();
        unit.reset();
    }
    std::size_t Count(const std::string& line) const
    {
        const Lines lines = unit->Lines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }

    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::unique_ptr<ScriptedUnit> unit;
};

TEST_F(UnitExchangeTest, PollStatusTakesTheStatusOfEveryChannel)
{
    StartUnit([](const std::string& line, int) {
        StatusFields f;
        f.channel = line[2];
        f.mainStatus = line[2] == '1' ? 0x0001 : 0x0004;
        return "OK\r\n" + StatusReply(f);  // a line that is not a status reply is passed over
    });
    state.circuitCount = 2;
    ASSERT_TRUE(PollStatus(link, state));
    EXPECT_EQ(state.channels[0].mainStatus, 0x0001);
    EXPECT_EQ(state.channels[1].mainStatus, 0x0004);
    EXPECT_EQ(unit->Lines(), (Lines{"\x02R1\r\n", "\x02R2\r\n"}));
}

TEST_F(UnitExchangeTest, PollStatusAsksAgainAfterARejectedReply)
{
    StartUnit([](const std::string&, int index) {
        StatusFields f;
        f.mainStatus = index == 0 ? 0x0001 : 0x0002;
        std::string reply = StatusReply(f);
        if (index == 0) reply[57] ^= 1;  // spoil the checksum
        return reply;
    });
    ASSERT_TRUE(PollStatus(link, state));
    EXPECT_EQ(state.channels[0].mainStatus, 0x0002);
    EXPECT_EQ(unit->Lines(), (Lines{"\x02R1\r\n", "\x02R1\r\n"}));
}

TEST_F(UnitExchangeTest, PollStatusWantsTheReplyOfTheChannelItAsked)
{
    // A reply for another channel (one left from earlier polling, say) is not this channel's
    // status: it counts as a failed try and the request goes out again, as in `krvctl status`.
    StartUnit([](const std::string& line, int index) {
        StatusFields f;
        f.channel = index == 0 ? '2' : line[2];
        f.mainStatus = index == 0 ? 0x0008 : 0x0001;
        return StatusReply(f);
    });
    state.circuitCount = 2;
    ASSERT_TRUE(PollStatus(link, state));
    EXPECT_EQ(unit->Lines(), (Lines{"\x02R1\r\n", "\x02R1\r\n", "\x02R2\r\n"}));
    EXPECT_EQ(state.channels[0].mainStatus, 0x0001);
    EXPECT_EQ(state.channels[1].mainStatus, 0x0001);
}

TEST_F(UnitExchangeTest, PollStatusGivesUpAfterFourSilentTries)
{
    StartUnit();
    state.circuitCount = 2;
    const TimePoint start = Now();
    EXPECT_FALSE(PollStatus(link, state));
    EXPECT_GE(Now() - start, kFourTimeouts);
    EXPECT_EQ(unit->Lines(), Lines(4, "\x02R1\r\n"));  // channel 2 is not asked
}

TEST_F(UnitExchangeTest, StandaloneModesOfBothChannelsAreTaken)
{
    const Lines answers = {"\x02MS2110\r\n", "\x02MS0029\r\n", "\x02MS\r\n"};
    StartUnit([answers](const std::string& line, int index) {
        return line == kMsFrame && index < 3 ? answers[index] : std::string();
    });
    state.unitAutoOutput[1].runState = 2;
    ASSERT_TRUE(QueryStandaloneModes(link, state));
    EXPECT_EQ(state.unitAutoOutput[0].standaloneMode, kStandaloneAuto);
    EXPECT_EQ(state.unitAutoOutput[0].runState, 1);
    EXPECT_EQ(state.unitAutoOutput[1].standaloneMode, kStandaloneFixed);
    EXPECT_EQ(state.unitAutoOutput[1].runState, 2);  // a fixed value keeps the run state
    EXPECT_GE(ui.WaitCursorShown(), 1);

    ASSERT_TRUE(QueryStandaloneModes(link, state));
    EXPECT_EQ(state.unitAutoOutput[0].standaloneMode, kStandaloneOff);
    EXPECT_EQ(state.unitAutoOutput[0].runState, 0);
    EXPECT_EQ(state.unitAutoOutput[1].standaloneMode, kStandaloneAuto);
    EXPECT_EQ(state.unitAutoOutput[1].runState, 0);

    state.unitAutoOutput[1].runState = 1;
    ASSERT_TRUE(QueryStandaloneModes(link, state));  // too short to carry modes: none
    EXPECT_EQ(state.unitAutoOutput[1].standaloneMode, kStandaloneOff);
    EXPECT_EQ(state.unitAutoOutput[1].runState, 0);
}

TEST_F(UnitExchangeTest, StandaloneModeQueryWithoutAnswerChangesNothing)
{
    StartUnit([](const std::string&, int) { return std::string("\x02R1 unrelated\r\n"); });
    state.unitAutoOutput[0].standaloneMode = kStandaloneFixed;
    state.unitAutoOutput[0].runState = 2;
    const TimePoint start = Now();
    EXPECT_FALSE(QueryStandaloneModes(link, state));
    EXPECT_GE(Now() - start, kFourTimeouts);
    EXPECT_EQ(Count(kMsFrame), 4u);
    EXPECT_EQ(state.unitAutoOutput[0].standaloneMode, kStandaloneFixed);
    EXPECT_EQ(state.unitAutoOutput[0].runState, 2);
}

// Two circuits; channel 1 in 4-20 mA, channel 2 scaled.
std::string TwoCircuitFile()
{
    AppValues app;
    GeneratorState source(app);  // only saved, never sends
    source.circuitCount = 2;
    source.channels[0].range = kRange4_20mA;
    source.channels[1].scalingOn = true;
    return SaveSettings(source, app);
}

TEST_F(UnitExchangeTest, LoadingWhileConnectedLetsTheUnitGoBeforeTakingTheFile)
{
    StartUnit();
    // What the unit is told when it is let go: each channel as it stands, switched off.
    state.circuitCount = 2;
    Lines expected;
    for (int ch = 0; ch < kChannelCount; ++ch) expected.push_back(state.BuildOutputFrame(ch));
    state.SetOutputOn(0, true);
    state.SetOutputOn(1, true);
    ASSERT_EQ(LoadSettings(state, app, TwoCircuitFile(), "x.ini", ui, &link), LoadOutcome::Loaded);
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(unit->Settle());
    // Nothing of the file reached the unit: only every channel switched off, in its old range.
    EXPECT_EQ(unit->Lines(), expected);
    EXPECT_EQ(state.channels[0].outputValue, 4.0);
}

TEST_F(UnitExchangeTest, LoadingWhileDisconnectedSendsNothing)
{
    StartUnit({}, false);
    ASSERT_EQ(LoadSettings(state, app, TwoCircuitFile(), "x.ini", ui, &link), LoadOutcome::Loaded);
    ASSERT_TRUE(unit->Settle());
    EXPECT_TRUE(unit->Lines().empty());
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(UnitExchangeTest, EveryCircuitMeansAtMostFourChannels)
{
    StartUnit({}, false);
    WriteStatusRequest(link, 2);  // opens the port
    state.circuitCount = 100;     // as a damaged settings file may say
    state.ResendAllOutputs();
    ASSERT_TRUE(unit->Settle());
    const Lines lines = unit->Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "\x02R3\r\n");
    EXPECT_EQ(lines[4], state.BuildOutputFrame(3));
}

}  // namespace
}  // namespace krv
