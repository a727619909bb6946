#include "app/CommandLine.h"

#include <initializer_list>

#include "platform/Translate.h"

namespace krv {

namespace {

constexpr int kDefaultSimulatedCircuits = 2;

std::optional<CommandLine> Fail(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
    return std::nullopt;
}

}  // namespace

std::string CommandLineUsage()
{
    // Options and metavariables stay as they are typed, in both languages.
    return Tr(
        "CommandLine",
        "使い方: bremix2 [オプション] [SETTINGS-FILE]\n"
        "\n"
        "KRVの操作パネルです。SETTINGS-FILE は設定ファイル(*.ini)で、起動時に新規設定の\n"
        "代わりに開きます。\n"
        "\n"
        "オプション:\n"
        "  --simulate[=CIRCUITS]  回路数 1、2、4 (既定 2) の仮想ユニットを疑似端末で動かし、\n"
        "                         ポート一覧の先頭に置きます\n"
        "  --port PATH            シリアルポート PATH も一覧に加えます (繰り返し指定可)\n"
        "  --trace FILE           ユニットとの通信の記録を FILE に書きます (KRV_TRACE=FILE\n"
        "                         でも同じ)。4 MB に達すると FILE.1 になります\n"
        "  --lang LANG            パネルの言語: en (英語) または ja (日本語)。指定がなければ\n"
        "                         パネルで選んだ言語、それもなければロケールの言語\n"
        "  --help                 この説明を表示します\n");
}

std::optional<Language> LanguageArgument(const std::vector<std::string>& args)
{
    std::optional<Language> found;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        std::optional<Language> language;
        if (arg == "--lang" && i + 1 < args.size()) {
            language = ParseLanguage(args[++i]);
        } else if (arg.rfind("--lang=", 0) == 0) {
            language = ParseLanguage(arg.substr(7));
        }
        if (language) found = language;
    }
    return found;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, bool strict,
                                            std::string* error)
{
    CommandLine result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            result.help = true;
        } else if (!optionsEnded && arg == "--simulate") {
            result.simulateCircuits = kDefaultSimulatedCircuits;
        } else if (!optionsEnded && arg.rfind("--simulate=", 0) == 0) {
            const std::string value = arg.substr(11);
            if (value != "1" && value != "2" && value != "4") {
                return Fail(error,
                            WithArg(Tr("CommandLine",
                                       "--simulate の回路数は 1、2、4 のいずれかです (「%1」)"),
                                    value));
            }
            result.simulateCircuits = value[0] - '0';
        } else if (!optionsEnded && (arg == "--port" || arg.rfind("--port=", 0) == 0)) {
            std::string value;
            if (arg == "--port") {
                if (i + 1 >= args.size())
                    return Fail(error, Tr("CommandLine", "--port にはパス PATH が要ります"));
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value.empty())
                return Fail(error, Tr("CommandLine", "--port にはパス PATH が要ります"));
            result.ports.push_back(value);
        } else if (!optionsEnded && (arg == "--trace" || arg.rfind("--trace=", 0) == 0)) {
            if (arg == "--trace") {
                if (i + 1 >= args.size())
                    return Fail(error, Tr("CommandLine", "--trace にはファイル FILE が要ります"));
                result.traceFile = args[++i];
            } else {
                result.traceFile = arg.substr(8);
            }
            if (result.traceFile.empty())
                return Fail(error, Tr("CommandLine", "--trace にはファイル FILE が要ります"));
        } else if (!optionsEnded && (arg == "--lang" || arg.rfind("--lang=", 0) == 0)) {
            std::string value;
            if (arg == "--lang") {
                if (i + 1 >= args.size())
                    return Fail(error, Tr("CommandLine", "--lang には en か ja が要ります"));
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            result.language = ParseLanguage(value);
            if (!result.language)
                return Fail(error,
                            WithArg(Tr("CommandLine", "--lang は en か ja です (「%1」)"), value));
        } else if (!optionsEnded && arg.rfind("--", 0) == 0) {
            return Fail(error, WithArg(Tr("CommandLine", "不明なオプション %1"), arg));
        } else if (!strict) {
            // Left for the toolkit, or checked in the strict pass.
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Fail(error, WithArg(Tr("CommandLine", "不明なオプション %1"), arg));
        } else if (!result.settingsFile.empty()) {
            return Fail(error, WithArgs(Tr("CommandLine",
                                           "開ける設定ファイルは１つだけです (「%1」と「%2」)"),
                                        {result.settingsFile, arg}));
        } else if (arg.empty()) {
            return Fail(error, Tr("CommandLine", "設定ファイル名が空です"));
        } else {
            result.settingsFile = arg;
        }
    }
    return result;
}

}  // namespace krv
