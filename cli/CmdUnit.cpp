// Commands that connect to the unit as the panel does: status and set.
#include <signal.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>

#include "cli/ChannelView.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/RemoteStatus.h"
#include "files/OutputLog.h"
#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "flows/StatusPolling.h"
#include "link/DeviceLink.h"
#include "model/ChannelOperations.h"
#include "model/GeneratorState.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"
#include "protocol/StatusReply.h"

namespace krv::cli {

namespace {

using namespace std::chrono_literals;

// Connects without touching the unit's outputs. Returns kExitOk or the exit status of a failure
// (whose message has been printed).
int Connect(const Args& args, DeviceLink& link, GeneratorState& state, UserInterface& ui)
{
    std::string port;
    if (const int status = ResolveUnitPort(args, port); status != kExitOk) return status;
    ConnectOptions options;
    options.takeOverOutputs = false;
    return ConnectToUnit(link, state, port, ui, options) == ConnectOutcome::Connected
               ? kExitOk
               : kExitUnitFailed;
}

std::atomic<bool> stopRequested{false};

void RequestStop(int)
{
    stopRequested = true;
}

// Polls the channels as the panel's tick does, every 50 ms, and prints a channel whenever what
// the unit reports changes. Ends on SIGINT/SIGTERM, or when the panel would declare the unit lost.
int Watch(DeviceLink& link, GeneratorState& state, std::map<int, ChannelView> shown, OutputLog& log,
          bool json)
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    StatusPolling polling;
    polling.Start();
    TimePoint tick = Now();
    while (!stopRequested) {
        tick += 50ms;
        if (polling.Tick(link, state, Now())) {
            std::fprintf(stderr, "接続が解除されました。\n");
            link.ClosePort();
            return kExitUnitFailed;
        }
        while (!stopRequested && Now() < tick) {
            if (link.ReadLine(LinkKind::Com) != kLineComplete) {
                link.WaitForInput(LinkKind::Com, tick);
                continue;
            }
            // The unit's own requests to resend are heard but not answered: watching changes
            // no output.
            const std::string_view line = link.ReplyLine();
            if (!IsStatusOrAnnouncement(line)) continue;
            polling.Heard();
            if (const auto report = DecodeStatusReply(line)) {
                const ChannelView view = ViewOf(state, *report);
                AdoptForLog(state, *report);
                log.Record(state, report->channel, OutputEvent::Status);
                if (shown[view.channel] != view) {
                    shown[view.channel] = view;
                    PrintChange(view, json);
                }
            }
        }
    }
    link.ClosePort();
    return kExitOk;
}

}  // namespace

std::string ChannelLimitsText(const GeneratorState& state, int ch)
{
    const RangeLimits limits = ChannelLimits(state, ch);
    const ChannelSettings& c = state.channels[static_cast<std::size_t>(ch)];
    const std::string name = c.scalingOn ? "conversion formula" : RangeDisplayName(c.range);
    return PlainValue(limits.decimals, limits.lower) + " to " +
           PlainValue(limits.decimals, limits.upper) + " (" + name + ")";
}

std::string PlainValue(int decimals, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals >= 0 && decimals <= 6 ? decimals : 6, value);
    return text;
}

