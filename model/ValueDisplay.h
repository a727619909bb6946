#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/GeneratorState.h"
#include "protocol/Ranges.h"

namespace krv {

// The texts the panel shows for a channel, derived from the model alone.

// The value field: a sign (" " or "-") followed by the magnitude in the channel's number format.
std::string ValueText(const GeneratorState& state, int ch);
// The channel's limits in its number format (the preset dialog shows them).
std::string LowerLimitText(const GeneratorState& state, int ch);
std::string UpperLimitText(const GeneratorState& state, int ch);

// Which step buttons a channel shows: digit positions 0 (rightmost) to 5 that hold a digit in the
// limits' fixed-point texts, and the sign buttons when a limit is negative.
struct StepButtons {
    std::array<bool, 6> digit{};
    bool sign = false;
};
StepButtons StepButtonVisibility(const RangeLimits& limits);

// The preset slot of a channel: 15 while the conversion formula is on, else its range (always a
// row of the per-range tables, see GeneratorState::RangeInEffect).
OutputRange PresetSlot(const GeneratorState& state, int ch);

// Status display.
std::string OnOffText(bool on);  // "ＯＮ" / "ＯＦＦ"
// Calibration mark of mode bits 0-1; nullopt-like: returns false when the mark stays as it is.
bool CalibrationMarkText(std::uint16_t mode, std::string& text);
std::string StandaloneModeText(std::int32_t mode);

// The automatic-output section of a channel.
struct AutoOutputTexts {
    std::string waveform;
    std::string start;
    std::string end;
    std::string step;
    std::string interval;
    std::string repeat;
};
AutoOutputTexts AutoOutputPanelTexts(const GeneratorState& state, int ch);
std::string WaveformName(std::int32_t waveform);  // "のこぎり波", "三角波", "任意波" or ""

}  // namespace krv
