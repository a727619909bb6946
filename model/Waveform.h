#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/ChannelSettings.h"

namespace krv {

// The arithmetic of the automatic outputs, apart from the channels that run them: the engine
// steps a channel with it, and the automatic-output dialog draws one repeat with it, so the
// drawing is the waveform the channel will put out.

using ArbitraryPoints = std::array<ArbitraryPoint, kArbitraryPointCount>;

// An interval in hundredths of a second, rounded up to a whole tenth (the panel steps in tenths).
std::int64_t RoundedInterval(std::int32_t interval);

// Where a running waveform stands between two steps.
struct WaveformCursor {
    std::int32_t cycleCount = 0;  // cycles completed
    std::int32_t pointIndex = 0;  // arbitrary list: the point last put out
    bool descending = false;      // triangle: on the way back from the turning value
    bool pauseAfterStep = false;  // arbitrary list: the point just computed pauses the run
};

// One value put out and how long it is held (0.01 s, in the panel's tenths).
struct WaveformStep {
    double value = 0.0;
    std::int64_t hold = 0;
};

// The value a start from stopped puts out: the start value, or the first point of the list.
// nullopt for a list whose first point is not used (there is nothing to run).
std::optional<WaveformStep> FirstWaveformStep(const RampSettings& ramp,
                                              const ArbitraryPoints& points);

// The step after value `v`. Moves the cursor on: a sawtooth that passes its end value, a triangle
// back at its start and a list past its last point count a cycle. An unknown waveform holds `v`.
WaveformStep NextWaveformStep(const RampSettings& ramp, const ArbitraryPoints& points,
                              WaveformCursor& cursor, double v);

// One repeat of a waveform started from stopped, as a staircase over time.
struct WaveformStair {
    double seconds = 0.0;  // when the value is put out, from the start
    double value = 0.0;
    bool pause = false;  // the run pauses after this value
};
struct WaveformRepeat {
    std::vector<WaveformStair> stairs;  // in time order; empty when there is nothing to run
    double endSeconds = 0.0;            // when the repeat is over (the next one would begin)
    bool complete = false;              // false: cut off after `maxSteps` values
};

// The values of the first repeat, up to the step that completes it (which is not part of it).
WaveformRepeat OneRepeat(const RampSettings& ramp, const ArbitraryPoints& points,
                         std::size_t maxSteps);

}  // namespace krv
