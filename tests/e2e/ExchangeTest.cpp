// Exchanges with the virtual unit over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <thread>

#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"
#include "protocol/Identification.h"
#include "support/SimFixture.h"
#include "support/TracedTimeouts.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::SimFixture;

// Time-outs are checked from below only: a try may end late on a loaded machine, never early.
// How many tries an exchange made shows in what the unit received, not in how long it took.
constexpr auto kFourTimeouts = 4 * kShortTimeout;

class ExchangeTest : public SimFixture {};

TEST_F(ExchangeTest, UnitThatNeverAnswersGetsTheFrameFourTimes)
{
    StartUnit("silent");
    std::string version = "unchanged";
    // Each copy is sent only after the previous one's time-out ran out: the link's own trace says
    // so, and the whole exchange took at least the four time-outs. (When the unit read each copy
    // says little on a loaded machine: a late first read makes the next gap look short.)
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    const TimePoint start = Now();
    EXPECT_FALSE(QueryVersion(link, LinkKind::Com, version));
    const auto elapsed = Now() - start;

    EXPECT_EQ(version, "unchanged");
    EXPECT_EQ(timeouts.Count(), 4);
    ASSERT_TRUE(server->WaitForReceived(4, 1000ms));
    const auto received = server->Received();
    ASSERT_EQ(received.size(), 4u);
    for (const auto& frame : received) EXPECT_EQ(frame.bytes, "VER\r\n");
    EXPECT_GE(elapsed, kFourTimeouts);
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    EXPECT_GE(ui.WaitCursorShown(), 1);
}

TEST_F(ExchangeTest, UnitThatAnswersOnlyTheThirdCopySucceedsAfterTwoTimeouts)
{
    StartUnit("drop:2");
    std::string version;
    const TimePoint start = Now();
    ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
    const auto elapsed = Now() - start;
    EXPECT_EQ(version, "020000");
    EXPECT_EQ(ReceivedCount("VER\r\n"), 3u);
    EXPECT_GE(elapsed, 2 * kShortTimeout);
}

TEST_F(ExchangeTest, UnrelatedLineBeforeTheReplyCountsAsATry)
{
    StartUnit("noise:1");
    std::string version;
    ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
    EXPECT_EQ(version, "020000");
    // The unrelated line made it send again; had it been passed over, the reply behind it would
    // have been taken after one copy.
    ASSERT_TRUE(server->WaitForReceived(2, 1000ms));
    EXPECT_EQ(ReceivedCount("VER\r\n"), 2u);
}

TEST_F(ExchangeTest, FourUnrelatedLinesFailWithoutWaitingForATimeout)
{
    StartUnit("noise:4,drop:4");
    std::string version = "unchanged";
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    EXPECT_FALSE(QueryVersion(link, LinkKind::Com, version));
    EXPECT_EQ(timeouts.Count(), 0);
    EXPECT_EQ(version, "unchanged");
    EXPECT_EQ(ReceivedCount("VER\r\n"), 4u);
}

TEST_F(ExchangeTest, CorruptedOrOverlongLinesAreWrongLinesAndTheNextReplyCounts)
{
    for (const char* fault : {"corrupt:1", "longline:1"}) {
        SCOPED_TRACE(fault);
        StartUnit(fault);
        std::string version;
        ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
        EXPECT_EQ(version, "020000");
        EXPECT_EQ(ReceivedCount("VER\r\n"), 2u);
        TearDown();
    }
}

TEST_F(ExchangeTest, LateReplyAfterAResendStillCounts)
{
    StartUnit("delay:1=700");
    std::string version;
    ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
    EXPECT_EQ(version, "020000");
}

TEST_F(ExchangeTest, VersionTextTurnsSpacesAndStopsIntoZeros)
{
    struct Case {
        const char* firmware;
        const char* version;
    };
    for (const Case& c :
         {Case{"02.000", "020000"}, Case{" 2 00 ", "020000"}, Case{"1.2.3X", "10203X"},
          Case{"02.0001234", "020000"}, Case{"1", "1\r\n"}}) {
        SCOPED_TRACE(c.firmware);
        sim::UnitConfig unit;
        unit.firmware = c.firmware;
        StartUnit("", true, unit);
        std::string version;
        ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
        EXPECT_EQ(version, c.version);
        TearDown();
    }
    EXPECT_EQ(VersionNumber("020000"), 20000);
    EXPECT_EQ(VersionNumber("019999"), 19999);
    EXPECT_EQ(VersionNumber("10203X"), 10203);
    EXPECT_EQ(VersionNumber("1\r\n"), 1);
    EXPECT_EQ(VersionNumber(""), 0);
}

