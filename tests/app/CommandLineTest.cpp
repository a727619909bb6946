// The panel's command line.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace krv {
namespace {

std::optional<CommandLine> Parse(std::vector<std::string> args, bool strict = true,
                                 std::string* error = nullptr)
{
    return ParseCommandLine(args, strict, error);
}

TEST(CommandLineTest, OptionsAndFile)
{
    const auto none = Parse({});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->settingsFile.empty());
    EXPECT_EQ(none->simulateCircuits, 0);

    const auto all = Parse({"--simulate", "--port", "/dev/ttyUSB4", "--port=/tmp/p", "a.ini"});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->simulateCircuits, 2);
    EXPECT_EQ(all->ports, (std::vector<std::string>{"/dev/ttyUSB4", "/tmp/p"}));
    EXPECT_EQ(all->settingsFile, "a.ini");
    EXPECT_TRUE(all->traceFile.empty());
    EXPECT_EQ(Parse({"--trace", "/tmp/w.log", "a.ini"})->traceFile, "/tmp/w.log");
    EXPECT_EQ(Parse({"--trace=w.log"})->traceFile, "w.log");

    for (const char* n : {"1", "2", "4"}) {
        const auto sim = Parse({std::string("--simulate=") + n});
        ASSERT_TRUE(sim);
        EXPECT_EQ(sim->simulateCircuits, n[0] - '0');
    }
    EXPECT_TRUE(Parse({"--help"})->help);
    EXPECT_EQ(Parse({})->language, std::nullopt);
    EXPECT_EQ(Parse({"--lang", "en"})->language, Language::English);
    EXPECT_EQ(Parse({"--lang=ja", "a.ini"})->language, Language::Japanese);
    // After "--" a name that looks like an option is a file.
    EXPECT_EQ(Parse({"--", "--odd.ini"})->settingsFile, "--odd.ini");
}

TEST(CommandLineTest, MistakesAreRefusedWithAReason)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--simulate=3"},
                                                                  {"--simulate=0"},
                                                                  {"--simulate="},
                                                                  {"--simulate=2x"},
                                                                  {"--port"},
                                                                  {"--port="},
                                                                  {"--trace"},
                                                                  {"--trace="},
                                                                  {"--lang"},
                                                                  {"--lang=de"},
                                                                  {"--lang", "EN"},
                                                                  {"--bogus"},
                                                                  {"-x"},
                                                                  {"a.ini", "b.ini"},
                                                                  {""}}) {
        std::string error;
        EXPECT_FALSE(Parse(args, true, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(CommandLineTest, BeforeQtOnlyTheProgramsOwnOptionsAreChecked)
{
    // Qt's options and their values are still in the list at that point.
    const auto early = Parse({"-platform", "offscreen", "--simulate=4", "x.ini"}, false);
    ASSERT_TRUE(early);
    EXPECT_EQ(early->simulateCircuits, 4);
    EXPECT_FALSE(Parse({"-platform", "offscreen", "--simulate=3"}, false));
    EXPECT_FALSE(Parse({"--colour"}, false));
}

}  // namespace
}  // namespace krv
