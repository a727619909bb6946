// The automatic-output dialog's rules without a window: number reading, field formats, interval
// conversion, the checks on confirmation in their order, and storing the point list.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "input/AutoOutputChecks.h"

namespace krv {
namespace {

using namespace std::string_literals;

constexpr RangeLimits k4To20mA{4.0, 20.0, 3};
constexpr RangeLimits kReversed{100.0, 0.0, 1};

// A sawtooth that passes every check in the 4 to 20 mA range.
RampFieldTexts GoodRamp()
{
    return {" 4.000", "20.000", " 1.000", "  1.50", "2"};
}

TEST(IntervalConversion, TruncatesInDoublePrecision)
{
    EXPECT_EQ(RampIntervalHundredths(1.5), 150);
    EXPECT_EQ(RampIntervalHundredths(0.29), 28);
    EXPECT_EQ(RampIntervalHundredths(1.14), 113);
    EXPECT_EQ(RampIntervalHundredths(9999.0), 999900);
    // Points go through hundredths and back once more.
    EXPECT_EQ(PointIntervalHundredths(0.58), 56);
    EXPECT_EQ(PointIntervalHundredths(1.14), 112);
    EXPECT_EQ(PointIntervalHundredths(1.5), 150);
    EXPECT_EQ(PointIntervalHundredths(0.01), 1);
    EXPECT_EQ(PointIntervalHundredths(99999.99), 9999999);
    // Never undefined, whatever the double.
    EXPECT_EQ(RampIntervalHundredths(1e300), 2147483647);
    EXPECT_EQ(PointIntervalHundredths(-1e300), -2147483647 - 1);
}

TEST(FieldNumbers, AreDecimalNumbersWithLeadingBlanksOnly)
{
    EXPECT_EQ(ParseFieldNumber("  1.5"), 1.5);
    EXPECT_EQ(ParseFieldNumber("\t-.5"), -0.5);
    EXPECT_EQ(ParseFieldNumber("+2"), 2.0);
    EXPECT_EQ(ParseFieldNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseFieldNumber("3."), 3.0);
    EXPECT_EQ(ParseFieldNumber(""), 0.0);
    EXPECT_EQ(ParseFieldNumber("   "), 0.0);
    for (const std::string bad : {"1.5 ", "1,5", "abc", "0x10", "inf", "-nan", "+-1", "--1", "1e",
                                  ".", "-", "1e999", "１"}) {
        EXPECT_FALSE(ParseFieldNumber(bad)) << bad;
    }
    // A NUL from a binary file ends nothing: what follows it is still text after the number.
    EXPECT_FALSE(ParseFieldNumber("1\0002"s));
    EXPECT_FALSE(ParseFieldNumber("1\0"s));
}

TEST(FieldNumbers, RepeatCountsAreDecimal)
{
    EXPECT_EQ(ParseRepeatCount("010"), 10);
    EXPECT_EQ(ParseRepeatCount(" 7"), 7);
    EXPECT_EQ(ParseRepeatCount(""), 0);
    EXPECT_EQ(ParseRepeatCount("-3"), -3);
    EXPECT_EQ(ParseRepeatCount("99999999999999999999999"), INT64_MAX);
    for (const char* bad : {"0x10", "1.5", "1 ", "+-1", "-", "x"}) {
        EXPECT_FALSE(ParseRepeatCount(bad)) << bad;
    }
}

TEST(FieldTexts, MatchTheNumberFormatOfTheRangeTable)
{
    EXPECT_EQ(AutoValueText(3, 4.5), " 4.500");
    EXPECT_EQ(AutoValueText(0, 12.4), "    12");
    EXPECT_EQ(IntervalText(1.0), "  1.00");
    EXPECT_EQ(StoredIntervalText(57), "  0.57");
    EXPECT_EQ(StoredIntervalText(999900), "9999.00");
    // Same text as printf in the C locale, for every number of decimals.
    std::setlocale(LC_NUMERIC, "C");
    for (int decimals = 0; decimals <= 6; ++decimals) {
        for (const double v : {0.0, -0.0, 0.0005, -0.0004, 2.5, 3.5, 1.23456789, -123456.7891, 1e15,
                               0.1 + 0.2, 19.9995}) {
            char expected[512];
            std::snprintf(expected, sizeof expected, "%6.*f", decimals, v);
            EXPECT_EQ(AutoValueText(decimals, v), expected) << decimals << " " << v;
        }
    }
}

TEST(FieldTexts, LeavingAFieldRewritesOrUndoes)
{
    EXPECT_EQ(ReformatAutoField(AutoField::Start, 3, "4"), " 4.000");
    EXPECT_EQ(ReformatAutoField(AutoField::Step, 1, "  -0.55"), "  -0.6");
    EXPECT_EQ(ReformatAutoField(AutoField::End, 3, ""), " 0.000");
    EXPECT_EQ(ReformatAutoField(AutoField::Interval, 3, "1.5"), "  1.50");
    EXPECT_EQ(ReformatAutoField(AutoField::Repeat, 3, "010"), "10");
    EXPECT_EQ(ReformatAutoField(AutoField::Repeat, 3, "2.9"), "2");
    EXPECT_FALSE(ReformatAutoField(AutoField::Repeat, 3, "-1"));
    EXPECT_FALSE(ReformatAutoField(AutoField::Repeat, 3, "1e12"));
    EXPECT_FALSE(ReformatAutoField(AutoField::Start, 3, "4 mA"));
    EXPECT_FALSE(ReformatAutoField(AutoField::Interval, 3, "1:30"));

    EXPECT_TRUE(HasLineBreak("1.5\r\n"));
    EXPECT_FALSE(HasLineBreak("1.5"));
    EXPECT_EQ(WithoutLineBreaks("\r1.\n5\r\n"), "1.5");
}

TEST(RampCheck, RefusesEachFieldWithItsMessage)
{
    struct Case {
        AutoField field;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {AutoField::Start, "abc", kStartNotNumber},
        {AutoField::Start, "20.01", kValueOutOfRange},
        {AutoField::End, "2O", kEndNotNumber},
        {AutoField::End, "21", kValueOutOfRange},
        {AutoField::Interval, "1s", kIntervalNotNumber},
        {AutoField::Interval, "0", kIntervalNotPositive},
        {AutoField::Interval, "", kIntervalNotPositive},
        {AutoField::Interval, "0.001", kIntervalNotPositive},
        {AutoField::Interval, "10000", kIntervalTooLong},
        {AutoField::Interval, "9999.01", kIntervalTooLong},
        {AutoField::Repeat, "1.5", kRepeatNotNumber},
        {AutoField::Repeat, "1000001", kRepeatOutOfRange},
        {AutoField::Repeat, "-1", kRepeatOutOfRange},
        {AutoField::Step, "x", kStepNotNumber},
        {AutoField::Step, "0", kStepZero},
        {AutoField::Step, "20.001", kStepOutOfRange},
        {AutoField::Step, "-21", kStepOutOfRange},
    };
    for (const Case& c : cases) {
        RampFieldTexts texts = GoodRamp();
        std::string* target[] = {&texts.start, &texts.end, &texts.step, &texts.interval,
                                 &texts.repeat};
        *target[static_cast<int>(c.field)] = c.text;
        const RampCheckResult result = CheckRampFields(kTriangle, texts, k4To20mA, 100);
        EXPECT_EQ(result.message, c.message) << c.text;
        EXPECT_EQ(result.field, c.field) << c.text;
    }
}

TEST(RampCheck, AcceptsTheLimitsThemselves)
{
    RampFieldTexts texts = GoodRamp();
    texts.start = "20.000";
    texts.end = " 4.000";
    texts.interval = "9999";
    texts.repeat = "1000000";
    texts.step = "-20";
    const RampCheckResult result = CheckRampFields(kSawtooth, texts, k4To20mA, 100);
    ASSERT_TRUE(result.Accepted()) << result.message;
    EXPECT_EQ(result.start, 20.0);
    EXPECT_EQ(result.end, 4.0);
    EXPECT_EQ(result.interval, 999900);
    EXPECT_EQ(result.repeat, 1000000);
    EXPECT_EQ(result.step, -20.0);
}

TEST(RampCheck, ChecksInTheFixedOrder)
{
    // Every field wrong: the start is reported, then each field in turn once the earlier ones
    // are put right.
    RampFieldTexts texts{"a", "b", "0", "0", "-1"};
    const char* expected[] = {kStartNotNumber, kEndNotNumber, kIntervalNotPositive,
                              kRepeatOutOfRange, kStepZero};
    const RampFieldTexts good = GoodRamp();
    std::string RampFieldTexts::*const order[] = {&RampFieldTexts::start, &RampFieldTexts::end,
                                                  &RampFieldTexts::interval,
                                                  &RampFieldTexts::repeat, &RampFieldTexts::step};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(CheckRampFields(kSawtooth, texts, k4To20mA, 100).message, expected[i]);
        texts.*order[i] = good.*order[i];
    }
    EXPECT_TRUE(CheckRampFields(kSawtooth, texts, k4To20mA, 100).Accepted());
}

TEST(RampCheck, ReversedScaledRange)
{
    RampFieldTexts texts{"50", "0", "10", "1", "0"};
    const RampCheckResult result = CheckRampFields(kSawtooth, texts, kReversed, 100);
    ASSERT_TRUE(result.Accepted()) << result.message;
    EXPECT_EQ(result.start, 50.0);
    texts.start = "100.1";
    EXPECT_EQ(CheckRampFields(kSawtooth, texts, kReversed, 100).message, kValueOutOfRange);
    texts.start = "50";
    texts.step = "100.1";
    EXPECT_EQ(CheckRampFields(kSawtooth, texts, kReversed, 100).message, kStepOutOfRange);
}

TEST(RampCheck, ArbitraryChecksOnlyTheRepeatCount)
{
    const RampFieldTexts texts{"x", "y", "z", "w", "5"};
    const RampCheckResult result = CheckRampFields(kArbitrary, texts, k4To20mA, 250);
    ASSERT_TRUE(result.Accepted()) << result.message;
    EXPECT_EQ(result.start, 0.0);
    EXPECT_EQ(result.end, 0.0);
    EXPECT_EQ(result.step, 0.0);
    EXPECT_EQ(result.interval, 100);
    EXPECT_EQ(result.repeat, 5);
    EXPECT_EQ(CheckRampFields(kArbitrary, {"", "", "", "", "1e3"}, k4To20mA, 100).message,
              kRepeatNotNumber);
}

TEST(RampCheck, AnUntouchedIntervalKeepsItsStoredValue)
{
    RampFieldTexts texts = GoodRamp();
    texts.interval = StoredIntervalText(29);  // "  0.29": 0.29 × 100 lies just below 29
    EXPECT_EQ(CheckRampFields(kSawtooth, texts, k4To20mA, 29).interval, 29);
    EXPECT_EQ(CheckRampFields(kSawtooth, texts, k4To20mA, 100).interval, 28);
    texts.interval = "1.14";
    EXPECT_EQ(CheckRampFields(kSawtooth, texts, k4To20mA, 114).interval, 113);
}

TEST(RampCheck, StoresTheSizeOfTheStepAndKeepsTheRest)
{
    RampSettings stored;
    stored.reserved = true;
    RampFieldTexts texts = GoodRamp();
    texts.step = "-0.5";
    const RampCheckResult result = CheckRampFields(kTriangle, texts, k4To20mA, 100);
    ASSERT_TRUE(result.Accepted());
    const RampSettings ramp = RampToStore(kTriangle, result, stored);
    EXPECT_EQ(ramp.waveform, kTriangle);
    EXPECT_EQ(ramp.start, 4.0f);
    EXPECT_EQ(ramp.end, 20.0f);
    EXPECT_EQ(ramp.step, 0.5f);
    EXPECT_EQ(ramp.interval, 150);
    EXPECT_EQ(ramp.repeat, 2);
    EXPECT_TRUE(ramp.reserved);
}

std::vector<PointRowTexts> Rows(std::initializer_list<PointRowTexts> rows)
{
    return std::vector<PointRowTexts>(rows);
}

TEST(PointListCheck, EndsAtTheFirstEmptyRow)
{
    const PointListCheckResult empty = CheckPointList({}, k4To20mA);
    EXPECT_TRUE(empty.Accepted());
    EXPECT_EQ(empty.count, 0);

    const PointListCheckResult two = CheckPointList(
        Rows({{" 5.000", "  1.00", ""}, {"20", "0.5", "1"}, {"", "", "1"}}), k4To20mA);
    EXPECT_TRUE(two.Accepted()) << two.message;
    EXPECT_EQ(two.count, 2);
}

TEST(PointListCheck, ReportsTheFirstFailingRow)
{
    struct Case {
        std::vector<PointRowTexts> rows;
        const char* message;
        int row;
    };
    const Case cases[] = {
        // Rows 1 and 2 filled, row 3 empty, row 5 filled.
        {Rows({{"5", "1", ""}, {"6", "1", ""}, {"", "", ""}, {"", "", ""}, {"7", "1", ""}}),
         kPointMissing, 4},
        {Rows({{"5", "1", ""}, {"", "", ""}, {"", "1", ""}}), kPointMissing, 2},
        {Rows({{"", "1", ""}}), kPointMissing, 0},
        {Rows({{"5", "", ""}}), kPointIntervalOutOfRange, 0},
        {Rows({{"5", "1", ""}, {"値", "1", ""}}), kPointNotNumber, 1},
        {Rows({{"5", "1秒", ""}}), kPointNotNumber, 0},
        {Rows({{"3.999", "1", ""}}), kValueOutOfRange, 0},
        {Rows({{"20.001", "x", ""}}), kValueOutOfRange, 0},
        {Rows({{"5", "100000", ""}}), kPointIntervalOutOfRange, 0},
        {Rows({{"5", "-1", ""}}), kPointIntervalOutOfRange, 0},
        {Rows({{"5", "0.001", ""}}), kPointIntervalOutOfRange, 0},
        {Rows({{"5", "1", ""}, {"x", "", ""}, {"30", "1", ""}}), kPointNotNumber, 1},
    };
    for (const Case& c : cases) {
        const PointListCheckResult result = CheckPointList(c.rows, k4To20mA);
        EXPECT_EQ(result.message, c.message) << c.row;
        EXPECT_EQ(result.row, c.row);
    }
    // The pause column is not checked; the longest interval below the limit is taken.
    EXPECT_TRUE(CheckPointList(Rows({{"5", "99999.99", "yes"}}), k4To20mA).Accepted());
    // Anything at all after the end of the list, even in the last of the 1000 rows.
    std::vector<PointRowTexts> rows(1000);
    rows[0] = {"5", "1", ""};
    rows[999] = {"", "0.5", ""};
    EXPECT_EQ(CheckPointList(rows, k4To20mA).row, 999);
}

TEST(PointListStore, FillsAllThousandPoints)
{
    std::array<ArbitraryPoint, kArbitraryPointCount> points{};
    for (ArbitraryPoint& p : points) p = {true, 9.0f, 77, true};
    std::vector<PointRowTexts> rows(12);
    rows[0] = {" 5.000", "0.58", ""};
    rows[1] = {"6.5", "1.14", "1"};
    rows[2] = {"20", "1.5", "0"};
    rows[10] = {"", "", "1"};  // a pause mark after the end still counts
    StorePointList(rows, points);

    EXPECT_TRUE(points[0].used);
    EXPECT_EQ(points[0].value, 5.0f);
    EXPECT_EQ(points[0].interval, 56);
    EXPECT_FALSE(points[0].pause);
    EXPECT_EQ(points[1].value, 6.5f);
    EXPECT_EQ(points[1].interval, 112);
    EXPECT_TRUE(points[1].pause);
    EXPECT_EQ(points[2].interval, 150);
    EXPECT_FALSE(points[2].pause);
    for (std::size_t i = 3; i < points.size(); ++i) {
        EXPECT_FALSE(points[i].used) << i;
        EXPECT_EQ(points[i].value, 0.0f);
        EXPECT_EQ(points[i].interval, 0);
        EXPECT_EQ(points[i].pause, i == 10) << i;
    }
}

TEST(PointListStore, ConfirmingAShownListChangesNothing)
{
    // Intervals such as 0.57 s or 0.29 s do not survive the double truncation; shown and
    // confirmed unchanged they must stay what they were.
    std::array<ArbitraryPoint, kArbitraryPointCount> points{};
    for (std::size_t i = 0; i < 999; ++i) {
        points[i] = {true, 4.0f + static_cast<float>(i % 16), static_cast<std::int32_t>(i * 7 + 1),
                     i % 3 == 0};
    }
    const auto before = points;
    const std::vector<PointRowTexts> rows = PointListTexts(points, 3);
    ASSERT_TRUE(CheckPointList(rows, k4To20mA).Accepted());
    StorePointList(rows, points);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].used, before[i].used) << i;
        EXPECT_EQ(points[i].value, before[i].used ? before[i].value : 0.0f) << i;
        if (before[i].used) {
            EXPECT_EQ(points[i].interval, before[i].interval) << i;
        }
        EXPECT_EQ(points[i].pause, before[i].used && before[i].pause) << i;
    }
    // A newly typed interval is converted as always.
    std::vector<PointRowTexts> typed = rows;
    typed[8].interval = "0.57";  // was 0.57 s (57) but typed anew
    StorePointList(typed, points);
    EXPECT_EQ(points[8].interval, 56);
}

TEST(PointListTexts, ShowOnlyUsedPoints)
{
    std::array<ArbitraryPoint, kArbitraryPointCount> points{};
    points[0] = {true, 4.5f, 100, true};
    points[1] = {false, 7.0f, 50, true};
    points[2] = {true, -1.25f, 5, false};  // after a gap: shown all the same
    const std::vector<PointRowTexts> rows = PointListTexts(points, 3);
    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_EQ(rows[0].value, " 4.500");
    EXPECT_EQ(rows[0].interval, "  1.00");
    EXPECT_EQ(rows[0].pause, "1");
    EXPECT_EQ(rows[1].value, "");
    EXPECT_EQ(rows[1].pause, "");
    EXPECT_EQ(rows[2].value, "-1.250");
    EXPECT_EQ(rows[2].interval, "  0.05");
    EXPECT_EQ(rows[2].pause, "");
    EXPECT_EQ(CheckPointList(rows, {-5.0, 5.0, 3}).message, kPointMissing);
}

}  // namespace
}  // namespace krv
