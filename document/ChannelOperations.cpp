#include "document/ChannelOperations.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace krv {

RangeLimits ChannelLimits(const GeneratorState& state, int ch)
{
    return state.ChannelRangeLimits(ch, state.RangeInEffect(ch));
}

double ClampToLimits(double value, const RangeLimits& limits)
{
    if (std::isnan(value)) return limits.lower;
    if (limits.upper > limits.lower) return std::min(limits.upper, std::max(limits.lower, value));
    return std::max(limits.upper, std::min(limits.lower, value));
}

double CutToDecimals(double value, int decimals)
{
    if (decimals < 0 || decimals > 6) return value;
    const double factor = std::pow(10.0, decimals);
    return std::trunc(value * factor) / factor;
}

std::optional<double> ParseTypedNumber(std::string_view text)
{
    const std::string owned(text);
    const char* begin = owned.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return 0.0;
    // Plain decimal numbers only: no hexadecimal, infinity or NaN spellings.
    for (const char* p = begin; *p; ++p) {
        if (*p == 'x' || *p == 'X' || *p == 'n' || *p == 'N' || *p == 'i' || *p == 'I') {
            return std::nullopt;
        }
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

double TypedValueForChannel(const GeneratorState& state, int ch, double typed)
{
    const RangeLimits limits = ChannelLimits(state, ch);
    return CutToDecimals(ClampToLimits(typed, limits), limits.decimals);
}

}  // namespace krv
