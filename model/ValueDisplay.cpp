#include "model/ValueDisplay.h"

#include <cmath>
#include <cstdio>

#include "model/ChannelOperations.h"
#include "platform/Translate.h"

namespace krv {

std::string ValueText(const GeneratorState& state, int ch)
{
    const double value = state.channels[ch].outputValue;
    const RangeLimits limits = ChannelLimits(state, ch);
    // The sign is written here; the number is the magnitude, so a negative zero (a preset, scale
    // end or ramp start read as -0) shows no minus sign after the blank either.
    return (value >= 0 ? " " : "-") + FormatValue(limits.decimals, std::fabs(value));
}

std::string LowerLimitText(const GeneratorState& state, int ch)
{
    const RangeLimits limits = ChannelLimits(state, ch);
    return FormatValue(limits.decimals, limits.lower);
}

std::string UpperLimitText(const GeneratorState& state, int ch)
{
    const RangeLimits limits = ChannelLimits(state, ch);
    return FormatValue(limits.decimals, limits.upper);
}

StepButtons StepButtonVisibility(const RangeLimits& limits)
{
    StepButtons buttons;
    std::string lower;
    std::string upper;
    if (limits.decimals >= 0 && limits.decimals <= 6) {
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, "%5.*f", limits.decimals, limits.lower);
        lower = buffer;
        std::snprintf(buffer, sizeof buffer, "%5.*f", limits.decimals, limits.upper);
        upper = buffer;
    }
    const auto digitAt = [](const std::string& text, std::size_t k) {
        return k < text.size() && text[text.size() - 1 - k] >= '0' &&
               text[text.size() - 1 - k] <= '9';
    };
    for (std::size_t k = 0; k < buttons.digit.size(); ++k) {
        buttons.digit[k] = digitAt(lower, k) || digitAt(upper, k);
    }
    buttons.sign = limits.lower < 0 || limits.upper < 0;
    return buttons;
}

OutputRange PresetSlot(const GeneratorState& state, int ch)
{
    return state.RangeInEffect(ch);
}

std::string OnOffText(bool on)
{
    // The panel shows these texts translated; krvctl prints them as they are.
    return on ? KRV_TRANSLATE_NOOP("ChannelDisplay", "ＯＮ")
              : KRV_TRANSLATE_NOOP("ChannelDisplay", "ＯＦＦ");
}

bool CalibrationMarkText(std::uint16_t mode, std::string& text)
{
    switch (mode & 0x3) {
        case 0:
            text = "";
            return true;
        case 1:
            text = " M ";
            return true;
        case 2:
            text = " U ";
            return true;
        default:
            return false;
    }
}

std::string StandaloneModeText(std::int32_t mode)
{
    switch (mode) {
        case kStandaloneFixed:
            return KRV_TRANSLATE_NOOP("ChannelDisplay", "PCレス 固定値出力");
        case kStandaloneAuto:
            return KRV_TRANSLATE_NOOP("ChannelDisplay", " PCレス 自動出力 ");
        default:
            return "";
    }
}

std::string WaveformName(std::int32_t waveform)
{
    switch (waveform) {
        case kSawtooth:
            return KRV_TRANSLATE_NOOP("ChannelDisplay", "のこぎり波");
        case kTriangle:
            return KRV_TRANSLATE_NOOP("ChannelDisplay", "三角波");
        case kArbitrary:
            return KRV_TRANSLATE_NOOP("ChannelDisplay", "任意波");
        default:
            return "";
    }
}

AutoOutputTexts AutoOutputPanelTexts(const GeneratorState& state, int ch)
{
    const OutputRange slot = PresetSlot(state, ch);
    const RampSettings& ramp = state.autoOutput[ch].ramps[static_cast<std::size_t>(slot)];
    const int decimals = ChannelLimits(state, ch).decimals;
    AutoOutputTexts texts;
    if (ramp.waveform == kArbitrary) {
        texts.start = texts.end = texts.step = texts.interval = "---";
    } else {
        texts.start = FormatValue(decimals, ramp.start);
        texts.end = FormatValue(decimals, ramp.end);
        texts.step = FormatValue(decimals, ramp.step);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%6.2f", ramp.interval / 100.0);
        texts.interval = buffer;
    }
    texts.waveform = WaveformName(ramp.waveform);
    texts.repeat = std::to_string(ramp.repeat);
    return texts;
}

}  // namespace krv