TEST_F(ExchangeTest, CircuitCountOnlyFromOneTwoOrFour)
{
    for (int circuits : {1, 2, 3, 4, 5}) {
        SCOPED_TRACE(circuits);
        sim::UnitConfig unit;
        unit.circuits = circuits;
        StartUnit("", true, unit);
        EXPECT_EQ(QueryCircuitCount(link), circuits == 3 || circuits == 5 ? -1 : circuits);
        TearDown();
    }
}

TEST_F(ExchangeTest, CircuitCountOfASilentUnitIsMinusOneAfterFourTimeouts)
{
    StartUnit("silent");
    const TimePoint start = Now();
    EXPECT_EQ(QueryCircuitCount(link), -1);
    EXPECT_GE(Now() - start, kFourTimeouts);
    EXPECT_EQ(ReceivedCount("CH\r\n"), 4u);
}

TEST_F(ExchangeTest, IdentificationAtWireSpeed)
{
    StartUnit("", /*instant=*/false);
    std::string version;
    const TimePoint start = Now();
    ASSERT_TRUE(QueryVersion(link, LinkKind::Com, version));
    // 16 bytes cross the line at 19200 baud: the reply cannot be there sooner.
    EXPECT_GE(Now() - start, 8ms);
    EXPECT_EQ(version, "020000");
    EXPECT_EQ(QueryCircuitCount(link), 2);
}

TEST_F(ExchangeTest, PortThatCannotBeOpenedShowsItsMessageAndTimesOut)
{
    link.SetPortName("ttyKrvMissing7");
    std::string version;
    const TimePoint start = Now();
    EXPECT_FALSE(QueryVersion(link, LinkKind::Com, version));
    EXPECT_GE(Now() - start, kFourTimeouts);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ttyKrvMissing7は使えません"});
}

TEST_F(ExchangeTest, UnitUnpluggedBeforeTheExchangeFailsWithinTheTimeouts)
{
    StartUnit();
    ASSERT_TRUE(link.OpenPort());
    server->Unplug();
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    std::string version;
    EXPECT_FALSE(QueryVersion(link, LinkKind::Com, version));
    // It gives up like any exchange without an answer instead of hanging.
    EXPECT_LE(timeouts.Count(), 4);
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(ExchangeTest, RefusalEndsTheExchangeAtOnce)
{
    StartUnit();
    ExchangeSettings settings;
    settings.waitCursor = false;
    // A judge that treats the unit's answer as a refusal ends the exchange at once: Refused, not
    // GaveUp after the time-outs.
    EXPECT_EQ(RunExchange(link, settings, "VER\r\n",
                          [](std::string_view line) {
                              return line.substr(0, 3) == "VER" ? LineVerdict::Fail
                                                                : LineVerdict::Ignore;
                          }),
              ExchangeResult::Refused);
    EXPECT_EQ(ui.WaitCursorShown(), 0);
}

TEST_F(ExchangeTest, WithoutResendOnlyTheWaitRestarts)
{
    StartUnit("silent");
    ExchangeSettings settings;
    settings.resendOnTimeout = false;
    EXPECT_EQ(RunExchange(link, settings, "PING\r\n",
                          [](std::string_view) { return LineVerdict::Match; }),
              ExchangeResult::GaveUp);
    EXPECT_EQ(ReceivedCount("PING\r\n"), 1u);
}

TEST_F(ExchangeTest, DrainsTakeStaleLinesBeforeTheFirstSend)
{
    StartUnit();
    ASSERT_TRUE(link.OpenPort());
    // Two stale answers wait in the ring before the exchange starts.
    const std::string stale = "VER00.001\r\nVER00.002\r\n";
    link.CommPort().DeliverReceived(reinterpret_cast<const std::uint8_t*>(stale.data()),
                                    stale.size());
    ExchangeSettings settings;
    std::string seen;
    EXPECT_EQ(RunExchange(link, settings, "VER\r\n",
                          [&](std::string_view line) {
                              seen = line;
                              return line.substr(0, 3) == "VER" ? LineVerdict::Match
                                                                : LineVerdict::Ignore;
                          }),
              ExchangeResult::Success);
    // Both stale lines were drained, so the line that ended the exchange was the unit's answer
    // and nothing is left over.
    EXPECT_EQ(seen, "VER02.000\r\n");
    EXPECT_EQ(ReceivedCount("VER\r\n"), 1u);
    // The unit sent that one line, which is taken: a line still there would be a stale one.
    ASSERT_TRUE(server->WaitForSent(1, 10000ms));
    EXPECT_EQ(server->SentCount(), 1u);
    EXPECT_EQ(link.ReadLine(LinkKind::Com), kNoLine);
}

}  // namespace
}  // namespace krv
