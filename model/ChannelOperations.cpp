#include "model/ChannelOperations.h"

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

std::optional<double> ParseTypedNumber(std::string_view text)
{
    // A NUL inside the text would end it early for the parser below: such text is no number.
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
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

double DigitStep(int decimals, int k)
{
    // Rows: decimals 0 to 6; columns: positions 0 to 6. The decimal point's position steps by 0.
    static constexpr double kSteps[7][7] = {
        {1, 10, 100, 1000, 10000, 100000, 0},
        {0.1, 0, 1, 10, 100, 1000, 0},
        {0.01, 0.1, 0, 1, 10, 100, 0},
        {0.001, 0.01, 0.1, 0, 1, 10, 0},
        {0.0001, 0.001, 0.01, 0.1, 0, 1, 0},
        {0.00001, 0.0001, 0.001, 0.01, 0.1, 0, 0},
        {0.000001, 0.00001, 0.0001, 0.001, 0.01, 0.1, 0},
    };
    if (decimals < 0 || decimals > 6 || k < 0 || k > 6) return 0.0;
    return kSteps[decimals][k];
}

bool ToggleOutput(GeneratorState& state, int ch)
{
    if (!state.Connected()) return false;
    state.SetOutputOn(ch, !state.OutputOn(ch));
    state.SendOutputFrame(ch);
    return true;
}

void StepDigit(GeneratorState& state, int ch, int k, bool down)
{
    const RangeLimits limits = ChannelLimits(state, ch);
    const double step = DigitStep(limits.decimals, k);
    double value = state.channels[ch].outputValue + (down ? -step : step);
    if (k == 6) {
        if (!down && value < 0) value = -value;
        if (down && value > 0) value = -value;
    }
    state.channels[ch].outputValue = ClampToLimits(value, limits);
    state.ValueToCode(ch);
    state.SendAllCircuits();
}

void SelectPreset(GeneratorState& state, int ch, int n)
{
    if (n < 0 || n >= kPresetsPerRange) return;
    const OutputRange slot = state.RangeInEffect(ch);
    state.channels[ch].outputValue =
        state.channels[ch].presets[static_cast<std::size_t>(slot)][static_cast<std::size_t>(n)];
    state.ValueToCode(ch);
    state.SendAllCircuits();
}

bool CommitTypedValue(GeneratorState& state, int ch, std::string_view text)
{
    const std::optional<double> number = ParseTypedNumber(text);
    if (!number) return false;
    state.channels[ch].outputValue = TypedValueForChannel(state, ch, *number);
    state.ValueToCode(ch);
    state.SendAllCircuits();
    return true;
}

void ApplyRange(GeneratorState& state, int ch, OutputRange range)
{
    state.channels[ch].range = range;
    state.RangeToModeBits(ch);
    state.ApplyRangeDefaults(ch);
    state.SendAllCircuits();
    state.ApplyRangeDefaults(ch);
}

void ApplyConversion(GeneratorState& state, int ch, double scaledMin, double scaledMax,
                     int scaledDigits, const std::string& scaledUnit)
{
    ChannelSettings& c = state.channels[ch];
    c.scaledMin = scaledMin;
    c.scaledMax = scaledMax;
    c.scaledDigits = scaledDigits;
    c.scaledUnit = scaledUnit;
    state.ClampPresets(ch);
    if (c.scalingOn) state.ApplyRangeDefaults(ch);
}

}  // namespace krv
