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
    if (args.Positionals().size() != 2)
        return UsageError(Tr("krvctl", "settings show には FILE を一つ指定します"));
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
    if (args.Positionals().size() != 2)
        return UsageError(Tr("krvctl", "settings new には FILE を一つ指定します"));
    const auto circuitsText = args.Value("--circuits");
    if (!circuitsText)
        return UsageError(Tr("krvctl", "settings new には --circuits 1|2|4 が必要です"));
    const auto circuits = ParseInteger(*circuitsText, 1, 4);
    if (!circuits || *circuits == 3)
        return UsageError(Tr("krvctl", "--circuits は 1、2、4 のいずれかです"));

    ConsoleUserInterface ui;
    AppValues app;
    GeneratorState state(app);
    state.circuitCount = static_cast<std::int32_t>(*circuits);
    state.ResetForCircuitCount(state.circuitCount);
    std::string error;
    if (!WriteOutputFile(args.Positionals()[1], SaveSettings(state, app), &error)) {
        std::fprintf(
            stderr, "krvctl: %s\n",
            WithArgs(Tr("krvctl", "%1 に書き込めません: %2"), {args.Positionals()[1], error})
                .c_str());
        return kExitUnitFailed;
    }
    return kExitOk;
}

int RunSettings(const Args& args)
{
    const auto& words = args.Positionals();
    if (words.empty()) return UsageError(Tr("krvctl", "settings には show か new が必要です"));
    if (words[0] == "show") {
        if (args.Has("--circuits"))
            return UsageError(Tr("krvctl", "settings show は --circuits をとりません"));
        return ShowSettings(args);
    }
    if (words[0] == "new") {
        if (args.Has("--json"))
            return UsageError(Tr("krvctl", "settings new は --json をとりません"));
        return NewSettings(args);
    }
    return UsageError(WithArgs(Tr("krvctl", "不明な settings のコマンド '%1'"), {words[0]}));
}

}  // namespace

Command SettingsCommand()
{
    return {
        "settings",
        KRV_TRANSLATE_NOOP("krvctl", "設定ファイルを表示する、または新しく書く"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl settings show FILE [--json]\n"
            "        krvctl settings new --circuits 1|2|4 FILE\n"
            "\n"
            "show は設定ファイル (バージョン 100、110、120) を読み解いて表示します。--json では\n"
            "すべての項目を文書の名前で表示します (間隔は 1/100 秒単位)。拒否されたファイルや\n"
            "途中で終わるファイルは、パネルのメッセージを標準エラー出力に表示し、ステータス 1 で"
            "終了します。\n"
            "new はその回路数の新しい文書の設定を、ポート名なしで書きます。\n"),
        {{"--json", false}, {"--circuits", true}},
        RunSettings};
}

}  // namespace krv::cli
