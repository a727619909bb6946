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
            std::fprintf(stderr, "%s\n", Tr("krvctl", "接続が解除されました。").c_str());
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
    const std::string name = c.scalingOn ? Tr("krvctl", "変換式") : RangeDisplayName(c.range);
    return WithArgs(Tr("krvctl", "%1 ～ %2 (%3)"),
                    {PlainValue(limits.decimals, limits.lower),
                     PlainValue(limits.decimals, limits.upper), name});
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
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "status は引数をとりません"));
    ConsoleUserInterface ui;
    // The file is taken before the unit is touched, so a file refused costs no connect.
    OutputLog log(ui);
    bool logFailed = false;
    log.onStopped = [&logFailed] { logFailed = true; };
    if (const auto csv = args.Value("--csv")) {
        if (csv->empty()) return UsageError(Tr("krvctl", "--csv にはファイル名が必要です"));
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
    if (args.Positionals().size() != 1)
        return UsageError(Tr("krvctl", "set にはチャンネル番号 (1 ～ 4) を一つ指定します"));
    const auto number = ParseInteger(args.Positionals()[0], 1, 4);
    if (!number) return UsageError(Tr("krvctl", "チャンネルは 1、2、3、4 のいずれかです"));
    const int ch = static_cast<int>(*number) - 1;

    std::optional<OutputRange> newRange;
    if (const auto key = args.Value("--range")) {
        newRange = RangeFromKey(*key);
        if (!newRange) return UsageError(WithArgs(Tr("krvctl", "不明なレンジ '%1'"), {*key}));
    }
    std::optional<double> typed;
    if (const auto value = args.Value("--value")) {
        typed = ParseTypedNumber(*value);
        if (!typed || value->empty()) return UsageError(Tr("krvctl", "--value は数値です"));
    }
    if (args.Has("--on") && args.Has("--off"))
        return UsageError(Tr("krvctl", "--on と --off は同時に指定できません"));

    ConsoleUserInterface ui;
    DeviceLink link(ui);
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    if (const int status = Connect(args, link, state, ui); status != kExitOk) return status;
    if (ch >= state.circuitCount) {
        link.ClosePort();
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "発生器の回路数は %1 です。チャンネル %2 はありません"),
                              {std::to_string(state.circuitCount), std::to_string(ch + 1)})
                         .c_str());
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
            std::fprintf(stderr, "%s\n", Tr("krvctl", "ＯＮ状態では切替できません。").c_str());
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
                stderr, "krvctl: %s\n",
                WithArgs(Tr("krvctl", "--value %1 は %2 の範囲外です。%3 を設定します"),
                         {*args.Value("--value"), ChannelLimitsText(state, ch),
                          PlainValue(limits.decimals, TypedValueForChannel(state, ch, *typed))})
                    .c_str());
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
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME | --connect HOST[:PORT]] status [--json] [--watch] "
            "[--csv FILE]\n"
            "\n"
            "パネルと同じように接続し (ファームウェアのバージョンが 020000 以上か、回路数、PCレス\n"
            "モード、全チャンネルの状態)、出力を変えずに 1 チャンネル 1 行で表示します: レンジの\n"
            "キー、出力コード、レンジの単位の値、on/off、アラームの文 (なければ -)、調整モード\n"
            "(0 なし、1 メーカー、2 ユーザー)、PCレスモードと運転状態。\n"
            "  --json    一つの JSON オブジェクト {firmware, circuits, channels: [...]}。--watch\n"
            "            と併せると、続けて変わったチャンネルごとに 1 行 1 オブジェクト\n"
            "            {channel, range, ...}\n"
            "  --watch   中断されるまで 50 ms ごとにチャンネルを順に問い合わせ続け、変わった\n"
            "            チャンネルを表示します。5 秒応答がなければ終了ステータス 1 で終わります\n"
            "  --csv FILE チャンネルをパネルの出力ログと同じく FILE にも書きます (UTF-8 の CSV:\n"
            "            time,channel,range,value,...,event。変化ごとに 1 行)。既存の出力ログには\n"
            "            追記し、上書きしません。出力ログでないファイルは拒否します "
            "(終了ステータス 1)。\n"
            "            書き込みに失敗するとログは止まり、監視は続き、終了ステータスは 1 です\n"
            "--connect を付けると、発生器を持つ krvctl serve から状態を得ます "
            "(監視中は全チャンネル\n"
            "を 50 ms "
            "ごとに問い合わせます)。サーバーが発生器を見失っている間も監視は続き、サーバー\n"
            "が応答しなくなると終了ステータス 1 で終わります。\n"
            "途中で失敗するとパネルのメッセージ (接続できません。、状態確認に失敗しました。 ...)\n"
            "を標準エラー出力に表示し、終了ステータス 1 で終わります。\n"),
        {{"--json", false}, {"--watch", false}, {"--csv", true}},
        RunStatus};
}

Command SetCommand()
{
    return {
        "set",
        KRV_TRANSLATE_NOOP("krvctl", "1 チャンネルのレンジ、値、出力のオン／オフを変更する"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME] set CH [--range KEY] [--value V] [--on | --off]\n"
            "\n"
            "パネルと同じように接続し、チャンネル CH (1 ～ 4) のレンジ、出力コード、オン／オフを\n"
            "発生器から読み、オプションを適用して、そのチャンネルの出力フレームだけを送ります。\n"
            "その後、発生器が報告するチャンネルの状態を表示します。\n"
            "  --range KEY  0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA。\n"
            "               値はレンジの休止値になります。出力がオンの間は拒否します\n"
            "               (ＯＮ状態では切替できません。)\n"
            "  --value V    レンジの単位で指定します。パネルと同じくレンジ内に収め、レンジの桁数\n"
            "               に切り詰めます (レンジ外の値は標準エラー出力で知らせます)\n"
            "  --on, --off  出力を切り替えます\n"),
        {{"--range", true}, {"--value", true}, {"--on", false}, {"--off", false}},
        RunSet};
}

}  // namespace krv::cli
