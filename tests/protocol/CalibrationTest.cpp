// Calibration frames and replies, and the exchanges against a scripted unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "link/DeviceLink.h"
#include "platform/Clock.h"
#include "protocol/Calibration.h"
#include "protocol/CommandFrame.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"
#include "support/TracedTimeouts.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

std::string Framed(const std::string& body)
{
    return CommandFrame::Framed(body).WithEtxAndChecksum();
}

struct Tables {
    std::array<MakerCalibrationTable, 4> maker{};
    std::array<UserCalibrationTable, 4> user{};
    CalibrationTables View()
    {
        CalibrationTables view;
        for (std::size_t i = 0; i < 4; ++i) view[i] = {&maker[i], &user[i]};
        return view;
    }
};

TEST(CalibrationFrameTest, FramesAreByteExact)
{
    const MakerCalibrationEntry maker{0x0012, 0x7FF0};
    const UserCalibrationEntry user{0x0001, 0x0034, 0x8005};
    const struct {
        std::string frame;
        std::string expected;
    } cases[] = {
        {InitUserCalibrationFrame(),
         "\x02"
         "CINIU\x03\r\n"},
        {ReadCalibrationFrame(1, kMakerTable, 5), Framed("CRM205")},
        {ReadCalibrationFrame(0, kUserTable, 12), Framed("CRU10C")},
        {WriteCalibrationFrame(0, 0, kMakerTable, maker, user), Framed("CMM100000100127FF0")},
        {WriteCalibrationFrame(3, 11, kUserTable, maker, user), Framed("CMU40B000100348005")},
        {WriteCalibrationFrame(0, 0, 3, maker, user), Framed("CM")},
        {CalibrationTrialFrame(kTrialMaximum, 0, 7, 0x0005, 0x8001),
         Framed("CTU107FFFF000200058001")},
        {CalibrationTrialFrame(kTrialMinimum, 1, 0, 0xFFFF, 0x7F38),
         Framed("CTU20000000002FFFF7F38")},
        {CalibrationTrialFrame(kTrialNormal, 2, 10, 0, 0x8000), Framed("CTU30A0000000000008000")},
        {CalibrationTrialFrame(7, 0, 0, 1, 2), Framed("CTU10000010002")},
        {SaveCalibrationFrame(kMakerTable), Framed("CWM")},
        {SaveCalibrationFrame(kUserTable), Framed("CWU")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.frame, c.expected);
    // The maker write of channel index 0, range 0: mode 1, zero 0x0012, gain 0x7FF0.
    EXPECT_EQ(WriteCalibrationFrame(0, 0, kMakerTable, maker, user).substr(0, 20),
              "\x02"
              "CMM100000100127FF0\x03");
}

TEST(CalibrationReplyTest, StoredIntoTheTablesTheReplyNames)
{
    Tables t;
    // Maker reply of channel index 1, range 5: the mode goes to the user entry, zero and gain to
    // the maker entry.
    auto reply = DecodeCalibrationReply(Framed("CRM205000100108020"));
    ASSERT_TRUE(reply);
    StoreCalibrationReply(*reply, t.View());
    EXPECT_EQ(t.user[1][5], (UserCalibrationEntry{0x0001, 0x0000, 0x8000}));
    EXPECT_EQ(t.maker[1][5], (MakerCalibrationEntry{0x0010, 0x8020}));
    EXPECT_EQ(t.maker[0][5], MakerCalibrationEntry{});

    // A user reply puts all three into the user entry; the maker entry stays.
    reply = DecodeCalibrationReply(Framed("CRU205000200077FF6"));
    ASSERT_TRUE(reply);
    StoreCalibrationReply(*reply, t.View());
    EXPECT_EQ(t.user[1][5], (UserCalibrationEntry{0x0002, 0x0007, 0x7FF6}));
    EXPECT_EQ(t.maker[1][5], (MakerCalibrationEntry{0x0010, 0x8020}));

    // Range 0x1F is accepted and stores nothing.
    Tables before = t;
    reply = DecodeCalibrationReply(Framed("CRU41F000212345678"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->range, 0x1Fu);
    StoreCalibrationReply(*reply, t.View());
    EXPECT_EQ(t.maker, before.maker);
    EXPECT_EQ(t.user, before.user);
}

TEST(CalibrationReplyTest, MalformedRepliesAreRejected)
{
    std::string badSum = Framed("CRM205000100108020");
    badSum[20] = badSum[20] == '0' ? '1' : '0';
    const std::string rejected[] = {
        Framed("CRM2050001001080201"),  // 25 bytes
        Framed("CRM20500010010802"),    // 23 bytes
        badSum,
        Framed("CRM505000100108020"),  // channel 5
        Framed("CRM005000100108020"),  // channel 0
        std::string("\x02"
                    "CRM205000100108020"
                    "XX\r\n"),  // no ETX
    };
    for (const std::string& line : rejected) {
        EXPECT_FALSE(DecodeCalibrationReply(line)) << line;
    }
}

// Non-hexadecimal characters in the range field are passed over.
TEST(CalibrationReplyTest, RangeDigitsSkipOtherCharacters)
{
    const auto reply = DecodeCalibrationReply(Framed("CRU1 7000100108020"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->range, 7u);
    EXPECT_EQ(reply->channel, 0);
}

class CalibrationExchangeTest : public ::testing::Test {
  protected:
    void Connect(test::ScriptedUnit& unit)
    {
        link.SetPortName(unit.PortName());
        ASSERT_TRUE(link.OpenPort());
    }
    void TearDown() override { link.ClosePort(); }

    test::RecordingUi ui;
    DeviceLink link{ui};
    Tables tables;
};

TEST_F(CalibrationExchangeTest, ReadStoresTheReply)
{
    test::ScriptedUnit unit([](const std::string& line, int) {
        return line == Framed("CRM205") ? Framed("CRM205000100108020") : std::string();
    });
    Connect(unit);
    EXPECT_TRUE(ReadCalibration(link, LinkKind::Com, 1, kMakerTable, 5, tables.View()));
    EXPECT_EQ(tables.maker[1][5], (MakerCalibrationEntry{0x0010, 0x8020}));
    EXPECT_EQ(tables.user[1][5].mode, 0x0001);
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    EXPECT_GE(ui.WaitCursorShown(), 1);
}

TEST_F(CalibrationExchangeTest, RejectedReplyIsAskedForAgainAfterThePause)
{
    std::mutex mutex;
    std::vector<TimePoint> seen;
    test::ScriptedUnit unit([&](const std::string&, int index) {
        {
            std::lock_guard lock(mutex);
            seen.push_back(Now());
        }
        // First a 25-byte reply, then the right one; an unrelated line before it is passed over.
        return index == 0 ? Framed("CRU1000002000300041") : "OK\r\n" + Framed("CRU100000200030004");
    });
    Connect(unit);
    EXPECT_TRUE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, 0, tables.View()));
    EXPECT_EQ(tables.user[0][0], (UserCalibrationEntry{0x0002, 0x0003, 0x0004}));
    const auto lines = unit.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Framed("CRU100"));
    EXPECT_EQ(lines[1], Framed("CRU100"));
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_GE(seen[1] - seen[0], kCalibrationReadPause);
}

