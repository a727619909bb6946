#include "protocol/Ranges.h"
#include "platform/Translate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace krv {

namespace {

struct RangeRow {
    OutputRange code;
    const char* displayName;
    const char* key;
    const char* unit;
    double lower;
    double upper;
    std::int32_t decimals;
    int hardwareBits;  // -1: left unchanged
    double valueAtReset;
    double codeScale;
};

constexpr RangeRow kRows[] = {
    {0, KRV_TRANSLATE_NOOP("Ranges", "0～5 V"), "0_5V", " V ", 0, 5, 3, 0, 0, 13107.0},
    {1, KRV_TRANSLATE_NOOP("Ranges", "0～10 V"), "0_10V", " V ", 0, 10, 3, 1, 0, 6553.5},
    {2, KRV_TRANSLATE_NOOP("Ranges", "-5～5 V"), "-5_5V", " V ", -5, 5, 3, 2, 0, 6553.5},
    {3, KRV_TRANSLATE_NOOP("Ranges", "-10～10 V"), "-10_10V", " V ", -10, 10, 3, 3, 0, 3276.75},
    {5, KRV_TRANSLATE_NOOP("Ranges", "内 4～20 mA"), "4_20mA", "mA", 4, 20, 3, 5, 4, 4095.9375},
    {6, KRV_TRANSLATE_NOOP("Ranges", "内 0～20 mA"), "0_20mA", "mA", 0, 20, 3, 6, 0, 3276.75},
    {7, KRV_TRANSLATE_NOOP("Ranges", "内 0～24 mA"), "0_24mA", "mA", 0, 24, 3, 7, 0, 2730.625},
    {10, KRV_TRANSLATE_NOOP("Ranges", "1～5 V"), "1_5V", " V ", 1, 5, 3, 0, 1, 16383.75},
    {11, KRV_TRANSLATE_NOOP("Ranges", "外 4～20 mA"), "E4_20mA", "mA", 4, 20, 3, -1, 4, 4095.9375},
    {12, KRV_TRANSLATE_NOOP("Ranges", "外 0～24 mA"), "E0_24mA", "mA", 0, 24, 3, -1, 0, 2730.625},
};

const RangeRow* Find(OutputRange range)
{
    for (const RangeRow& row : kRows) {
        if (row.code == range) return &row;
    }
    return nullptr;
}

}  // namespace

bool IsValidRange(OutputRange range)
{
    return Find(range) != nullptr;
}

bool IsExternalSupplyRange(OutputRange range)
{
    return range == kRangeE4_20mA || range == kRangeE0_24mA;
}

std::string RangeDisplayName(OutputRange range)
{
    if (range == kScaledRange) return Tr("Ranges", "換算式");
    const RangeRow* row = Find(range);
    return row ? TrMarked("Ranges", row->displayName) : "";
}

std::string RangeKey(OutputRange range)
{
    if (range == kScaledRange) return "USER";
    const RangeRow* row = Find(range);
    return row ? row->key : "";
}

std::string RangeUnit(OutputRange range)
{
    if (range == kScaledRange) return "USER";
    const RangeRow* row = Find(range);
    return row ? row->unit : "";
}

RangeLimits GetRangeLimits(OutputRange range)
{
    const RangeRow* row = Find(range);
    if (!row) return {0.0, 1.0, 0};
    return {row->lower, row->upper, row->decimals};
}

std::optional<OutputRange> RangeFromKey(const std::string& key)
{
    for (const RangeRow& row : kRows) {
        if (key == row.key) return row.code;
    }
    return std::nullopt;
}

std::optional<double> RangeCodeScale(OutputRange range)
{
    const RangeRow* row = Find(range);
    if (!row) return std::nullopt;
    return row->codeScale;
}

std::optional<double> RangeValueOfCode(OutputRange range, std::uint16_t code)
{
    const RangeRow* row = Find(range);
    if (!row) return std::nullopt;
    const double c = code;
    // 1 to 5 V shares the hardware range of 0 to 5 V: its formula keeps the offset in the code.
    const double value = range == kRange1_5V ? (c + row->codeScale) / row->codeScale
                                             : c / row->codeScale + row->lower;
    return std::floor(value * 1000.0 + 0.5) / 1000.0;
}

std::optional<double> RangeValueAtReset(OutputRange range)
{
    const RangeRow* row = Find(range);
    if (!row) return std::nullopt;
    return row->valueAtReset;
}

std::optional<std::uint16_t> RangeHardwareBits(OutputRange range)
{
    const RangeRow* row = Find(range);
    if (!row || row->hardwareBits < 0) return std::nullopt;
    return static_cast<std::uint16_t>(row->hardwareBits);
}

std::string FormatValue(int decimals, double value)
{
    if (decimals < 0 || decimals > 6) return "";
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%6.*f", decimals, value);
    return buffer;
}

double CutToDecimals(double value, int decimals)
{
    if (!std::isfinite(value)) return value;
    const double factor = std::pow(10.0, std::clamp(decimals, 0, 6));
    const double scaled = value * factor;
    const double nearest = std::round(scaled);
    const double tolerance = 8 * std::numeric_limits<double>::epsilon() * std::fabs(scaled);
    const double cut = std::fabs(scaled - nearest) <= tolerance ? nearest : std::trunc(scaled);
    return cut / factor + 0.0;  // + 0.0 turns -0 into 0
}

}  // namespace krv
