// krvctl calibration: show, set and reset the unit's calibration.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "flows/UnitInformation.h"
#include "link/DeviceLink.h"
#include "model/CalibrationValues.h"
#include "model/GeneratorState.h"
#include "platform/Translate.h"
#include "protocol/Calibration.h"
#include "protocol/Identification.h"

namespace krv::cli {

namespace {

// The unit's link on the port the options name, opened. Returns kExitOk, or the exit status of
// a failure whose reason has been printed.
int OpenUnit(const Args& args, DeviceLink& link, UserInterface& ui)
{
    std::string port;
    if (const int status = ResolveUnitPort(args, port); status != kExitOk) return status;
    link.SetUserInterface(ui);
    link.SetPortName(port);
    return link.OpenPort() ? kExitOk : kExitUnitFailed;  // the link has said why
}

int CommunicationError()
{
    std::fprintf(stderr, "%s\n", TrMarked("UnitInformation", kCommunicationError).c_str());
    return kExitUnitFailed;
}

std::string WithLineFeeds(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::string CalibrationJson(const GeneratorState& state, int circuits)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("firmware").String(state.firmwareVersion);
    json.Key("circuits").Int(circuits);
    json.Key("entries").BeginArray();
    for (int ch = 0; ch < circuits && ch < kChannelCount; ++ch) {
        for (const OutputRange range : NamedCalibrationRanges()) {
            const CalibrationNumbers n = CalibrationNumbersOf(state.channels[ch], range);
            json.BeginObject();
            json.Key("channel").Int(ch + 1);
            json.Key("code").Int(range);
            json.Key("key").String(RangeKey(range));
            json.Key("makerZero").Int(n.makerZero);
            json.Key("makerGain").Int(n.makerGain);
            json.Key("userZero").Int(n.userZero);
            json.Key("userGain").Int(n.userGain);
            json.Key("mode").Int(n.mode);
            json.EndObject();
        }
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

int Show(const Args& args)
{
    if (args.Positionals().size() != 1)
        return UsageError(Tr("krvctl", "calibration show は引数をとりません"));
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    if (const int status = OpenUnit(args, link, ui); status != kExitOk) return status;
    AppValues app;
    GeneratorState state(app);
    const bool identified = QueryVersion(link, LinkKind::Com, state.firmwareVersion);
    const int circuits = identified ? QueryCircuitCount(link) : -1;
    if (!identified || circuits < 0) {
        link.ClosePort();
        std::fprintf(stderr, "%s\n", Tr("krvctl", "接続できません。").c_str());
        return kExitUnitFailed;
    }
    const bool read = ReadUnitCalibration(link, state, circuits);
    link.ClosePort();
    if (!read) return CommunicationError();
    if (args.Has("--json")) {
        std::printf("%s\n", CalibrationJson(state, circuits).c_str());
    } else {
        std::fputs(WithLineFeeds(FormatUnitInformation(state, circuits)).c_str(), stdout);
    }
    return kExitOk;
}

std::optional<int> SelectorOf(const std::string& text)
{
    if (text == "off") return kCalibrationOff;
    if (text == "maker") return kCalibrationMaker;
    if (text == "user") return kCalibrationUser;
    return std::nullopt;
}

int Set(const Args& args)
{
    const auto& words = args.Positionals();
    if (words.size() != 2)
        return UsageError(Tr("krvctl", "calibration set にはチャンネル (1 ～ 4) を一つ指定します"));
    const auto channel = ParseInteger(words[1], 1, kChannelCount);
    if (!channel) return UsageError(Tr("krvctl", "calibration set: チャンネルは 1 ～ 4 です"));
    const auto key = args.Value("--range");
    const std::optional<OutputRange> range = key ? RangeFromKey(*key) : std::nullopt;
    if (!range) {
        return UsageError(
            Tr("krvctl",
               "calibration set には --range KEY が必要です: 0_5V 0_10V -5_5V -10_10V "
               "4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA"));
    }
    const auto modeText = args.Value("--mode");
    const std::optional<int> selector = modeText ? SelectorOf(*modeText) : std::nullopt;
    if (!selector)
        return UsageError(
            Tr("krvctl", "calibration set には --mode off、maker、user のいずれかが必要です"));
    std::optional<long long> zero;
    if (const auto text = args.Value("--zero")) {
        zero = ParseInteger(*text, ZeroCorrectionLower(*range), kCorrectionUpper);
        if (!zero) {
            return UsageError(WithArgs(Tr("krvctl", "%3 の --zero は %1 ～ %2 の整数です"),
                                       {std::to_string(ZeroCorrectionLower(*range)),
                                        std::to_string(kCorrectionUpper), *key}));
        }
    }
    std::optional<long long> gain;
    if (const auto text = args.Value("--gain")) {
        gain = ParseInteger(*text, kGainCorrectionLower, kCorrectionUpper);
        if (!gain) return UsageError(Tr("krvctl", "--gain は -200 ～ 200 の整数です"));
    }

    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    if (const int status = OpenUnit(args, link, ui); status != kExitOk) return status;
    const int circuits = QueryCircuitCount(link);
    if (circuits < 0) {
        link.ClosePort();
        std::fprintf(stderr, "%s\n", Tr("krvctl", "接続できません。").c_str());
        return kExitUnitFailed;
    }
    if (*channel > circuits) {
        link.ClosePort();
        return UsageError(
            WithArgs(Tr("krvctl", "発生器の回路数は %1 です。チャンネル %2 はありません"),
                     {std::to_string(circuits), words[1]}));
    }
    AppValues app;
    GeneratorState state(app);
    const int ch = static_cast<int>(*channel) - 1;
    const CalibrationTables tables = CalibrationTablesOf(state);
    if (!ReadCalibration(link, LinkKind::Com, ch, kUserTable, *range, tables)) {
        link.ClosePort();
        return CommunicationError();
    }
    UserCalibrationEntry& entry = state.channels[ch].userCalibration[*range];
    entry.mode =
        static_cast<std::uint16_t>((entry.mode & ~0x3u) | static_cast<unsigned>(*selector));
    if (zero) entry.zero = static_cast<std::uint16_t>(*zero);
    if (gain) entry.gain = GainWord(static_cast<int>(*gain));
    const bool written = WriteCalibration(link, LinkKind::Com, ch, *range, kUserTable, tables) &&
                         (!args.Has("--save") || SaveCalibration(link, LinkKind::Com, kUserTable));
    link.ClosePort();
    if (!written) return CommunicationError();
    const CalibrationNumbers n = CalibrationNumbersOf(state.channels[ch], *range);
    std::printf("channel %lld range %s mode %s zero %d gain %d%s\n", *channel, key->c_str(),
                modeText->c_str(), n.userZero, n.userGain, args.Has("--save") ? " saved" : "");
    return kExitOk;
}

int ResetUser(const Args& args)
{
    if (args.Positionals().size() != 1) {
        return UsageError(Tr("krvctl", "calibration reset-user は引数をとりません"));
    }
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    if (const int status = OpenUnit(args, link, ui); status != kExitOk) return status;
    const bool reset = InitUserCalibration(link);
    link.ClosePort();
    return reset ? kExitOk : CommunicationError();
}

int RunCalibration(const Args& args)
{
    const auto& words = args.Positionals();
    if (words.empty())
        return UsageError(
            Tr("krvctl", "calibration には show、set、reset-user のいずれかが必要です"));
    const bool setting = words[0] == "set";
    for (const char* option : {"--range", "--mode", "--zero", "--gain", "--save"}) {
        if (!setting && args.Has(option)) {
            return UsageError(
                WithArgs(Tr("krvctl", "calibration %1 は %2 をとりません"), {words[0], option}));
        }
    }
    if (words[0] == "show") return Show(args);
    if (args.Has("--json"))
        return UsageError(Tr("krvctl", "--json をとるのは calibration show だけです"));
    if (setting) return Set(args);
    if (words[0] == "reset-user") return ResetUser(args);
    return UsageError(WithArgs(Tr("krvctl", "不明な calibration のコマンド '%1'"), {words[0]}));
}

}  // namespace

Command CalibrationCommand()
{
    return {
        "calibration",
        KRV_TRANSLATE_NOOP("krvctl",
                           "発生器の調整値を表示、ユーザー値を変更、ユーザー値をリセットする"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME] calibration show [--json]\n"
            "        krvctl [--port NAME] calibration set CH --range KEY --mode off|maker|user\n"
            "                                           [--zero N] [--gain N] [--save]\n"
            "        krvctl [--port NAME] calibration reset-user\n"
            "\n"
            "show は全チャンネルの全レンジのメーカー調整とユーザー調整を読み、ユニット情報を表示\n"
            "します (ファームウェア、回路数、レンジごとに 1 行: "
            "メーカーのゼロとゲイン、ユーザーの\n"
            "ゼロとゲイン、使用中の調整)。\n"
            "  --json   "
            "{\"firmware\":\"020000\",\"circuits\":2,\"entries\":[{\"channel\":1,\"code\":0,\n"
            "           "
            "\"key\":\"0_5V\",\"makerZero\":0,\"makerGain\":0,\"userZero\":0,\"userGain\":-10,\n"
            "           \"mode\":1}, ...]}: 補正値は符号付き、ゲインは 0x8000 "
            "のオフセットを除いた値、\n"
            "           mode は 0 なし、1 メーカー、2 ユーザー\n"
            "set はチャンネル CH (1 ～ 4) のレンジ KEY のユーザー値を読み、使用する調整 (--mode)\n"
            "と指定された補正値を変えて発生器に書き込みます。--save "
            "ではユーザー表も保存し、再起動\n"
            "後も残るようにします。\n"
            "  --zero N   4_20mA と 1_5V は -200 ～ 200、他のレンジは 0 ～ 200\n"
            "  --gain N   -200 ～ 200\n"
            "reset-user は発生器のユーザー補正値をすべてゼロに戻します。\n"
            "発生器が応答しない読み書きは 通信エラーが発生しました を標準エラー出力に表示し、\n"
            "終了ステータス 1 で終わります。\n"),
        {{"--json", false},
         {"--range", true},
         {"--mode", true},
         {"--zero", true},
         {"--gain", true},
         {"--save", false}},
        RunCalibration};
}

}  // namespace krv::cli
