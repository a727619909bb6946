#include <gtest/gtest.h>

#include <cmath>

#include "protocol/Ranges.h"

namespace krv {
namespace {

TEST(RangeTableTest, LimitsOfRangesAndOfCodesWithoutARow)
{
    const RangeLimits bipolar = GetRangeLimits(2);
    EXPECT_EQ(bipolar.lower, -5.0);
    EXPECT_EQ(bipolar.upper, 5.0);
    EXPECT_EQ(bipolar.decimals, 3);
    for (OutputRange code : {4, 8, 9, 13, 14, 15, -1, 16, 1000}) {
        const RangeLimits none = GetRangeLimits(code);
        EXPECT_EQ(none.lower, 0.0) << code;
        EXPECT_EQ(none.upper, 1.0) << code;
        EXPECT_EQ(none.decimals, 0) << code;
    }
}

TEST(RangeTableTest, NamesKeysAndUnits)
{
    EXPECT_EQ(RangeDisplayName(8), "");
    EXPECT_EQ(RangeDisplayName(15), "換算式");
    EXPECT_EQ(RangeDisplayName(5), "内 4～20 mA");
    EXPECT_EQ(RangeDisplayName(12), "外 0～24 mA");
    EXPECT_EQ(RangeDisplayName(3), "-10～10 V");
    EXPECT_EQ(RangeUnit(10), " V ");
    EXPECT_EQ(RangeUnit(11), "mA");
    EXPECT_EQ(RangeUnit(15), "USER");
    EXPECT_EQ(RangeUnit(9), "");
    EXPECT_EQ(RangeKey(2), "-5_5V");
    EXPECT_EQ(RangeKey(12), "E0_24mA");
    EXPECT_EQ(RangeKey(15), "USER");
    EXPECT_EQ(RangeKey(13), "");
    EXPECT_EQ(RangeFromKey("E4_20mA"), 11);
    EXPECT_EQ(RangeFromKey("USER"), std::nullopt);
    EXPECT_EQ(RangeFromKey("4_20ma"), std::nullopt);
}

TEST(RangeTableTest, EveryRangeMapsItsLimitsOntoTheWholeCodeSpan)
{
    for (OutputRange code : kValidRanges) {
        const RangeLimits limits = GetRangeLimits(code);
        const double scale = RangeCodeScale(code).value();
        EXPECT_DOUBLE_EQ((limits.upper - limits.lower) * scale, 65535.0) << code;
        const double reset = RangeValueAtReset(code).value();
        EXPECT_GE(reset, limits.lower);
        EXPECT_LE(reset, limits.upper);
    }
    EXPECT_EQ(RangeValueAtReset(3), 0.0);  // zero volts, not the lower limit
    EXPECT_EQ(RangeValueAtReset(10), 1.0);
    EXPECT_EQ(RangeValueAtReset(11), 4.0);
    EXPECT_FALSE(RangeCodeScale(15).has_value());
}

TEST(RangeTableTest, HardwareBitsOfTheMainStage)
{
    EXPECT_EQ(RangeHardwareBits(0), 0);
    EXPECT_EQ(RangeHardwareBits(10), 0);  // 1 to 5 V shares the hardware range of 0 to 5 V
    EXPECT_EQ(RangeHardwareBits(7), 7);
    EXPECT_FALSE(RangeHardwareBits(11).has_value());
    EXPECT_FALSE(RangeHardwareBits(12).has_value());
    EXPECT_FALSE(RangeHardwareBits(4).has_value());
    EXPECT_TRUE(IsExternalSupplyRange(11));
    EXPECT_FALSE(IsExternalSupplyRange(7));
}

TEST(FormatValueTest, WidthSixRoundedByDecimals)
{
    EXPECT_EQ(FormatValue(3, 4.5), " 4.500");
    EXPECT_EQ(FormatValue(0, 12.4), "    12");
    EXPECT_EQ(FormatValue(7, 1.0), "");
    EXPECT_EQ(FormatValue(-1, 1.0), "");
    EXPECT_EQ(FormatValue(3, -10.0), "-10.000");
    EXPECT_EQ(FormatValue(1, 0.25), "   0.2");  // printf rounding of the binary value
    EXPECT_EQ(FormatValue(6, 1.0), "1.000000");
    EXPECT_FALSE(FormatValue(2, 1e300).empty());
    EXPECT_FALSE(FormatValue(2, NAN).empty());
}

}  // namespace
}  // namespace krv
