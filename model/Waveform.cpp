#include "model/Waveform.h"

#include <algorithm>

namespace krv {

namespace {

// Differences below this count as none: the stored values are single precision.
constexpr double kEpsilon = 1e-6;

double SawtoothStep(const RampSettings& ramp, WaveformCursor& a, double v)
{
    const double s = ramp.start;
    const double e = ramp.end;
    const double k = ramp.step;
    if (e >= s) {
        double n = v + k;
        if (n - e > kEpsilon) {
            ++a.cycleCount;
            n = s;
        }
        return std::min(e, n);
    }
    double n = v - k;
    if (e - n > kEpsilon) {
        ++a.cycleCount;
        n = s;
    }
    return std::max(e, n);
}

double TriangleStep(const RampSettings& ramp, WaveformCursor& a, double v)
{
    const double s = ramp.start;
    const double e = ramp.end;  // the turning point
    const double k = ramp.step;
    if (e >= s) {
        double n;
        if (!a.descending) {
            n = v + k;
            if (n - e > kEpsilon) {
                a.descending = true;
                n = v - k;
            }
        } else {
            n = v - k;
            if (s - n > kEpsilon) {
                ++a.cycleCount;
                a.descending = false;
                if (!RepeatReached(ramp, a.cycleCount)) n = s + k;
            }
        }
        return std::min(e, std::max(s, n));
    }
    double n;
    if (!a.descending) {
        n = v - k;
        if (e - n > kEpsilon) {
            a.descending = true;
            n = v + k;
        }
    } else {
        n = v + k;
        if (n - s > kEpsilon) {
            ++a.cycleCount;
            a.descending = false;
            if (!RepeatReached(ramp, a.cycleCount)) n = s - k;
        }
    }
    return std::max(e, std::min(s, n));
}

// The next point of the list: after the last used one the list starts over.
WaveformStep ArbitraryStep(const ArbitraryPoints& points, WaveformCursor& a)
{
    int i = a.pointIndex + 1;
    if (i >= kArbitraryPointCount || !points[static_cast<std::size_t>(i)].used) {
        i = 0;
        ++a.cycleCount;
    }
    a.pointIndex = i;
    const ArbitraryPoint& point = points[static_cast<std::size_t>(i)];
    a.pauseAfterStep = point.pause;
    return {point.value, RoundedInterval(point.interval)};
}

}  // namespace

std::int64_t RoundedInterval(std::int32_t interval)
{
    const std::int64_t t = interval;
    if (t % 10 == 0) return t;
    return t > 0 ? (t / 10 + 1) * 10 : (t / 10) * 10;
}

std::optional<WaveformStep> FirstWaveformStep(const RampSettings& ramp,
                                              const ArbitraryPoints& points)
{
    if (ramp.waveform == kArbitrary) {
        const ArbitraryPoint& first = points[0];
        if (!first.used) return std::nullopt;
        return WaveformStep{first.value, RoundedInterval(first.interval)};
    }
    return WaveformStep{ramp.start, RoundedInterval(ramp.interval)};
}

WaveformStep NextWaveformStep(const RampSettings& ramp, const ArbitraryPoints& points,
                              WaveformCursor& cursor, double v)
{
    switch (ramp.waveform) {
        case kSawtooth:
            return {SawtoothStep(ramp, cursor, v), RoundedInterval(ramp.interval)};
        case kTriangle:
            return {TriangleStep(ramp, cursor, v), RoundedInterval(ramp.interval)};
        case kArbitrary:
            return ArbitraryStep(points, cursor);
        default:
            return {v, RoundedInterval(ramp.interval)};  // an unknown waveform holds its value
    }
}

WaveformRepeat OneRepeat(const RampSettings& ramp, const ArbitraryPoints& points,
                         std::size_t maxSteps)
{
    WaveformRepeat repeat;
    const std::optional<WaveformStep> first = FirstWaveformStep(ramp, points);
    if (!first || maxSteps == 0) {
        repeat.complete = !first.has_value();
        return repeat;
    }
    WaveformCursor cursor;
    std::int64_t at = 0;  // hundredths of a second
    // A start does not pause on the first point; its mark counts when the list comes round.
    repeat.stairs.push_back({0.0, first->value, false});
    std::int64_t hold = std::max<std::int64_t>(first->hold, 0);
    double v = first->value;
    while (repeat.stairs.size() < maxSteps) {
        at += hold;
        const WaveformStep next = NextWaveformStep(ramp, points, cursor, v);
        if (cursor.cycleCount > 0) {
            repeat.complete = true;
            break;
        }
        repeat.stairs.push_back(
            {static_cast<double>(at) / 100.0, next.value, cursor.pauseAfterStep});
        v = next.value;
        hold = std::max<std::int64_t>(next.hold, 0);
    }
    if (!repeat.complete) at += hold;
    repeat.endSeconds = static_cast<double>(at) / 100.0;
    return repeat;
}

}  // namespace krv
