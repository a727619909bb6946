#include "model/StandaloneImageBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/ChannelOperations.h"
#include "platform/Translate.h"

namespace krv {

namespace {

StandaloneChannelRecord RecordOf(const GeneratorState& state, int k, float fixedValue)
{
    const ChannelSettings& c = state.channels[static_cast<std::size_t>(k)];
    const AutoOutputChannel& a = state.autoOutput[static_cast<std::size_t>(k)];
    const RampSettings ramp = c.range >= 0 && c.range < kRangeTableSize
                                  ? a.ramps[static_cast<std::size_t>(c.range)]
                                  : RampSettings{};
    StandaloneChannelRecord r;
    r.flags = static_cast<std::uint16_t>((a.standaloneMode & 0x0F) | ((ramp.waveform & 0x0F) << 4) |
                                         (c.scalingOn ? 0x0100 : 0));
    r.range = c.range;
    r.scaledMin = NarrowToFloat(c.scaledMin);
    r.scaledMax = NarrowToFloat(c.scaledMax);
    r.scaledDigits = c.scaledDigits;
    r.fixedValue = fixedValue;
    r.repeat = ramp.repeat;
    r.start = ramp.start;
    r.end = ramp.end;
    r.step = ramp.step;
    r.interval = ramp.interval;
    r.firstPoint = kNoStandalonePoint;
    r.lastPoint = kNoStandalonePoint;
    return r;
}

// Leading used points of a channel's list.
int LeadingUsedPoints(const AutoOutputChannel& a)
{
    int n = 0;
    while (n < kArbitraryPointCount && a.points[static_cast<std::size_t>(n)].used) ++n;
    return n;
}

}  // namespace

StandaloneImage BuildStandaloneImage(const GeneratorState& state,
                                     const std::array<float, kStandaloneChannelCount>& fixedValues,
                                     bool linked)
{
    StandaloneImage image;
    image.SetLinkedFlag(linked ? 1 : 0);
    int placed = 0;
    std::uint16_t previousLast = kNoStandalonePoint;
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        StandaloneChannelRecord record =
            RecordOf(state, k, fixedValues[static_cast<std::size_t>(k)]);
        const int first = placed;
        for (const ArbitraryPoint& p : state.autoOutput[static_cast<std::size_t>(k)].points) {
            if (!p.used || placed >= kStandalonePointEntries) break;
            StandalonePointEntry entry;
            entry.bits = 0x1u | (p.pause ? 0x2u : 0u) | (static_cast<std::uint32_t>(k) << 2) |
                         ((static_cast<std::uint32_t>(p.interval) & 0xFFFFFFu) << 8);
            entry.value = p.value;
            image.SetPoint(placed++, entry);
        }
        if (placed > first) {
            // Channel 2 starts right after channel 1's last entry (0 when channel 1 has none).
            record.firstPoint = static_cast<std::uint16_t>(previousLast + 1);
            record.lastPoint = static_cast<std::uint16_t>(placed - 1);
            previousLast = record.lastPoint;
        }
        image.SetRecord(k, record);
    }
    return image;
}

int StandaloneAutoPointCount(const GeneratorState& state)
{
    int count = 0;
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        const AutoOutputChannel& a = state.autoOutput[static_cast<std::size_t>(k)];
        if (a.standaloneMode == kStandaloneAuto) count += LeadingUsedPoints(a);
    }
    return count;
}

std::optional<std::string> StandalonePointCountRefusal(const GeneratorState& state)
{
    if (StandaloneAutoPointCount(state) < kStandalonePointEntries) return std::nullopt;
    return WithArg(Tr("StandaloneImageBuilder", "任意波データの合計数が %1 以上です"),
                   std::to_string(kStandalonePointEntries));
}

bool FixedValueFits(const GeneratorState& state, int k, double value)
{
    // Narrowed first: a double beyond the float range becomes an infinity in the image.
    if (!std::isfinite(NarrowToFloat(value)) || !std::isfinite(value)) return false;
    const RangeLimits limits = ChannelLimits(state, k);
    const double low = std::min(limits.lower, limits.upper);
    const double high = std::max(limits.lower, limits.upper);
    // NaN limits take no value.
    return value >= low && value <= high;
}

}  // namespace krv
