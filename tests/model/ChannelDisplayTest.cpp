// What a channel's column shows, computed from the model in one call.
#include <gtest/gtest.h>

#include "model/ChannelDisplay.h"
#include "protocol/OutputFrame.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

class ChannelDisplayTest : public ::testing::Test {
  protected:
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
};

TEST_F(ChannelDisplayTest, RangeScalingOutputAndFaultsOfOneChannel)
{
    struct Case {
        int circuits;
        int ch;
        OutputRange range;
        bool scaled;  // through 0 to 100 "%" with one decimal
        double value;
        bool on;
        std::uint16_t mainStatus;
        std::uint16_t extStatus;
        const char* rangeName;
        const char* unit;
        const char* valueText;
        const char* alarm;
        bool sign;            // sign buttons shown
        bool runButtons;      // start, pause and stop shown
        const char* preset1;  // the second preset's caption
        int currentPresets;   // presets whose marker lights
    };
    // clang-format off
    const Case cases[] = {
        {1, 0, kRange0_5V,     false, 0.0,  false, 0,      0,
         "0～5 V",      " V ", "  0.000", "",          false, true,  " 5.000", 7},
        {2, 1, kRangeM10_10V,  false, -2.5, true,  0x0006, 0,
         "-10～10 V",   " V ", "- 2.500", "Slewing",   true,  true,  "10.000", 0},
        {2, 1, kRange4_20mA,   true,  50.0, false, 0,      0,
         "内 4～20 mA", "%",   "   50.0", "",          false, true,  " 100.0", 0},
        // An external supply range reports its faults in its own word; the main one is ignored.
        {4, 3, kRangeE4_20mA,  false, 12.0, true,  0x0001, 0x0002,
         "外 4～20 mA", "mA",  " 12.000", "出力異常",  false, true,  "20.000", 0},
        // A channel the circuit count does not show has no run buttons.
        {2, 2, kRange0_10V,    false, 10.0, false, 0,      0,
         "0～10 V",     " V ", " 10.000", "",          false, false, "10.000", 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.circuits << " circuits, channel " << c.ch << " "
                                        << c.rangeName << (c.scaled ? " scaled" : ""));
        state.ResetForCircuitCount(c.circuits);
        state.circuitCount = c.circuits;
        ChannelSettings& settings = state.channels[static_cast<std::size_t>(c.ch)];
        settings.range = c.range;
        settings.scaledMin = 0.0;
        settings.scaledMax = 100.0;
        settings.scaledDigits = 1;
        settings.scaledUnit = "%";
        settings.scalingOn = c.scaled;
        settings.outputValue = c.value;
        state.SetOutputOn(c.ch, c.on);
        settings.mainStatus = c.mainStatus;
        settings.extStatus = c.extStatus;

        const ChannelDisplay d = DisplayOf(state, c.ch, true);
        EXPECT_EQ(d.rangeName, c.rangeName);
        EXPECT_EQ(d.rangeUnit, RangeUnit(c.range));
        EXPECT_EQ(d.scalingOn, c.scaled);
        EXPECT_EQ(d.unit, c.unit);
        EXPECT_EQ(d.valueText, c.valueText);
        EXPECT_EQ(d.outputOn, c.on);
        EXPECT_EQ(d.onOffText, c.on ? "ＯＮ" : "ＯＦＦ");
        EXPECT_EQ(d.onOffFace, c.on ? kLitFace : kIdleFace);
        EXPECT_EQ(d.alarmText, c.alarm);
        EXPECT_EQ(d.stepButtons.sign, c.sign);
        EXPECT_EQ(d.runButtonsShown, c.runButtons);
        ASSERT_TRUE(d.presets.has_value());
        EXPECT_EQ((*d.presets)[1].text, c.preset1);
        int current = 0;
        for (const PresetButton& preset : *d.presets) current += preset.current;
        EXPECT_EQ(current, c.currentPresets);
    }
}

