#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace krv {

// Code of an output range. Valid codes: 0, 1, 2, 3, 5, 6, 7, 10, 11, 12. Code 15 names the scaled
// (conversion formula) view and is used only as a table index and for texts. Every per-range table
// has kRangeTableSize entries indexed by the code.
using OutputRange = std::int32_t;

inline constexpr int kRangeTableSize = 16;
inline constexpr OutputRange kScaledRange = 15;

inline constexpr OutputRange kRange0_5V = 0;
inline constexpr OutputRange kRange0_10V = 1;
inline constexpr OutputRange kRangeM5_5V = 2;
inline constexpr OutputRange kRangeM10_10V = 3;
inline constexpr OutputRange kRange4_20mA = 5;
inline constexpr OutputRange kRange0_20mA = 6;
inline constexpr OutputRange kRange0_24mA = 7;
inline constexpr OutputRange kRange1_5V = 10;
inline constexpr OutputRange kRangeE4_20mA = 11;
inline constexpr OutputRange kRangeE0_24mA = 12;

// The ten ranges a channel can output, in code order.
inline constexpr OutputRange kValidRanges[] = {0, 1, 2, 3, 5, 6, 7, 10, 11, 12};

struct RangeLimits {
    double lower;
    double upper;
    std::int32_t decimals;
};

bool IsValidRange(OutputRange range);
// True for the two ranges powered from an external loop supply (11, 12).
bool IsExternalSupplyRange(OutputRange range);

std::string RangeDisplayName(OutputRange range);  // "0～5 V" … "換算式"; empty without a row
std::string RangeKey(OutputRange range);          // "0_5V" … "USER"; empty without a row
std::string RangeUnit(OutputRange range);         // " V ", "mA", "USER"; empty without a row
// Lower, upper and decimals; any code without a row (15 included) gives {0, 1, 0}.
RangeLimits GetRangeLimits(OutputRange range);
// The range whose key is `key`, if any (valid output ranges only).
std::optional<OutputRange> RangeFromKey(const std::string& key);

// Output codes per range unit: code = (v - lower) × CodeScale; nullopt for codes without a row.
std::optional<double> RangeCodeScale(OutputRange range);
// The value in range units of output code `code`, rounded to the nearest thousandth; nullopt for
// codes without a row.
std::optional<double> RangeValueOfCode(OutputRange range, std::uint16_t code);
// The value at which the output is at zero volts or its live-zero current.
std::optional<double> RangeValueAtReset(OutputRange range);
// Bits 0 to 2 of the main control word; nullopt for the external-supply ranges and codes without
// a row (the bits are left as they are).
std::optional<std::uint16_t> RangeHardwareBits(OutputRange range);

// "%6.0f" … "%6.6f" for 0 … 6 decimals; empty for any other number of decimals.
std::string FormatValue(int decimals, double value);

// `value` cut toward zero to `decimals` places (counts outside 0 to 6, which only a damaged file
// gives, are taken as the nearer end). A value that is a whole step apart from its binary rounding
// error keeps that step: 8.2 cut to two places stays 8.2, although 8.2 × 100 is 819.99999999999989.
double CutToDecimals(double value, int decimals);

}  // namespace krv
