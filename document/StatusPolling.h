#pragma once

#include "document/GeneratorState.h"

namespace krv {

// Takes at most one line the unit sent on its own: a resend request is answered with every
// channel's output frame, a status reply is taken into its channel. True when a status or
// announcement line was taken (even one that did not decode); other lines are dropped.
bool CheckUnsolicitedLine(GeneratorState& state);

// The panel's round-robin status polling and its watch for a unit that went away.
struct StatusPolling {
    static constexpr int kLostAfterTicks = 100;  // 5 s of 50 ms ticks

    bool pollingEnabled = false;  // status requests go out on the tick
    int pollChannel = 0;          // channel asked next
    int silentTicks = 0;          // ticks since the unit last sent a status or announcement line

    // One tick while connected: asks the next channel for its status when polling is enabled.
    // True when the unit has now been silent for kLostAfterTicks ticks (the count starts over;
    // the caller disconnects and says so).
    bool Tick(GeneratorState& state);
};

}  // namespace krv
