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
        EXPECT_EQ(usage.rfind("Usage: krvctl ", 0), 0u) << usage;
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
