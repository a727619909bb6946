#include "model/GeneratorState.h"

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

// The codes every per-range table fills: the ten output ranges and the scaled range.
constexpr OutputRange kPresetCodes[] = {0, 1, 2, 3, 5, 6, 7, 10, 11, 12, kScaledRange};

// Codes other than the ten output ranges (4, 8, 9, 13 and above, negative ones) come only from a
// damaged file.
bool NeedsRangeRepair(OutputRange range)
{
    return !IsValidRange(range);
}

// The longest intervals the automatic-output settings take (9999 s for a ramp, below 100000 s for
// a point), in hundredths of a second. A repair must keep every interval the user could enter,
// or a long interval would silently turn into one second at the next start.
constexpr std::int32_t kLongestRampInterval = 999900;
constexpr std::int32_t kLongestPointInterval = 9999999;

bool Outside(double value, double lower, double upper)
{
    return std::isnan(value) || value < lower || value > upper;
}

}  // namespace

GeneratorState::GeneratorState(AppValues& app, FrameSink* sink) : app_(&app), sink_(sink) {}

int GeneratorState::AddressedCircuits() const
{
    return std::clamp(circuitCount, 0, kChannelCount);
}

RangeLimits GeneratorState::ChannelRangeLimits(int ch, OutputRange code) const
{
    if (IsChannel(ch) && !IsValidRange(code)) {
        const ChannelSettings& c = channels[ch];
        return {c.scaledMin, c.scaledMax, c.scaledDigits};
    }
    return GetRangeLimits(code);
}

OutputRange GeneratorState::RangeInEffect(int ch) const
{
    if (!IsChannel(ch)) return 0;
    const OutputRange range = channels[ch].range;
    if (channels[ch].scalingOn || range < 0 || range >= kRangeTableSize) return kScaledRange;
    return range;
}

void GeneratorState::ResetForCircuitCount(std::int32_t count)
{
    switch (count) {
        case 1:
            app_->mainWindowWidth = kOneCircuitWidth;
            break;
        case 2:
            app_->mainWindowWidth = kTwoCircuitWidth;
            break;
        case 4:
            break;
        default:
            return;
    }
    ResetChannels();
    NormaliseChannels();
    ResetAutoOutput();
    ValidateAutoOutput();
}

void GeneratorState::RepairRange(int ch)
{
    ChannelSettings& c = channels[ch];
    if (!NeedsRangeRepair(c.range)) return;
    c.range = 0;
    RangeToModeBits(ch);
    ApplyRangeDefaults(ch);
    SendAllCircuits();
}

void GeneratorState::ResetChannels()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        ChannelSettings& c = channels[ch];
        RepairRange(ch);
        c.scaledMin = 0.0;
        c.scaledMax = 100.0;
        c.scalingOn = false;
        c.scaledDigits = 0;
        c.scaledUnit.clear();
        ApplyRangeDefaults(ch);
        for (OutputRange code : kPresetCodes) {
            const RangeLimits limits = ChannelRangeLimits(ch, code);
            auto& row = c.presets[code];
            row.fill(limits.lower);
            row[1] = limits.upper;
        }
        ClampPresets(ch);
    }
}

void GeneratorState::NormaliseChannels()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        ChannelSettings& c = channels[ch];
        RepairRange(ch);
        if (c.scaledDigits > 5) c.scaledDigits = 0;
        if (c.scaledMin == 0.0 && c.scaledMax == 0.0) c.scaledMax = 1.0;
        // Set-points are never kept across a load.
        ApplyRangeDefaults(ch);
        ClampPresets(ch);
    }
}

void GeneratorState::ClampPresets(int ch)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    for (OutputRange code : kPresetCodes) {
        const RangeLimits limits = ChannelRangeLimits(ch, code);
        for (double& v : c.presets[code]) {
            if (std::isnan(v)) v = limits.lower;
            if (limits.upper > limits.lower) {
                v = v < limits.lower ? limits.lower : std::min(limits.upper, v);
            } else {
                // A scaled range may run downwards.
                v = v > limits.lower ? limits.lower : std::max(limits.upper, v);
            }
            v = CutToDecimals(v, limits.decimals);
        }
    }
}

void GeneratorState::ResetAutoOutput()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        AutoOutputChannel& a = autoOutput[ch];
        for (int code = 0; code < kRangeTableSize; ++code) {
            const RangeLimits limits = ChannelRangeLimits(ch, code);
            RampSettings& r = a.ramps[code];
            r.waveform = kSawtooth;
            r.repeat = 0;
            r.start = NarrowToFloat(limits.lower);
            r.end = NarrowToFloat(limits.upper);
            r.step = 1.0f;
            r.interval = 100;
            r.reserved = false;
        }
        a.points.fill(ArbitraryPoint{});
    }
}

void GeneratorState::ValidateAutoOutput()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        AutoOutputChannel& a = autoOutput[ch];
        for (int code = 0; code < kRangeTableSize; ++code) {
            const RangeLimits limits = ChannelRangeLimits(ch, code);
            // A scaled range may run downwards; its values lie between the two ends all the same.
            const double low = std::min(limits.lower, limits.upper);
            const double high = std::max(limits.lower, limits.upper);
            RampSettings& r = a.ramps[code];
            if (r.waveform < kSawtooth || r.waveform > kArbitrary) r.waveform = kSawtooth;
            if (r.repeat < 1 || r.repeat > 1000000) r.repeat = 0;
            if (Outside(r.start, low, high)) r.start = NarrowToFloat(limits.lower);
            if (Outside(r.end, low, high)) r.end = NarrowToFloat(limits.upper);
            if (r.step < 0.0f) r.step = -r.step;
            if (std::isnan(r.step) || r.step > high) r.step = 0.0f;
            if (r.interval < 1 || r.interval > kLongestRampInterval) r.interval = 100;
        }
        // Points are entered in the units of the range in effect, so that is what they are
        // checked against.
        const RangeLimits limits = ChannelRangeLimits(ch, RangeInEffect(ch));
        const double low = std::min(limits.lower, limits.upper);
        const double high = std::max(limits.lower, limits.upper);
        for (ArbitraryPoint& p : a.points) {
            if (Outside(p.value, low, high)) p.value = 0.0f;
            if (p.interval < 1 || p.interval > kLongestPointInterval) p.interval = 100;
        }
    }
}

}  // namespace krv
