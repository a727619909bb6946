// krvctl's command table: the main help, the man page and the bash completion are all read from
// it, so each entry has to describe its own command, in the order users know.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Commands.h"
#include "support/Process.h"

namespace krv::cli {
namespace {

const std::string kKrvctl = KRVCTL_PATH;

const std::vector<std::string> kOrder = {
    "ports",    "info", "status",  "set",     "calibration", "standalone", "firmware",
    "settings", "sim",  "bridges", "restart", "doctor",      "serve",
};

TEST(KrvctlCommandsTest, EveryCommandOnceInTheKnownOrder)
{
    std::vector<std::string> names;
    for (const Command& c : AllCommands()) names.emplace_back(c.name);
    EXPECT_EQ(names, kOrder);
}

// The compiler does not notice a help text or an option list that went to the wrong command.
TEST(KrvctlCommandsTest, EachEntryDescribesItsOwnCommand)
{
    for (const Command& c : AllCommands()) {
        SCOPED_TRACE(c.name);
        const std::string help = c.help;
        const std::string usage = help.substr(0, help.find('\n'));
        EXPECT_EQ(usage.rfind("使い方: krvctl ", 0), 0u) << usage;
        EXPECT_NE((usage + " ").find(" " + std::string(c.name) + " "), std::string::npos) << usage;
        ASSERT_FALSE(help.empty());
        EXPECT_EQ(help.back(), '\n');
        EXPECT_NE(std::string(c.summary), "");
        EXPECT_EQ(std::string(c.summary).find('\n'), std::string::npos);
        EXPECT_NE(c.run, nullptr);
        for (const OptionSpec& option : c.options) {
            // --output is documented by its short form.
            const std::string named = option.name == "--output" ? "-o " : option.name;
            EXPECT_NE(help.find(named), std::string::npos) << option.name;
        }
    }
}

// The command list of the main help: name and summary of each line under `heading`.
std::vector<std::pair<std::string, std::string>> ListedCommands(const std::string& help,
                                                                const std::string& heading)
{
    std::vector<std::pair<std::string, std::string>> listed;
    const std::size_t from = help.find(heading);
    if (from == std::string::npos) return listed;
    std::istringstream section(help.substr(from + heading.size()));
    for (std::string line; std::getline(section, line) && !line.empty();) {
        std::istringstream words(line);
        std::string name;
        std::string summary;
        words >> name >> std::ws;
        std::getline(words, summary);
        listed.emplace_back(name, summary);
    }
    return listed;
}

// What the program prints is the table: the main help lists every command with its summary, in
// order, and `krvctl COMMAND --help` prints that command's text and nothing else.
TEST(KrvctlCommandsTest, KrvctlPrintsTheEntries)
{
    const auto main = test::RunCommand({kKrvctl, "--lang", "ja", "--help"});
    ASSERT_EQ(main.status, 0);
    std::vector<std::pair<std::string, std::string>> expected;
    for (const Command& c : AllCommands()) expected.emplace_back(c.name, c.summary);
    EXPECT_EQ(ListedCommands(main.out, "コマンド:\n"), expected);

    for (const Command& c : AllCommands()) {
        const auto result = test::RunCommand({kKrvctl, c.name, "--help"});
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(result.out, c.help) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
    }
}

}  // namespace
}  // namespace krv::cli

