// The settings model: resets and repairs, conversions, the output frame and the status reply.
#include <gtest/gtest.h>

#include <cmath>

#include "model/GeneratorState.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"

namespace krv {
namespace {

using test::StatusFields;
using test::StatusReply;
using Presets = std::array<double, kPresetsPerRange>;

class GeneratorStateTest : public ::testing::Test {
  protected:
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
    ChannelSettings& ch0 = state.channels[0];
};

TEST_F(GeneratorStateTest, OutputFrameCarriesTheRunStateOnlyWhileTheUnitRunsTheChannel)
{
    ch0.range = kRange4_20mA;
    ch0.outputValue = 12.0;
    state.ValueToCode(0);
    state.RangeToModeBits(0);
    state.SetOutputOn(0, true);
    const std::string words =
        "\x02W105"
        "8000"
        "100D"
        "0008"
        "0000"
        "0000"
        "0000"
        "0000"
        "0000"
        "0000";
    EXPECT_EQ(state.BuildOutputFrame(0), words +
                                             "0\x03"
                                             "05\r\n");

    state.unitAutoOutput[0].standaloneMode = kStandaloneAuto;
    state.autoOutput[0].runState = 1;
    EXPECT_EQ(state.BuildOutputFrame(0), words +
                                             "01\x03"
                                             "36\r\n");

    ch0.range = -1;  // from a damaged file: the frame keeps its shape
    EXPECT_EQ(state.BuildOutputFrame(0).size(), 48u);
}

TEST_F(GeneratorStateTest, ConversionsBetweenValuesAndCodes)
{
    const struct {
        OutputRange range;
        double value;
        int code;
        double back;  // CodeToValue of `code`
    } cases[] = {
        {kRange0_10V, 10.0, 65535, 10.0},   {kRange4_20mA, 4.0, 0, 4.0},
        {kRangeM10_10V, 0.0, 32768, 0.0},   {kRangeM10_10V, -10.0, 0, -10.0},
        {kRange0_5V, 2.5, 32768, 2.5},      {kRange1_5V, 5.0, 65535, 5.0},
        {kRange4_20mA, 12.0, 0x8000, 12.0}, {kRange0_5V, 7.0, 65535, 5.0},
        {kRange0_5V, -1.0, 0, 0.0},         {kRange0_5V, NAN, 0, 0.0},
    };
    for (const auto& c : cases) {
        ch0.range = c.range;
        ch0.outputValue = c.value;
        state.ValueToCode(0);
        EXPECT_EQ(ch0.outputCode, c.code) << c.range << " " << c.value;
        state.CodeToValue(0);
        EXPECT_DOUBLE_EQ(ch0.outputValue, c.back) << c.range << " " << c.value;
    }
    ch0.range = 8;  // no row: both stay
    state.ValueToCode(0);
    state.CodeToValue(0);
    EXPECT_EQ(ch0.outputCode, 0);
    EXPECT_EQ(ch0.outputValue, 0.0);
}

TEST_F(GeneratorStateTest, ScalingKeepsTheOutputInWholeConvertedUnits)
{
    ch0.range = kRange0_10V;
    ch0.scaledMin = -100.0;
    ch0.scaledMax = 100.0;
    for (auto [volts, scaled] : {std::pair{0.0, -100.0}, {10.0, 100.0}, {5.0, 0.0}}) {
        ch0.scalingOn = false;
        ch0.outputValue = volts;
        state.SetScalingMode(0, true);
        EXPECT_DOUBLE_EQ(ch0.outputValue, scaled) << volts;
    }
    EXPECT_EQ(ch0.outputCode, 32768);  // 0.0015 in converted units
    state.SetScalingMode(0, false);
    EXPECT_DOUBLE_EQ(ch0.outputValue, 5.0);

    ch0.scalingOn = true;
    ch0.scaledMax = ch0.scaledMin;  // an empty interval
    state.ApplyRangeDefaults(0);
    EXPECT_EQ(ch0.outputValue, -100.0);
    EXPECT_EQ(ch0.outputCode, 0);
}

TEST_F(GeneratorStateTest, OnOffModeBitsAndStatusTextFollowTheRangesStage)
{
    ch0.range = kRangeE0_24mA;
    state.SetOutputOn(0, true);
    EXPECT_EQ(ch0.extControl, 1);
    EXPECT_EQ(ch0.mainControl, 0x0008);
    EXPECT_TRUE(state.OutputOn(0));
    ch0.mainStatus = 0x001F;
    EXPECT_EQ(state.StatusText(0), "");
    ch0.extStatus = 0x0008;
    EXPECT_EQ(state.StatusText(0), "CRC2");

    ch0.range = kRange1_5V;
    EXPECT_FALSE(state.OutputOn(0));
    state.SetOutputOn(0, true);
    state.RangeToModeBits(0);
    EXPECT_EQ(ch0.extControl, 0);
    EXPECT_EQ(ch0.mainControl, 0x1008);
    ch0.mainStatus = 0x0006;
    EXPECT_EQ(state.StatusText(0), "Slewing");
    state.SetOutputOn(0, false);
    EXPECT_EQ(ch0.mainControl, 0x0008);
}

TEST_F(GeneratorStateTest, StatusReplyOfAHostDrivenChannelTakesOnlyTheStatus)
{
    ch0.outputCode = 100;
    const StatusFields f{'1', 3, 0xABCD, 0x1003, 0x0004, 1, 0x0002, 0x0001, 1};
    ASSERT_TRUE(state.ParseStatusReply(StatusReply(f)));
    EXPECT_EQ(ch0.mainStatus, 0x0004);
    EXPECT_EQ(ch0.extStatus, 0x0002);
    EXPECT_EQ(ch0.userCalibration[3].mode, 0x0001);
    EXPECT_EQ(ch0.outputCode, 100);
    EXPECT_EQ(ch0.mainControl, 0x0008);
    EXPECT_EQ(ch0.extControl, 0);
    EXPECT_EQ(state.autoOutput[0].runState, 0);
}

TEST_F(GeneratorStateTest, StatusReplyOfAStandaloneChannelIsMirrored)
{
    state.unitAutoOutput[1].standaloneMode = kStandaloneAuto;
    ChannelSettings& ch1 = state.channels[1];
    ch1.range = kRange0_10V;
    state.SetOutputOn(1, true);
    StatusFields f{'2', 0x1F, 0x8000, 0x1001, 0, 1, 0, 3, 2};
    ASSERT_TRUE(state.ParseStatusReply(StatusReply(f)));
    EXPECT_EQ(ch1.outputCode, 0x8000);
    EXPECT_DOUBLE_EQ(ch1.outputValue, 5.0);
    EXPECT_EQ(ch1.mainControl, 0x1008);  // only bit 12 is taken
    EXPECT_EQ(ch1.extControl, 1);
    EXPECT_EQ(state.autoOutput[1].runState, 2);
    for (const UserCalibrationEntry& e : ch1.userCalibration) EXPECT_EQ(e.mode, 0);  // range 0x1F

    // The unit switches the output off: that reply's code still counts (the host held the
    // output on when it came), later codes do not.
    f.mainControl = 0x0001;
    f.code = 0x1234;
    ASSERT_TRUE(state.ParseStatusReply(StatusReply(f)));
    EXPECT_FALSE(state.OutputOn(1));
    f.code = 0x2222;
    ASSERT_TRUE(state.ParseStatusReply(StatusReply(f)));
    EXPECT_EQ(ch1.outputCode, 0x1234);
}

TEST_F(GeneratorStateTest, MalformedStatusRepliesAreRejectedWhole)
{
    StatusFields f;
    f.mainStatus = 1;
    const std::string good = StatusReply(f);
    std::string longer = good.substr(0, 56);  // up to the ETX, one digit more, new checksum
    longer.insert(10, "0");
    AppendChecksum(longer);
    ASSERT_EQ(longer.size(), 61u);
    std::string badSum = good;
    badSum[56] ^= 1;
    std::string noEtx = good;
    noEtx[55] = '0';
    // The unit's lines are text: one that holds a NUL ends there, however its checksum adds up.
    std::string withNul = good.substr(0, 56);
    withNul[20] = '\0';
    AppendChecksum(withNul);
    ASSERT_EQ(withNul.size(), 60u);
    std::string notR = good.substr(0, 56);
    notR[1] = 'S';
    AppendChecksum(notR);
    f.channel = '5';
    for (const std::string& reply :
         {longer, badSum, noEtx, StatusReply(f), good.substr(0, 59), withNul, notR}) {
        EXPECT_FALSE(state.ParseStatusReply(reply));
        EXPECT_FALSE(DecodeStatusReply(reply));
    }
    for (const ChannelSettings& c : state.channels) EXPECT_EQ(c.mainStatus, 0);

    // A channel beyond the circuit count is still stored.
    f.channel = '3';
    ASSERT_TRUE(state.ParseStatusReply(StatusReply(f)));
    EXPECT_EQ(state.StatusText(2), "出力部高温");
}

TEST_F(GeneratorStateTest, CircuitCountSetsTheWindowWidthAndResetsEverything)
{
    app.mainWindowWidth = 123;
    state.ResetForCircuitCount(4);
    EXPECT_EQ(app.mainWindowWidth, 123);
    state.ResetForCircuitCount(1);
    EXPECT_EQ(app.mainWindowWidth, 300);
    state.ResetForCircuitCount(2);
    EXPECT_EQ(app.mainWindowWidth, 482);

    ch0.range = 9;
    state.autoOutput[0].ramps[5].interval = 5;
    state.ResetForCircuitCount(3);  // not a circuit count: nothing happens
    EXPECT_EQ(app.mainWindowWidth, 482);
    EXPECT_EQ(ch0.range, 9);

    for (ChannelSettings& c : state.channels) {
        c.scalingOn = true;
        c.scaledUnit = "℃";
        c.presets[4].fill(42.0);
    }
    state.ResetForCircuitCount(2);
    for (const ChannelSettings& c : state.channels) {
        EXPECT_EQ(c.range, 0);
        EXPECT_FALSE(c.scalingOn);
        EXPECT_EQ(c.scaledMax, 100.0);
        EXPECT_EQ(c.scaledUnit, "");
        EXPECT_EQ(c.presets[0], (Presets{0, 5, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(c.presets[kRangeM10_10V], (Presets{-10, 10, -10, -10, -10, -10, -10, -10}));
        EXPECT_EQ(c.presets[15], (Presets{0, 100, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(c.presets[4][0], 42.0);  // codes without a range keep theirs
    }
    EXPECT_EQ(state.autoOutput[0].ramps[5].interval, 100);
    EXPECT_EQ(state.autoOutput[0].ramps[5].start, 4.0f);
}

TEST_F(GeneratorStateTest, NormaliseChannelsRepairsWhatADamagedFileHolds)
{
    ch0.range = 9;
    ch0.outputValue = 3.0;
    state.channels[1].scaledDigits = 7;
    state.channels[2].scaledMax = 0.0;
    state.NormaliseChannels();
    EXPECT_EQ(ch0.range, 0);
    EXPECT_EQ(ch0.outputValue, 0.0);
    EXPECT_EQ(state.channels[1].scaledDigits, 0);
    EXPECT_EQ(state.channels[2].scaledMax, 1.0);
}

TEST_F(GeneratorStateTest, ClampPresetsClampsAndCutsTowardZero)
{
    ch0.scaledMin = 10.0;  // a scaled range may run downwards
    ch0.scaledMax = 0.0;
    ch0.scaledDigits = 1;
    ch0.presets[15] = {3.0, 12.0, -1.0, 10.0, 0.0, 5.55, NAN, -INFINITY};
    ch0.presets[kRangeM5_5V] = {2.34567, -2.34567, 7.0, -9.0, 0, 0, 0, 0};
    state.ClampPresets(0);
    EXPECT_EQ(ch0.presets[15], (Presets{3.0, 10.0, 0.0, 10.0, 0.0, 5.5, 10.0, 0.0}));
    EXPECT_EQ(ch0.presets[kRangeM5_5V], (Presets{2.345, -2.345, 5.0, -5.0, 0, 0, 0, 0}));

    // Values too large for a 32-bit integer are cut all the same; odd decimals count as 0 to 6.
    ch0.scaledMin = -1e12;
    ch0.scaledMax = 1e12;
    ch0.scaledDigits = 3;
    ch0.presets[15] = {5e11 + 0.25, -7e9, 0, 0, 0, 0, 0, 0};
    state.ClampPresets(0);
    EXPECT_EQ(ch0.presets[15][0], 5e11 + 0.25);
    EXPECT_EQ(ch0.presets[15][1], -7e9);
    ch0.scaledDigits = -4;
    ch0.presets[15][0] = 1.75;
    state.ClampPresets(0);
    EXPECT_EQ(ch0.presets[15][0], 1.0);
}

TEST_F(GeneratorStateTest, ValidateAutoOutputRepairsAndKeepsValidEdges)
{
    RampSettings* r = state.autoOutput[0].ramps.data();
    r[0] = {7, -3, -1.0f, 6.0f, -0.5f, 0, false};
    r[1] = {2, 1000000, 2.0f, 8.0f, 11.0f, 100000, true};
    r[2] = {1, 1000001, NAN, 1.0f, NAN, 999901, false};
    r[3] = {0, 0, 0.0f, 1.0f, 1.0f, 999900, false};  // 9999 s, the longest a ramp can be given
    state.ValidateAutoOutput();
    EXPECT_EQ(r[0].waveform, 0);
    EXPECT_EQ(r[0].repeat, 0);
    EXPECT_EQ(r[0].start, 0.0f);
    EXPECT_EQ(r[0].end, 5.0f);
    EXPECT_EQ(r[0].step, 0.5f);
    EXPECT_EQ(r[0].interval, 100);
    EXPECT_EQ(r[1].repeat, 1000000);
    EXPECT_EQ(r[1].step, 0.0f);  // above the upper limit
    EXPECT_EQ(r[1].interval, 100000);
    EXPECT_EQ(r[2].repeat, 0);
    EXPECT_EQ(r[2].start, -5.0f);
    EXPECT_EQ(r[2].step, 0.0f);
    EXPECT_EQ(r[2].interval, 100);
    EXPECT_EQ(r[3].interval, 999900);
}

TEST_F(GeneratorStateTest, ValidateAutoOutputChecksPointsAgainstTheRangeInEffect)
{
    ch0.range = kRange0_10V;
    ChannelSettings& ch1 = state.channels[1];
    ch1.scalingOn = true;
    ch1.scaledMin = 100.0;  // runs downwards
    ch1.scaledMax = -100.0;
    auto& p0 = state.autoOutput[0].points;
    auto& p1 = state.autoOutput[1].points;
    p0[0].value = 7.5f;
    p0[1].value = 10.5f;
    p0[2].interval = 0;
    p0[3].interval = 9999999;  // just under 100000 s, the longest a point can be given
    p0[4].interval = 10000000;
    p1[0].value = -60.0f;
    p1[1].value = 150.0f;
    state.autoOutput[1].ramps[15].start = 20.0f;
    state.ValidateAutoOutput();
    EXPECT_EQ(p0[0].value, 7.5f);
    EXPECT_EQ(p0[1].value, 0.0f);
    EXPECT_EQ(p0[2].interval, 100);
    EXPECT_EQ(p0[3].interval, 9999999);
    EXPECT_EQ(p0[4].interval, 100);
    EXPECT_EQ(p1[0].value, -60.0f);
    EXPECT_EQ(p1[1].value, 0.0f);
    EXPECT_EQ(state.autoOutput[1].ramps[15].start, 20.0f);
    EXPECT_EQ(state.ChannelRangeLimits(1, 13).lower, 100.0);
    EXPECT_EQ(state.RangeInEffect(1), kScaledRange);
}

// A converted range may run downwards (100 to 0): its steps are checked against its larger end,
// and every interval the automatic-output dialog accepts survives the repair.
TEST_F(GeneratorStateTest, ValidateAutoOutputKeepsWhatTheDialogAccepts)
{
    ch0.scaledMin = 100.0;
    ch0.scaledMax = 0.0;
    RampSettings& scaled = state.autoOutput[0].ramps[kScaledRange];
    scaled = {kSawtooth, 0, 80.0f, 20.0f, 10.0f, 999900, false};
    RampSettings& tooLarge = state.autoOutput[1].ramps[kScaledRange];
    state.channels[1].scaledMin = 100.0;
    state.channels[1].scaledMax = 0.0;
    tooLarge = {kSawtooth, 0, 80.0f, 20.0f, 100.5f, 999901, false};
    state.ValidateAutoOutput();
    EXPECT_EQ(scaled.step, 10.0f);
    EXPECT_EQ(scaled.start, 80.0f);
    EXPECT_EQ(scaled.interval, 999900);
    EXPECT_EQ(tooLarge.step, 0.0f);
    EXPECT_EQ(tooLarge.interval, 100);
}

}  // namespace
}  // namespace krv
