#pragma once

#include <optional>
#include <string_view>

#include "document/GeneratorState.h"
#include "protocol/Ranges.h"

namespace krv {

// Limits and decimals of the values of channel `ch`: the scaled range while the conversion formula
// is on, else the channel's output range.
RangeLimits ChannelLimits(const GeneratorState& state, int ch);

// `value` kept within `limits`; a reversed (scaled) range keeps it between its two ends as well.
double ClampToLimits(double value, const RangeLimits& limits);

// `value` cut toward zero to `decimals` places (0 to 6; other counts leave it unchanged).
double CutToDecimals(double value, int decimals);

// A number as the user types it: leading blanks allowed, an empty text reads as 0, anything left
// after the number makes it no number at all.
std::optional<double> ParseTypedNumber(std::string_view text);

// A typed value made fit for channel `ch`: clamped into its limits, then cut to its decimals.
double TypedValueForChannel(const GeneratorState& state, int ch, double typed);

}  // namespace krv
