// krvctl standalone: the standalone memory image, its write into the unit, its verification and
// its read-back.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "cli/Commands.h"
#include "files/SettingsFile.h"
#include "flows/StandaloneFlows.h"
#include "link/DeviceLink.h"
#include "model/ChannelOperations.h"
#include "model/GeneratorState.h"
#include "platform/OutputFile.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"

namespace krv::cli {

namespace {

// Keeps the flows' messages so they can go to standard output after a success and to standard
// error after a failure.
class CollectingUserInterface : public UserInterface {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon,
                              MessageButtons buttons) override
    {
        messages.push_back(text);
        return FirstAnswer(buttons);
    }
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override { return true; }

    void Print(bool failed) const
    {
        for (const std::string& m : messages)
            std::fprintf(failed ? stderr : stdout, "%s\n", m.c_str());
    }
    // After a write whose restart failed: the write's own result is news, what went wrong after
    // it is a failure. The flow shows that result in the language of the messages.
    void PrintRestartFailure() const
    {
        const std::string writeDone = TrMarked("StandaloneFlows", kWriteDone);
        for (const std::string& m : messages)
            std::fprintf(m == writeDone ? stdout : stderr, "%s\n", m.c_str());
    }

    std::vector<std::string> messages;
};

std::optional<std::int32_t> ModeOf(const std::string& text)
{
    if (text == "off") return kStandaloneOff;
    if (text == "fixed") return kStandaloneFixed;
    if (text == "auto") return kStandaloneAuto;
    return std::nullopt;
}

std::optional<double> FixedValueOf(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || std::isnan(value)) {
        return std::nullopt;
    }
    return value;
}

// What the image is built from: a settings file's channels 1 and 2 with the options' modes and
// fixed values.
struct ImageSettings {
    ImageSettings() : state(app) {}

    AppValues app;
    GeneratorState state;
    std::array<float, kStandaloneChannelCount> fixed{};
};

// Loads the settings file and applies the options. Returns kExitOk, or the exit status of a
// failure whose reason has been printed.
int LoadImageSettings(const Args& args, const std::string& path, ImageSettings& settings)
{
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        const std::string suffix = std::to_string(k + 1);
        if (const auto text = args.Value("--ch" + suffix); text && !ModeOf(*text)) {
            return UsageError(
                WithArgs(Tr("krvctl", "--ch%1 は off、fixed、auto のいずれかです"), {suffix}));
        }
        if (const auto text = args.Value("--fixed" + suffix); text && !FixedValueOf(*text)) {
            return UsageError(WithArgs(Tr("krvctl", "--fixed%1 は数値です"), {suffix}));
        }
    }
    ConsoleUserInterface console;
    if (LoadSettingsFile(settings.state, settings.app, path, console) != LoadOutcome::Loaded) {
        return kExitUnitFailed;  // the message has been printed
    }
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        const std::string suffix = std::to_string(k + 1);
        if (const auto text = args.Value("--ch" + suffix)) {
            settings.state.autoOutput[k].standaloneMode = *ModeOf(*text);
        }
        // Without the option the channel's value after loading, as the setup dialog takes it:
        // the range's resting value, which lies within the range.
        double fixed = settings.state.channels[static_cast<std::size_t>(k)].outputValue;
        if (const auto text = args.Value("--fixed" + suffix)) {
            fixed = *FixedValueOf(*text);
            if (!FixedValueFits(settings.state, k, fixed)) {
                return UsageError(
                    WithArgs(Tr("krvctl", "--fixed%1 %2 はチャンネル %1 のレンジ %3 の範囲外です"),
                             {suffix, *text, ChannelLimitsText(settings.state, k)}));
            }
        }
        settings.fixed[k] = NarrowToFloat(fixed);
    }
    return kExitOk;
}

