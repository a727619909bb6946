#include "cli/ChannelView.h"

#include <cstdio>

#include "protocol/Ranges.h"

namespace krv::cli {

namespace {

std::string ValueText(const ChannelView& view)
{
    const RangeLimits limits = GetRangeLimits(static_cast<OutputRange>(view.range));
    std::string text = FormatValue(limits.decimals, view.value);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

}  // namespace

void AdoptReport(GeneratorState& state, const StatusReport& report)
{
    ChannelSettings& c = state.channels[report.channel];
    c.range = static_cast<OutputRange>(report.range);
    c.scalingOn = false;
    c.outputCode = report.outputCode;
    c.mainControl = report.mainControl;
    c.extControl = report.extControl;
    c.mainStatus = report.mainStatus;
    c.extStatus = report.extStatus;
    state.CodeToValue(report.channel);
}

void AdoptForLog(GeneratorState& state, const StatusReport& report)
{
    AdoptReport(state, report);
    state.autoOutput[report.channel].runState = static_cast<std::int32_t>(report.runState);
}

ChannelView ViewOf(GeneratorState& state, const StatusReport& report)
{
    AdoptReport(state, report);
    ChannelView view;
    view.channel = report.channel + 1;
    view.range = report.range;
    view.rangeKey = RangeKey(static_cast<OutputRange>(report.range));
    view.code = report.outputCode;
    view.value = state.channels[report.channel].outputValue;
    view.on = state.OutputOn(report.channel);
    view.alarm = state.StatusText(report.channel);
    view.calibrationMode = report.calibrationMode & 0x3;
    view.standaloneMode = state.unitAutoOutput[report.channel].standaloneMode;
    view.runState = report.runState;
    return view;
}

void PrintView(const ChannelView& v)
{
    std::printf(
        "channel %d range %s code %u value %s %s alarm %s calibration %u standalone %d run "
        "%d\n",
        v.channel, v.rangeKey.empty() ? "?" : v.rangeKey.c_str(), v.code, ValueText(v).c_str(),
        v.on ? "on" : "off", v.alarm.empty() ? "-" : v.alarm.c_str(), v.calibrationMode,
        v.standaloneMode, v.runState);
    std::fflush(stdout);
}

void WriteView(JsonWriter& json, const ChannelView& v)
{
    json.BeginObject();
    json.Key("channel").Int(v.channel);
    json.Key("range").String(v.rangeKey);
    json.Key("code").Int(v.code);
    json.Key("value").Double(v.value);
    json.Key("on").Bool(v.on);
    json.Key("alarm").String(v.alarm);
    json.Key("calibration").Int(v.calibrationMode);
    json.Key("standalone").Int(v.standaloneMode);
    json.Key("run").Int(v.runState);
    json.EndObject();
}

void PrintSummary(const std::string& firmware, int circuits,
                  const std::map<int, ChannelView>& views, bool json)
{
    if (json) {
        JsonWriter writer;
        writer.BeginObject();
        writer.Key("firmware").String(firmware);
        writer.Key("circuits").Int(circuits);
        writer.Key("channels").BeginArray();
        for (const auto& [number, view] : views) WriteView(writer, view);
        writer.EndArray();
        writer.EndObject();
        std::printf("%s\n", writer.Text().c_str());
    } else {
        std::printf("firmware %s\ncircuits %d\n", firmware.c_str(), circuits);
        for (const auto& [number, view] : views) PrintView(view);
    }
    std::fflush(stdout);
}

void PrintChange(const ChannelView& view, bool json)
{
    if (!json) return PrintView(view);
    JsonWriter writer;
    WriteView(writer, view);
    std::printf("%s\n", writer.Text().c_str());
    std::fflush(stdout);
}

}  // namespace krv::cli
