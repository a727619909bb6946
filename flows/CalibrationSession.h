#pragma once

#include <array>
#include <string>

#include "link/DeviceLink.h"
#include "model/CalibrationValues.h"
#include "model/GeneratorState.h"
#include "protocol/Calibration.h"

namespace krv {

// The calibration of the outputs from the panel: the user entries of every channel's current
// range are read from the unit, adjusted with trial outputs while the calibration dialog is open,
// and afterwards stored in the unit (confirmed) or put back as they were (cancelled).

// The calibration tables of the four channels as a value of their own. Work that talks to the
// unit off the user-interface thread reads into and writes from such a copy, never the document,
// which the window keeps reading meanwhile; the copy goes back into the document afterwards.
struct CalibrationTableCopy {
    std::array<MakerCalibrationTable, kChannelCount> maker{};
    std::array<UserCalibrationTable, kChannelCount> user{};

    static CalibrationTableCopy Of(const GeneratorState& state);
    void ApplyTo(GeneratorState& state) const;
    // Where the calibration commands find this copy's tables.
    CalibrationTables Tables();

    bool operator==(const CalibrationTableCopy&) const = default;
};

// The current range of each channel (channel index 0 to 3).
std::array<OutputRange, kChannelCount> CurrentRanges(const GeneratorState& state);

// Reads the user entry of the current range of channels 0 to `count` - 1, in order, into
// `tables`. False at the first read the unit does not answer; the entries read before it stay.
bool ReadCurrentCalibration(DeviceLink& link, CalibrationTableCopy& tables,
                            const std::array<OutputRange, kChannelCount>& ranges, int count);

// What the dialog opens with, from the document's tables: per channel below `count` its range,
// selector, corrections and limit texts.
CalibrationValuesSet NoteCalibration(const GeneratorState& state, int count);

// Confirmed: the dialog's selector (other mode bits kept), zero and gain into the user entry of
// each channel's noted range.
void TakeCalibrationResult(GeneratorState& state, const CalibrationValuesSet& values, int count);
// Cancelled: the selector noted at opening back into each channel's user entry (other bits and
// the corrections as they are).
void RestoreCalibrationModes(GeneratorState& state, const CalibrationValuesSet& noted, int count);

// Sends the user entry of each channel's noted range from `tables` to the unit, then, when
// `save` is set, has the unit store its user table. The unit's acknowledgements are not
// examined: the commands report nothing a caller could act on.
void WriteCalibrationEntries(DeviceLink& link, CalibrationTableCopy& tables,
                             const CalibrationValuesSet& values, int count, bool save);

// The trial output of channel `ch` with its working corrections: normal output, or the range
// minimum or maximum driven with them.
bool SendCalibrationTrial(DeviceLink& link, int trial, int ch,
                          const CalibrationChannelValues& values);

}  // namespace krv
