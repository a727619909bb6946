#include <cstdio>

#include "cli/Commands.h"
#include "cli/SettingsReport.h"
#include "files/SettingsFile.h"
#include "link/DeviceLink.h"
#include "model/GeneratorState.h"
#include "platform/OutputFile.h"

namespace krv::cli {

namespace {

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
    DeviceLink link(ui);
    AppValues app;
    GeneratorState state(link, app);
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
