// The unit information text and the calibration numbers people read.
#include <gtest/gtest.h>

#include "flows/UnitInformation.h"
#include "model/CalibrationValues.h"
#include "model/GeneratorState.h"
#include "support/Text.h"

namespace krv {
namespace {

using test::CrLfLines;

class UnitInformationTest : public ::testing::Test {
  protected:
    AppValues app;
    GeneratorState state{app};
};

TEST_F(UnitInformationTest, TextHasHeadHeaderAndOneLinePerNamedRange)
{
    state.firmwareVersion = "020000";
    ChannelSettings& c = state.channels[0];
    c.userCalibration[kRange0_5V] = {0x0002, 0xFFFB, 0x7FF6};  // user: -5, -10
    c.makerCalibration[kRange0_5V] = {0x0000, 0x8000};
    c.makerCalibration[kRange4_20mA] = {0x0012, 0x8123};
    c.userCalibration[kRange4_20mA] = {0x0005, 0x0000, 0x8000};  // bits 0-1: maker
    c.userCalibration[kRangeE0_24mA] = {0x0003, 0x0000, 0x8000};

    const auto lines = CrLfLines(FormatUnitInformation(state, 1));
    const std::string w = "\u3000";
    const std::vector<std::string> head = {
        "Version\t2.000",
        "回路数\t1",
        "",
        "アナログ出力調整値",
        w + w + w + w + w + w + w + w + w + w + w + w + w + w + "メーカー" + w + w + w + w + w + w +
            w + "ユーザー",
        w + w + w + w + w + w + w + w + w + w + w + "ZERO" + w + w + w + "GAIN" + w + w + w +
            "ZERO" + w + w + "GAIN" + w + w + w + w + "MODE",
        "チャネル 1",
    };
    ASSERT_EQ(lines.size(), head.size() + 10);
    for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << i;
    const std::vector<std::string> ranges = {
        "  0～5 V\t\t0\t0\t-5\t-10\tユーザー",    "  0～10 V\t\t0\t0\t0\t0\t無効",
        "  -5～5 V\t\t0\t0\t0\t0\t無効",          "  -10～10 V\t0\t0\t0\t0\t無効",
        "  内 4～20 mA\t18\t291\t0\t0\tメーカー", "  内 0～20 mA\t0\t0\t0\t0\t無効",
        "  内 0～24 mA\t0\t0\t0\t0\t無効",        "  1～5 V\t\t0\t0\t0\t0\t無効",
        "  外 4～20 mA\t0\t0\t0\t0\t無効",        "  外 0～24 mA\t0\t0\t0\t0\t不明",
    };
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_EQ(lines[head.size() + i], ranges[i]) << i;
    }
}

TEST_F(UnitInformationTest, VersionLineTakesWhatCharactersExist)
{
    const struct {
        const char* firmware;
        const char* line;
    } cases[] = {{"020000", "Version\t2.000"},
                 {"031234", "Version\t3.234"},
                 {"02", "Version\t2."},
                 {"", "Version\t."},
                 {"02000", "Version\t2.00"}};
    for (const auto& c : cases) {
        state.firmwareVersion = c.firmware;
        EXPECT_EQ(CrLfLines(FormatUnitInformation(state, 0)).front(), c.line);
    }
    state.firmwareVersion = "020000";
    EXPECT_EQ(CrLfLines(FormatUnitInformation(state, 2)).size(), 6u + 2 * 11);
}

TEST(CalibrationValuesTest, NumbersAndBounds)
{
    const struct {
        std::uint16_t word;
        int correction;
    } gains[] = {{0x8000, 0}, {0x7FF6, -10}, {0x80C8, 200}, {0x0000, -32768}, {0xFFFF, 32767}};
    for (const auto& g : gains) {
        EXPECT_EQ(GainCorrection(g.word), g.correction);
        EXPECT_EQ(GainWord(g.correction), g.word);
    }
    const struct {
        OutputRange range;
        int lower;
    } bounds[] = {{kRange0_5V, 0},      {kRange0_10V, 0},   {kRangeM5_5V, 0},   {kRangeM10_10V, 0},
                  {kRange0_20mA, 0},    {kRange0_24mA, 0},  {kRangeE4_20mA, 0}, {kRangeE0_24mA, 0},
                  {kRange4_20mA, -200}, {kRange1_5V, -200}, {4, -200},          {15, -200}};
    for (const auto& b : bounds) EXPECT_EQ(ZeroCorrectionLower(b.range), b.lower) << b.range;
    EXPECT_EQ(NamedCalibrationRanges(),
              (std::vector<OutputRange>{0, 1, 2, 3, 5, 6, 7, 10, 11, 12}));
}

}  // namespace
}  // namespace krv
