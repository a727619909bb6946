#include "model/ChannelSettings.h"

#include <cfloat>
#include <chrono>
#include <cmath>
#include <limits>

#include "platform/Clock.h"

namespace krv {

float NarrowToFloat(double value)
{
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    const double magnitude = std::fabs(value);
    if (magnitude > FLT_MAX) {
        // Half the spacing of floats next to FLT_MAX: below it a value still rounds down.
        const double halfStep = std::ldexp(1.0, 103);
        const float edge = magnitude < static_cast<double>(FLT_MAX) + halfStep
                               ? FLT_MAX
                               : std::numeric_limits<float>::infinity();
        return value < 0 ? -edge : edge;
    }
    return static_cast<float>(value);
}

std::uint64_t AutoOutputClockNow()
{
    return AutoOutputClockAt(Now());
}

std::uint64_t AutoOutputClockAt(std::chrono::steady_clock::time_point moment)
{
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
    // The full count: a 32-bit millisecond counter would wrap after 49.7 days and stall every
    // running automatic output.
    return static_cast<std::uint64_t>(ms) / 10u;
}

}  // namespace krv
