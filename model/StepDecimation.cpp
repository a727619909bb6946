#include "model/StepDecimation.h"

#include <algorithm>

namespace krv {

StepDecimator::StepDecimator(const StepColumns& columns, double end)
    : columns_(columns), end_(std::min(end, columns.to))
{
    if (columns_.count < 1) columns_.count = 1;
}

void StepDecimator::Break()
{
    if (!line_.empty() && !line_.back().IsBreak()) line_.push_back({line_.back().seconds, NAN});
}

void StepDecimator::Put(double seconds, double value)
{
    if (std::isnan(value)) {
        Break();
        return;
    }
    const StepPoint p{seconds, value};
    if (!line_.empty() && line_.back() == p) return;
    line_.push_back(p);
    // A corner that lies on the straight line between its neighbours says nothing: the middle of
    // three points on one vertical, or on one level, goes.
    const std::size_t n = line_.size();
    if (n < 3) return;
    const StepPoint& a = line_[n - 3];
    const StepPoint& b = line_[n - 2];
    const StepPoint& c = line_[n - 1];
    if (a.IsBreak() || b.IsBreak()) return;
    const bool vertical = a.seconds == b.seconds && b.seconds == c.seconds &&
                          std::min(a.value, c.value) <= b.value &&
                          b.value <= std::max(a.value, c.value);
    const bool level = a.value == b.value && b.value == c.value;
    if (vertical || level) line_.erase(line_.end() - 2);
}

void StepDecimator::Start()
{
    started_ = true;
    Put(columns_.from, current_);
}

void StepDecimator::Flush()
{
    if (!open_) return;
    open_ = false;
    // One vertical line at the column's first change: the value that entered it, its extremes in
    // the order they came, the value that leaves it.
    Put(columnStart_, entering_);
    if (valued_) {
        Put(columnStart_, lowAt_ < highAt_ ? low_ : high_);
        Put(columnStart_, lowAt_ < highAt_ ? high_ : low_);
    }
    Put(columnStart_, current_);
}

void StepDecimator::Add(const StepChange& change)
{
    if (change.seconds > end_) return;
    if (change.seconds < columns_.from) {
        current_ = change.value;
        return;
    }
    if (!started_) Start();
    const std::int64_t column = columns_.Of(change.seconds);
    if (!open_ || column != column_) {
        Flush();
        open_ = true;
        column_ = column;
        columnStart_ = change.seconds;
        entering_ = current_;
        valued_ = false;
    }
    ++changes_;
    if (!std::isnan(change.value)) {
        if (!valued_ || change.value < low_) {
            low_ = change.value;
            lowAt_ = changes_;
        }
        if (!valued_ || change.value > high_) {
            high_ = change.value;
            highAt_ = changes_;
        }
        valued_ = true;
    }
    current_ = change.value;
}

std::vector<StepPoint> StepDecimator::Finish()
{
    if (!(end_ >= columns_.from)) return {};
    if (!started_) Start();
    Flush();
    Put(end_, current_);
    if (!line_.empty() && line_.back().IsBreak()) line_.pop_back();
    return std::move(line_);
}

std::vector<StepPoint> DecimateSteps(std::span<const StepChange> changes,
                                     const StepColumns& columns, double end)
{
    StepDecimator decimator(columns, end);
    for (const StepChange& change : changes) decimator.Add(change);
    return decimator.Finish();
}

}  // namespace krv
