// krvctl: the unit from the command line, for test rigs, scripts and our own end-to-end tests.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Catalogue.h"
#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "link/D2xxLibraries.h"
#include "platform/Language.h"
#include "platform/Trace.h"
#include "platform/Translate.h"

namespace krv::cli {
namespace {

// The main help, in the language krvctl speaks: the tools that read it (the man page, the bash
// completion) ask for it with --lang en. Each block keeps its line count in both languages.
void PrintMainHelp(std::FILE* out)
{
    std::fputs(Tr("krvctl",
                  "使い方: krvctl [--port NAME | --simulate[=1|2|4]] [--lang LANG] [--trace FILE] "
                  "COMMAND [OPTIONS]\n"
                  "\n"
                  "KRV アナログ出力発生器をシリアルポートから操作します。仮想の発生器を提供する"
                  "こともできます。\n"
                  "\n"
                  "コマンド:\n")
                   .c_str(),
               out);
    for (const Command& c : AllCommands()) {
        std::fprintf(out, "  %-10s %s\n", c.name, TrMarked("krvctl", c.summary).c_str());
    }
    std::fputs(
        Tr("krvctl",
           "\n"
           "オプション:\n"
           "  --port NAME   発生器のシリアルポート: /dev の下の名前 (ttyUSB0、pts/3) またはパス。\n"
           "                省略すると、説明に発生器のブリッジの名前 (\"Holvik KRV FT230X\") を\n"
           "                持つ唯一のポートを使います。\n"
           "  --simulate[=N]\n"
           "                N 回路 (1、2、4。既定は 2) の仮想の発生器をこのプロセスで動かし、その\n"
           "                疑似端末をシリアルポートとして、また模擬 USB ブリッジ "
           "(bridges、restart)\n"
           "                を通して操作します。併せて使えるもの:\n"
           "                --bridge-serial TEXT     発生器のブリッジのシリアル番号 (既定は KR、\n"
           "                                         回路数の数字、A0001)\n"
           "                --extra-bridge SERIAL[:DESCRIPTION]\n"
           "                                         自分の発生器を持つもう一つのブリッジ\n"
           "                --unit-fault SPEC        発生器とブートローダーの障害 ('krvctl sim'\n"
           "                                         と同じ指定)\n"
           "                --bridge-fault SPEC      ブリッジ上の応答の障害 ('krvctl sim' と同じ\n"
           "                                         指定)\n"
           "  --connect HOST[:PORT]\n"
           "                status 専用: ポートの代わりに HOST (IPv4 アドレスまたは localhost。\n"
           "                既定のポートは 5025) の krvctl serve "
           "に問い合わせます。他の人がサーバー\n"
           "                経由で発生器を操作している間も記録できます\n"
           "  --sim-bridge SOCKET\n"
           "                'krvctl sim --bridge-socket SOCKET' "
           "が提供する仮想の発生器のブリッジに\n"
           "                接続します (pty は 'krvctl sim' が表示します。--port で指定します)\n"
           "  --help        この説明。'krvctl COMMAND --help' で各コマンドを説明します。\n"
           "  --lang LANG   表示の言語: en (英語) または ja (日本語)。省略時は LANGUAGE、\n"
           "                LC_ALL、LC_MESSAGES、LANG が en で始まれば英語、それ以外は日本語\n"
           "  -v, --verbose USB ブリッジの呼び出しを受け持つライブラリ (D2XX) も標準エラー\n"
           "                出力に表示します\n"
           "  --version     krvctl のバージョンを表示して終了します\n"
           "  --trace FILE  通信トレースを FILE に記録します: 送受信したすべてのフレーム、USB\n"
           "                ブリッジの呼び出し、やり取りの再試行とタイムアウトを、1 行に 1 件、\n"
           "                マイクロ秒単位のタイムスタンプ (UTC) 付きで。4 MB で FILE.1 に名前を\n"
           "                変えて新しいファイルを始めます。環境変数 KRV_TRACE=FILE "
           "でも同じです。\n"
           "                --trace が優先します。\n")
            .c_str(),
        out);
    std::fputs(Tr("krvctl",
                  "\n"
                  "終了ステータス: 0 成功、1 発生器の失敗、2 使い方の誤り、3 PCレス設定の書き込み"
                  "は\n"
                  "済んだが発生器が再起動されなかった ('krvctl standalone --help' を参照)。\n")
                   .c_str(),
               out);
    std::fputs(
        Tr("krvctl",
           "\n"
           "ポートは一度に一つのプログラムだけが、すべてのユーザー (root を含む) "
           "に対して使えます。\n"
           "二つ目のプログラムはポートのメッセージと、2 行目の\n"
           "別のプログラムがこのポートを使用しています で拒否され、一つ目はそのまま動き続けます。\n"
           "-o FILE (と settings new の FILE): 通常のファイル (シンボリックリンクの指す先も。"
           "リンクは\n"
           "残ります) は丸ごと置き換えるか新しく作るので、書きかけで残ることはありません。FIFO、\n"
           "デバイス、/dev/stdout にはそのまま書き込みます。-o - は標準出力です (コマンドの報告は\n"
           "そのとき標準エラー出力に出ます)。\n")
            .c_str(),
        out);
}

// The language of --lang (the first one given, before or after the command), else the locale's.
// A --lang without en or ja is answered in the locale's language: `wrong` gets the value.
std::optional<Language> LanguageOption(const std::vector<std::string>& words,
                                       std::optional<std::string>& wrong)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string value;
        if (words[i] == "--lang") {
            if (i + 1 == words.size()) break;  // the parser names the missing value
            value = words[i + 1];
        } else if (words[i].rfind("--lang=", 0) == 0) {
            value = words[i].substr(7);
        } else {
            continue;
        }
        const auto language = ParseLanguage(value);
        if (!language) wrong = value;
        return language;
    }
    return std::nullopt;
}

