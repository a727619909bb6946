// The automatic-output engine on a clock of the test's own, connected to the virtual unit.
#include <gtest/gtest.h>

#include "flows/LinkFrameSink.h"
#include "model/AutoOutputEngine.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class AutoOutputEngineTest : public test::SimFixture {
  protected:
    void SetUp() override
    {
        StartUnit();
        state.circuitCount = 2;
        state.ResetForCircuitCount(2);
        ASSERT_TRUE(link.OpenPort());
    }

    RampSettings& Ramp(int ch)
    {
        return state.autoOutput[static_cast<std::size_t>(ch)]
            .ramps[static_cast<std::size_t>(state.RangeInEffect(ch))];
    }
    void SetRamp(int ch, std::int32_t waveform, float start, float end, float step,
                 std::int32_t interval, std::int32_t repeat)
    {
        RampSettings& r = Ramp(ch);
        r.waveform = waveform;
        r.start = start;
        r.end = end;
        r.step = step;
        r.interval = interval;
        r.repeat = repeat;
    }
    void SetPoints(int ch, std::vector<float> values, std::int32_t interval = 10)
    {
        auto& points = state.autoOutput[static_cast<std::size_t>(ch)].points;
        for (std::size_t i = 0; i < values.size(); ++i) {
            points[i].used = true;
            points[i].value = values[i];
            points[i].interval = interval;
        }
    }
    double Value(int ch) const { return state.channels[static_cast<std::size_t>(ch)].outputValue; }
    int RunState(int ch) const { return state.autoOutput[static_cast<std::size_t>(ch)].runState; }

    // Values of channel `ch` after each of `ticks` ticks `spacing` apart, starting at `now`.
    std::vector<double> Run(int ch, int ticks, std::uint64_t spacing = 10)
    {
        std::vector<double> values;
        for (int i = 0; i < ticks; ++i) {
            now += spacing;
            AutoOutputTick(state, now);
            values.push_back(Value(ch));
        }
        return values;
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::uint64_t now = 1000;
};

TEST(RoundedIntervalTest, UpToWholeTenthsOfASecond)
{
    EXPECT_EQ(RoundedInterval(125), 130);
    EXPECT_EQ(RoundedInterval(130), 130);
    EXPECT_EQ(RoundedInterval(1), 10);
    EXPECT_EQ(RoundedInterval(0), 0);
    EXPECT_EQ(RoundedInterval(100000), 100000);
}

TEST_F(AutoOutputEngineTest, SawtoothRepeatedOnceStopsHoldingItsEnd)
{
    state.channels[0].range = kRange4_20mA;
    SetRamp(0, kSawtooth, 4, 20, 4, 10, 1);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Value(0), 4.0);
    EXPECT_EQ(RunState(0), 1);
    EXPECT_EQ(Run(0, 6), (std::vector<double>{8, 12, 16, 20, 20, 20}));
    EXPECT_EQ(RunState(0), 0);
    // The unit got every value.
    ASSERT_TRUE(server->WaitForReceived(10, 1000ms));  // both channels' frames at each output
    std::vector<std::uint16_t> codes;
    for (const auto& record : server->OutputHistory(0)) codes.push_back(record.outputCode);
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0, 16384, 32768, 49151, 65535}));
}

TEST_F(AutoOutputEngineTest, TriangleTurnsBackAndRepeats)
{
    SetRamp(0, kTriangle, 0, 10, 5, 10, 0);
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kTriangle, 0, 10, 5, 10, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Value(0), 0.0);
    EXPECT_EQ(Run(0, 8), (std::vector<double>{5, 10, 5, 0, 5, 10, 5, 0}));
}

TEST_F(AutoOutputEngineTest, TriangleRepeatedOnceEndsAtItsStart)
{
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kTriangle, 2, 6, 2, 10, 1);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Run(0, 6), (std::vector<double>{4, 6, 4, 2, 2, 2}));
    EXPECT_EQ(RunState(0), 0);
}

