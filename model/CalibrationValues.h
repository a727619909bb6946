#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/GeneratorState.h"
#include "protocol/CalibrationTables.h"

namespace krv {

// The calibration tables of the document's four channels, for the calibration commands.
CalibrationTables CalibrationTablesOf(GeneratorState& state);

// The ranges that have a name of their own (the ten output ranges), in code order: the ones whose
// calibration is shown and saved.
std::vector<OutputRange> NamedCalibrationRanges();

// One range's calibration in the numbers people read: signed corrections (the gains without
// their 0x8000 offset) and the selector (mode bits 0-1). The calibration backup file writes
// these numbers.
struct CalibrationNumbers {
    int makerZero = 0;
    int makerGain = 0;
    int userZero = 0;
    int userGain = 0;
    int mode = 0;
};
CalibrationNumbers CalibrationNumbersOf(const ChannelSettings& channel, OutputRange range);

// The gain word the unit exchanges for a signed gain correction, and back.
std::uint16_t GainWord(int correction);
int GainCorrection(std::uint16_t word);

// Bounds of the user corrections: zero from the range's lower bound to 200, gain -200 to 200.
inline constexpr int kCorrectionUpper = 200;
inline constexpr int kGainCorrectionLower = -200;
int ZeroCorrectionLower(OutputRange range);

// Selector values (mode bits 0-1).
inline constexpr int kCalibrationOff = 0;
inline constexpr int kCalibrationMaker = 1;
inline constexpr int kCalibrationUser = 2;

// One channel as the calibration dialog works on it: the range it had when the dialog opened, the
// selector (user mode bits 0-1), the signed corrections and the range's ends as the panel shows
// them.
struct CalibrationChannelValues {
    OutputRange range = 0;
    int mode = kCalibrationOff;
    int zero = 0;
    int gain = 0;  // without the 0x8000 the unit adds
    std::string lowerText;
    std::string upperText;

    bool operator==(const CalibrationChannelValues&) const = default;
};
using CalibrationValuesSet = std::array<CalibrationChannelValues, kChannelCount>;

}  // namespace krv
