#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/ChannelSettings.h"
#include "model/GeneratorState.h"
#include "model/ValueDisplay.h"

namespace krv {

// A colour as its red, green and blue parts.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Face of a button that shows something switched on (an output, the connection), and of one that
// does not.
inline constexpr Rgb kLitFace{128, 255, 128};
inline constexpr Rgb kIdleFace{240, 240, 240};

// Which automatic-output buttons show their coloured image; the others show it grey.
struct RunButtonFaces {
    bool start = true;
    bool pause = true;
    bool stop = false;
    friend bool operator==(const RunButtonFaces&, const RunButtonFaces&) = default;
};

// Which control groups of a column take input.
struct ColumnEnables {
    bool rangeAndMode = true;   // range button, both display modes, "式"
    bool valueControls = true;  // step and sign buttons, value field, presets and their "設定"
    bool runButtons = true;     // start, pause, stop
    // The automatic output's "設定"; unset: it stays as it is.
    std::optional<bool> autoSettings;
    friend bool operator==(const ColumnEnables&, const ColumnEnables&) = default;
};

// One preset button: its value in the channel's number format, and whether it is the value the
// channel outputs now (the button's marker then lights).
struct PresetButton {
    std::string text;
    bool current = false;
};

// Everything a channel's column shows, computed from the model in one go so the column only has
// to draw it.
struct ChannelDisplay {
    // Status row and output button.
    bool outputOn = false;
    std::string onOffText;
    Rgb onOffFace = kIdleFace;
    // The calibration mark of the range in use; unset: the mark stays as it is (calibration mode
    // 3, or a range outside the tables).
    std::optional<std::string> calibrationMark;
    std::string standaloneText;
    std::string alarmText;  // empty: the alarm label is hidden

    // Range and display mode.
    std::string rangeName;  // the range button's caption
    std::string rangeUnit;  // the unit of the range itself
    bool scalingOn = false;
    std::string unit;  // the unit the value is shown in: the converted one while scalingOn

    // Value and the step buttons around it.
    std::string valueText;
    StepButtons stepButtons;

    // The presets of the slot in effect; unset when the channel has no preset slot.
    std::optional<std::array<PresetButton, kPresetsPerRange>> presets;

    // Automatic output.
    AutoOutputTexts autoOutput;
    // Unset for a run state the buttons have no faces for.
    std::optional<RunButtonFaces> runFaces;
    // Start, pause and stop are shown: not for channels 2 to 4 while they run linked to channel 1,
    // nor for a column the circuit count does not show.
    bool runButtonsShown = false;

    ColumnEnables enables;
};

// Number of columns the panel shows for the circuit count (1 to 4; a damaged settings file may
// bring any count).
int ShownColumns(const GeneratorState& state);

// What the column of channel `ch` shows; `connected` is whether the link to the unit is open.
// A channel outside 0 to 3 gives the defaults.
ChannelDisplay DisplayOf(const GeneratorState& state, int ch, bool connected);

}  // namespace krv