TEST_F(AutoOutputEngineTest, SawtoothWithEndBelowStartCountsDownAndWraps)
{
    state.channels[0].range = kRangeM10_10V;
    SetRamp(0, kSawtooth, 3, -3, 2, 10, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Run(0, 5), (std::vector<double>{1, -1, -3, 3, 1}));
}

TEST_F(AutoOutputEngineTest, PointListRepeatedTwiceStopsOnItsLastPoint)
{
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kArbitrary, 0, 0, 0, 10, 2);
    SetPoints(0, {1, 2, 3});
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Value(0), 1.0);
    EXPECT_EQ(Run(0, 7), (std::vector<double>{2, 3, 1, 2, 3, 3, 3}));
    EXPECT_EQ(RunState(0), 0);
}

TEST_F(AutoOutputEngineTest, PausePointPausesAndStartContinues)
{
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kArbitrary, 0, 0, 0, 10, 0);
    SetPoints(0, {1, 2, 3});
    state.autoOutput[0].points[1].pause = true;
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Run(0, 3), (std::vector<double>{2, 2, 2}));
    EXPECT_EQ(RunState(0), 2);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Value(0), 2.0);  // a start from a pause outputs nothing by itself
    EXPECT_EQ(Run(0, 2), (std::vector<double>{3, 1}));
}

TEST_F(AutoOutputEngineTest, IntervalsAreRoundedUpToTenthsOfASecond)
{
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kSawtooth, 0, 10, 1, 125, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    now += 129;
    AutoOutputTick(state, now);
    EXPECT_EQ(Value(0), 0.0);
    now += 1;
    AutoOutputTick(state, now);
    EXPECT_EQ(Value(0), 1.0);
    // The next hold counts from that output.
    now += 129;
    AutoOutputTick(state, now);
    EXPECT_EQ(Value(0), 1.0);
    now += 1;
    AutoOutputTick(state, now);
    EXPECT_EQ(Value(0), 2.0);
}

TEST_F(AutoOutputEngineTest, IntervalZeroStepsOnEveryTick)
{
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kSawtooth, 0, 10, 1, 0, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(Run(0, 3, 5), (std::vector<double>{1, 2, 3}));
}

TEST_F(AutoOutputEngineTest, LinkedChannelsStopTogether)
{
    app.linkedAutoOutput = true;
    state.channels[0].range = kRange0_10V;
    state.channels[1].range = kRange0_10V;
    SetRamp(0, kSawtooth, 0, 2, 1, 10, 1);
    SetRamp(1, kSawtooth, 0, 10, 1, 10, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    ASSERT_TRUE(StartAutoOutput(state, 1, now));
    Run(0, 5);
    EXPECT_EQ(RunState(0), 0);
    EXPECT_EQ(RunState(1), 0);
    EXPECT_EQ(Value(1), 2.0);  // channel 2 stopped with channel 1, holding its last value
}

TEST_F(AutoOutputEngineTest, WithoutLinkEachChannelStopsOnItsOwn)
{
    state.channels[0].range = kRange0_10V;
    state.channels[1].range = kRange0_10V;
    SetRamp(0, kSawtooth, 0, 2, 1, 10, 1);
    SetRamp(1, kSawtooth, 0, 10, 1, 10, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    ASSERT_TRUE(StartAutoOutput(state, 1, now));
    Run(0, 5);
    EXPECT_EQ(RunState(0), 0);
    EXPECT_EQ(RunState(1), 1);
    EXPECT_EQ(Value(1), 5.0);
}

TEST_F(AutoOutputEngineTest, StandaloneChannelOnlyGetsItsRunStateSent)
{
    state.unitAutoOutput[0].standaloneMode = kStandaloneAuto;
    state.channels[0].range = kRange0_10V;
    SetRamp(0, kSawtooth, 0, 10, 1, 10, 0);
    server->ClearRecords();
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(RunState(0), 1);
    ASSERT_TRUE(server->WaitForReceived(1, 1000ms));
    const auto received = server->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].bytes.size(), 48u);  // the frame that carries the run state
    EXPECT_EQ(received[0].bytes.substr(41, 2), "01");
    EXPECT_EQ(Run(0, 5), (std::vector<double>{0, 0, 0, 0, 0}));
    const AutoTickResult tick = AutoOutputTick(state, now + 100);
    EXPECT_TRUE(tick.runButtons[0]);
    EXPECT_TRUE(PauseAutoOutput(state, 0));
    EXPECT_EQ(RunState(0), 2);
}

