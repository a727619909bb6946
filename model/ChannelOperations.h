#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/GeneratorState.h"
#include "protocol/Ranges.h"

namespace krv {

// Limits and decimals of the values of channel `ch`: the scaled range while the conversion formula
// is on, else the channel's output range.
RangeLimits ChannelLimits(const GeneratorState& state, int ch);

// `value` kept within `limits`; a reversed (scaled) range keeps it between its two ends as well.
double ClampToLimits(double value, const RangeLimits& limits);

// A number as the user types it: leading blanks allowed, an empty text reads as 0, anything left
// after the number makes it no number at all.
std::optional<double> ParseTypedNumber(std::string_view text);

// A typed value made fit for channel `ch`: clamped into its limits, then cut to its decimals.
double TypedValueForChannel(const GeneratorState& state, int ch, double typed);

// --- Operations of a channel's controls -------------------------------------------------------
// Each changes the channel's settings and, while connected, sends the frames the panel sends for
// it. None of them shows anything; the caller says what went wrong.

// Step size of digit button position `k` (0 = rightmost, 5 = leftmost, 6 = sign buttons) for a
// value with `decimals` places; 0 at the decimal point, for the sign buttons and for decimals
// outside 0 to 6.
double DigitStep(int decimals, int k);

// Switches the channel's output on or off (the stage its range uses). False, with nothing changed,
// when not connected. Sends the channel's frame.
bool ToggleOutput(GeneratorState& state, int ch);

// One step of digit position `k` up or down (k = 6: "＋" makes the value positive, "－" negative),
// clamped into the channel's limits. Sends every channel's frame.
void StepDigit(GeneratorState& state, int ch, int k, bool down);

// The value of preset `n` (0 to 7) of the channel's preset slot, as it is. Sends every channel.
void SelectPreset(GeneratorState& state, int ch, int n);

// A value typed and committed in the value field. False when the text is not a number (nothing
// changes); otherwise the value is clamped, cut to the decimals and sent to every channel.
bool CommitTypedValue(GeneratorState& state, int ch, std::string_view text);

// A new range for the channel: the value goes to the range's resting value; sends every channel.
void ApplyRange(GeneratorState& state, int ch, OutputRange range);

// A new conversion formula for the channel: presets brought into the new scaled range and, while
// the formula is in use, the value put at its lower end (sending every channel).
void ApplyConversion(GeneratorState& state, int ch, double scaledMin, double scaledMax,
                     int scaledDigits, const std::string& scaledUnit);

}  // namespace krv
