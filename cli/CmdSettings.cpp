#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "document/GeneratorState.h"
#include "document/SettingsFile.h"
#include "link/DeviceLink.h"

namespace krv::cli {

namespace {

const char* WaveformName(std::int32_t waveform)
{
    switch (waveform) {
        case kSawtooth:
            return "sawtooth";
        case kTriangle:
            return "triangle";
        case kArbitrary:
            return "arbitrary";
        default:
            return "unknown";
    }
}

std::string SettingsJson(const GeneratorState& state, const AppValues& app)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("circuitCount").Int(state.circuitCount);
    json.Key("lastPortName").String(app.lastPortName);
    json.Key("linkedAutoOutput").Bool(app.linkedAutoOutput);
    json.Key("channels").BeginArray();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ChannelSettings& c = state.channels[ch];
        const AutoOutputChannel& a = state.autoOutput[ch];
        json.BeginObject();
        json.Key("range").Int(c.range);
        json.Key("scalingOn").Bool(c.scalingOn);
        json.Key("scaledMin").Double(c.scaledMin);
        json.Key("scaledMax").Double(c.scaledMax);
        json.Key("scaledDigits").Int(c.scaledDigits);
        json.Key("scaledUnit").String(c.scaledUnit);
        json.Key("presets").BeginArray();
        for (const auto& row : c.presets) {
            json.BeginArray();
            for (double v : row) json.Double(v);
            json.EndArray();
        }
        json.EndArray();
        json.Key("standaloneMode").Int(a.standaloneMode);
        json.Key("ramps").BeginArray();
        for (const RampSettings& r : a.ramps) {
            json.BeginObject();
            json.Key("waveform").Int(r.waveform);
            json.Key("repeat").Int(r.repeat);
            json.Key("start").Float(r.start);
            json.Key("end").Float(r.end);
            json.Key("step").Float(r.step);
            json.Key("interval").Int(r.interval);
            json.Key("reserved").Bool(r.reserved);
            json.EndObject();
        }
        json.EndArray();
        json.Key("points").BeginArray();
        for (const ArbitraryPoint& p : a.points) {
            json.BeginObject();
            json.Key("used").Bool(p.used);
            json.Key("value").Float(p.value);
            json.Key("interval").Int(p.interval);
            json.Key("pause").Bool(p.pause);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

void PrintSettings(const GeneratorState& state, const AppValues& app)
{
    std::printf("circuits %d\nport %s\nlinked automatic output %s\n", state.circuitCount,
                app.lastPortName.c_str(), app.linkedAutoOutput ? "on" : "off");
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ChannelSettings& c = state.channels[ch];
        const AutoOutputChannel& a = state.autoOutput[ch];
        const OutputRange slot = state.RangeInEffect(ch);
        const RangeLimits limits = state.ChannelRangeLimits(ch, slot);
        std::printf("channel %d\n", ch + 1);
        std::printf("  range %s (%d)\n", RangeKey(c.range).c_str(), c.range);
        std::printf("  conversion %s: %g to %g, %d decimals, unit \"%s\"\n",
                    c.scalingOn ? "on" : "off", c.scaledMin, c.scaledMax, c.scaledDigits,
                    c.scaledUnit.c_str());
        std::printf("  presets");
        for (double v : c.presets[static_cast<std::size_t>(slot)]) {
            std::string text = FormatValue(limits.decimals, v);
            text.erase(0, text.find_first_not_of(' '));
            std::printf(" %s", text.c_str());
        }
        std::printf("\n");
        const RampSettings& r = a.ramps[static_cast<std::size_t>(slot)];
        std::printf(
            "  automatic output %s: start %g, end %g, step %g, every %d.%02d s, %d cycles\n",
            WaveformName(r.waveform), static_cast<double>(r.start), static_cast<double>(r.end),
            static_cast<double>(r.step), r.interval / 100, std::abs(r.interval % 100), r.repeat);
        int used = 0;
        while (used < kArbitraryPointCount && a.points[static_cast<std::size_t>(used)].used) ++used;
        std::printf("  arbitrary points %d\n", used);
        std::printf("  standalone mode %d\n", a.standaloneMode);
    }
}

int ShowSettings(const Args& args)
{
    if (args.Positionals().size() != 2) return UsageError("settings show takes one FILE");
    const std::string path = args.Positionals()[1];
    ConsoleUserInterface ui;
    DeviceLink link(ui);  // never opened: loading a file here drives no unit
    AppValues app;
    GeneratorState state(link, app);
    if (LoadSettingsFile(state, app, path, ui) != LoadOutcome::Loaded) return kExitUnitFailed;
    if (args.Has("--json")) {
        std::printf("%s\n", SettingsJson(state, app).c_str());
    } else {
        PrintSettings(state, app);
    }
    return kExitOk;
}

int NewSettings(const Args& args)
{
    if (args.Positionals().size() != 2) return UsageError("settings new takes one FILE");
    const auto circuitsText = args.Value("--circuits");
    if (!circuitsText) return UsageError("settings new needs --circuits 1|2|4");
    const auto circuits = ParseInteger(*circuitsText, 1, 4);
    if (!circuits || *circuits == 3) return UsageError("--circuits must be 1, 2 or 4");

    ConsoleUserInterface ui;
    DeviceLink link(ui);
    AppValues app;
    GeneratorState state(link, app);
    state.circuitCount = static_cast<std::int32_t>(*circuits);
    state.ResetForCircuitCount(state.circuitCount);
    std::string error;
    if (!SaveSettingsFile(state, app, args.Positionals()[1], &error)) {
        std::fprintf(stderr, "krvctl: cannot write %s: %s\n", args.Positionals()[1].c_str(),
                     error.c_str());
        return kExitUnitFailed;
    }
    return kExitOk;
}

}  // namespace

int RunSettings(const Args& args)
{
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError("settings needs show or new");
    if (words[0] == "show") {
        if (args.Has("--circuits")) return UsageError("settings show takes no --circuits");
        return ShowSettings(args);
    }
    if (words[0] == "new") {
        if (args.Has("--json")) return UsageError("settings new takes no --json");
        return NewSettings(args);
    }
    return UsageError("unknown settings command '" + words[0] + "'");
}

}  // namespace krv::cli
