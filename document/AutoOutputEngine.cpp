#include "document/AutoOutputEngine.h"

#include <algorithm>

#include "link/DeviceLink.h"

namespace krv {

namespace {

// Differences below this count as none: the stored values are single precision.
constexpr double kEpsilon = 1e-6;

AutoOutputChannel& Auto(GeneratorState& state, int ch)
{
    return state.autoOutput[static_cast<std::size_t>(ch)];
}

bool RepeatReached(const RampSettings& ramp, std::int32_t cycles)
{
    return ramp.repeat != 0 && ramp.repeat <= cycles;
}

// Puts `value` out on the channel and sends every channel's frame.
void Output(GeneratorState& state, int ch, double value)
{
    state.channels[static_cast<std::size_t>(ch)].outputValue = value;
    state.ValueToCode(ch);
    state.SendAllCircuits();
}

double SawtoothStep(const RampSettings& ramp, AutoOutputChannel& a, double v)
{
    const double s = ramp.start;
    const double e = ramp.end;
    const double k = ramp.step;
    if (e >= s) {
        double n = v + k;
        if (n - e > kEpsilon) {
            ++a.cycleCount;
            n = s;
        }
        return std::min(e, n);
    }
    double n = v - k;
    if (e - n > kEpsilon) {
        ++a.cycleCount;
        n = s;
    }
    return std::max(e, n);
}

double TriangleStep(const RampSettings& ramp, AutoOutputChannel& a, double v)
{
    const double s = ramp.start;
    const double e = ramp.end;  // the turning point
    const double k = ramp.step;
    if (e >= s) {
        double n;
        if (!a.descending) {
            n = v + k;
            if (n - e > kEpsilon) {
                a.descending = true;
                n = v - k;
            }
        } else {
            n = v - k;
            if (s - n > kEpsilon) {
                ++a.cycleCount;
                a.descending = false;
                if (!RepeatReached(ramp, a.cycleCount)) n = s + k;
            }
        }
        return std::min(e, std::max(s, n));
    }
    double n;
    if (!a.descending) {
        n = v - k;
        if (e - n > kEpsilon) {
            a.descending = true;
            n = v + k;
        }
    } else {
        n = v + k;
        if (n - s > kEpsilon) {
            ++a.cycleCount;
            a.descending = false;
            if (!RepeatReached(ramp, a.cycleCount)) n = s - k;
        }
    }
    return std::max(e, std::min(s, n));
}

// The next point of the list: after the last used one the list starts over.
double ArbitraryStep(AutoOutputChannel& a, std::int64_t& hold)
{
    int i = a.pointIndex + 1;
    if (i >= kArbitraryPointCount || !a.points[static_cast<std::size_t>(i)].used) {
        i = 0;
        ++a.cycleCount;
    }
    a.pointIndex = i;
    const ArbitraryPoint& point = a.points[static_cast<std::size_t>(i)];
    hold = RoundedInterval(point.interval);
    a.pauseAfterStep = point.pause;
    return point.value;
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

std::int64_t RoundedInterval(std::int32_t interval)
{
    const std::int64_t t = interval;
    if (t % 10 == 0) return t;
    return t > 0 ? (t / 10 + 1) * 10 : (t / 10) * 10;
}

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
    if (!state.Link().IsOpen()) return false;
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
        } else if (a.runState == 0) {
            a.pointIndex = 0;
            a.cycleCount = 0;
            a.stepReady = false;
            const ArbitraryPoint& first = a.points[0];
            if (!first.used) return true;  // an empty list: nothing to run
            Output(state, ch, first.value);
            a.nextTick = now + static_cast<std::uint64_t>(RoundedInterval(first.interval));
            a.runState = 1;
        }
        return true;
    }
    if (a.runState == 0 || a.runState == 2) {
        // From a pause the waveform starts over at its start value but keeps its cycle count.
        Output(state, ch, ramp.start);
        if (a.runState == 0) {
            a.descending = false;
            a.cycleCount = 0;
        }
        a.stepReady = false;
        a.nextTick = now + static_cast<std::uint64_t>(RoundedInterval(ramp.interval));
        a.runState = 1;
    }
    return true;
}

bool PauseAutoOutput(GeneratorState& state, int ch)
{
    if (!state.Link().IsOpen()) return false;
    Auto(state, ch).runState = 2;
    if (!PcDriven(state, ch)) state.SendOutputFrame(ch);
    return true;
}

bool StopAutoOutput(GeneratorState& state, int ch)
{
    if (!state.Link().IsOpen()) return false;
    Auto(state, ch).runState = 0;
    if (!PcDriven(state, ch)) state.SendOutputFrame(ch);
    return true;
}

AutoTickResult AutoOutputTick(GeneratorState& state, std::uint64_t now)
{
    AutoTickResult result;
    const bool linked = LinkedPair(state);

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
        std::int64_t hold = RoundedInterval(ramp.interval);
        double next = v;
        switch (ramp.waveform) {
            case kSawtooth:
                next = SawtoothStep(ramp, a, v);
                break;
            case kTriangle:
                next = TriangleStep(ramp, a, v);
                break;
            case kArbitrary:
                next = ArbitraryStep(a, hold);
                break;
            default:
                break;  // an unknown waveform holds its value
        }
        a.stepValue = next;
        a.stepInterval = hold;
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
