#pragma once

#include <array>
#include <optional>
#include <string>

#include "model/GeneratorState.h"
#include "protocol/StandaloneImage.h"

namespace krv {

// The image of channels 1 and 2 of `state`: their modes, ranges, conversion formulas, the ramp of
// their range, `fixedValues` as their fixed outputs, and their used points (at most 256 in all,
// channel 1's first).
StandaloneImage BuildStandaloneImage(const GeneratorState& state,
                                     const std::array<float, kStandaloneChannelCount>& fixedValues,
                                     bool linked);

// Points the unit would run: the leading used points of the channels in automatic mode.
int StandaloneAutoPointCount(const GeneratorState& state);
// The refusal when there are too many of them to write, else nothing.
std::optional<std::string> StandalonePointCountRefusal(const GeneratorState& state);

// Whether `value` may be channel k's (0 or 1) fixed output: finite also as a float, and within the
// channel's limits (its conversion formula's while that is on).
bool FixedValueFits(const GeneratorState& state, int k, double value);

}  // namespace krv
