// The texts the panel derives from a channel: value field, step buttons, status marks.
#include <gtest/gtest.h>

#include "model/ValueDisplay.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

class ValueDisplayTest : public ::testing::Test {
  protected:
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
};

TEST_F(ValueDisplayTest, ValueTextPutsTheSignBeforeTheFormattedMagnitude)
{
    struct Case {
        OutputRange range;  // kScaledRange: converted units with `digits` decimals
        int digits;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {kRange4_20mA, 0, 12.5, " 12.500"},
        {kRange4_20mA, 0, 4.0, "  4.000"},
        {kRangeM10_10V, 0, -5.0, "- 5.000"},
        {kRangeM10_10V, 0, -0.001, "- 0.001"},
        {kRangeM10_10V, 0, -10.0, "-10.000"},
        {kRangeM10_10V, 0, 0.0, "  0.000"},
        // A negative zero is no negative value: no minus sign anywhere.
        {kRangeM10_10V, 0, -0.0, "  0.000"},
        {kScaledRange, 0, -5.0, "-     5"},
        {kScaledRange, 0, -12345.0, "- 12345"},
        {kScaledRange, 1, -99999.9, "-99999.9"},
        {kScaledRange, 6, -0.5, "-0.500000"},
        // Decimals outside 0 to 6 have no number format: the sign alone.
        {kScaledRange, 7, -5.0, "-"},
        {kScaledRange, 7, 5.0, " "},
    };
    for (const Case& c : cases) {
        ChannelSettings& ch = state.channels[1];
        ch.scalingOn = c.range == kScaledRange;
        if (!ch.scalingOn) ch.range = c.range;
        ch.scaledMin = -100000.0;
        ch.scaledMax = 100000.0;
        ch.scaledDigits = c.digits;
        ch.outputValue = c.value;
        EXPECT_EQ(ValueText(state, 1), c.text) << c.value << " digits " << c.digits;
    }
}

TEST_F(ValueDisplayTest, StepButtonsStandOnlyOverTheDigitsOfTheLimits)
{
    struct Case {
        RangeLimits limits;
        std::array<bool, 6> digits;
        bool sign;
    };
    const Case cases[] = {
        // Converted units 0 to 100 without decimals: positions 0 to 2 only.
        {{0.0, 100.0, 0}, {true, true, true, false, false, false}, false},
        {{0.0, 99999.0, 0}, {true, true, true, true, true, false}, false},
        // The decimal point has no buttons; the sign buttons come with a negative limit.
        {{4.0, 20.0, 3}, {true, true, true, false, true, true}, false},
        {{-10.0, 10.0, 3}, {true, true, true, false, true, true}, true},
        {{100.0, -100.0, 1}, {true, false, true, true, true, false}, true},  // reversed
        {{-50.0, -1.0, 0}, {true, true, false, false, false, false}, true},
        // No number format: no digit buttons.
        {{0.0, 100.0, 7}, {false, false, false, false, false, false}, false},
    };
    for (const Case& c : cases) {
        const StepButtons shown = StepButtonVisibility(c.limits);
        EXPECT_EQ(shown.digit, c.digits) << c.limits.lower << ".." << c.limits.upper;
        EXPECT_EQ(shown.sign, c.sign) << c.limits.lower << ".." << c.limits.upper;
    }
}

TEST(StatusMarkTextTest, CalibrationAndStandaloneTexts)
{
    struct Mark {
        std::uint16_t mode;
        bool set;
        const char* text;
    };
    // Only bits 0-1 count; 3 leaves the mark as it is.
    for (const Mark& m :
         {Mark{0x0000, true, ""}, Mark{0x0001, true, " M "}, Mark{0x0002, true, " U "},
          Mark{0x0003, false, "unchanged"}, Mark{0xFFFD, true, " M "}, Mark{0x0102, true, " U "}}) {
        std::string text = "unchanged";
        EXPECT_EQ(CalibrationMarkText(m.mode, text), m.set) << m.mode;
        EXPECT_EQ(text, m.text) << m.mode;
    }
    EXPECT_EQ(StandaloneModeText(kStandaloneOff), "");
    EXPECT_EQ(StandaloneModeText(kStandaloneFixed), "PCレス 固定値出力");
    EXPECT_EQ(StandaloneModeText(kStandaloneAuto), " PCレス 自動出力 ");
    EXPECT_EQ(StandaloneModeText(3), "");
    EXPECT_EQ(StandaloneModeText(-1), "");
}

}  // namespace
}  // namespace krv
