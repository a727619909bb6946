// krvctl as scripts use it: its outputs and exit codes are a contract.
#include <gtest/gtest.h>

#include "support/Process.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::Process;
using test::RunCommand;

const std::string kKrvctl = KRVCTL_PATH;

// A virtual unit in a krvctl process of its own.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> options)
        : process_([&] {
              std::vector<std::string> argv = {kKrvctl, "sim"};
              argv.insert(argv.end(), options.begin(), options.end());
              return argv;
          }())
    {
        path_ = process_.ReadLine(5000ms);
    }
    const std::string& Path() const { return path_; }
    int Stop(int signal = SIGTERM)
    {
        process_.Signal(signal);
        return process_.Wait();
    }

  private:
    Process process_;
    std::string path_;
};

TEST(KrvctlTest, InfoFromAVirtualUnit)
{
    SimProcess unit({"--circuits", "2", "--instant"});
    ASSERT_EQ(unit.Path().rfind("/dev/pts/", 0), 0u) << unit.Path();

    const auto json = RunCommand({kKrvctl, "--port", unit.Path(), "info", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\"firmware\":\"020000\",\"circuits\":2}\n");

    const auto text = RunCommand({kKrvctl, "info", "--port", unit.Path()});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "firmware 020000\ncircuits 2\n");
    EXPECT_EQ(text.err, "");

    EXPECT_EQ(unit.Stop(SIGTERM), 0);
}

TEST(KrvctlTest, InfoAtWireSpeedWithOtherCircuitsAndFirmware)
{
    SimProcess unit({"--circuits", "4", "--firmware", "03.1.0"});
    const auto result = RunCommand({kKrvctl, "--port", unit.Path(), "info", "--json"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "{\"firmware\":\"030100\",\"circuits\":4}\n");
    EXPECT_EQ(unit.Stop(SIGINT), 0);
}

TEST(KrvctlTest, SilentUnitFailsWithThePanelsMessage)
{
    SimProcess unit({"--instant", "--fault", "silent"});
    const auto result = RunCommand({kKrvctl, "--port", unit.Path(), "info"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "接続できません。\n");
}

TEST(KrvctlTest, PortThatCannotBeOpenedIsNamed)
{
    const auto result = RunCommand({kKrvctl, "--port", "/dev/ttyKrvMissing3", "info"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ttyKrvMissing3は使えません\n");
}

TEST(KrvctlTest, UsageErrorsExitTwo)
{
    for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
             {kKrvctl},
             {kKrvctl, "bogus"},
             {kKrvctl, "info", "--bogus"},
             {kKrvctl, "info", "extra"},
             {kKrvctl, "--port"},
             {kKrvctl, "sim", "--circuits", "3"},
             {kKrvctl, "sim", "--circuits", "two"},
             {kKrvctl, "sim", "--seed", "-1"},
             {kKrvctl, "sim", "--fault", "explode"},
             {kKrvctl, "ports", "--json=yes"},
         }) {
        const auto result = RunCommand(argv);
        EXPECT_EQ(result.status, 2) << argv.back();
        EXPECT_EQ(result.out, "") << argv.back();
        EXPECT_NE(result.err, "") << argv.back();
    }
}

TEST(KrvctlTest, EveryCommandHasHelp)
{
    for (const char* command : {"ports", "info", "sim"}) {
        const auto result = RunCommand({kKrvctl, command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find(std::string("krvctl")), std::string::npos) << command;
    }
    const auto main = RunCommand({kKrvctl, "--help"});
    EXPECT_EQ(main.status, 0);
    for (const char* command : {"ports", "info", "sim"}) {
        EXPECT_NE(main.out.find(command), std::string::npos);
    }
}

TEST(KrvctlTest, PortsListsPortsGivenOnTheCommandLine)
{
    SimProcess unit({"--instant"});
    const auto text = RunCommand({kKrvctl, "ports", "--port", unit.Path()});
    EXPECT_EQ(text.status, 0);
    const std::string name = unit.Path().substr(5);
    EXPECT_NE(text.out.find("(" + name + ")  "), std::string::npos) << text.out;

    const auto json = RunCommand({kKrvctl, "ports", "--json", "--port", unit.Path()});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_NE(json.out.find("\"name\":\"" + name + "\""), std::string::npos) << json.out;
}

}  // namespace
}  // namespace krv
