// The checks and texts behind the range, conversion formula and preset dialogs.
#include <gtest/gtest.h>

#include <cmath>

#include "input/DialogChecks.h"

namespace krv {
namespace {

ScaleCheckResult Scale(const std::string& minimum, const std::string& maximum,
                       const std::string& unit = "")
{
    return CheckScaleInput({minimum, maximum, unit});
}

TEST(ScaleCheckTest, AcceptsFormulasWithinFiveSignificantDigits)
{
    struct Case {
        const char* minimum;
        const char* maximum;
        double min;
        double max;
        int decimals;
    };
    for (const Case& c : {
             Case{"0", "100.5", 0.0, 100.5, 1},
             Case{"-12345", "0", -12345.0, 0.0, 0},  // the sign takes no digit
             Case{"100", "0", 100.0, 0.0, 0},        // a reversed scale
             Case{"0", ".00001", 0.0, 0.00001, 5},
             Case{"-1.2345", "1.2", -1.2345, 1.2, 4},
             Case{"  1.5\t", "\u30002 ", 1.5, 2.0, 1},  // blanks around the numbers
             Case{"+3", "12.", 3.0, 12.0, 0},
         }) {
        SCOPED_TRACE(std::string(c.minimum) + " … " + c.maximum);
        const ScaleCheckResult r = Scale(c.minimum, c.maximum);
        ASSERT_TRUE(r.Accepted()) << r.message;
        EXPECT_DOUBLE_EQ(r.minimum, c.min);
        EXPECT_DOUBLE_EQ(r.maximum, c.max);
        EXPECT_EQ(r.decimals, c.decimals);
    }
}

TEST(ScaleCheckTest, RefusesMoreThanFiveSignificantDigits)
{
    for (const auto& [minimum, maximum] : std::vector<std::pair<std::string, std::string>>{
             {"0", "123456"},
             {"1.2345", "10000"},   // 10000 with four decimals more
             {"-1.2345", "10000"},  // also when negative
             {"10000", "0.05"},     // the minimum with the maximum's two decimals
             {"0", "100.001"},
         }) {
        SCOPED_TRACE(minimum + " … " + maximum);
        EXPECT_EQ(Scale(minimum, maximum).message, "有効桁数を超えています");
    }
}

TEST(ScaleCheckTest, RefusesWhatIsNoPlainNumberMinimumFirst)
{
    for (const char* text : {"", "   ", "12a", "a12", "-", ".", "1e3", "0x10", "inf", "nan", "1 2",
                             "１２", "--1", "1..2"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Scale(text, "10").message, "最小値に誤りがあります");
        EXPECT_EQ(Scale("0", text).message, "最大値に誤りがあります");
    }
    EXPECT_EQ(Scale("x", "y", "ABCD").message, "最小値に誤りがあります");
    EXPECT_EQ(Scale("123456", "0", "ABCD").message, "有効桁数を超えています");
}

TEST(ScaleCheckTest, UnitIsCountedInBytesOfTheSettingsFilesCodePage)
{
    for (const char* unit : {"", "mA", "ABC", "℃", "mΩ", "ｱｲｳ", "% "}) {
        SCOPED_TRACE(unit);
        const ScaleCheckResult r = Scale("0", "100", unit);
        ASSERT_TRUE(r.Accepted()) << r.message;
        EXPECT_EQ(r.unit, unit);
    }
    // Not trimmed: blanks count. A character the code page lacks could not be saved.
    for (const char* unit : {"ABCD", "℃℃", " mA ", "m\xF0\x9F\x98\x80", "\xC3"}) {
        SCOPED_TRACE(unit);
        EXPECT_EQ(Scale("0", "100", unit).message, "単位が桁数を超えています");
    }
}

TEST(ScaleCheckTest, NegativeZeroComesOutAsZero)
{
    const ScaleCheckResult r = Scale("-0", "-0.0");
    ASSERT_TRUE(r.Accepted());
    EXPECT_FALSE(std::signbit(r.minimum));
    EXPECT_FALSE(std::signbit(r.maximum));
    EXPECT_EQ(r.decimals, 1);
}

std::array<std::string, kPresetCount> Presets(
    std::initializer_list<std::pair<int, const char*>> set)
{
    std::array<std::string, kPresetCount> texts;
    texts.fill("4");
    for (const auto& [index, text] : set) texts[static_cast<std::size_t>(index)] = text;
    return texts;
}

const RangeLimits kPreset4To20mA{4.0, 20.0, 3};

TEST(PresetCheckTest, CutsToTheDecimalsTowardZero)
{
    const PresetCheckResult r = CheckPresets(
        Presets({{0, "12.34567"}, {1, "20"}, {2, " 4.0159 "}, {7, "1e1"}}), kPreset4To20mA);
    ASSERT_TRUE(r.Accepted()) << r.message;
    EXPECT_DOUBLE_EQ(r.values[0], 12.345);
    EXPECT_DOUBLE_EQ(r.values[1], 20.0);
    EXPECT_DOUBLE_EQ(r.values[2], 4.015);
    EXPECT_DOUBLE_EQ(r.values[7], 10.0);

    const PresetCheckResult negative =
        CheckPresets(Presets({{0, "-2.34567"}, {1, "-0.0001"}}), {-10.0, 10.0, 3});
    ASSERT_TRUE(negative.Accepted());
    EXPECT_DOUBLE_EQ(negative.values[0], -2.345);
    EXPECT_EQ(negative.values[1], 0.0);
    EXPECT_FALSE(std::signbit(negative.values[1]));
}

TEST(PresetCheckTest, TypedDecimalsKeepTheirLastDigit)
{
    // The doubles nearest to these lie just below them; cutting them naively loses a step.
    struct Case {
        const char* text;
        int decimals;
        double expected;
    };
    for (const Case& c :
         {Case{"8.2", 2, 8.2}, Case{"0.29", 2, 0.29}, Case{"19.99", 2, 19.99},
          Case{"4.015", 3, 4.015}, Case{"1.005", 3, 1.005}, Case{"-8.2", 2, -8.2}}) {
        SCOPED_TRACE(c.text);
        const PresetCheckResult r =
            CheckPresets(Presets({{0, c.text}}), {-100.0, 100.0, c.decimals});
        ASSERT_TRUE(r.Accepted());
        EXPECT_DOUBLE_EQ(r.values[0], c.expected);
    }
}

TEST(PresetCheckTest, FirstFailingFieldWins)
{
    PresetCheckResult r = CheckPresets(Presets({{3, "3.999"}}), kPreset4To20mA);
    EXPECT_EQ(r.message, "範囲外データがあります");
    EXPECT_EQ(r.failedIndex, 3);

    r = CheckPresets(Presets({{5, "5V"}}), kPreset4To20mA);
    EXPECT_EQ(r.message, "入力データに誤りがあります");
    EXPECT_EQ(r.failedIndex, 5);

    r = CheckPresets(Presets({{2, "5V"}, {1, "20.0001"}}), kPreset4To20mA);
    EXPECT_EQ(r.message, "範囲外データがあります");
    EXPECT_EQ(r.failedIndex, 1);

    for (const char* text : {"0x5", "inf", "nan", "1e999", "1,5", "五", "1e", "+"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CheckPresets(Presets({{7, text}}), kPreset4To20mA).message,
                  "入力データに誤りがあります");
    }
}

TEST(PresetCheckTest, EmptyFieldIsZero)
{
    PresetCheckResult r = CheckPresets(Presets({{4, ""}, {6, " \u3000"}}), {0.0, 10.0, 3});
    ASSERT_TRUE(r.Accepted());
    EXPECT_EQ(r.values[4], 0.0);
    EXPECT_EQ(r.values[6], 0.0);

    r = CheckPresets(Presets({{4, ""}}), kPreset4To20mA);
    EXPECT_EQ(r.message, "範囲外データがあります");
    EXPECT_EQ(r.failedIndex, 4);
}

TEST(PresetCheckTest, ReversedScaleAcceptsValuesBetweenItsEnds)
{
    const RangeLimits reversed{10.0, 0.0, 1};
    std::array<std::string, kPresetCount> texts;
    texts.fill("3");
    texts[1] = "10";
    texts[2] = "0";
    const PresetCheckResult r = CheckPresets(texts, reversed);
    ASSERT_TRUE(r.Accepted());
    EXPECT_DOUBLE_EQ(r.values[1], 10.0);

    for (const char* outside : {"12", "-1"}) {
        texts[0] = outside;
        EXPECT_EQ(CheckPresets(texts, reversed).message, "範囲外データがあります") << outside;
    }
}

TEST(PresetCheckTest, DamagedLimitsRefuseInsteadOfMisbehaving)
{
    // Limits that are no numbers take no value; decimals beyond 6 cut at 6 places.
    EXPECT_EQ(CheckPresets(Presets({}), {std::nan(""), 10.0, 3}).message, "範囲外データがあります");
    const PresetCheckResult r = CheckPresets(Presets({{0, "4.1234567891"}}), {0.0, 10.0, 9});
    ASSERT_TRUE(r.Accepted());
    EXPECT_DOUBLE_EQ(r.values[0], 4.123456);
}

TEST(DialogTextsTest, FieldValuesHaveFiveCharactersAndPointDecimals)
{
    EXPECT_EQ(FormatFieldValue(2, 0.0), " 0.00");
    EXPECT_EQ(FormatFieldValue(2, 100.0), "100.00");
    EXPECT_EQ(FormatFieldValue(0, 12.4), "   12");
    EXPECT_EQ(FormatFieldValue(3, -5.0), "-5.000");
    EXPECT_EQ(FormatFieldValue(6, 0.5), "0.500000");
    EXPECT_EQ(FormatFieldValue(7, 1.0), "");
    EXPECT_EQ(FormatFieldValue(-1, 1.0), "");
    EXPECT_EQ(FormatFieldValue(6, 1e308).size(), 309u + 7u);  // no overflow, no cut
}

TEST(DialogTextsTest, ChannelLabelsAndRangeEnds)
{
    EXPECT_EQ(ChannelLabel(0), "１");
    EXPECT_EQ(ChannelLabel(3), "４");
    EXPECT_EQ(ChannelLabel(4), "");
    EXPECT_EQ(ChannelLabel(-1), "");

    // External-supply ranges share the ends of their internal twins; 1 to 5 V starts at 1 V.
    const auto ends = [](OutputRange range) {
        const std::optional<RangeEndTexts> texts = ScaleRangeEndTexts(range);
        return texts ? texts->lower + " … " + texts->upper : std::string("none");
    };
    EXPECT_EQ(ends(kRangeE0_24mA), "0 mA … 24 mA");
    EXPECT_EQ(ends(kRangeE4_20mA), "4 mA … 20 mA");
    EXPECT_EQ(ends(kRange1_5V), "1 V … 5 V");
    EXPECT_EQ(ends(kRangeM10_10V), "-10 V … 10 V");
    for (OutputRange none : {4, 8, 9, 13, 15, -1}) EXPECT_EQ(ends(none), "none") << none;
}

}  // namespace
}  // namespace krv
