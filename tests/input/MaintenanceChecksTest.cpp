// The rules of the maintenance dialogs that need no window: correction steps and typed entries,
// the channel list, the change check, and the standalone radios.
#include <gtest/gtest.h>

#include "input/DialogChecks.h"

namespace krv {
namespace {

TEST(CalibrationChecksTest, ZeroCorrectionReachesBelowZeroOnlyOnLiveZeroRanges)
{
    for (OutputRange range : {0, 1, 2, 3, 6, 7, 11, 12}) {
        EXPECT_EQ(ZeroCorrectionBounds(range).lower, 0) << range;
        EXPECT_EQ(ZeroCorrectionBounds(range).upper, 200) << range;
    }
    for (OutputRange range : {5, 10, 4, 8, 9, 13, 15, 99}) {
        EXPECT_EQ(ZeroCorrectionBounds(range).lower, -200) << range;
    }
    EXPECT_EQ(GainCorrectionBounds().lower, -200);
    EXPECT_EQ(GainCorrectionBounds().upper, 200);
}

TEST(CalibrationChecksTest, ArrowsStepWithinTheBoundsAndNeverAgainstTheirDirection)
{
    const CorrectionBounds zeroOn10V = ZeroCorrectionBounds(kRange0_10V);
    const CorrectionBounds zeroOn4_20 = ZeroCorrectionBounds(kRange4_20mA);
    const CorrectionBounds gain = GainCorrectionBounds();
    struct Case {
        int value;
        int step;
        CorrectionBounds bounds;
        int expected;
    };
    const Case cases[] = {
        {0, -1, zeroOn10V, 0},
        {1, -1, zeroOn10V, 0},
        {0, -1, zeroOn4_20, -1},
        {-199, -1, zeroOn4_20, -200},
        {-200, -1, zeroOn4_20, -200},
        {199, +1, zeroOn10V, 200},
        {200, +1, zeroOn10V, 200},
        {-200, -1, gain, -200},
        {-199, -1, gain, -200},
        {200, +1, gain, 200},
        {0, +1, gain, 1},
        // A value the unit reported beyond a bound only moves back towards it.
        {-5, -1, zeroOn10V, -5},
        {-5, +1, zeroOn10V, -4},
        {250, +1, gain, 250},
        {250, -1, gain, 249},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepCorrection(c.value, c.step, c.bounds), c.expected)
            << c.value << " step " << c.step << " within " << c.bounds.lower;
    }
}

TEST(CalibrationChecksTest, TypedCorrectionsCountOnlyAfterEnter)
{
    const CorrectionBounds gain = GainCorrectionBounds();
    const CorrectionBounds zeroOn10V = ZeroCorrectionBounds(kRange0_10V);
    struct Case {
        const char* text;
        CorrectionBounds bounds;
        CorrectionEntry entry;
        int value;
    };
    const Case cases[] = {
        {"12", gain, CorrectionEntry::Typing, 0},
        {"5a", gain, CorrectionEntry::Typing, 0},
        {"12.9\n", gain, CorrectionEntry::Store, 12},
        {"-12.9\n", gain, CorrectionEntry::Store, -12},
        {"-300\n", gain, CorrectionEntry::Store, -200},
        {"300\r\n", gain, CorrectionEntry::Store, 200},
        {"1e9\n", gain, CorrectionEntry::Store, 200},
        {"-0.5\n", gain, CorrectionEntry::Store, 0},
        {"  7\n", gain, CorrectionEntry::Store, 7},
        {"1\n2\n", gain, CorrectionEntry::Store, 12},  // line breaks anywhere are dropped
        {"\n", gain, CorrectionEntry::Store, 0},       // an emptied field reads as 0
        {"-5\n", zeroOn10V, CorrectionEntry::Store, 0},
        {"5a\n", gain, CorrectionEntry::Undo, 0},
        {"7 \n", gain, CorrectionEntry::Undo, 0},
        {"-\n", gain, CorrectionEntry::Undo, 0},
        {"nan\n", gain, CorrectionEntry::Undo, 0},
        {"inf\n", gain, CorrectionEntry::Undo, 0},
        {"0x10\n", gain, CorrectionEntry::Undo, 0},
        {"１２\n", gain, CorrectionEntry::Undo, 0},
    };
    for (const Case& c : cases) {
        const CorrectionEditResult result = ReadCorrectionEdit(c.text, c.bounds);
        EXPECT_EQ(result.entry, c.entry) << c.text;
        if (c.entry == CorrectionEntry::Store) {
            EXPECT_EQ(result.value, c.value) << c.text;
        }
    }
}

TEST(CalibrationChecksTest, ChannelListAndChangeCheck)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(CalibrationChannelList(1), List{"1"});
    EXPECT_EQ(CalibrationChannelList(2), (List{"1", "2"}));
    EXPECT_EQ(CalibrationChannelList(4), (List{"1", "2", "3", "4"}));
    EXPECT_EQ(CalibrationChannelList(0), List{});
    EXPECT_EQ(CalibrationChannelList(9).size(), 4u);

    CalibrationValuesSet opened{};
    opened[0] = {kRange0_10V, 1, 3, -4, " 0.000", "10.000"};
    opened[1] = {kRange4_20mA, 2, 0, 0, " 4.000", "20.000"};
    struct Case {
        int ch;
        void (*change)(CalibrationChannelValues&);
        int count;
        bool changed;
    };
    const Case cases[] = {
        {0, [](CalibrationChannelValues&) {}, 2, false},
        {0, [](CalibrationChannelValues& v) { v.mode = 2; }, 1, true},
        {0, [](CalibrationChannelValues& v) { v.zero = 4; }, 1, true},
        {1, [](CalibrationChannelValues& v) { v.gain = 1; }, 2, true},
        // A channel beyond the count and what the dialog only shows do not count.
        {1, [](CalibrationChannelValues& v) { v.gain = 1; }, 1, false},
        {0, [](CalibrationChannelValues& v) { v.lowerText = "x"; }, 2, false},
    };
    for (const Case& c : cases) {
        CalibrationValuesSet working = opened;
        c.change(working[static_cast<std::size_t>(c.ch)]);
        EXPECT_EQ(CalibrationChanged(opened, working, c.count), c.changed) << &c - cases;
    }
}

TEST(StandaloneChecksTest, RadiosChooseTheMode)
{
    EXPECT_EQ(StandaloneModeOfRadios(false, false), kStandaloneOff);
    EXPECT_EQ(StandaloneModeOfRadios(true, false), kStandaloneFixed);
    EXPECT_EQ(StandaloneModeOfRadios(false, true), kStandaloneAuto);
    EXPECT_EQ(StandaloneModeOfRadios(true, true), kStandaloneFixed);
}

}  // namespace
}  // namespace krv
