// The texts of `krvctl settings show`.
#include "cli/SettingsReport.h"

#include <cstdio>
#include <cstdlib>

#include "cli/Json.h"

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

}  // namespace

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

std::string SettingsText(const GeneratorState& state, const AppValues& app)
{
    std::string out;
    char line[512];
    const auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    add("circuits %d\nport ", state.circuitCount);
    out += app.lastPortName.c_str();  // a text ends at a NUL, as printf would end it
    add("\nlinked automatic output %s\n", app.linkedAutoOutput ? "on" : "off");
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ChannelSettings& c = state.channels[ch];
        const AutoOutputChannel& a = state.autoOutput[ch];
        // The range in effect is always a row of the per-range tables.
        const OutputRange slot = state.RangeInEffect(ch);
        const RangeLimits limits = state.ChannelRangeLimits(ch, slot);
        add("channel %d\n", ch + 1);
        add("  range %s (%d)\n", RangeKey(c.range).c_str(), c.range);
        add("  conversion %s: %g to %g, %d decimals, unit \"", c.scalingOn ? "on" : "off",
            c.scaledMin, c.scaledMax, c.scaledDigits);
        out += c.scaledUnit.c_str();
        out += "\"\n  presets";
        for (double v : c.presets[static_cast<std::size_t>(slot)]) {
            std::string text = FormatValue(limits.decimals, v);
            text.erase(0, text.find_first_not_of(' '));
            out += " " + text;
        }
        out += "\n";
        const RampSettings& r = a.ramps[static_cast<std::size_t>(slot)];
        add("  automatic output %s: start %g, end %g, step %g, every %d.%02d s, %d cycles\n",
            WaveformName(r.waveform), static_cast<double>(r.start), static_cast<double>(r.end),
            static_cast<double>(r.step), r.interval / 100, std::abs(r.interval % 100), r.repeat);
        int used = 0;
        while (used < kArbitraryPointCount && a.points[static_cast<std::size_t>(used)].used) ++used;
        add("  arbitrary points %d\n", used);
        add("  standalone mode %d\n", a.standaloneMode);
    }
    return out;
}

}  // namespace krv::cli