TEST_F(AutoOutputEngineTest, PausePointPausesBothLinkedChannels)
{
    struct Case {
        bool linked;
        int pausing;                  // the channel whose list carries the pause point
        std::array<int, 2> runState;  // after the paused point was output
    };
    for (const Case& c : {Case{true, 0, {2, 2}}, Case{true, 1, {2, 2}}, Case{false, 0, {2, 1}},
                          Case{false, 1, {1, 2}}}) {
        SCOPED_TRACE(testing::Message() << "linked " << c.linked << " pausing " << c.pausing);
        app.linkedAutoOutput = c.linked;
        const int other = 1 - c.pausing;
        state.channels[0].range = state.channels[1].range = kRange0_10V;
        SetRamp(c.pausing, kArbitrary, 0, 0, 0, 10, 0);
        SetPoints(c.pausing, {1, 2, 3});
        state.autoOutput[static_cast<std::size_t>(c.pausing)].points[1].pause = true;
        SetRamp(other, kSawtooth, 0, 10, 1, 10, 0);
        ASSERT_TRUE(StartAutoOutput(state, 0, now));
        ASSERT_TRUE(StartAutoOutput(state, 1, now));
        Run(0, 1);  // the pause point goes out
        EXPECT_EQ(Value(c.pausing), 2.0);
        EXPECT_EQ(Value(other), 1.0);
        Run(0, 3);
        EXPECT_EQ(RunState(0), c.runState[0]);
        EXPECT_EQ(RunState(1), c.runState[1]);
        EXPECT_EQ(Value(c.pausing), 2.0);
        // A paused channel holds its value; one that runs on goes on stepping.
        EXPECT_EQ(Value(other), c.runState[static_cast<std::size_t>(other)] == 2 ? 1.0 : 4.0);
        ASSERT_TRUE(StopAutoOutput(state, 0));
        ASSERT_TRUE(StopAutoOutput(state, 1));
        state.autoOutput[static_cast<std::size_t>(c.pausing)].points = {};
    }
}

TEST_F(AutoOutputEngineTest, LinkedPauseLeavesAStoppedPartnerStopped)
{
    app.linkedAutoOutput = true;
    state.channels[0].range = state.channels[1].range = kRange0_10V;
    SetRamp(0, kArbitrary, 0, 0, 0, 10, 0);
    SetPoints(0, {1, 2, 3});
    state.autoOutput[0].points[1].pause = true;
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    Run(0, 3);
    EXPECT_EQ(RunState(0), 2);
    EXPECT_EQ(RunState(1), 0);  // a pause request pauses only a channel that runs
}