namespace krv::cli {
namespace {

bool Ascii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The main help speaks the locale's language, English only for an English one, and --lang wins;
// the English text comes from the built catalogue, found beside the program in the build tree.
TEST(KrvctlCommandsTest, MainHelpInTheLocalesLanguage)
{
    struct Case {
        const char* language;  // LANGUAGE
        const char* lang;      // LANG
        std::vector<std::string> options;
        bool english;
    };
    const Case cases[] = {
        {"", "en_US.UTF-8", {}, true},  {"", "C", {}, false},
        {"", "POSIX", {}, false},       {"", "ja_JP.UTF-8", {}, false},
        {"en", "C", {}, true},          {"", "C", {"--lang", "en"}, true},
        {"", "C", {"--lang=en"}, true}, {"", "en_US.UTF-8", {"--lang", "ja"}, false},
    };
    for (const Case& c : cases) {
        ::setenv("LANGUAGE", c.language, 1);
        ::setenv("LANG", c.lang, 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        std::vector<std::string> argv = {kKrvctl};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        argv.emplace_back("--help");
        const auto result = test::RunCommand(argv);
        const std::string described = std::string("LANGUAGE=") + c.language + " LANG=" + c.lang +
                                      (c.options.empty() ? "" : " " + c.options.back());
        EXPECT_EQ(result.status, 0) << described;
        EXPECT_EQ(result.err, "") << described;
        const auto english = ListedCommands(result.out, "Commands:\n");
        const auto japanese = ListedCommands(result.out, "コマンド:\n");
        const auto& listed = c.english ? english : japanese;
        ASSERT_EQ(listed.size(), AllCommands().size()) << described << "\n" << result.out;
        EXPECT_TRUE((c.english ? japanese : english).empty()) << described;
        EXPECT_EQ(result.out.rfind(c.english ? "Usage: krvctl " : "使い方: krvctl ", 0), 0u)
            << described;
        // Usage and command list; the rest quotes a message of the port's as it is.
        const std::string head =
            result.out.substr(0, result.out.find("\n\n", result.out.find(":\n")));
        EXPECT_EQ(Ascii(head), c.english) << described;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            EXPECT_EQ(listed[i].second == AllCommands()[i].summary, !c.english)
                << described << ": " << listed[i].first;
        }
    }
}

// The core's messages follow the same choice: the refusal of a port that cannot be opened.
TEST(KrvctlCommandsTest, PortRefusalInTheLocalesLanguage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"en_US.UTF-8", "krv-no-such-port cannot be used"},
        {"C", "krv-no-such-portは使えません"},
    };
    for (const auto& [lang, refusal] : cases) {
        ::setenv("LANG", lang, 1);
        const auto result = test::RunCommand({kKrvctl, "--port", "/dev/krv-no-such-port", "info"});
        EXPECT_NE(result.status, 0) << lang;
        EXPECT_NE(result.err.find(refusal), std::string::npos) << lang << ": " << result.err;
    }
}

}  // namespace
}  // namespace krv::cli

namespace krv::cli {
namespace {

// krvctl under the locale LANG=`lang`, the other locale variables unset; the test's own
// environment stays as it is.
test::RunResult RunIn(const std::string& lang, const std::vector<std::string>& words)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u",           "LANGUAGE",
                                     "-u",           "LC_ALL",       "-u",
                                     "LC_MESSAGES",  "LANG=" + lang, kKrvctl};
    argv.insert(argv.end(), words.begin(), words.end());
    return test::RunCommand(argv);
}

// Japanese script: kana, CJK ideographs and full-width forms (three-byte UTF-8 from U+3000 on).
bool HasJapanese(const std::string& text)
{
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if ((lead == 0xE3 && next >= 0x80) || (lead >= 0xE4 && lead <= 0xE9) || lead == 0xEF) {
            return true;
        }
    }
    return false;
}

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Each command's own help follows the locale as the main help does: the Japanese source under
// C, POSIX and a Japanese locale, its English under an English one or --lang en, and no command
// left with the same text in both.
TEST(KrvctlLanguageTest, EveryCommandsHelpInTheLocalesLanguage)
{
    struct Case {
        const char* lang;
        std::vector<std::string> options;
        bool english;
    };
    const Case cases[] = {
        {"C", {}, false},
        {"POSIX", {}, false},
        {"ja_JP.UTF-8", {}, false},
        {"en_US.UTF-8", {}, true},
        {"C", {"--lang", "en"}, true},
        {"en_GB.UTF-8", {"--lang=ja"}, false},
    };
    for (const Command& c : AllCommands()) {
        std::string english;
        for (const Case& k : cases) {
            std::vector<std::string> words = k.options;
            words.insert(words.end(), {c.name, "--help"});
            const auto result = RunIn(k.lang, words);
            const std::string described = std::string(c.name) + " under LANG=" + k.lang +
                                          (k.options.empty() ? "" : " " + k.options.back());
            EXPECT_EQ(result.status, 0) << described;
            EXPECT_EQ(result.err, "") << described;
            if (!k.english) {
                EXPECT_EQ(result.out, c.help) << described;
                EXPECT_TRUE(HasJapanese(result.out.substr(0, result.out.find('\n')))) << described;
                continue;
            }
            EXPECT_EQ(result.out.rfind("Usage: krvctl ", 0), 0u) << described << "\n" << result.out;
            EXPECT_EQ(Lines(result.out), Lines(c.help)) << described;
            // The English names the options as typed, the same ones as the Japanese.
            for (const OptionSpec& option : c.options) {
                const std::string named = option.name == "--output" ? "-o " : option.name;
                EXPECT_NE(result.out.find(named), std::string::npos) << described << ": " << named;
            }
            if (english.empty()) english = result.out;
            EXPECT_EQ(result.out, english) << described;
        }
        EXPECT_NE(english, c.help) << c.name;
    }
}

