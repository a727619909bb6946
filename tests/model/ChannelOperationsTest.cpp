#include <gtest/gtest.h>

#include <cmath>

#include "model/ChannelOperations.h"

namespace krv {
namespace {

class TypedValueTest : public ::testing::Test {
  protected:
    double Typed(int ch, const char* text)
    {
        const auto number = ParseTypedNumber(text);
        EXPECT_TRUE(number.has_value()) << text;
        return TypedValueForChannel(state, ch, number.value_or(0.0));
    }

    AppValues app;
    GeneratorState state{app};
};

TEST_F(TypedValueTest, NumbersAreCutTowardZeroToTheDecimals)
{
    state.channels[0].range = kRange4_20mA;
    EXPECT_DOUBLE_EQ(Typed(0, "12.3456"), 12.345);
    EXPECT_DOUBLE_EQ(Typed(0, "  19.9999"), 19.999);
    state.channels[1].range = kRangeM10_10V;
    EXPECT_DOUBLE_EQ(Typed(1, "-0.0019"), -0.001);
    EXPECT_DOUBLE_EQ(Typed(1, "-12"), -10.0);
}

TEST_F(TypedValueTest, EmptyTextReadsZeroAndIsClampedIntoTheRange)
{
    state.channels[0].range = kRange4_20mA;
    EXPECT_DOUBLE_EQ(Typed(0, ""), 4.0);
    EXPECT_DOUBLE_EQ(Typed(0, "   "), 4.0);
    EXPECT_DOUBLE_EQ(Typed(0, "1e3"), 20.0);
}

TEST_F(TypedValueTest, ConvertedUnitsUseTheScaledRangeEvenWhenReversed)
{
    ChannelSettings& c = state.channels[2];
    c.scalingOn = true;
    c.scaledMin = 100.0;
    c.scaledMax = -100.0;
    c.scaledDigits = 1;
    EXPECT_DOUBLE_EQ(Typed(2, "-150"), -100.0);
    EXPECT_DOUBLE_EQ(Typed(2, "150"), 100.0);
    EXPECT_DOUBLE_EQ(Typed(2, "-12.39"), -12.3);
}

TEST(ParseTypedNumberTest, TextAfterTheNumberIsNoNumber)
{
    for (const char* bad : {"12a", "5V", "abc", "1,5", "12 ", "0x10", "nan", "inf", "--1", "."}) {
        EXPECT_FALSE(ParseTypedNumber(bad).has_value()) << bad;
    }
    EXPECT_FALSE(ParseTypedNumber(std::string_view("1\0x", 3)).has_value());
    EXPECT_EQ(ParseTypedNumber("+3.5"), 3.5);
    EXPECT_EQ(ParseTypedNumber("\t-2"), -2.0);
}

TEST(ClampTest, NotANumberBecomesTheLowerLimit)
{
    EXPECT_EQ(ClampToLimits(std::nan(""), {4.0, 20.0, 3}), 4.0);
    EXPECT_EQ(CutToDecimals(-1.99, 0), -1.0);
    EXPECT_EQ(CutToDecimals(1.2345678, 9), 1.234567);  // more than 6 places: 6
    // Typed decimals keep their last digit although their binary forms fall just short of it.
    EXPECT_EQ(CutToDecimals(8.2, 2), 8.2);
    EXPECT_EQ(CutToDecimals(4.015, 3), 4.015);
    EXPECT_EQ(CutToDecimals(-0.0001, 3), 0.0);
}

}  // namespace
}  // namespace krv
