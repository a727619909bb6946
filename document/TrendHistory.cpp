#include "document/TrendHistory.h"

#include <algorithm>
#include <cmath>

#include "document/ChannelOperations.h"
#include "document/GeneratorState.h"

namespace krv {

TrendScale ChannelTrendScale(const GeneratorState& state, int ch)
{
    TrendScale scale;
    if (ch < 0 || ch >= kChannelCount) return scale;
    const ChannelSettings& c = state.channels[static_cast<std::size_t>(ch)];
    const RangeLimits limits = ChannelLimits(state, ch);
    scale.range = state.RangeInEffect(ch);
    scale.lower = limits.lower;
    scale.upper = limits.upper;
    scale.decimals = limits.decimals;
    scale.unit = c.scalingOn ? c.scaledUnit : RangeUnit(c.range);
    return scale;
}

void TrendHistory::Channel::PopFront()
{
    head = (head + 1) % ring.size();
    --count;
}

void TrendHistory::Channel::Push(const TrendSample& sample)
{
    if (ring.size() < kCapacity && count == ring.size()) {
        // Still growing: put the samples in order from index 0, then add at the end.
        std::rotate(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(head), ring.end());
        head = 0;
        ring.push_back(sample);
        ++count;
        return;
    }
    if (count == ring.size()) PopFront();
    ring[(head + count) % ring.size()] = sample;
    ++count;
}

void TrendHistory::Channel::Clear()
{
    ring.clear();
    head = 0;
    count = 0;
}

TrendHistory::TrendHistory(std::function<TimePoint()> clock) : clock_(std::move(clock))
{
    if (!clock_) clock_ = [] { return krv::Now(); };
    origin_ = clock_();
}

double TrendHistory::Seconds(TimePoint moment) const
{
    return std::chrono::duration<double>(moment - origin_).count();
}

void TrendHistory::OutputChanged(const GeneratorState& state, int ch, OutputEvent)
{
    if (ch < 0 || ch >= kChannelCount) return;
    Add(ch, clock_(), state.channels[static_cast<std::size_t>(ch)].outputValue,
        ChannelTrendScale(state, ch));
}

void TrendHistory::Add(int ch, TimePoint at, double value, const TrendScale& scale)
{
    if (ch < 0 || ch >= kChannelCount) return;
    Channel& c = channels_[static_cast<std::size_t>(ch)];
    const double t = Seconds(at);
    c.lastSeen = std::max(c.lastSeen, t);
    if (!c.hasScale || !(c.scale == scale)) {
        c.Clear();
        c.scale = scale;
        c.hasScale = true;
        ++c.revision;
    }
    if (c.count > 0 && c.At(c.count - 1).value == value) return;
    // Older than the span is dropped, except the last value before it: it is where the line
    // starts at the left edge.
    while (c.count >= 2 && c.At(1).seconds <= t - kSpanSeconds) c.PopFront();
    c.Push({t, value});
    ++c.revision;
}

const TrendHistory::Channel* TrendHistory::Find(int ch) const
{
    if (ch < 0 || ch >= kChannelCount) return nullptr;
    return &channels_[static_cast<std::size_t>(ch)];
}

std::size_t TrendHistory::Size(int ch) const
{
    const Channel* c = Find(ch);
    return c ? c->count : 0;
}

bool TrendHistory::HasScale(int ch) const
{
    const Channel* c = Find(ch);
    return c && c->hasScale;
}

const TrendScale& TrendHistory::Scale(int ch) const
{
    static const TrendScale none;
    const Channel* c = Find(ch);
    return c ? c->scale : none;
}

double TrendHistory::LastSeen(int ch) const
{
    const Channel* c = Find(ch);
    return c ? c->lastSeen : 0.0;
}

std::uint64_t TrendHistory::Revision(int ch) const
{
    const Channel* c = Find(ch);
    return c ? c->revision : 0;
}

std::vector<TrendHistory::Point> TrendHistory::Polyline(int ch, double from, double to,
                                                        int columns) const
{
    std::vector<Point> line;
    const Channel* c = Find(ch);
    if (!c || c->count == 0 || !(to > from)) return line;
    const double end = std::min(to, c->lastSeen);

    // The first sample after `from`; the one before it gives the value at the left edge.
    std::size_t lo = 0;
    std::size_t hi = c->count;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (c->At(mid).seconds <= from) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    std::size_t i = lo;
    double value;
    double start;
    if (i > 0) {
        value = c->At(i - 1).value;
        start = from;
    } else {
        value = c->At(0).value;
        start = c->At(0).seconds;
        ++i;
    }
    if (start > end) return line;

    const auto emit = [&](double t, double v) {
        const Point p{t, v};
        if (line.empty() || !(line.back() == p)) line.push_back(p);
    };
    emit(start, value);

    const double width = (to - from) / std::max(columns, 1);
    std::int64_t bucket = -1;
    double bucketTime = 0.0;
    double low = 0.0;
    double high = 0.0;
    double entering = value;
    int changes = 0;  // in the current column
    const auto flush = [&] {
        if (bucket < 0) return;
        if (changes == 1) {
            emit(bucketTime, entering);
            emit(bucketTime, value);
            return;
        }
        // Several changes in one column: a vertical line over what they reach, ending nearer the
        // value the column ends on. At the width of a column the steps between are not seen.
        const bool upwards = std::fabs(value - high) <= std::fabs(value - low);
        emit(bucketTime, upwards ? low : high);
        emit(bucketTime, upwards ? high : low);
    };
    for (; i < c->count; ++i) {
        const TrendSample& s = c->At(i);
        if (s.seconds > end) break;
        const auto b = static_cast<std::int64_t>(std::floor((s.seconds - from) / width));
        if (b != bucket) {
            flush();
            bucket = b;
            bucketTime = s.seconds;
            entering = value;
            low = high = s.value;
            changes = 0;
        }
        ++changes;
        low = std::min(low, s.value);
        high = std::max(high, s.value);
        value = s.value;
    }
    flush();
    emit(end, value);
    return line;
}

}  // namespace krv
