#include <cstdio>

#include "cli/Commands.h"
#include "cli/SettingsReport.h"
#include "files/SettingsFile.h"
#include "link/DeviceLink.h"
#include "model/GeneratorState.h"
#include "platform/OutputFile.h"
#include "platform/Translate.h"

namespace krv::cli {

namespace {

int ShowSettings(const Args& args)
{
    if (args.Positionals().size() != 2) return UsageError("settings show takes one FILE");
    const std::string path = args.Positionals()[1];
    ConsoleUserInterface ui;
    AppValues app;
    GeneratorState state(app);  // on its own: loading a file here drives no unit
    if (LoadSettingsFile(state, app, path, ui) != LoadOutcome::Loaded) return kExitUnitFailed;
    if (args.Has("--json")) {
        std::printf("%s\n", SettingsJson(state, app).c_str());
    } else {
        const std::string text = SettingsText(state, app);
        std::fwrite(text.data(), 1, text.size(), stdout);
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
    AppValues app;
    GeneratorState state(app);
    state.circuitCount = static_cast<std::int32_t>(*circuits);
    state.ResetForCircuitCount(state.circuitCount);
    std::string error;
    if (!WriteOutputFile(args.Positionals()[1], SaveSettings(state, app), &error)) {
        std::fprintf(stderr, "krvctl: cannot write %s: %s\n", args.Positionals()[1].c_str(),
                     error.c_str());
        return kExitUnitFailed;
    }
    return kExitOk;
}

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

}  // namespace

Command SettingsCommand()
{
    return {
        "settings",
        KRV_TRANSLATE_NOOP("krvctl", "設定ファイルを表示する、または新しく書く"),
        "Usage: krvctl settings show FILE [--json]\n"
        "       krvctl settings new --circuits 1|2|4 FILE\n"
        "\n"
        "show decodes a settings file (versions 100, 110 and 120); --json prints every field with\n"
        "the document's names (intervals in hundredths of a second). A file that is refused or\n"
        "ends early prints the panel's message to standard error and exits 1.\n"
        "new writes the settings of a new document for that many circuits, with no port name.\n",
        {{"--json", false}, {"--circuits", true}},
        RunSettings};
}

}  // namespace krv::cli
