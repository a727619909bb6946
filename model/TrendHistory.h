#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/ChannelSettings.h"
#include "model/OutputObserver.h"
#include "model/StepDecimation.h"
#include "platform/Clock.h"
#include "protocol/Ranges.h"

namespace krv {

// What a channel's values are measured in: the range in effect with its limits and unit. When it
// changes, the values before mean something else, and the channel's trend starts afresh.
struct TrendScale {
    OutputRange range = 0;  // 15 while the conversion formula is on
    double lower = 0.0;
    double upper = 1.0;
    std::int32_t decimals = 0;
    std::string unit;  // " V ", "mA", or the formula's unit

    bool operator==(const TrendScale&) const = default;
};

// The scale of channel `ch` as `state` holds it now.
TrendScale ChannelTrendScale(const class GeneratorState& state, int ch);

// Why a channel has no value to show for a while.
enum class TrendGap : std::uint8_t {
    None,          // it has one
    Off,           // its output was switched off
    Disconnected,  // the unit was not connected
};

// A change of a channel's output value, or the start of a gap. Time in seconds on the history's
// own time line.
struct TrendSample {
    double seconds = 0.0;
    double value = 0.0;  // NaN in a gap
    TrendGap gap = TrendGap::None;
};

// The recent output values of every channel, for the trend window: kept whether the window is
// shown or not (one comparison per event; a sample only when the value changes), and bounded:
// ten minutes, and never more samples than ten minutes of the fastest stepping (one change per
// 50 ms tick) make (at most 12000 samples of 24 bytes a channel). Where the output was off or the
// unit not connected there is no value, and the trend shows a gap rather than the last value.
class TrendHistory : public OutputObserver {
  public:
    static constexpr double kSpanSeconds = 600.0;
    static constexpr std::size_t kCapacity = 12000;

    explicit TrendHistory(std::function<TimePoint()> clock = {});

    // The channel's value, or a gap while its output is off.
    void OutputChanged(const GeneratorState& state, int ch, OutputEvent event) override;

    // Channel `ch` put out `value` (in the units of `scale`) at `at`; a value equal to the last
    // one only marks the channel as still reporting.
    void Add(int ch, TimePoint at, double value, const TrendScale& scale);
    // From `at` on, channel `ch` puts out nothing (`why` is not None) until its next value.
    void AddGap(int ch, TimePoint at, TrendGap why);
    // The unit went away at `at`: every channel heard of so far has no value until the unit is
    // connected again. What is still reported meanwhile (a reply that was on its way) is not
    // taken.
    void Disconnected(TimePoint at);
    // The unit is connected again: what it reports is taken.
    void Connected() { away_ = false; }

    // Seconds of `moment` on the history's time line.
    double Seconds(TimePoint moment) const;
    double Now() const { return Seconds(clock_()); }
    TimePoint Clock() const { return clock_(); }

    std::size_t Size(int ch) const;
    bool HasScale(int ch) const;
    const TrendScale& Scale(int ch) const;
    // When the channel was last heard of (told or reported), on the history's time line.
    double LastSeen(int ch) const;
    // Counts every change of the channel's samples or scale.
    std::uint64_t Revision(int ch) const;

    // The channel's values between `from` and `to` (seconds) as a staircase ready to draw,
    // thinned to `columns` columns across the span (see StepDecimator): held values level,
    // changes vertical, the extremes of every column kept. A point with a NaN value is a break
    // where a gap begins. The line ends where the channel was last heard of.
    using Point = StepPoint;
    std::vector<Point> Polyline(int ch, double from, double to, int columns) const;

    // The gaps of the channel between `from` and `to`, in time order. Gaps of one kind less than
    // a column (of `columns`) apart are one band, so a channel switched on and off faster than
    // the plot can show makes one band, not thousands. A gap still open reaches to `to` when the
    // unit is not connected, else to where the channel was last heard of.
    struct Band {
        double from;
        double to;
        TrendGap why;
        bool operator==(const Band&) const = default;
    };
    std::vector<Band> Bands(int ch, double from, double to, int columns) const;

  private:
    struct Channel {
        std::vector<TrendSample> ring;  // grows up to kCapacity, then wraps
        std::size_t head = 0;           // oldest sample
        std::size_t count = 0;
        TrendScale scale;
        bool hasScale = false;
        double lastSeen = 0.0;
        std::uint64_t revision = 0;

        const TrendSample& At(std::size_t i) const { return ring[(head + i) % ring.size()]; }
        void PopFront();
        void Push(const TrendSample& sample);
        void Clear();
    };

    const Channel* Find(int ch) const;
    Channel* Prepare(int ch, double t, const TrendScale* scale);
    void Push(Channel& c, TrendSample sample);
    // The index of the last sample at or before `from`, or 0 when there is none.
    static std::size_t FirstToDraw(const Channel& c, double from);

    std::function<TimePoint()> clock_;
    TimePoint origin_;
    bool away_ = false;
    std::array<Channel, kChannelCount> channels_;
};

}  // namespace krv
