// The status polling rule of the panel's tick and `krvctl status --watch`, on an injected clock,
// against a unit played by the test that never answers (so every request stays unanswered).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "flows/LinkFrameSink.h"
#include "flows/StatusPolling.h"
#include "link/DeviceLink.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class StatusPollingTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        link.SetPortName(unit.PortName());
        ASSERT_TRUE(link.OpenPort());
        state.circuitCount = 2;
        polling.Start();
    }
    void TearDown() override { link.ClosePort(); }

    // Ticks at `times` (ms on the test's clock); how many of them declared the unit lost.
    int TicksAt(std::initializer_list<int> times)
    {
        int lost = 0;
        for (int t : times) lost += polling.Tick(link, state, start + std::chrono::milliseconds(t));
        return lost;
    }
    int TicksEvery(int first, int count, int spacing)
    {
        int lost = 0;
        for (int i = 0; i < count; ++i) {
            lost +=
                polling.Tick(link, state, start + std::chrono::milliseconds(first + i * spacing));
        }
        return lost;
    }

    test::ScriptedUnit unit{nullptr};
    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    StatusPolling polling;
    const TimePoint start = Now();
};

TEST_F(StatusPollingTest, RegularTicksAskTheChannelsInTurn)
{
    EXPECT_EQ(TicksEvery(0, 4, 50), 0);
    EXPECT_EQ(unit.WaitForLines(4),
              (Lines{"\x02R1\r\n", "\x02R2\r\n", "\x02R1\r\n", "\x02R2\r\n"}));
    EXPECT_EQ(polling.silentTicks, 4);
}

TEST_F(StatusPollingTest, TicksThatWaitedBehindABusyMomentSendOneRequest)
{
    // Twenty ticks handled one after another within a millisecond, then ticks on time again:
    // the burst sends one request, so at most one reply per tick is ever on its way.
    std::initializer_list<int> burst = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(TicksAt(burst), 0);
    EXPECT_EQ(TicksAt({24, 25, 30, 49, 50, 75}), 0);
    ASSERT_TRUE(unit.Settle());  // at 0, 25, 50 and 75
    EXPECT_EQ(unit.Lines().size(), 4u);
    EXPECT_EQ(polling.silentTicks, 4);
}

TEST_F(StatusPollingTest, SilenceIsCountedInUnansweredRequests)
{
    EXPECT_EQ(TicksEvery(0, 99, 50), 0);
    EXPECT_EQ(TicksAt({99 * 50}), 1);  // the hundredth unanswered request: 5 s of ticks
    EXPECT_EQ(polling.silentTicks, 0);

    // A line from the unit starts the count over.
    EXPECT_EQ(TicksEvery(5000, 60, 50), 0);
    polling.Heard();
    EXPECT_EQ(TicksEvery(8000, 99, 50), 0);
    EXPECT_EQ(TicksAt({8000 + 99 * 50}), 1);
}

TEST_F(StatusPollingTest, ALongBlockDoesNotDeclareALiveUnitLost)
{
    EXPECT_EQ(TicksEvery(0, 10, 50), 0);
    // Six seconds without a tick (an exchange that timed out, a slow dialog), then the 120 ticks
    // that fell due meanwhile, one after another.
    EXPECT_EQ(TicksEvery(6500, 120, 0), 0);
    EXPECT_EQ(polling.silentTicks, 11);
    // The unit answers the request of the burst; regular polling goes on.
    polling.Heard();
    EXPECT_EQ(TicksEvery(6550, 20, 50), 0);
    EXPECT_EQ(unit.WaitForLines(31).size(), 31u);
}

TEST_F(StatusPollingTest, NothingGoesOutWhilePollingIsOff)
{
    polling.Stop();
    EXPECT_EQ(TicksEvery(0, 200, 50), 0);
    ASSERT_TRUE(unit.Settle());
    EXPECT_TRUE(unit.Lines().empty());
    // A fresh start asks channel 1 first and counts no old silence.
    polling.pollChannel = 1;
    polling.silentTicks = 99;
    polling.Start();
    EXPECT_EQ(TicksAt({20000}), 0);
    EXPECT_EQ(unit.WaitForLines(1), Lines{"\x02R1\r\n"});
}

}  // namespace
}  // namespace krv