// A usage error names the fault in the language of the rest, says where help is and exits 2;
// the option names and values quoted stay as typed.
TEST(KrvctlLanguageTest, UsageErrorsInBothLanguages)
{
    struct Case {
        std::vector<std::string> words;
        const char* japanese;
        const char* english;
    };
    const Case cases[] = {
        {{"status", "extra"}, "status は引数をとりません", "status takes no arguments"},
        {{"status", "--bogus"}, "不明なオプション --bogus", "unknown option --bogus"},
        {{"info", "--json=1"}, "--json は値をとりません", "--json takes no value"},
        {{"status", "--csv"}, "--csv には値が必要です", "--csv needs a value"},
        {{"frobnicate"}, "不明なコマンド 'frobnicate'", "unknown command 'frobnicate'"},
        {{"--lang", "fr", "info"},
         "--lang は en か ja です。'fr' ではありません",
         "--lang takes en or ja, not 'fr'"},
        {{"set", "7"},
         "チャンネルは 1、2、3、4 のいずれかです",
         "the channel must be 1, 2, 3 or 4"},
        {{"set", "1", "--on", "--off"},
         "--on と --off は同時に指定できません",
         "--on and --off together"},
        {{"calibration", "set", "1", "--range", "0_5V", "--mode", "user", "--zero", "-5"},
         "0_5V の --zero は 0 ～ 200 の整数です",
         "--zero must be a whole number from 0 to 200 for 0_5V"},
        {{"calibration", "show", "--save"},
         "calibration show は --save をとりません",
         "calibration show takes no --save"},
        {{"standalone", "image", "plant.ini", "--ch1", "on", "-o", "out.bin"},
         "--ch1 は off、fixed、auto のいずれかです",
         "--ch1 must be off, fixed or auto"},
        {{"standalone", "verify", "plant.ini", "-o", "out.bin"},
         "standalone verify は -o をとりません",
         "standalone verify takes no -o"},
        {{"firmware", "pack", "a.srec", "-o", "b.cya", "--version", "12"},
         "--version は 16 進 6 桁 (020100) で指定します。\"12\" ではありません",
         "--version takes six hexadecimal digits (020100), not \"12\""},
        {{"firmware", "info", "a.cya", "--yes"},
         "firmware info は --yes をとりません",
         "firmware info takes no --yes"},
        {{"settings"}, "settings には show か new が必要です", "settings needs show or new"},
        {{"sim", "--alarm", "9:main:0"},
         "--alarm 9:main:0: CH:main:BIT か CH:ext:BIT (CH は 1 ～ 2、BIT は 0 ～ 15) で指定します",
         "--alarm 9:main:0: expected CH:main:BIT or CH:ext:BIT with CH 1 to 2 and BIT 0 to 15"},
        {{"--simulate=3", "info"},
         "--simulate の回路数は 1、2、4 のいずれかです。\"3\" ではありません",
         "--simulate takes 1, 2 or 4 circuits, not \"3\""},
        {{"--connect", "localhost:x", "status"},
         "--connect は HOST[:PORT] (IPv4 アドレスか localhost) で指定します。\"localhost:x\" "
         "ではありません",
         "--connect takes HOST[:PORT] (an IPv4 address or localhost), not \"localhost:x\""},
        {{"--connect", "localhost", "info"},
         "--connect は status だけのもので、--port や --simulate とは併せられません",
         "--connect is for status alone, without --port or --simulate"},
    };
    for (const Case& c : cases) {
        for (const bool english : {false, true}) {
            const auto result = RunIn(english ? "en_US.UTF-8" : "C", c.words);
            std::string described = english ? "en:" : "ja:";
            for (const std::string& w : c.words) described += " " + w;
            EXPECT_EQ(result.status, kExitUsage) << described;
            EXPECT_EQ(result.out, "") << described;
            EXPECT_EQ(
                result.err,
                std::string("krvctl: ") + (english ? c.english : c.japanese) + "\n" +
                    (english ? "Try 'krvctl --help'." : "'krvctl --help' を参照してください。") +
                    "\n")
                << described;
        }
    }
}

