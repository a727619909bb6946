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
    // it is a failure.
    void PrintRestartFailure() const
    {
        for (const std::string& m : messages)
            std::fprintf(m == kWriteDone ? stdout : stderr, "%s\n", m.c_str());
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
            return UsageError("--ch" + suffix + " must be off, fixed or auto");
        }
        if (const auto text = args.Value("--fixed" + suffix); text && !FixedValueOf(*text)) {
            return UsageError("--fixed" + suffix + " must be a number");
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
                return UsageError("--fixed" + suffix + " " + *text + " is outside channel " +
                                  suffix + "'s range " + ChannelLimitsText(settings.state, k));
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
    std::fprintf(stderr, "krvctl: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
}

int Image(const Args& args, const SubcommandWords& words)
{
    if (words.rest.size() != 1) return UsageError("standalone image takes one SETTINGS file");
    if (!words.output) return UsageError("standalone image needs -o IMAGE");
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

void PrintStep(const std::string& status, int progress)
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
    const char* name = write ? "standalone write" : "standalone verify";
    if (words.rest.size() != 1) return UsageError(std::string(name) + " takes one SETTINGS file");
    if (words.output) return UsageError(std::string(name) + " takes no -o");
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
    FlowContext context{link, ui, PrintStep};
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
    if (!words.rest.empty()) return UsageError("standalone read takes no SETTINGS file");
    if (!words.output) return UsageError("standalone read needs -o IMAGE");
    if (NamesStandardOutput(*words.output)) stepStream = stderr;
    CollectingUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    if (const int status = OpenFlow(args, link, ui); status != kExitOk) {
        ui.Print(true);
        return status;
    }
    FlowContext context{link, ui, PrintStep};
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
    if (all.empty()) return UsageError("standalone needs image, write, verify or read");
    const SubcommandWords words = SplitSubcommandWords(args);
    if (words.outputMissing) return UsageError("-o needs a file name");
    const std::string& command = all[0];
    const bool takesImageOptions = command == "image" || command == "write" || command == "verify";
    for (const char* option : {"--ch1", "--ch2", "--fixed1", "--fixed2"}) {
        if (!takesImageOptions && args.Has(option)) {
            return UsageError("standalone " + command + " takes no " + option);
        }
    }
    if (command == "image") return Image(args, words);
    if (command == "write") return RunFlow(args, words, true);
    if (command == "verify") return RunFlow(args, words, false);
    if (command == "read") return Read(args, words);
    return UsageError("unknown standalone command '" + command + "'");
}

}  // namespace

Command StandaloneCommand()
{
    return {
        "standalone",
        KRV_TRANSLATE_NOOP("krvctl", "発生器の PCレス設定を作成、書き込み、照合、読み出しする"),
        "Usage: krvctl standalone image SETTINGS [IMAGE OPTIONS] -o IMAGE\n"
        "       krvctl [--port NAME] standalone write SETTINGS [IMAGE OPTIONS]\n"
        "       krvctl [--port NAME] standalone verify SETTINGS [IMAGE OPTIONS]\n"
        "       krvctl [--port NAME] standalone read -o IMAGE\n"
        "\n"
        "The standalone settings are the 2296-byte memory image by which the unit runs\n"
        "channels 1 and 2 without the PC, built from channels 1 and 2 of a settings file.\n"
        "image writes that image to a file (no unit needed). write erases the unit's memory,\n"
        "transfers and writes the image, reads it back, compares it and has the unit take it\n"
        "into use; then the unit must restart. verify reads the unit's memory back and compares\n"
        "it with the image. Both print every step with its progress, then their result\n"
        "(書込み正常終了、再起動します, 照合結果：一致); a failure prints its message to\n"
        "standard error and exits 1. A write whose unit could not be restarted through its USB\n"
        "bridge, or whose port did not come back within 5 s of the restart, has still written\n"
        "the unit: it prints why on standard error and exits 3. A refusal of the unit (NG) is\n"
        "always a failure; one without a readable code says NG（エラーコード読取不能）.\n"
        "read writes the unit's image to a file.\n"
        "Image options:\n"
        "  --ch1 off|fixed|auto, --ch2 ...   standalone mode (default: the file's)\n"
        "  --fixed1 V, --fixed2 V            fixed output value, in the channel's units\n"
        "                                    (converted units while its formula is on), within\n"
        "                                    its range; default: the range's resting value\n"
        "                                    (0, 4 for 4_20mA, 1 for 1_5V; the formula's start)\n"
        "Exit status: 0 success, 1 the unit failed, 2 usage error (also a fixed value outside\n"
        "the channel's range), 3 written but not restarted.\n",
        {{"--ch1", true},
         {"--ch2", true},
         {"--fixed1", true},
         {"--fixed2", true},
         {"--output", true}},
        RunStandalone};
}

}  // namespace krv::cli
