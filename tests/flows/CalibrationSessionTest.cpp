// The calibration command's work on the unit: the read before the dialog, the values noted for
// it, and the write, store or restore afterwards, against the virtual unit over a pseudo-terminal.
#include <gtest/gtest.h>

#include "flows/CalibrationSession.h"
#include "flows/LinkFrameSink.h"
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
    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
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

TEST_F(CalibrationSessionTest, ResultAndRestoreChangeOnlyTheSelectorBitsAndTheCorrections)
{
    UserCalibrationEntry& entry = state.channels[0].userCalibration[kRange0_10V];
    entry = {0x0102, 0x0005, 0x8010};
    const CalibrationValuesSet noted = NoteCalibration(state, 1);
    CalibrationValuesSet result = noted;
    result[0].mode = kCalibrationMaker;
    result[0].zero = -3;
    result[0].gain = 200;
    TakeCalibrationResult(state, result, 1);
    EXPECT_EQ(entry, (UserCalibrationEntry{0x0101, 0xFFFD, 0x80C8}));
    RestoreCalibrationModes(state, noted, 1);
    EXPECT_EQ(entry, (UserCalibrationEntry{0x0102, 0xFFFD, 0x80C8}));
    // Channels beyond the count keep their entries.
    TakeCalibrationResult(state, result, 0);
    EXPECT_EQ(entry.mode, 0x0102);
}

}  // namespace
}  // namespace krv
