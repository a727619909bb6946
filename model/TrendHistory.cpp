#include "model/TrendHistory.h"

#include <algorithm>
#include <cmath>

#include "model/ChannelOperations.h"
#include "model/GeneratorState.h"

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
    if (ch < 0 || ch >= kChannelCount || away_) return;
    const TrendScale scale = ChannelTrendScale(state, ch);
    if (!state.OutputOn(ch)) {
        const double t = Seconds(clock_());
        if (Channel* c = Prepare(ch, t, &scale)) Push(*c, {t, NAN, TrendGap::Off});
        return;
    }
    Add(ch, clock_(), state.channels[static_cast<std::size_t>(ch)].outputValue, scale);
}

TrendHistory::Channel* TrendHistory::Prepare(int ch, double t, const TrendScale* scale)
{
    if (ch < 0 || ch >= kChannelCount) return nullptr;
    Channel& c = channels_[static_cast<std::size_t>(ch)];
    c.lastSeen = std::max(c.lastSeen, t);
    if (scale && (!c.hasScale || !(c.scale == *scale))) {
        c.Clear();
        c.scale = *scale;
        c.hasScale = true;
        ++c.revision;
    }
    return &c;
}

void TrendHistory::Push(Channel& c, TrendSample sample)
{
    if (c.count > 0) {
        const TrendSample& last = c.At(c.count - 1);
        // The line is drawn in time order, whatever order the news came in.
        sample.seconds = std::max(sample.seconds, last.seconds);
        if (sample.gap == TrendGap::None ? last.gap == TrendGap::None && last.value == sample.value
                                         : last.gap == sample.gap) {
            return;
        }
    }
    // Older than the span is dropped, except the last sample before it: it is where the line
    // starts at the left edge.
    while (c.count >= 2 && c.At(1).seconds <= sample.seconds - kSpanSeconds) c.PopFront();
    c.Push(sample);
    ++c.revision;
}

void TrendHistory::Add(int ch, TimePoint at, double value, const TrendScale& scale)
{
    const double t = Seconds(at);
    Channel* c = Prepare(ch, t, &scale);
    if (!c || !std::isfinite(value)) return;
    Push(*c, {t, value, TrendGap::None});
}

void TrendHistory::AddGap(int ch, TimePoint at, TrendGap why)
{
    if (why == TrendGap::None) return;
    const double t = Seconds(at);
    Channel* c = Prepare(ch, t, nullptr);
    if (!c || !c->hasScale) return;
    Push(*c, {t, NAN, why});
}

void TrendHistory::Disconnected(TimePoint at)
{
    away_ = true;
    for (int ch = 0; ch < kChannelCount; ++ch) AddGap(ch, at, TrendGap::Disconnected);
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

std::size_t TrendHistory::FirstToDraw(const Channel& c, double from)
{
    std::size_t lo = 0;
    std::size_t hi = c.count;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (c.At(mid).seconds <= from) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo > 0 ? lo - 1 : 0;
}

std::vector<TrendHistory::Point> TrendHistory::Polyline(int ch, double from, double to,
                                                        int columns) const
{
    const Channel* c = Find(ch);
    if (!c || c->count == 0 || !(to > from)) return {};
    const double end = std::min(to, c->lastSeen);
    StepDecimator decimator({from, to, std::max(columns, 1)}, end);
    for (std::size_t i = FirstToDraw(*c, from); i < c->count; ++i) {
        const TrendSample& s = c->At(i);
        if (s.seconds > end) break;
        decimator.Add({s.seconds, s.gap == TrendGap::None ? s.value : NAN});
    }
    return decimator.Finish();
}

std::vector<TrendHistory::Band> TrendHistory::Bands(int ch, double from, double to,
                                                    int columns) const
{
    std::vector<Band> bands;
    const Channel* c = Find(ch);
    if (!c || c->count == 0 || !(to > from)) return bands;
    const double width = (to - from) / std::max(columns, 1);
    const auto close = [&](const TrendSample& gap, double until) {
        const double a = std::max(gap.seconds, from);
        const double b = std::min(until, to);
        if (!(b > a)) return;
        if (!bands.empty() && bands.back().why == gap.gap && a - bands.back().to < width) {
            bands.back().to = b;
        } else {
            bands.push_back({a, b, gap.gap});
        }
    };
    const TrendSample* open = nullptr;
    for (std::size_t i = FirstToDraw(*c, from); i < c->count; ++i) {
        const TrendSample& s = c->At(i);
        if (s.seconds >= to) break;
        if (open && open->gap == s.gap) continue;
        if (open) close(*open, s.seconds);
        open = s.gap == TrendGap::None ? nullptr : &s;
    }
    if (open) close(*open, open->gap == TrendGap::Disconnected ? to : c->lastSeen);
    return bands;
}

}  // namespace krv