// A start from a pause puts the start value out again but keeps the cycle count and, for a
// triangle, the direction; a start from a stop begins afresh.
TEST_F(AutoOutputEngineTest, RampRestartedFromPauseKeepsItsCycleAndDirection)
{
    struct Case {
        const char* name;
        std::int32_t waveform;
        float end;
        float step;
        std::int32_t repeat;
        int ticksBefore;            // ticks run before the pause (or stop)
        bool fromPause;             // else stopped and started again
        std::vector<double> after;  // values on the ticks after the new start
        int runState;               // then
    };
    const Case cases[] = {
        // Triangle 0 → 10 → 0 once, paused on the way down at 5: the restart at 0 completes the
        // cycle at once, so the repeat count is reached and nothing more goes out.
        {"triangle paused", kTriangle, 10, 5, 1, 3, true, {0, 0, 0}, 0},
        {"triangle stopped", kTriangle, 10, 5, 1, 3, false, {5, 10, 5}, 1},
        // Sawtooth 0, 1, 2 twice, paused in its second cycle: one cycle is left.
        {"sawtooth paused", kSawtooth, 2, 1, 2, 4, true, {1, 2, 2, 2}, 0},
        {"sawtooth stopped", kSawtooth, 2, 1, 2, 4, false, {1, 2, 0, 1}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.channels[0].range = kRange0_10V;
        SetRamp(0, c.waveform, 0, c.end, c.step, 10, c.repeat);
        ASSERT_TRUE(StartAutoOutput(state, 0, now));
        Run(0, c.ticksBefore);
        const AutoOutputChannel before = state.autoOutput[0];
        ASSERT_TRUE(c.fromPause ? PauseAutoOutput(state, 0) : StopAutoOutput(state, 0));
        ASSERT_TRUE(StartAutoOutput(state, 0, now));
        EXPECT_EQ(Value(0), 0.0);  // the start value, at once
        EXPECT_EQ(RunState(0), 1);
        if (c.fromPause) {
            EXPECT_EQ(state.autoOutput[0].cycleCount, before.cycleCount);
            EXPECT_EQ(state.autoOutput[0].descending, before.descending);
        }
        EXPECT_EQ(Run(0, static_cast<int>(c.after.size())), c.after);
        EXPECT_EQ(RunState(0), c.runState);
        ASSERT_TRUE(StopAutoOutput(state, 0));
    }
}

TEST_F(AutoOutputEngineTest, NothingStartsWhileDisconnectedOrWithAnEmptyList)
{
    SetRamp(0, kArbitrary, 0, 0, 0, 10, 0);
    ASSERT_TRUE(StartAutoOutput(state, 0, now));
    EXPECT_EQ(RunState(0), 0);  // no points: nothing to run
    link.ClosePort();
    SetRamp(0, kSawtooth, 0, 5, 1, 10, 0);
    EXPECT_FALSE(StartAutoOutput(state, 0, now));
    EXPECT_FALSE(PauseAutoOutput(state, 0));
    EXPECT_FALSE(StopAutoOutput(state, 0));
    EXPECT_EQ(RunState(0), 0);
}

// The preview of the automatic-output dialog is what the engine puts out: the same values at the
// same moments, and the next repeat begins where the preview ends.
TEST_F(AutoOutputEngineTest, OneRepeatIsWhatTheEngineRuns)
{
    struct Case {
        const char* name;
        OutputRange range;
        std::int32_t waveform;
        float start, end, step;
        std::int32_t interval;
        std::vector<std::pair<float, std::int32_t>> points;
    } cases[] = {
        {"sawtooth up", kRange4_20mA, kSawtooth, 4, 20, 4, 100, {}},
        {"sawtooth up, uneven step", kRange0_10V, kSawtooth, 1, 9.5f, 2, 35, {}},
        {"sawtooth down", kRangeM10_10V, kSawtooth, 5, -5, 2.5f, 20, {}},
        {"triangle up", kRange0_10V, kTriangle, 0, 10, 5, 10, {}},
        {"triangle down, uneven", kRangeM5_5V, kTriangle, 4, -3, 1.5f, 125, {}},
        {"arbitrary", kRange0_5V, kArbitrary, 0, 0, 0, 100, {{1.0f, 10}, {4.5f, 125}, {2.0f, 37}}},
    };
    struct Outputs : OutputObserver {
        std::uint64_t* clock = nullptr;
        std::vector<std::pair<std::uint64_t, double>> seen;
        void OutputChanged(const GeneratorState& s, int ch, OutputEvent event) override
        {
            if (ch == 0 && event == OutputEvent::Sent)
                seen.emplace_back(*clock, s.channels[0].outputValue);
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(StopAutoOutput(state, 0));
        state.channels[0].range = c.range;
        SetRamp(0, c.waveform, c.start, c.end, c.step, c.interval, 0);
        auto& points = state.autoOutput[0].points;
        points = {};
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            points[i] = {true, c.points[i].first, c.points[i].second, false};
        }
        const WaveformRepeat repeat = OneRepeat(Ramp(0), points, 1000);
        ASSERT_TRUE(repeat.complete);
        ASSERT_GE(repeat.stairs.size(), 2u);

        Outputs outputs;
        outputs.clock = &now;
        state.AddObserver(outputs);
        const std::uint64_t begin = now;
        ASSERT_TRUE(StartAutoOutput(state, 0, now));
        Run(0, static_cast<int>(repeat.endSeconds * 10) + 1);
        state.RemoveObserver(outputs);

        ASSERT_GT(outputs.seen.size(), repeat.stairs.size());
        for (std::size_t i = 0; i < repeat.stairs.size(); ++i) {
            EXPECT_DOUBLE_EQ(outputs.seen[i].second, repeat.stairs[i].value) << i;
            EXPECT_DOUBLE_EQ(static_cast<double>(outputs.seen[i].first - begin) / 100.0,
                             repeat.stairs[i].seconds)
                << i;
        }
        EXPECT_DOUBLE_EQ(
            static_cast<double>(outputs.seen[repeat.stairs.size()].first - begin) / 100.0,
            repeat.endSeconds);
    }
}

TEST(OneRepeatTest, StaircasesOfTheExamples)
{
    using Stairs = std::vector<std::pair<double, double>>;
    const auto stairs = [](const WaveformRepeat& r) {
        Stairs s;
        for (const WaveformStair& w : r.stairs) s.emplace_back(w.seconds, w.value);
        return s;
    };
    ArbitraryPoints points{};
    RampSettings saw{kSawtooth, 1, 4.0f, 20.0f, 4.0f, 100, false};
    const WaveformRepeat sawtooth = OneRepeat(saw, points, 100);
    EXPECT_EQ(stairs(sawtooth), (Stairs{{0, 4}, {1, 8}, {2, 12}, {3, 16}, {4, 20}}));
    EXPECT_DOUBLE_EQ(sawtooth.endSeconds, 5.0);

    RampSettings triangle{kTriangle, 0, 0.0f, 10.0f, 5.0f, 125, false};  // held 1.3 s each
    const WaveformRepeat tri = OneRepeat(triangle, points, 100);
    EXPECT_EQ(stairs(tri), (Stairs{{0, 0}, {1.3, 5}, {2.6, 10}, {3.9, 5}, {5.2, 0}}));
    EXPECT_DOUBLE_EQ(tri.endSeconds, 6.5);

    // A point's pause mark counts when the list reaches it, not for the first point at a start.
    RampSettings list{kArbitrary, 2, 0, 0, 0, 100, false};
    points[0] = {true, 1.0f, 50, true};
    points[1] = {true, 2.0f, 100, true};
    const WaveformRepeat arbitrary = OneRepeat(list, points, 100);
    ASSERT_EQ(arbitrary.stairs.size(), 2u);
    EXPECT_FALSE(arbitrary.stairs[0].pause);
    EXPECT_TRUE(arbitrary.stairs[1].pause);
    EXPECT_DOUBLE_EQ(arbitrary.endSeconds, 1.5);

    // Nothing to run; a repeat too long to draw is cut off.
    EXPECT_TRUE(OneRepeat(list, ArbitraryPoints{}, 100).stairs.empty());
    RampSettings fine{kSawtooth, 0, 0.0f, 10.0f, 0.001f, 10, false};
    const WaveformRepeat cut = OneRepeat(fine, points, 500);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.stairs.size(), 500u);
    EXPECT_DOUBLE_EQ(cut.endSeconds, 50.0);
}

}  // namespace
}  // namespace krv
