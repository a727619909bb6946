// krvctl's command table: the main help, the man page and the bash completion are all read from
// it, so each entry has to describe its own command, in the order users know.
#include <gtest/gtest.h>

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

// What the program prints is the table: the main help lists every command with its summary, in
// order, and `krvctl COMMAND --help` prints that command's text and nothing else.
TEST(KrvctlCommandsTest, KrvctlPrintsTheEntries)
{
    const auto main = test::RunCommand({kKrvctl, "--help"});
    ASSERT_EQ(main.status, 0);
    const std::size_t from = main.out.find("Commands:\n");
    ASSERT_NE(from, std::string::npos);
    std::istringstream section(main.out.substr(from + 10));
    std::vector<std::pair<std::string, std::string>> listed;
    for (std::string line; std::getline(section, line) && !line.empty();) {
        std::istringstream words(line);
        std::string name;
        std::string summary;
        words >> name >> std::ws;
        std::getline(words, summary);
        listed.emplace_back(name, summary);
    }
    std::vector<std::pair<std::string, std::string>> expected;
    for (const Command& c : AllCommands()) expected.emplace_back(c.name, c.summary);
    EXPECT_EQ(listed, expected);

    for (const Command& c : AllCommands()) {
        const auto result = test::RunCommand({kKrvctl, c.name, "--help"});
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(result.out, c.help) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
    }
}

}  // namespace
}  // namespace krv::cli
