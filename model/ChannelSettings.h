#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "protocol/CalibrationTables.h"
#include "protocol/Ranges.h"

namespace krv {

inline constexpr int kChannelCount = 4;
inline constexpr int kPresetsPerRange = 8;
inline constexpr int kArbitraryPointCount = 1000;

// One channel's settings and the image of the unit's registers for it.
struct ChannelSettings {
    OutputRange range = 0;
    bool scalingOn = false;  // values are shown and entered through the conversion formula
    double scaledMin = 0.0;  // converted value at the lower end of the range
    double scaledMax = 1.0;  // converted value at the upper end of the range
    std::int32_t scaledDigits = 0;
    std::string scaledUnit;    // UTF-8
    double outputValue = 0.0;  // set-point in range units, or converted units while scalingOn
    // [range code][preset]; row 15 holds the presets of the scaled range.
    std::array<std::array<double, kPresetsPerRange>, kRangeTableSize> presets{};
    MakerCalibrationTable makerCalibration{};
    UserCalibrationTable userCalibration{};

    // Register image sent in the output frame and refreshed from the status reply.
    std::uint16_t mainControl = 0x0008;  // bits 0-2 hardware range, bit 3 always set, bit 12 on
    std::uint16_t mainAux = 0x0008;
    std::uint16_t outputCode = 0;
    std::uint16_t mainStatus = 0;
    std::uint16_t spareWord = 0;
    std::uint16_t extControl = 0;  // bit 0: on, for the external-supply ranges
    std::array<std::uint16_t, 3> extAux{};
    std::uint16_t extStatus = 0;
};

inline constexpr std::uint16_t kMainOutputOnBit = 0x1000;
inline constexpr std::uint16_t kExtOutputOnBit = 0x0001;

enum Waveform : std::int32_t { kSawtooth = 0, kTriangle = 1, kArbitrary = 2 };

// Automatic-output parameters of one range code.
struct RampSettings {
    std::int32_t waveform = kSawtooth;
    std::int32_t repeat = 0;  // cycles; 0 runs continuously
    float start = 0.0f;
    float end = 0.0f;             // end of a sawtooth, turning point of a triangle
    float step = 0.0f;            // change per step, kept positive
    std::int32_t interval = 100;  // 0.01 s
    bool reserved = false;        // kept in the file, no other use
};

// Whether a run limited to `repeat` cycles has made them all after `cycles` (never when it runs
// continuously).
inline bool RepeatReached(const RampSettings& ramp, std::int32_t cycles)
{
    return ramp.repeat != 0 && ramp.repeat <= cycles;
}

// One row of the arbitrary waveform.
struct ArbitraryPoint {
    bool used = false;  // the list ends at the first unused row
    float value = 0.0f;
    std::int32_t interval = 100;  // 0.01 s until the next point
    bool pause = false;
};

// double to float, rounding to nearest. Values beyond the float range become the largest float or
// infinity, as IEEE rounding makes them.
float NarrowToFloat(double value);

// The automatic-output time base: the monotonic millisecond count, in 10 ms units, now or at a
// given moment.
std::uint64_t AutoOutputClockNow();
std::uint64_t AutoOutputClockAt(std::chrono::steady_clock::time_point moment);

// Automatic-output settings and engine state of one channel. The same record describes what the
// unit itself runs (the standalone mode it reports).
struct AutoOutputChannel {
    std::int32_t runState = 0;  // 0 stopped, 1 running, 2 paused
    std::uint64_t nextTick = AutoOutputClockNow();
    std::int64_t stepInterval = 0;  // 0.01 s
    double stepValue = 0.0;
    bool stepReady = false;
    std::int32_t cycleCount = 0;
    std::int32_t pointIndex = 0;
    bool descending = false;
    bool pauseAfterStep = false;
    bool repeatsDone = false;
    std::int32_t standaloneMode = 0;  // 0 disabled, 1 fixed value, 2 automatic output
    std::array<RampSettings, kRangeTableSize> ramps{};
    std::array<ArbitraryPoint, kArbitraryPointCount> points{};
};

}  // namespace krv