// The doctor's report on this machine, whatever it finds: every check under its title in the
// language asked for, a verdict tag of that language, a summary in it; the JSON keeps its ids and
// verdict codes, only the texts change.
TEST(KrvctlLanguageTest, DoctorReportInBothLanguages)
{
    struct Case {
        const char* lang;
        std::vector<std::string> tags;
        std::vector<std::string> titles;
        std::vector<std::string> summaries;  // how the last line may begin
    };
    const Case cases[] = {
        {"C",
         {"[正常]", "[注意]", "[異常]", "[ -- ]"},
         {"USB ブリッジ", "カーネルドライバ", "シリアルポートのアクセス", "USB デバイスのアクセス",
          "udev ルール", "レイテンシタイマー", "ModemManager", "ポートを持つ他のプログラム",
          "ブリッジの EEPROM", "発生器のファームウェア"},
         {"問題は見つかりませんでした。", "問題 "}},
        {"en_US.UTF-8",
         {"[ OK ]", "[WARN]", "[FAIL]", "[ -- ]"},
         {"USB bridge", "Kernel driver", "Serial port access", "USB device access", "udev rule",
          "Latency timer", "ModemManager", "Other programs on the port", "Bridge EEPROM",
          "Unit firmware"},
         {"No problems found.", "0 problems, ", "1 problem, "}},
    };
    std::vector<std::string> verdicts[2];
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        const auto text = RunIn(c.lang, {"doctor"});
        EXPECT_TRUE(text.status == kExitOk || text.status == kExitUnitFailed) << c.lang;
        std::istringstream lines(text.out);
        std::vector<std::string> titles;
        std::string line;
        std::string last;
        while (std::getline(lines, line)) {
            last = line;
            if (line.rfind("       ", 0) == 0) continue;  // a further line of a check
            const auto known = std::find_if(c.tags.begin(), c.tags.end(), [&](const auto& t) {
                return line.rfind(t + " ", 0) == 0;
            });
            if (known == c.tags.end()) break;
            const std::size_t from = known->size() + 1;
            titles.push_back(line.substr(from, line.find(':', from) - from));
        }
        EXPECT_EQ(titles, c.titles) << c.lang << "\n" << text.out;
        EXPECT_TRUE(std::any_of(c.summaries.begin(), c.summaries.end(),
                                [&](const std::string& s) { return last.rfind(s, 0) == 0; }))
            << c.lang << ": " << last;

        const auto json = RunIn(c.lang, {"doctor", "--json"});
        EXPECT_EQ(json.status, text.status) << c.lang;
        for (const std::string& title : c.titles) {
            EXPECT_NE(json.out.find("\"title\":\"" + title + "\""), std::string::npos)
                << c.lang << ": " << title;
        }
        // Ids and verdict codes, in order: the same words in both languages.
        for (std::size_t at = 0; (at = json.out.find("\"id\":", at)) != std::string::npos;) {
            const std::size_t verdict = json.out.find("\"verdict\":", at);
            verdicts[k].push_back(json.out.substr(at, json.out.find(',', at) - at) + " " +
                                  json.out.substr(verdict, json.out.find(',', verdict) - verdict));
            at = verdict;
        }
    }
    EXPECT_EQ(verdicts[0].size(), cases[0].titles.size());
    EXPECT_EQ(verdicts[0], verdicts[1]);
}

}  // namespace
}  // namespace krv::cli