bool WriteImage(const std::string& path, const StandaloneImage& image)
{
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(image.bytes.data()),
                                 image.bytes.size());
    if (WriteOutputFile(path, bytes, &error)) return true;
    std::fprintf(stderr, "krvctl: %s\n",
                 WithArgs(Tr("krvctl", "%1 に書き込めません: %2"), {path, error}).c_str());
    return false;
}

int Image(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1)
        return UsageError(Tr("krvctl", "standalone image には SETTINGS ファイルを一つ指定します"));
    if (!words.output) return UsageError(Tr("krvctl", "standalone image には -o IMAGE が必要です"));
    ImageSettings settings;  // the file drives no unit
    if (const int status = LoadImageSettings(args, words.rest[0], settings); status != kExitOk) {
        return status;
    }
    const StandaloneImage image =
        BuildStandaloneImage(settings.state, settings.fixed, settings.app.linkedAutoOutput);
    return WriteImage(*words.output, image) ? kExitOk : kExitUnitFailed;
}

// Opens the unit's port and prepares a flow that prints its steps.
int OpenFlow(const Args& args, DeviceLink& link, UserInterface& ui)
{
    std::string port;
    if (const int status = ResolveUnitPort(args, port); status != kExitOk) return status;
    link.SetUserInterface(ui);
    link.SetPortName(port);
    if (link.OpenPort()) return kExitOk;
    return kExitUnitFailed;
}

// Where the steps are shown: standard output, unless the image goes there.
std::FILE* stepStream = stdout;

void PrintChangedStep(const std::string& status, int progress)
{
    static std::string lastStatus;
    static int lastProgress = -1;
    if (status == lastStatus && progress == lastProgress) return;
    lastStatus = status;
    lastProgress = progress;
    std::fprintf(stepStream, "%3d%% %s\n", progress, status.c_str());
    std::fflush(stepStream);
}

int RunFlow(const Args& args, const SubcommandWords& words, bool write)
{
    const std::string name = write ? "standalone write" : "standalone verify";
    if (words.rest.size() != 1) {
        return UsageError(
            WithArgs(Tr("krvctl", "%1 には SETTINGS ファイルを一つ指定します"), {name}));
    }
    if (words.output) return UsageError(WithArgs(Tr("krvctl", "%1 は -o をとりません"), {name}));
    DeviceLink& link = TheDeviceLink();
    ImageSettings settings;
    if (const int status = LoadImageSettings(args, words.rest[0], settings); status != kExitOk) {
        return status;
    }
    CollectingUserInterface ui;
    if (const int status = OpenFlow(args, link, ui); status != kExitOk) {
        ui.Print(true);
        return status;
    }
    FlowContext context{link, ui, PrintChangedStep};
    const StandaloneSource source{settings.state, settings.fixed, settings.app.linkedAutoOutput};
    StandaloneImage readBack;
    const FlowOutcome outcome = write ? RunStandaloneWrite(context, source, readBack)
                                      : RunStandaloneVerify(context, source, readBack);
    link.ClosePort();
    if (outcome == FlowOutcome::RestartFailed) {
        ui.PrintRestartFailure();
        return kExitRestartFailed;
    }
    const bool failed = outcome != FlowOutcome::Succeeded;
    ui.Print(failed);
    return failed ? kExitUnitFailed : kExitOk;
}

int Read(const Args& args, const SubcommandWords& words)
{
    if (!words.rest.empty())
        return UsageError(Tr("krvctl", "standalone read は SETTINGS ファイルをとりません"));
    if (!words.output) return UsageError(Tr("krvctl", "standalone read には -o IMAGE が必要です"));
    if (NamesStandardOutput(*words.output)) stepStream = stderr;
    CollectingUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    if (const int status = OpenFlow(args, link, ui); status != kExitOk) {
        ui.Print(true);
        return status;
    }
    FlowContext context{link, ui, PrintChangedStep};
    StandaloneImage image;
    const FlowOutcome outcome = ReadStandaloneImage(context, image);
    link.ClosePort();
    if (outcome != FlowOutcome::Succeeded) {
        ui.Print(true);
        return kExitUnitFailed;
    }
    return WriteImage(*words.output, image) ? kExitOk : kExitUnitFailed;
}