TEST_F(ChannelDisplayTest, EnablesFollowConnectionStandaloneModeOutputAndRunState)
{
    state.ResetForCircuitCount(4);
    state.circuitCount = 4;
    struct Row {
        bool connected;
        int mode;  // the standalone mode the unit reported
        bool on;
        int run;
        ColumnEnables enables;  // of channels 1 and 2
    };
    // clang-format off
    const Row rows[] = {
        {false, 2, true,  0, {true,  true,  true,  true}},
        {false, 1, false, 2, {true,  true,  true,  false}},
        {true,  1, true,  0, {false, false, false, false}},
        {true,  1, false, 0, {true,  true,  false, false}},
        {true,  2, true,  0, {false, false, true,  false}},
        {true,  2, false, 0, {true,  false, true,  true}},
        {true,  2, false, 1, {true,  false, true,  false}},
        {true,  0, true,  2, {true,  true,  true,  std::nullopt}},
        {true,  3, false, 0, {true,  true,  true,  std::nullopt}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "connected " << row.connected << " mode " << row.mode
                                        << " on " << row.on << " run " << row.run);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const auto i = static_cast<std::size_t>(ch);
            state.unitAutoOutput[i].standaloneMode = row.mode;
            state.autoOutput[i].runState = row.run;
            state.SetOutputOn(ch, row.on);
        }
        for (int ch = 0; ch < kChannelCount; ++ch) {
            // Channels 3 and 4 never run standalone: everything takes input, "設定" stays.
            const ColumnEnables expected = ch < 2 ? row.enables : ColumnEnables{};
            EXPECT_EQ(DisplayOf(state, ch, row.connected).enables, expected) << "channel " << ch;
        }
    }
}

TEST_F(ChannelDisplayTest, AutomaticOutputMarksAndLinkedRunButtons)
{
    state.ResetForCircuitCount(2);
    state.circuitCount = 2;
    // Stopped, running, paused: which images light; any other state leaves them as they are.
    const std::optional<RunButtonFaces> faces[] = {RunButtonFaces{true, true, false},
                                                   RunButtonFaces{false, true, true},
                                                   RunButtonFaces{true, false, true}, std::nullopt};
    for (int run = 0; run < 4; ++run) {
        state.autoOutput[0].runState = run;
        EXPECT_EQ(DisplayOf(state, 0, true).runFaces, faces[run]) << "run state " << run;
    }

    // Linked, channel 1's buttons drive channel 2: only channel 1 shows them.
    app.linkedAutoOutput = true;
    EXPECT_TRUE(DisplayOf(state, 0, true).runButtonsShown);
    EXPECT_FALSE(DisplayOf(state, 1, true).runButtonsShown);

    // The ramp of the slot in effect, and the arbitrary list without ramp values.
    RampSettings& ramp = state.autoOutput[1].ramps[static_cast<std::size_t>(kRange0_5V)];
    ramp.waveform = kTriangle;
    ramp.start = 1.0;
    ramp.end = 4.0;
    ramp.step = 0.5;
    ramp.interval = 150;
    ramp.repeat = 3;
    AutoOutputTexts texts = DisplayOf(state, 1, true).autoOutput;
    EXPECT_EQ(texts.waveform, "三角波");
    EXPECT_EQ(texts.start, " 1.000");
    EXPECT_EQ(texts.end, " 4.000");
    EXPECT_EQ(texts.step, " 0.500");
    EXPECT_EQ(texts.interval, "  1.50");
    EXPECT_EQ(texts.repeat, "3");
    ramp.waveform = kArbitrary;
    texts = DisplayOf(state, 1, true).autoOutput;
    EXPECT_EQ(texts.waveform, "任意波");
    EXPECT_EQ(texts.start, "---");
    EXPECT_EQ(texts.interval, "---");

    // Standalone text and calibration mark; mode 3 of the mark leaves it as it is.
    state.unitAutoOutput[0].standaloneMode = kStandaloneAuto;
    auto& calibration = state.channels[0].userCalibration[kRange0_5V];
    calibration.mode = 0x0001;
    ChannelDisplay d = DisplayOf(state, 0, true);
    EXPECT_EQ(d.standaloneText, " PCレス 自動出力 ");
    EXPECT_EQ(d.calibrationMark, std::optional<std::string>(" M "));
    calibration.mode = 0x0003;
    EXPECT_FALSE(DisplayOf(state, 0, true).calibrationMark.has_value());

    // A channel that does not exist shows nothing.
    d = DisplayOf(state, kChannelCount, true);
    EXPECT_TRUE(d.valueText.empty());
    EXPECT_FALSE(d.presets.has_value());
}

}  // namespace
}  // namespace krv
