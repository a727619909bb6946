// Thinning a staircase to a plot's columns: what is drawn is what happened, at every zoom.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/StepDecimation.h"

namespace krv {
namespace {

// The value held at `t` (NaN: none), from changes in time order.
double ValueAt(const std::vector<StepChange>& changes, double t)
{
    double value = NAN;
    for (const StepChange& c : changes) {
        if (c.seconds > t) break;
        value = c.value;
    }
    return value;
}

// Checks the properties of `line` drawn from `changes` over `columns` up to `end`; returns the
// first violation or an empty text.
std::string Violation(const std::vector<StepChange>& changes, const StepColumns& columns,
                      double end, const std::vector<StepPoint>& line)
{
    const auto where = [](const char* what, double t) {
        return std::string(what) + " at " + std::to_string(t);
    };
    // 1. Level or upright between consecutive points; time never goes back.
    for (std::size_t i = 1; i < line.size(); ++i) {
        const StepPoint& a = line[i - 1];
        const StepPoint& b = line[i];
        if (b.seconds < a.seconds) return where("time goes back", b.seconds);
        if (a.IsBreak() || b.IsBreak()) continue;
        if (a.seconds != b.seconds && a.value != b.value) return where("a ramp", a.seconds);
    }
    const std::int64_t first = std::max<std::int64_t>(columns.Of(columns.from), 0);
    const std::int64_t last = std::min<std::int64_t>(columns.Of(end), columns.count - 1);
    for (std::int64_t k = first; k <= last; ++k) {
        const double left = std::max(columns.from + k * columns.Width(), columns.from);
        const double right = std::min(columns.from + (k + 1) * columns.Width(), end);
        // Which changes fall into the column (as the decimation counts them).
        std::vector<double> reached;
        bool changed = false;
        double entering = NAN;
        for (const StepChange& c : changes) {
            if (c.seconds > end) break;
            if (c.seconds < columns.from || columns.Of(c.seconds) < k) {
                entering = c.value;
            } else if (columns.Of(c.seconds) == k) {
                changed = true;
                if (!std::isnan(c.value)) reached.push_back(c.value);
            }
        }
        if (changed && !std::isnan(entering)) reached.push_back(entering);
        const double middle = (left + right) / 2;
        if (!changed) {
            // 2. A value held over the whole column is one level line across it; no value, no
            // line.
            const double held = ValueAt(changes, middle);
            bool covered = false;
            for (std::size_t i = 1; i < line.size(); ++i) {
                const StepPoint& a = line[i - 1];
                const StepPoint& b = line[i];
                if (a.IsBreak() || b.IsBreak()) continue;
                if (a.seconds > left && a.seconds < right && a.seconds != b.seconds) {
                    return where("a corner inside a column without changes", a.seconds);
                }
                if (a.seconds <= middle && middle <= b.seconds && a.seconds < b.seconds) {
                    if (a.value != held || b.value != held) return where("not level", middle);
                    covered = true;
                }
            }
            if (std::isnan(held) == covered) return where("line and gap disagree", middle);
            continue;
        }
        // 3. The extremes of a column with changes are drawn in it, and nothing beyond them.
        std::vector<double> drawn;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const StepPoint& p = line[i];
            if (p.IsBreak()) continue;
            if (columns.Of(p.seconds) == k) drawn.push_back(p.value);
            // A level line through the column counts too (repeated values make no corner).
            if (i + 1 < line.size() && !line[i + 1].IsBreak() && columns.Of(p.seconds) <= k &&
                columns.Of(line[i + 1].seconds) >= k) {
                drawn.push_back(p.value);
                drawn.push_back(line[i + 1].value);
            }
        }
        if (reached.empty()) continue;
        const auto [low, high] = std::minmax_element(reached.begin(), reached.end());
        if (std::find(drawn.begin(), drawn.end(), *low) == drawn.end()) {
            return where("lowest value lost", left);
        }
        if (std::find(drawn.begin(), drawn.end(), *high) == drawn.end()) {
            return where("highest value lost", left);
        }
        for (double v : drawn) {
            if (v < *low || v > *high) return where("a value that never was", left);
        }
    }
    return {};
}

TEST(StepDecimationTest, DrawsOnlyWhatHappenedForRandomChangesAndZooms)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 400; ++round) {
        const int count = std::uniform_int_distribution<int>(0, 300)(random);
        const int columnCount = std::uniform_int_distribution<int>(1, 120)(random);
        const double from = std::uniform_real_distribution<double>(-20, 20)(random);
        const double to = from + std::uniform_real_distribution<double>(0.5, 200)(random);
        const StepColumns columns{from, to, columnCount};
        std::vector<StepChange> changes;
        double t = from - std::uniform_real_distribution<double>(0, 30)(random);
        for (int i = 0; i < count; ++i) {
            // Bursts, long holds, and changes right on a column boundary.
            const int kind = std::uniform_int_distribution<int>(0, 9)(random);
            if (kind < 5) {
                t += std::uniform_real_distribution<double>(0, columns.Width() / 4)(random);
            } else if (kind < 8) {
                t += std::uniform_real_distribution<double>(0, 6 * columns.Width())(random);
            } else {
                t = from + (columns.Of(t) + 1) * columns.Width();
            }
            const bool gap = std::uniform_int_distribution<int>(0, 11)(random) == 0;
            const double value =
                gap ? NAN : std::uniform_int_distribution<int>(0, 20)(random) * 0.5;
            changes.push_back({t, value});
        }
        const double end = std::uniform_real_distribution<double>(from - 1, to + 1)(random);
        const std::vector<StepPoint> line = DecimateSteps(changes, columns, end);
        ASSERT_EQ(Violation(changes, columns, std::min(end, to), line), "")
            << "round " << round << ": " << count << " changes, " << columnCount << " columns from "
            << from << " to " << to << ", end " << end;
        // Bounded: four corners per column, two more at the ends, and breaks.
        std::size_t corners = 0;
        for (const StepPoint& p : line) corners += p.IsBreak() ? 0 : 1;
        EXPECT_LE(corners, 4u * static_cast<std::size_t>(columnCount) + 2u);
    }
}

TEST(StepDecimationTest, AHeldValueStaysLevelWhereSeveralChangesShareAColumn)
{
    // 20 held for 90 s, then three changes within one column of 2 s: the hold is level up to
    // the column, which is one upright line from 20 down to 4, up to 16 and back to 12.
    const std::vector<StepChange> changes{{0, 20}, {90.2, 4}, {90.5, 16}, {90.9, 12}};
    const std::vector<StepPoint> line = DecimateSteps(changes, {0, 120, 60}, 100);
    EXPECT_EQ(line, (std::vector<StepPoint>{
                        {0, 20}, {90.2, 20}, {90.2, 4}, {90.2, 16}, {90.2, 12}, {100, 12}}));

    // A gap lifts the line; it starts again at the next value.
    const std::vector<StepChange> gapped{{0, 5}, {10, NAN}, {30, 7}};
    const std::vector<StepPoint> broken = DecimateSteps(gapped, {0, 60, 60}, 40);
    ASSERT_EQ(broken.size(), 5u);
    EXPECT_EQ(broken[1], (StepPoint{10, 5}));
    EXPECT_TRUE(broken[2].IsBreak());
    EXPECT_EQ(broken[3], (StepPoint{30, 7}));
    EXPECT_EQ(broken[4], (StepPoint{40, 7}));
}

}  // namespace
}  // namespace krv
