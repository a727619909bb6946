#include "model/AutoOutputEngine.h"

#include <algorithm>

namespace krv {

namespace {

AutoOutputChannel& Auto(GeneratorState& state, int ch)
{
    return state.autoOutput[static_cast<std::size_t>(ch)];
}

// Puts `value` out on the channel and sends every channel's frame.
void Output(GeneratorState& state, int ch, double value)
{
    state.channels[static_cast<std::size_t>(ch)].outputValue = value;
    state.ValueToCode(ch);
    state.SendAllCircuits();
}

// Pause and stop requests of a channel that runs on its own terms.
void TakeRequests(GeneratorState& state, int ch, AutoTickResult& result)
{
    AutoOutputChannel& a = Auto(state, ch);
    if (PcDriven(state, ch)) {
        if (a.pauseAfterStep) {
            a.runState = 2;
            result.panelChanged[static_cast<std::size_t>(ch)] = true;
        }
        if (a.repeatsDone) {
            a.runState = 0;
            result.panelChanged[static_cast<std::size_t>(ch)] = true;
        }
    } else if (state.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode ==
               kStandaloneAuto) {
        result.runButtons[static_cast<std::size_t>(ch)] = true;
    }
}

}  // namespace

const RampSettings& SelectedRamp(const GeneratorState& state, int ch)
{
    const OutputRange slot = state.RangeInEffect(ch);
    const auto index = static_cast<std::size_t>(std::clamp(slot, 0, kRangeTableSize - 1));
    return state.autoOutput[static_cast<std::size_t>(ch)].ramps[index];
}

bool PcDriven(const GeneratorState& state, int ch)
{
    return state.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode == kStandaloneOff;
}

bool LinkedPair(const GeneratorState& state)
{
    return state.circuitCount >= 2 && state.App().linkedAutoOutput && PcDriven(state, 0) &&
           PcDriven(state, 1);
}

bool StartAutoOutput(GeneratorState& state, int ch, std::uint64_t now)
{
    if (!state.Connected()) return false;
    AutoOutputChannel& a = Auto(state, ch);
    const RampSettings& ramp = SelectedRamp(state, ch);

    if (!PcDriven(state, ch)) {
        if (a.runState == 0 || a.runState == 2) a.runState = 1;
        state.SendOutputFrame(ch);
        return true;
    }
    if (ramp.waveform == kArbitrary) {
        if (a.runState == 2) {
            // Continues after the point it paused on, as soon as that point's time is up.
            a.stepReady = false;
            a.runState = 1;
            state.NotifyObservers(ch, OutputEvent::RunState);
        } else if (a.runState == 0) {
            a.pointIndex = 0;
            a.cycleCount = 0;
            a.stepReady = false;
            const std::optional<WaveformStep> first = FirstWaveformStep(ramp, a.points);
            if (!first) return true;  // an empty list: nothing to run
            Output(state, ch, first->value);
            a.nextTick = now + static_cast<std::uint64_t>(first->hold);
            a.runState = 1;
            state.NotifyObservers(ch, OutputEvent::RunState);
        }
        return true;
    }
    if (a.runState == 0 || a.runState == 2) {
        // From a pause the waveform starts over at its start value but keeps its cycle count.
        const std::optional<WaveformStep> first = FirstWaveformStep(ramp, a.points);
        Output(state, ch, first->value);
        if (a.runState == 0) {
            a.descending = false;
            a.cycleCount = 0;
        }
        a.stepReady = false;
        a.nextTick = now + static_cast<std::uint64_t>(first->hold);
        a.runState = 1;
        state.NotifyObservers(ch, OutputEvent::RunState);
    }
    return true;
}

bool PauseAutoOutput(GeneratorState& state, int ch)
{
    if (!state.Connected()) return false;
    Auto(state, ch).runState = 2;
    if (PcDriven(state, ch)) {
        state.NotifyObservers(ch, OutputEvent::RunState);
    } else {
        state.SendOutputFrame(ch);
    }
    return true;
}

bool StopAutoOutput(GeneratorState& state, int ch)
{
    if (!state.Connected()) return false;
    Auto(state, ch).runState = 0;
    if (PcDriven(state, ch)) {
        state.NotifyObservers(ch, OutputEvent::RunState);
    } else {
        state.SendOutputFrame(ch);
    }
    return true;
}

AutoTickResult AutoOutputTick(GeneratorState& state, std::uint64_t now)
{
    AutoTickResult result;
    const bool linked = LinkedPair(state);
    std::array<std::int32_t, kChannelCount> runBefore{};
    for (int ch = 0; ch < kChannelCount; ++ch)
        runBefore[static_cast<std::size_t>(ch)] = Auto(state, ch).runState;

    // 1. Stops and pauses the previous step asked for. Linked channels stop and pause together.
    int first = 0;
    if (linked) {
        AutoOutputChannel& a = Auto(state, 0);
        AutoOutputChannel& b = Auto(state, 1);
        if (a.repeatsDone || b.repeatsDone) {
            a.runState = b.runState = 0;
            result.panelChanged[0] = result.panelChanged[1] = true;
        }
        if (a.pauseAfterStep || b.pauseAfterStep) {
            for (AutoOutputChannel* c : {&a, &b}) {
                if (c->runState == 1) c->runState = 2;
            }
            result.panelChanged[0] = result.panelChanged[1] = true;
        }
        first = 2;
    }
    for (int ch = first; ch < kChannelCount; ++ch) TakeRequests(state, ch, result);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (Auto(state, ch).runState != runBefore[static_cast<std::size_t>(ch)]) {
            state.NotifyObservers(ch, OutputEvent::RunState);
        }
    }

    // 2. The next step of every running channel whose time has come.
    const int circuits = state.AddressedCircuits();
    for (int ch = 0; ch < circuits; ++ch) {
        if (!PcDriven(state, ch)) continue;
        AutoOutputChannel& a = Auto(state, ch);
        a.repeatsDone = false;
        a.pauseAfterStep = false;
        if (a.runState != 1 || a.nextTick > now) continue;
        const RampSettings& ramp = SelectedRamp(state, ch);
        const double v = state.channels[static_cast<std::size_t>(ch)].outputValue;
        WaveformCursor cursor{a.cycleCount, a.pointIndex, a.descending, a.pauseAfterStep};
        const WaveformStep step = NextWaveformStep(ramp, a.points, cursor, v);
        a.cycleCount = cursor.cycleCount;
        a.pointIndex = cursor.pointIndex;
        a.descending = cursor.descending;
        a.pauseAfterStep = cursor.pauseAfterStep;
        a.stepValue = step.value;
        a.stepInterval = step.hold;
        a.stepReady = true;
        a.repeatsDone = RepeatReached(ramp, a.cycleCount);
    }

    // 3. Output what is due; a channel whose repeat count is reached keeps its last value.
    for (int ch = 0; ch < circuits; ++ch) {
        if (!PcDriven(state, ch)) continue;
        AutoOutputChannel& a = Auto(state, ch);
        if (!a.stepReady) continue;
        const bool done = linked && ch < 2
                              ? Auto(state, 0).repeatsDone || Auto(state, 1).repeatsDone
                              : a.repeatsDone;
        if (!done) {
            Output(state, ch, a.stepValue);
            a.nextTick =
                now + static_cast<std::uint64_t>(std::max<std::int64_t>(a.stepInterval, 0));
        }
        a.stepReady = false;
    }
    return result;
}

}  // namespace krv
