#include "model/ChannelDisplay.h"

#include <algorithm>

#include "model/ChannelOperations.h"

namespace krv {

namespace {

// Only channels 1 and 2 can run standalone; the controls of channels 3 and 4 always take input.
ColumnEnables EnablesOf(const GeneratorState& state, int ch, bool connected)
{
    ColumnEnables enables;
    if (ch >= 2) return enables;
    const auto i = static_cast<std::size_t>(ch);
    const std::int32_t mode = state.unitAutoOutput[i].standaloneMode;
    const bool on = state.OutputOn(ch);
    const bool stopped = state.autoOutput[i].runState == 0;
    if (!connected) {
        enables.autoSettings = stopped;
    } else if (mode == kStandaloneFixed) {
        // The unit holds its fixed value: what the PC sets waits until the output is off.
        enables.rangeAndMode = enables.valueControls = !on;
        enables.runButtons = false;
        enables.autoSettings = false;
    } else if (mode == kStandaloneAuto) {
        enables.rangeAndMode = !on;
        enables.valueControls = false;
        enables.autoSettings = !on && stopped;
    }
    return enables;
}

std::optional<std::array<PresetButton, kPresetsPerRange>> PresetsOf(const GeneratorState& state,
                                                                    int ch)
{
    const OutputRange slot = PresetSlot(state, ch);
    if (slot < 0 || slot >= kRangeTableSize) return std::nullopt;
    const ChannelSettings& settings = state.channels[static_cast<std::size_t>(ch)];
    const int decimals = ChannelLimits(state, ch).decimals;
    std::array<PresetButton, kPresetsPerRange> presets;
    for (std::size_t n = 0; n < presets.size(); ++n) {
        const double preset = settings.presets[static_cast<std::size_t>(slot)][n];
        presets[n].text = FormatValue(decimals, preset);
        presets[n].current = preset == settings.outputValue;
    }
    return presets;
}

std::optional<RunButtonFaces> RunFacesOf(std::int32_t runState)
{
    switch (runState) {
        case 0:  // stopped: start and pause
            return RunButtonFaces{true, true, false};
        case 1:  // running: pause and stop
            return RunButtonFaces{false, true, true};
        case 2:  // paused: start (resume) and stop
            return RunButtonFaces{true, false, true};
        default:
            return std::nullopt;
    }
}

}  // namespace

int ShownColumns(const GeneratorState& state)
{
    return std::clamp(state.circuitCount, 1, kChannelCount);
}

ChannelDisplay DisplayOf(const GeneratorState& state, int ch, bool connected)
{
    ChannelDisplay d;
    if (ch < 0 || ch >= kChannelCount) return d;
    const auto i = static_cast<std::size_t>(ch);
    const ChannelSettings& settings = state.channels[i];

    d.outputOn = state.OutputOn(ch);
    d.onOffText = OnOffText(d.outputOn);
    d.onOffFace = d.outputOn ? kLitFace : kIdleFace;
    if (settings.range >= 0 && settings.range < kRangeTableSize) {
        std::string mark;
        const auto mode = settings.userCalibration[static_cast<std::size_t>(settings.range)].mode;
        if (CalibrationMarkText(mode, mark)) d.calibrationMark = mark;
    }
    d.standaloneText = StandaloneModeText(state.unitAutoOutput[i].standaloneMode);
    d.alarmText = state.StatusText(ch);

    d.rangeName = RangeDisplayName(settings.range);
    d.rangeUnit = RangeUnit(settings.range);
    d.scalingOn = settings.scalingOn;
    d.unit = settings.scalingOn ? settings.scaledUnit : d.rangeUnit;

    d.valueText = ValueText(state, ch);
    d.stepButtons = StepButtonVisibility(ChannelLimits(state, ch));
    d.presets = PresetsOf(state, ch);

    d.autoOutput = AutoOutputPanelTexts(state, ch);
    d.runFaces = RunFacesOf(state.autoOutput[i].runState);
    d.runButtonsShown = !(ch > 0 && state.App().linkedAutoOutput) && ch < ShownColumns(state);
    d.enables = EnablesOf(state, ch, connected);
    return d;
}

}  // namespace krv
