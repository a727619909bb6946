#pragma once

#include <array>
#include <cstdint>

#include "model/GeneratorState.h"
#include "model/Waveform.h"

namespace krv {

// The automatic outputs the PC steps itself: sawtooth, triangle and arbitrary point lists. Time is
// counted in 10 ms units (AutoOutputClockNow); tests hand in a clock of their own.

// The ramp settings a channel runs with: those of the range in effect.
const RampSettings& SelectedRamp(const GeneratorState& state, int ch);

// True when the PC produces the channel's output (the unit runs no standalone mode for it).
bool PcDriven(const GeneratorState& state, int ch);

// True while channels 1 and 2 run together: linked operation switched on, at least two circuits,
// and both channels driven by the PC.
bool LinkedPair(const GeneratorState& state);

// Start, pause and stop of one channel. False, with nothing changed, when not connected (the
// caller says so). A channel the unit runs on its own only gets its run state sent.
bool StartAutoOutput(GeneratorState& state, int ch, std::uint64_t now);
bool PauseAutoOutput(GeneratorState& state, int ch);
bool StopAutoOutput(GeneratorState& state, int ch);

// What one tick changed for the panel to show.
struct AutoTickResult {
    std::array<bool, kChannelCount> panelChanged{};  // run state changed: update the section
    std::array<bool, kChannelCount> runButtons{};    // the unit's own run state: update buttons
};

// One tick: stops and pauses raised by the previous step, the next step of every running channel
// whose time has come, and the output of the values due.
AutoTickResult AutoOutputTick(GeneratorState& state, std::uint64_t now);

}  // namespace krv