int Main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    // -v is the one short option; every other word beginning with a single dash stays as it is.
    for (std::string& w : words) {
        if (w == "-v") w = "--verbose";
    }
    // Which library serves the bridge calls is said only when asked for; decided before anything
    // (the virtual unit of --simulate included) asks for the library.
    ShowD2xxNotice(std::find(words.begin(), words.end(), "--verbose") != words.end());
    std::optional<std::string> wrongLanguage;
    const auto language = LanguageOption(words, wrongLanguage);
    UseLanguage(ChooseLanguage(language, std::nullopt, ProcessEnvironment()));
    if (wrongLanguage) {
        return UsageError(WithArgs(Tr("krvctl", "--lang は en か ja です。'%1' ではありません"),
                                   {*wrongLanguage}));
    }

    // The command is the first word that is neither an option nor the value of a global one.
    std::size_t commandAt = words.size();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].rfind("--", 0) == 0) {
            // Look the option up before skipping its value: the index may then be past the end.
            const auto option =
                std::find_if(kGlobalOptions.begin(), kGlobalOptions.end(),
                             [&](const OptionSpec& o) { return words[i] == o.name; });
            if (option != kGlobalOptions.end() && option->takesValue && !option->valueOptional) ++i;
            continue;
        }
        commandAt = i;
        break;
    }
    if (commandAt == words.size()) {
        for (const std::string& w : words) {
            if (w == "--help") {
                PrintMainHelp(stdout);
                return kExitOk;
            }
            // Only before a command: firmware pack has a --version of its own.
            if (w == "--version") {
                std::printf("krvctl %s\n", KRV_VERSION);
                return kExitOk;
            }
        }
        PrintMainHelp(stderr);
        return kExitUsage;
    }

    const std::string name = words[commandAt];
    const Command* command = nullptr;
    for (const Command& c : AllCommands()) {
        if (name == c.name) command = &c;
    }
    if (!command) return UsageError(WithArgs(Tr("krvctl", "不明なコマンド '%1'"), {name}));

    words.erase(words.begin() + static_cast<std::ptrdiff_t>(commandAt));
    std::vector<OptionSpec> known = kGlobalOptions;
    known.insert(known.end(), command->options.begin(), command->options.end());
    Args args;
    std::string error;
    if (!args.Parse(words, known, error)) return UsageError(error);
    if (args.Has("--help")) {
        std::fputs(TrMarked("krvctl", command->help).c_str(), stdout);
        return kExitOk;
    }
    if (args.Has("--connect") &&
        (name != "status" || args.Has("--port") || args.Has("--simulate"))) {
        return UsageError(Tr("krvctl",
                             "--connect は status だけのもので、--port や --simulate "
                             "とは併せられません"));
    }
    if (name == "sim" && args.Has("--simulate")) {
        return UsageError(Tr("krvctl",
                             "sim は自分の発生器を提供します。--simulate は他の"
                             "コマンドのものです"));
    }
    // Outlives the simulation and the command, so their last frames are in it.
    TraceSession trace;
    if (!trace.Start(args.Value("--trace"), "krvctl " KRV_VERSION, &error)) {
        return UsageError(WithArgs(Tr("krvctl", "トレースを書けません: %1"), {error}));
    }
    // Lives until the command is done, and the link with it.
    ActiveSimulation simulation;
    if (name != "sim") {
        if (const int status = simulation.Start(args); status != kExitOk) return status;
    }
    return command->run(args);
}

}  // namespace
}  // namespace krv::cli

int main(int argc, char** argv)
{
    return krv::cli::Main(argc, argv);
}