namespace {

int RunStatus(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("status takes no arguments");
    ConsoleUserInterface ui;
    // The file is taken before the unit is touched, so a file refused costs no connect.
    OutputLog log(ui);
    bool logFailed = false;
    log.onStopped = [&logFailed] { logFailed = true; };
    if (const auto csv = args.Value("--csv")) {
        if (csv->empty()) return UsageError("--csv needs a file name");
        if (!log.Start(*csv)) return kExitUnitFailed;
    }
    if (const auto server = args.Value("--connect")) {
        const int status = RemoteStatus(*server, args.Has("--watch"), args.Has("--json"), log);
        return logFailed && status == kExitOk ? kExitUnitFailed : status;
    }
    DeviceLink link(ui);
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    if (const int status = Connect(args, link, state, ui); status != kExitOk) return status;

    std::map<int, ChannelView> views;
    for (int ch = 0; ch < state.AddressedCircuits(); ++ch) {
        const auto report = ExchangeStatus(link, ch);
        if (!report) {
            link.ClosePort();
            std::fprintf(stderr, "%s\n", TrMarked("Connection", kStatusCheckFailed).c_str());
            return kExitUnitFailed;
        }
        views[ch + 1] = ViewOf(state, *report);
        AdoptForLog(state, *report);
    }
    log.RecordAll(state);

    PrintSummary(state.firmwareVersion, state.circuitCount, views, args.Has("--json"));
    int status = kExitOk;
    if (args.Has("--watch")) {
        status = Watch(link, state, views, log, args.Has("--json"));
    } else {
        link.ClosePort();
    }
    return logFailed && status == kExitOk ? kExitUnitFailed : status;
}

int RunSet(const Args& args)
{
    if (args.Positionals().size() != 1) return UsageError("set takes one channel number, 1 to 4");
    const auto number = ParseInteger(args.Positionals()[0], 1, 4);
    if (!number) return UsageError("the channel must be 1, 2, 3 or 4");
    const int ch = static_cast<int>(*number) - 1;

    std::optional<OutputRange> newRange;
    if (const auto key = args.Value("--range")) {
        newRange = RangeFromKey(*key);
        if (!newRange) return UsageError("unknown range '" + *key + "'");
    }
    std::optional<double> typed;
    if (const auto value = args.Value("--value")) {
        typed = ParseTypedNumber(*value);
        if (!typed || value->empty()) return UsageError("--value must be a number");
    }
    if (args.Has("--on") && args.Has("--off")) return UsageError("--on and --off together");

    ConsoleUserInterface ui;
    DeviceLink link(ui);
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    if (const int status = Connect(args, link, state, ui); status != kExitOk) return status;
    if (ch >= state.circuitCount) {
        link.ClosePort();
        std::fprintf(stderr, "krvctl: the unit has %d circuits; there is no channel %d\n",
                     state.circuitCount, ch + 1);
        return kExitUsage;
    }

    const auto report = ExchangeStatus(link, ch);
    if (!report) {
        link.ClosePort();
        std::fprintf(stderr, "%s\n", TrMarked("Connection", kStatusCheckFailed).c_str());
        return kExitUnitFailed;
    }
    AdoptReport(state, *report);

    if (newRange && *newRange != state.channels[ch].range) {
        // As on the panel: a range is never switched under a live output.
        if (state.OutputOn(ch)) {
            link.ClosePort();
            std::fprintf(stderr, "ＯＮ状態では切替できません。\n");
            return kExitUnitFailed;
        }
        state.channels[ch].range = *newRange;
        state.channels[ch].outputValue = RangeValueAtReset(*newRange).value_or(0.0);
    }
    state.RangeToModeBits(ch);
    if (typed) {
        // Cut into the range as the panel does; unlike the panel's field, a script does not see
        // the value it got unless it is told.
        const RangeLimits limits = ChannelLimits(state, ch);
        if (ClampToLimits(*typed, limits) != *typed) {
            std::fprintf(
                stderr, "krvctl: --value %s is outside %s; %s is set\n",
                args.Value("--value")->c_str(), ChannelLimitsText(state, ch).c_str(),
                PlainValue(limits.decimals, TypedValueForChannel(state, ch, *typed)).c_str());
        }
        state.channels[ch].outputValue = TypedValueForChannel(state, ch, *typed);
    }
    if (args.Has("--on")) state.SetOutputOn(ch, true);
    if (args.Has("--off")) state.SetOutputOn(ch, false);
    // The on bit follows the stage of the (possibly new) range.
    if (!args.Has("--on") && !args.Has("--off")) state.SetOutputOn(ch, state.OutputOn(ch));
    state.ValueToCode(ch);
    state.SendOutputFrame(ch);

    const auto after = ExchangeStatus(link, ch);
    link.ClosePort();
    if (!after) {
        std::fprintf(stderr, "%s\n", TrMarked("Connection", kStatusCheckFailed).c_str());
        return kExitUnitFailed;
    }
    PrintView(ViewOf(state, *after));
    return kExitOk;
}

}  // namespace

Command StatusCommand()
{
    return {
        "status",
        KRV_TRANSLATE_NOOP("krvctl", "パネルと同じように接続し、全チャンネルの状態を表示する"),
        "Usage: krvctl [--port NAME | --connect HOST[:PORT]] status [--json] [--watch] [--csv "
        "FILE]\n"
        "\n"
        "Connects as the panel does (firmware version at least 020000, circuit count, standalone\n"
        "modes, status of every channel) without changing any output, then prints one line per\n"
        "channel: range key, output code, value in range units, on/off, alarm text (- for none),\n"
        "calibration mode (0 none, 1 maker, 2 user), standalone mode and run state.\n"
        "  --json    one JSON object {firmware, circuits, channels: [...]}; with --watch, then\n"
        "            one object {channel, range, ...} per line for every channel that changes\n"
        "  --watch   keep polling every 50 ms, channel after channel, and print a channel "
        "whenever\n"
        "            it changes, until interrupted; a unit silent for 5 s ends it with exit 1\n"
        "  --csv FILE also write the channels to FILE as the panel's output log does (UTF-8\n"
        "            CSV: time,channel,range,value,...,event; one row per change). An existing\n"
        "            output log is continued, never overwritten; a file that is not one is\n"
        "            refused (exit 1). If writing fails, the log stops, watching goes on and\n"
        "            the exit status is 1\n"
        "With --connect the status comes from the krvctl serve that owns the unit (asked for\n"
        "every channel every 50 ms while watching); watching goes on while the server has lost\n"
        "the unit, and ends with exit 1 when the server stops answering.\n"
        "A failed step prints the panel's message (接続できません。, 状態確認に失敗しました。 "
        "...)\n"
        "to standard error and exits 1.\n",
        {{"--json", false}, {"--watch", false}, {"--csv", true}},
        RunStatus};
}

Command SetCommand()
{
    return {
        "set",
        KRV_TRANSLATE_NOOP("krvctl", "1 チャンネルのレンジ、値、出力のオン／オフを変更する"),
        "Usage: krvctl [--port NAME] set CH [--range KEY] [--value V] [--on | --off]\n"
        "\n"
        "Connects as the panel does, takes channel CH's (1 to 4) range, output code and on/off\n"
        "state from the unit, applies the options and sends that channel's output frame only;\n"
        "then prints the channel as the unit reports it.\n"
        "  --range KEY  0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA;\n"
        "               the value goes to the range's resting value; refused while the output\n"
        "               is on (ＯＮ状態では切替できません。)\n"
        "  --value V    in range units; clamped into the range and cut to its decimals, as the\n"
        "               panel does (a value outside the range is reported on standard error)\n"
        "  --on, --off  switch the output\n",
        {{"--range", true}, {"--value", true}, {"--on", false}, {"--off", false}},
        RunSet};
}

}  // namespace krv::cli
