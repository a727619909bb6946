#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace krv {

// Thinning a staircase (values that hold until the next change) to the columns of a plot, for the
// trend and the automatic-output preview alike.
//
// A plot many times narrower than the number of changes cannot show each step, but it must never
// show what did not happen: a value that held is drawn flat, a change is drawn as a vertical step,
// and a column with many changes keeps its lowest and highest value. Every column with changes
// becomes one vertical line at its first change, running from the value that entered the column
// over the extremes inside it to the value that leaves it; between columns the line is
// horizontal. Consecutive points are therefore always level or one above the other.

// From `seconds` on the value is `value`, until the next change. A NaN value is a gap: no value
// (an output switched off, a unit not connected) until the next change.
struct StepChange {
    double seconds = 0.0;
    double value = 0.0;
};

// A corner of the thinned line. A point with a NaN value is a break: the line lifts there and
// starts again at the next point.
struct StepPoint {
    double seconds = 0.0;
    double value = 0.0;
    bool IsBreak() const { return std::isnan(value); }
    bool operator==(const StepPoint& other) const
    {
        return seconds == other.seconds && (value == other.value || (IsBreak() && other.IsBreak()));
    }
};

// The columns of a plot: `count` of equal width from `from` to `to`.
struct StepColumns {
    double from = 0.0;
    double to = 1.0;
    int count = 1;

    double Width() const { return (to - from) / (count > 0 ? count : 1); }
    // The column `seconds` falls into (may be outside 0 … count-1 for times outside the plot).
    std::int64_t Of(double seconds) const
    {
        return static_cast<std::int64_t>(std::floor((seconds - from) / Width()));
    }
};

// Thins a staircase fed change by change, so a caller can feed it from storage of its own
// without copying. Changes before `columns.from` only set the value the line starts with there;
// changes after `end` (at most `columns.to`) are left out.
class StepDecimator {
  public:
    StepDecimator(const StepColumns& columns, double end);

    // The next change, not earlier than the one before.
    void Add(const StepChange& change);
    // The line from `columns.from` to `end`. What held before the first change is not known: the
    // line starts at the first change then. At most four points per column with changes, a break
    // after every gap, and the two ends.
    std::vector<StepPoint> Finish();

  private:
    void Start();
    void Flush();
    void Put(double seconds, double value);
    void Break();

    StepColumns columns_;
    double end_;
    bool started_ = false;
    double current_ = std::nan("");  // NaN: nothing known yet, or a gap

    // The column being gathered.
    bool open_ = false;
    std::int64_t column_ = 0;
    double columnStart_ = 0.0;  // its first change
    double entering_ = 0.0;     // the value it began with
    bool valued_ = false;       // a change in it to a value
    double low_ = 0.0;
    double high_ = 0.0;
    std::uint64_t lowAt_ = 0;  // which change first reached the lowest and the highest
    std::uint64_t highAt_ = 0;
    std::uint64_t changes_ = 0;

    std::vector<StepPoint> line_;
};

// The same for changes already in a list.
std::vector<StepPoint> DecimateSteps(std::span<const StepChange> changes,
                                     const StepColumns& columns, double end);

}  // namespace krv
