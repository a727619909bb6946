// The calibration command's work on the unit: the read before the dialog, the values noted for
// it, and the write, store or restore afterwards, against the virtual unit over a pseudo-terminal.
#include <gtest/gtest.h>

#include "document/CalibrationSession.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

class CalibrationSessionTest : public test::SimFixture {
  protected:
    void SetUp() override
    {
        StartUnit();
        ASSERT_TRUE(link.OpenPort());
        state.circuitCount = 2;
        state.channels[0].range = kRange0_10V;
        state.channels[1].range = kRange4_20mA;
        // What the unit holds: channel 1 user-calibrated with its own corrections.
        server->WithUnit([](sim::VirtualUnit& u) {
            u.Calibration().Set(0, kRange0_10V, {0x0002, 0x0003, 0x7FF0, 0x0005, 0x8010});
            u.Calibration().Set(1, kRange4_20mA, {0x0001, 0, 0x8000, 0xFFF6, 0x7FF6});
        });
    }
    sim::CalibrationValues Working(int ch, int range)
    {
        return server->WithUnit(
            [&](sim::VirtualUnit& u) { return u.Calibration().Working(ch, range); });
    }
    sim::CalibrationValues Stored(int ch, int range)
    {
        return server->WithUnit(
            [&](sim::VirtualUnit& u) { return u.Calibration().Stored(ch, range); });
    }

    AppValues app;
    GeneratorState state{link, app};
};

TEST_F(CalibrationSessionTest, ReadsTheUserEntryOfEachCurrentRangeIntoTheCopyOnly)
{
    CalibrationTableCopy tables = CalibrationTableCopy::Of(state);
    ASSERT_TRUE(ReadCurrentCalibration(link, tables, CurrentRanges(state), 2));
    // One user read per channel, for its current range.
    const auto received = server->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_NE(received[0].bytes.find("CRU101"), std::string::npos);
    EXPECT_NE(received[1].bytes.find("CRU205"), std::string::npos);
    // The document is untouched until the copy goes back.
    EXPECT_EQ(state.channels[0].userCalibration[kRange0_10V].zero, 0);
    tables.ApplyTo(state);

    const CalibrationValuesSet noted = NoteCalibration(state, 2);
    EXPECT_EQ(noted[0], (CalibrationChannelValues{kRange0_10V, 2, 5, 16, " 0.000", "10.000"}));
    EXPECT_EQ(noted[1], (CalibrationChannelValues{kRange4_20mA, 1, -10, -10, " 4.000", "20.000"}));
    EXPECT_EQ(noted[2], CalibrationChannelValues{});  // beyond the circuit count
}

TEST_F(CalibrationSessionTest, ConfirmedValuesAreWrittenAndStoredCancelledModesOnlyWritten)
{
    CalibrationTableCopy read = CalibrationTableCopy::Of(state);
    ASSERT_TRUE(ReadCurrentCalibration(link, read, CurrentRanges(state), 2));
    read.ApplyTo(state);
    state.channels[0].userCalibration[kRange0_10V].mode |= 0x0100;  // a bit beside the selector
    const CalibrationValuesSet noted = NoteCalibration(state, 2);

    // Cancelled after the selector was changed behind the dialog's back: the noted one returns.
    server->WithUnit([](sim::VirtualUnit& u) { u.SetCalibrationMode(0, kRange0_10V, 0x0001); });
    server->ClearRecords();
    RestoreCalibrationModes(state, noted, 2);
    CalibrationTableCopy tables = CalibrationTableCopy::Of(state);
    WriteCalibrationEntries(link, tables, noted, 2, false);
    EXPECT_EQ(Working(0, kRange0_10V).mode & 0x3, 2);
    EXPECT_EQ(server->ReceivedCount(), 2u);  // two writes, nothing stored

    // Confirmed: selector (other bits kept), zero and gain into the entry, then stored.
    CalibrationValuesSet result = noted;
    result[0].mode = kCalibrationMaker;
    result[0].zero = -3;
    result[0].gain = 200;
    TakeCalibrationResult(state, result, 2);
    EXPECT_EQ(state.channels[0].userCalibration[kRange0_10V],
              (UserCalibrationEntry{0x0101, 0xFFFD, 0x80C8}));
    server->ClearRecords();
    tables = CalibrationTableCopy::Of(state);
    WriteCalibrationEntries(link, tables, result, 2, true);
    EXPECT_EQ(server->ReceivedCount(), 3u);
    EXPECT_EQ(Stored(0, kRange0_10V).userZero, 0xFFFD);
    EXPECT_EQ(Stored(0, kRange0_10V).userGain, 0x80C8);
    EXPECT_EQ(Stored(1, kRange4_20mA).userGain, 0x7FF6);
}

TEST_F(CalibrationSessionTest, ASilentUnitFailsTheReadAndKeepsWhatCameBefore)
{
    server->WithUnit([](sim::VirtualUnit& u) {
        sim::CommandFaults faults;
        faults.silentAfter = 1;  // answers channel 1 only
        u.SetCommandFaults(faults);
    });
    CalibrationTableCopy tables = CalibrationTableCopy::Of(state);
    EXPECT_FALSE(ReadCurrentCalibration(link, tables, CurrentRanges(state), 2));
    EXPECT_EQ(tables.user[0][kRange0_10V].zero, 5);
    EXPECT_EQ(tables.user[1][kRange4_20mA].zero, 0);
}

}  // namespace
}  // namespace krv
