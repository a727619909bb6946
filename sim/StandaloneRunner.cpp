#include "sim/StandaloneRunner.h"

#include <algorithm>
#include <cmath>

#include "model/ChannelSettings.h"
#include "protocol/Ranges.h"

namespace krv::sim {

namespace {

constexpr double kFullScale = 65535.0;

// The output code of `value` for the channel's record: through the conversion formula when the
// value is in its units and the formula is on, else in the range's own units.
std::uint16_t CodeOf(const StandaloneChannelRecord& r, double value, bool scaled)
{
    double code = 0.0;
    if (scaled && r.ScalingOn()) {
        const double span = static_cast<double>(r.scaledMax) - r.scaledMin;
        code = span != 0.0 ? (value - r.scaledMin) * kFullScale / span : 0.0;
    } else if (const auto scale = RangeCodeScale(r.range)) {
        code = (value - GetRangeLimits(r.range).lower) * *scale;
    }
    if (!(code > 0.0)) return 0;  // also NaN
    return code + 0.5 >= kFullScale ? 0xFFFF : static_cast<std::uint16_t>(code + 0.5);
}

// `value` moved by `step` towards `target`, stopping there.
double Toward(double value, double target, double step)
{
    if (value < target) return std::min(target, value + step);
    if (value > target) return std::max(target, value - step);
    return value;
}

}  // namespace

std::chrono::milliseconds StandaloneRunner::Interval(std::int32_t hundredths)
{
    return std::chrono::milliseconds(10 * std::max<std::int32_t>(1, hundredths));
}

std::chrono::milliseconds StandaloneRunner::CurrentInterval(const Channel& c)
{
    if (c.record.Waveform() == kArbitrary && c.point < c.points.size()) {
        return Interval(c.points[c.point].Interval());
    }
    return Interval(c.record.interval);
}

void StandaloneRunner::Start(const StandaloneImage& image, Time now)
{
    for (int k = 0; k < kChannels; ++k) {
        Channel& c = channels_[static_cast<std::size_t>(k)];
        c = Channel{};
        c.record = image.Record(k);
        c.mode = c.record.Mode() == 1 || c.record.Mode() == 2 ? c.record.Mode() : 0;
        for (int n = 0; n < kStandalonePointEntries; ++n) {
            const StandalonePointEntry e = image.Point(n);
            if (e.Used() && e.Channel() == k) c.points.push_back(e);
        }
        if (c.mode == 1) {
            c.value = c.record.fixedValue;
            c.scaled = true;
        } else if (c.mode == 2) {
            Begin(c, now);
        }
    }
}

void StandaloneRunner::Clear()
{
    channels_ = {};
}

int StandaloneRunner::Mode(int k) const
{
    return k >= 0 && k < kChannels ? channels_[static_cast<std::size_t>(k)].mode : 0;
}

RunnerOutput StandaloneRunner::Output(int k) const
{
    if (Mode(k) == 0) return {};
    const Channel& c = channels_[static_cast<std::size_t>(k)];
    RunnerOutput out;
    out.range = static_cast<std::uint8_t>(c.record.range);
    out.code = CodeOf(c.record, c.value, c.scaled);
    out.external = IsExternalSupplyRange(c.record.range);
    out.runState = static_cast<std::uint8_t>(c.run);
    return out;
}

void StandaloneRunner::Begin(Channel& c, Time now)
{
    c.run = 1;
    c.cycles = 0;
    c.point = 0;
    c.descending = false;
    if (c.record.Waveform() == kArbitrary) {
        if (c.points.empty()) {
            c.run = 0;  // nothing to run
            c.due = Time::max();
            return;
        }
        c.value = c.points[0].value;
        c.scaled = true;
    } else {
        c.value = c.record.start;
        c.scaled = false;
    }
    c.due = now + CurrentInterval(c);
    if (c.record.Waveform() == kArbitrary && c.points[0].Pause()) {
        c.run = 2;
        c.due = Time::max();
    }
}

void StandaloneRunner::EndCycle(Channel& c)
{
    ++c.cycles;
    if (c.record.repeat > 0 && c.cycles >= c.record.repeat) {
        c.run = 0;
        c.due = Time::max();
    }
}

void StandaloneRunner::Step(Channel& c, Time now)
{
    ++c.steps;
    const double start = c.record.start;
    const double end = c.record.end;
    const double step = std::fabs(static_cast<double>(c.record.step));
    switch (c.record.Waveform()) {
        case kSawtooth:
            if (c.value == end) {
                EndCycle(c);
                if (c.run == 0) return;
                c.value = start;
            } else {
                c.value = Toward(c.value, end, step);
            }
            break;
        case kTriangle:
            if (!c.descending && c.value == end) c.descending = true;
            if (!c.descending) {
                c.value = Toward(c.value, end, step);
            } else {
                c.value = Toward(c.value, start, step);
                if (c.value == start) {
                    c.descending = false;
                    EndCycle(c);
                    if (c.run == 0) return;
                }
            }
            break;
        case kArbitrary:
            if (c.points.empty()) {
                c.run = 0;
                c.due = Time::max();
                return;
            }
            if (++c.point >= c.points.size()) {
                EndCycle(c);
                if (c.run == 0) {
                    c.point = c.points.size() - 1;
                    return;
                }
                c.point = 0;
            }
            c.value = c.points[c.point].value;
            if (c.points[c.point].Pause()) {
                c.run = 2;
                c.due = Time::max();
                return;
            }
            break;
        default:
            c.run = 0;  // a waveform the unit does not know
            c.due = Time::max();
            return;
    }
    c.due += CurrentInterval(c);
    if (c.due <= now) c.due = now + CurrentInterval(c);  // late: catch up with this one step
}

void StandaloneRunner::SetRunState(int k, int run, Time now)
{
    if (Mode(k) != 2 || run < 0 || run > 2) return;
    Channel& c = channels_[static_cast<std::size_t>(k)];
    if (run == c.run) return;
    if (run == 1) {
        if (c.run == 0) {
            Begin(c, now);
            c.steps = 0;
        } else {
            c.run = 1;
            c.due = now + CurrentInterval(c);
        }
        return;
    }
    c.run = run;
    c.due = Time::max();
}

StandaloneRunner::Time StandaloneRunner::NextDue() const
{
    Time next = Time::max();
    for (const Channel& c : channels_) {
        if (c.mode == 2 && c.run == 1) next = std::min(next, c.due);
    }
    return next;
}

bool StandaloneRunner::Advance(Time now)
{
    bool changed = false;
    for (Channel& c : channels_) {
        if (c.mode != 2 || c.run != 1 || c.due > now) continue;
        Step(c, now);
        changed = true;
    }
    return changed;
}

std::uint64_t StandaloneRunner::Steps(int k) const
{
    return Mode(k) != 0 ? channels_[static_cast<std::size_t>(k)].steps : 0;
}

}  // namespace krv::sim
