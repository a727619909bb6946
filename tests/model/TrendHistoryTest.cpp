// The trend's history: what it keeps, for how long, and the line it hands to a plot.
#include <gtest/gtest.h>

#include "model/GeneratorState.h"
#include "model/TrendHistory.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using Point = TrendHistory::Point;

class TrendHistoryTest : public ::testing::Test {
  protected:
    TimePoint start = Now();
    TimePoint now = start;
    TrendHistory history{[this] { return now; }};
    TrendScale volts{kRange0_10V, 0.0, 10.0, 3, " V "};

    void At(double seconds, int ch, double value, const TrendScale* scale = nullptr)
    {
        now = start + std::chrono::duration_cast<Duration>(std::chrono::duration<double>(seconds));
        history.Add(ch, now, value, scale ? *scale : volts);
    }
};

TEST_F(TrendHistoryTest, KeepsChangesAsAStaircaseEndingWhereTheChannelWasLastHeardOf)
{
    At(1, 0, 2.0);
    At(2, 0, 2.0);  // the same value: the line only goes on
    At(3, 0, 5.0);
    At(4, 0, 5.0);
    EXPECT_EQ(history.Size(0), 2u);
    EXPECT_EQ(history.Polyline(0, 0, 10, 100),
              (std::vector<Point>{{1, 2}, {3, 2}, {3, 5}, {4, 5}}));
    // A window that starts after the first change begins at its left edge with the value then.
    EXPECT_EQ(history.Polyline(0, 2, 10, 100),
              (std::vector<Point>{{2, 2}, {3, 2}, {3, 5}, {4, 5}}));
    // Nothing before the first sample, nothing for a channel never heard of.
    EXPECT_TRUE(history.Polyline(0, 0, 0.5, 100).empty());
    EXPECT_TRUE(history.Polyline(1, 0, 10, 100).empty());
}

TEST_F(TrendHistoryTest, ManyChangesPerColumnKeepTheirExtremesAndFewPoints)
{
    // A value changing every 50 ms for ten minutes: 12000 changes on a plot 300 columns wide.
    for (int i = 0; i < 12000; ++i) At(i * 0.05, 0, (i % 7 == 3) ? 9.0 : (i % 5) * 0.5);
    EXPECT_EQ(history.Size(0), 12000u);
    const auto line = history.Polyline(0, 0, 600, 300);
    EXPECT_LE(line.size(), 4u * 300u + 2u);
    double low = 100;
    double high = -100;
    for (const Point& p : line) {
        low = std::min(low, p.value);
        high = std::max(high, p.value);
    }
    EXPECT_EQ(low, 0.0);
    EXPECT_EQ(high, 9.0);
    // Times never go back.
    for (std::size_t i = 1; i < line.size(); ++i) EXPECT_GE(line[i].seconds, line[i - 1].seconds);
}

TEST_F(TrendHistoryTest, StaysBoundedAndForgetsWhatIsOlderThanTenMinutes)
{
    At(0, 0, 1.0);
    At(100, 0, 2.0);
    At(700, 0, 3.0);  // 100 s is now more than ten minutes ago, but it is the value at the edge
    EXPECT_EQ(history.Size(0), 2u);
    EXPECT_EQ(history.Polyline(0, 100, 700, 100),
              (std::vector<Point>{{100, 2}, {700, 2}, {700, 3}}));
    At(800, 0, 4.0);  // 2 still holds at the left edge (200 s) until 700 s
    EXPECT_EQ(history.Size(0), 3u);
    At(1400, 0, 5.0);
    EXPECT_EQ(history.Size(0), 2u);

    // Faster than the fastest stepping: the oldest samples go first, whatever their age.
    for (int i = 0; i < 30000; ++i) At(2000 + i * 0.001, 1, i % 2);
    EXPECT_EQ(history.Size(1), TrendHistory::kCapacity);
    const auto line = history.Polyline(1, 2000, 2030, 1000);
    ASSERT_FALSE(line.empty());
    EXPECT_NEAR(line.front().seconds, 2000 + (30000 - TrendHistory::kCapacity) * 0.001, 1e-6);
}

TEST_F(TrendHistoryTest, ANewRangeOrFormulaStartsTheChannelAfresh)
{
    At(1, 0, 2.0);
    At(2, 0, 3.0);
    const TrendScale milliamps{kRange4_20mA, 4.0, 20.0, 3, "mA"};
    At(3, 0, 4.0, &milliamps);
    EXPECT_EQ(history.Size(0), 1u);
    EXPECT_EQ(history.Scale(0), milliamps);
}

