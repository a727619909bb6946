#pragma once

#include <chrono>
#include <thread>

namespace krv::test {

// Looks at `condition` every `period` until it holds or `timeout` has passed; returns whether it
// holds. For threads without an event loop of their own (the window's thread uses
// QTest::qWaitFor). The time-out is a cap for a broken case, not a measure of speed.
template <typename Condition>
bool WaitUntil(Condition&& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(10000),
               std::chrono::milliseconds period = std::chrono::milliseconds(1))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(period);
    }
}

}  // namespace krv::test