// Replies of other reads (late ones, or answers to their resends) are passed over: only the reply
// of the same table, channel and range is stored.
TEST_F(CalibrationExchangeTest, ReadTakesOnlyTheReplyItAskedFor)
{
    test::ScriptedUnit unit([](const std::string& line, int) {
        if (line != Framed("CRU103")) return std::string();
        return Framed("CRM103000100020003") + Framed("CRU203000100020003") +
               Framed("CRU104000100020003") + Framed("CRU103000200050006");
    });
    Connect(unit);
    EXPECT_TRUE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, 3, tables.View()));
    EXPECT_EQ(tables.user[0][3], (UserCalibrationEntry{0x0002, 0x0005, 0x0006}));
    EXPECT_EQ(tables.maker[0][3], MakerCalibrationEntry{});
    EXPECT_EQ(tables.user[1][3], UserCalibrationEntry{});
    EXPECT_EQ(tables.user[0][4], UserCalibrationEntry{});
    EXPECT_EQ(unit.Lines().size(), 1u) << "passed over, not asked for again";
}

TEST_F(CalibrationExchangeTest, FourRejectedRepliesFailWithoutTimingOut)
{
    test::ScriptedUnit unit([](const std::string&, int) { return Framed("CRU10000020003000"); });
    Connect(unit);
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    EXPECT_FALSE(ReadCalibration(link, LinkKind::Com, 0, kUserTable, 0, tables.View()));
    EXPECT_EQ(timeouts.Count(), 0);
    EXPECT_EQ(unit.WaitForLines(4).size(), 4u);
    EXPECT_EQ(tables.user[0][0], UserCalibrationEntry{});
}

// The commands the unit acknowledges report whether it did.
TEST_F(CalibrationExchangeTest, AcknowledgedCommandsReportTheUnitsAnswer)
{
    test::ScriptedUnit unit([](const std::string& line, int) {
        // Everything is acknowledged except the user store.
        return line == Framed("CWU") ? std::string("NG01\r\n") : std::string("OK\r\n");
    });
    Connect(unit);
    tables.user[2][3] = {0x0002, 0xFFFE, 0x8010};
    EXPECT_TRUE(InitUserCalibration(link));
    EXPECT_TRUE(SetCalibrationTrial(link, kTrialMinimum, 2, 3, 0xFFFE, 0x8010));
    EXPECT_TRUE(WriteCalibration(link, LinkKind::Com, 2, 3, kUserTable, tables.View()));
    EXPECT_TRUE(SaveCalibration(link, LinkKind::Com, kMakerTable));
    const TimePoint start = Now();
    EXPECT_FALSE(SaveCalibration(link, LinkKind::Com, kUserTable));
    EXPECT_GE(Now() - start, 4 * 501ms);
    const auto lines = unit.WaitForLines(8);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0],
              "\x02"
              "CINIU\x03\r\n");
    EXPECT_EQ(lines[1], Framed("CTU30300000002FFFE8010"));
    EXPECT_EQ(lines[2], Framed("CMU303"
                               "0002FFFE8010"));
    EXPECT_EQ(lines[3], Framed("CWM"));
    for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(lines[i], Framed("CWU"));
}

}  // namespace
}  // namespace krv