TEST(TrendScaleTest, FollowsTheRangeInEffect)
{
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state(app);
    state.channels[1].range = kRange4_20mA;
    EXPECT_EQ(ChannelTrendScale(state, 1), (TrendScale{kRange4_20mA, 4.0, 20.0, 3, "mA"}));
    state.channels[1].scalingOn = true;
    state.channels[1].scaledMin = 100.0;
    state.channels[1].scaledMax = 0.0;
    state.channels[1].scaledDigits = 1;
    state.channels[1].scaledUnit = "%";
    EXPECT_EQ(ChannelTrendScale(state, 1), (TrendScale{kScaledRange, 100.0, 0.0, 1, "%"}));

    // The history follows the state it watches: the value while the output is on, a gap while
    // it is off.
    TrendHistory history;
    state.channels[1].outputValue = 40.0;
    state.SetOutputOn(1, true);
    history.OutputChanged(state, 1, OutputEvent::Status);
    EXPECT_EQ(history.Scale(1).unit, "%");
    EXPECT_EQ(history.Size(1), 1u);
    state.SetOutputOn(1, false);
    history.OutputChanged(state, 1, OutputEvent::Sent);
    history.OutputChanged(state, 1, OutputEvent::Status);
    EXPECT_EQ(history.Size(1), 2u);
    const auto bands = history.Bands(1, 0, 1, 10);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].why, TrendGap::Off);

    // While the unit is away, a late report does not end the gap; once it is back, it does.
    history.Disconnected(Now());
    state.SetOutputOn(1, true);
    history.OutputChanged(state, 1, OutputEvent::Status);
    EXPECT_EQ(history.Size(1), 3u);
    history.Connected();
    history.OutputChanged(state, 1, OutputEvent::Status);
    EXPECT_EQ(history.Size(1), 4u);
    EXPECT_EQ(history.Bands(1, 0, 1000, 10).back().why, TrendGap::Disconnected);
}

// A value held for 90 s and then several changes in one column of the plot: the hold is level up
// to the changes whatever the plot's width, never a ramp to the next value.
TEST_F(TrendHistoryTest, AHeldValueIsLevelAtEveryPlotWidth)
{
    const TrendScale milliamps{kRange4_20mA, 4.0, 20.0, 3, "mA"};
    At(10, 0, 20.0, &milliamps);
    At(100, 0, 4.0, &milliamps);
    At(100.05, 0, 8.0, &milliamps);
    At(100.1, 0, 12.0, &milliamps);
    At(130, 0, 12.0, &milliamps);
    for (int columns : {37, 100, 150, 299, 300, 301, 380, 600, 1201}) {
        for (double from : {-470.0, -469.3, 0.0, 9.99}) {
            const auto line = history.Polyline(0, from, from + 600, columns);
            ASSERT_GE(line.size(), 3u);
            EXPECT_EQ(line[0], (Point{10, 20})) << columns << " columns from " << from;
            // Level at 20 up to the column of the changes, which starts at 100.
            EXPECT_EQ(line[1], (Point{100, 20})) << columns << " columns from " << from;
            EXPECT_EQ(line.back(), (Point{130, 12})) << columns << " columns from " << from;
            for (std::size_t i = 1; i < line.size(); ++i) {
                EXPECT_TRUE(line[i].seconds == line[i - 1].seconds ||
                            line[i].value == line[i - 1].value)
                    << "a ramp after " << line[i - 1].seconds << " at " << columns << " columns";
            }
        }
    }
}

TEST_F(TrendHistoryTest, AnOutputOffOrAUnitAwayIsAGapNotTheLastValue)
{
    At(0, 0, 2.0);
    now = start + 10s;
    history.AddGap(0, now, TrendGap::Off);
    history.AddGap(0, now + 1s, TrendGap::Off);  // still off: nothing new
    At(20, 0, 3.0);
    now = start + 30s;
    history.Disconnected(now);
    EXPECT_EQ(history.Size(0), 4u);
    EXPECT_EQ(history.Size(1), 0u);  // never heard of: nothing to mark

    // The line lifts where the output went off and where the unit went away.
    const auto line = history.Polyline(0, 0, 60, 600);
    ASSERT_EQ(line.size(), 5u);
    EXPECT_EQ(line[1], (Point{10, 2}));
    EXPECT_TRUE(line[2].IsBreak());
    EXPECT_EQ(line[3], (Point{20, 3}));
    EXPECT_EQ(line[4], (Point{30, 3}));
    // The bands: off from 10 to 20; away from 30 on, for as long as the unit is away.
    EXPECT_EQ(history.Bands(0, 0, 60, 600),
              (std::vector<TrendHistory::Band>{{10, 20, TrendGap::Off},
                                               {30, 60, TrendGap::Disconnected}}));

    // Back again: the gap ends with the first value heard, even an unchanged one.
    At(40, 0, 3.0);
    EXPECT_EQ(history.Bands(0, 0, 60, 600).back(),
              (TrendHistory::Band{30, 40, TrendGap::Disconnected}));
    EXPECT_EQ(history.Polyline(0, 0, 60, 600).back(), (Point{40, 3}));

    // Gaps of one kind less than a column apart are one band: never more bands than columns.
    for (int i = 0; i < 100; ++i) {
        now = start + std::chrono::milliseconds(50000 + i * 100);
        history.AddGap(0, now, TrendGap::Off);
        At(50.05 + i * 0.1, 0, 3.0 + i);
    }
    const auto bands = history.Bands(0, 0, 60, 60);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[2].from, 50.0);
    EXPECT_NEAR(bands[2].to, 59.95, 1e-6);
}

}  // namespace
}  // namespace krv
