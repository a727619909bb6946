#pragma once

#include <chrono>

namespace krv {

// Every wait and time-out of the program runs on the monotonic clock, so a change of the wall
// clock neither shortens nor lengthens it.
using MonotonicClock = std::chrono::steady_clock;
using TimePoint = MonotonicClock::time_point;
using Duration = MonotonicClock::duration;

inline TimePoint Now()
{
    return MonotonicClock::now();
}

}  // namespace krv
