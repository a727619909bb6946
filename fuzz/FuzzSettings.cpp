// Loads arbitrary bytes as a settings file, the way a file the user opens is loaded and the way
// the last state is restored and repaired at start-up, and then does with the settings set what
// the program does with it: the panel's texts, the operations of a channel's controls, the
// automatic outputs and `krvctl settings show`. Whatever part of the bytes is taken, none of that
// may read outside the data, and the settings set must save and load again in full.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/SettingsReport.h"
#include "files/SettingsFile.h"
#include "fuzz/FuzzSupport.h"
#include "model/AppValues.h"
#include "model/AutoOutputEngine.h"
#include "model/ChannelOperations.h"
#include "model/GeneratorState.h"
#include "model/ValueDisplay.h"

namespace {

using krv::fuzz::Require;

// Every text the panel shows for the set.
void ShowPanelTexts(const krv::GeneratorState& state)
{
    for (int ch = 0; ch < krv::kChannelCount; ++ch) {
        const krv::OutputRange slot = krv::PresetSlot(state, ch);
        Require(slot >= 0 && slot < krv::kRangeTableSize, "preset slot inside the tables");
        Require(state.RangeInEffect(ch) == slot, "one range in effect");
        Require(!krv::ValueText(state, ch).empty(), "value text");
        krv::LowerLimitText(state, ch);
        krv::UpperLimitText(state, ch);
        krv::StepButtonVisibility(krv::ChannelLimits(state, ch));
        const int decimals = krv::ChannelLimits(state, ch).decimals;
        for (double preset : state.channels[ch].presets[static_cast<std::size_t>(slot)]) {
            krv::FormatValue(decimals, preset);
        }
        krv::AutoOutputPanelTexts(state, ch);
        krv::RangeDisplayName(state.channels[ch].range);
        krv::RangeUnit(state.channels[ch].range);
        state.StatusText(ch);
        state.OutputOn(ch);
        const std::string frame = state.BuildOutputFrame(ch);
        Require(frame.size() == 47 || frame.size() == 48, "output frame length");
    }
}

// The controls of every channel, and a few seconds of automatic output as if each had been
// started (the state has no frame sink: nothing is sent).
void OperateEverything(krv::GeneratorState& state)
{
    for (int ch = 0; ch < krv::kChannelCount; ++ch) {
        for (int k = 0; k <= 6; ++k) {
            krv::StepDigit(state, ch, k, false);
            krv::StepDigit(state, ch, k, true);
        }
        for (int n = 0; n < krv::kPresetsPerRange; ++n) krv::SelectPreset(state, ch, n);
        krv::CommitTypedValue(state, ch, " 12.5");
        const bool scaled = state.channels[ch].scalingOn;
        state.SetScalingMode(ch, !scaled);
        ShowPanelTexts(state);
        state.SetScalingMode(ch, scaled);
        krv::AutoOutputChannel& a = state.autoOutput[ch];
        a.runState = 1;
        a.nextTick = 0;
    }
    for (std::uint64_t now = 0; now < 400; now += 5) krv::AutoOutputTick(state, now);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static krv::SilentUserInterface ui;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // A file the user opens is taken as read.
    krv::AppValues app;
    krv::GeneratorState state(app);  // no frame sink: nothing is sent anywhere
    const krv::LoadOutcome outcome = krv::LoadSettings(state, app, bytes, "fuzz.ini", ui);

    const std::string saved = krv::SaveSettings(state, app);
    krv::AppValues appAgain;
    krv::GeneratorState again(appAgain);
    Require(krv::LoadSettings(again, appAgain, saved, "again.ini", ui) == krv::LoadOutcome::Loaded,
            "a saved settings set loads again");
    Require(krv::SaveSettings(again, appAgain) == saved,
            "saving, loading and saving again keeps the file");

    if (outcome != krv::LoadOutcome::Loaded && outcome != krv::LoadOutcome::Truncated) return 0;
    // What `krvctl settings show` prints. The text indexes the per-range tables by the range in
    // effect; the JSON only dumps the fields and costs two thirds of a run, so it is written for
    // one input in eight (chosen by the last byte, which the fuzzer varies freely).
    krv::cli::SettingsText(state, app);
    if (size > 0 && (data[size - 1] & 7) == 0) krv::cli::SettingsJson(state, app);
    ShowPanelTexts(state);
    OperateEverything(state);
    ShowPanelTexts(state);

    // The same bytes as the last state: loaded, then repaired by the start-up.
    krv::AppValues lastApp;
    krv::GeneratorState last(lastApp);
    krv::LoadSettings(last, lastApp, bytes, "krv2.ini", ui);
    last.NormaliseChannels();
    last.ValidateAutoOutput();
    krv::cli::SettingsText(last, lastApp);
    ShowPanelTexts(last);
    OperateEverything(last);
    return 0;
}