int RunStandalone(const Args& args)
{
    const auto& all = args.Positionals();
    if (all.empty())
        return UsageError(
            Tr("krvctl", "standalone には image、write、verify、read のいずれかが必要です"));
    const SubcommandWords words = SplitSubcommandWords(args);
    if (words.outputMissing) return UsageError(Tr("krvctl", "-o にはファイル名が必要です"));
    const std::string& command = all[0];
    const bool takesImageOptions = command == "image" || command == "write" || command == "verify";
    for (const char* option : {"--ch1", "--ch2", "--fixed1", "--fixed2"}) {
        if (!takesImageOptions && args.Has(option)) {
            return UsageError(
                WithArgs(Tr("krvctl", "standalone %1 は %2 をとりません"), {command, option}));
        }
    }
    if (command == "image") return Image(args, words);
    if (command == "write") return RunFlow(args, words, true);
    if (command == "verify") return RunFlow(args, words, false);
    if (command == "read") return Read(args, words);
    return UsageError(WithArgs(Tr("krvctl", "不明な standalone のコマンド '%1'"), {command}));
}

}  // namespace

Command StandaloneCommand()
{
    return {
        "standalone",
        KRV_TRANSLATE_NOOP("krvctl", "発生器の PCレス設定を作成、書き込み、照合、読み出しする"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl standalone image SETTINGS [IMAGE OPTIONS] -o IMAGE\n"
            "        krvctl [--port NAME] standalone write SETTINGS [IMAGE OPTIONS]\n"
            "        krvctl [--port NAME] standalone verify SETTINGS [IMAGE OPTIONS]\n"
            "        krvctl [--port NAME] standalone read -o IMAGE\n"
            "\n"
            "PCレス設定は、発生器が PC なしでチャンネル 1 と 2 を動かすための 2296 バイトの\n"
            "メモリイメージで、設定ファイルのチャンネル 1 と 2 から作ります。\n"
            "image はそのイメージをファイルに書きます (発生器は不要)。write は発生器のメモリを\n"
            "消去し、イメージを転送して書き込み、読み返して比較し、発生器に使わせます。その後\n"
            "発生器の再起動が必要です。verify は発生器のメモリを読み返してイメージと比較します。\n"
            "どちらも各段階を進み具合と共に表示し、最後に結果 (書込み正常終了、再起動します、\n"
            "照合結果：一致) を表示します。失敗するとそのメッセージを標準エラー出力に表示し、\n"
            "終了ステータス 1 で終わります。USB ブリッジで発生器を再起動できなかった書き込みや、\n"
            "再起動から 5 秒以内にポートが戻らなかった書き込みも、発生器への書き込みは済んで\n"
            "います: 理由を標準エラー出力に表示し、終了ステータス 3 で終わります。発生器の拒否\n"
            "(NG) は常に失敗です。コードが読めない拒否は NG（エラーコード読取不能） となります。\n"
            "read は発生器のイメージをファイルに書きます。\n"
            "イメージのオプション:\n"
            "  --ch1 off|fixed|auto, --ch2 ...   PCレスモード (既定はファイルのもの)\n"
            "  --fixed1 V, --fixed2 V            固定出力の値。チャンネルの単位 (変換式がオンの\n"
            "                                    間は変換後の単位) で、レンジ内。既定はレンジの\n"
            "                                    休止値 (0、4_20mA は 4、1_5V は 1。変換式の\n"
            "                                    始点)\n"
            "終了ステータス: 0 成功、1 発生器の失敗、2 使い方の誤り (固定値がチャンネルのレンジ外\n"
            "のときも)、3 書き込んだが再起動されなかった。\n"),
        {{"--ch1", true},
         {"--ch2", true},
         {"--fixed1", true},
         {"--fixed2", true},
         {"--output", true}},
        RunStandalone};
}

}  // namespace krv::cli
