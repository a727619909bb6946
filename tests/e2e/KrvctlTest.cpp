// krvctl as scripts use it: its outputs and exit codes are a contract.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/Process.h"
#include "support/PtyClient.h"
#include "support/SimProcess.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::Process;
using test::RunCommand;

using test::kKrvctl;
using test::SimProcess;

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
             {kKrvctl, "sim", "--standalone", "21"},
             {kKrvctl, "sim", "--standalone", "31,00"},
             {kKrvctl, "sim", "--standalone", "21,1x"},
             {kKrvctl, "sim", "--alarm", "1:main"},
             {kKrvctl, "sim", "--alarm", "3:main:0"},  // the unit has 2 circuits
             {kKrvctl, "sim", "--circuits", "1", "--alarm", "2:ext:0"},
             {kKrvctl, "sim", "--alarm", "1:aux:0"},
             {kKrvctl, "sim", "--alarm", "1:main:16"},
             {kKrvctl, "sim", "--alarm", "1:main:1", "--alarm", "1:main:-1"},
             {kKrvctl, "sim", "--calibration-mode", "65536"},
             {kKrvctl, "sim", "--calibration-mode", "0x"},
             {kKrvctl, "sim", "--calibration-mode", "one"},
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
    EXPECT_NE(main.out.find("--version"), std::string::npos);
    EXPECT_NE(main.out.find("-v, --verbose"), std::string::npos);
}

TEST(KrvctlTest, QuietUnlessAskedAndSaysItsVersion)
{
    const auto version = RunCommand({kKrvctl, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("krvctl ") + KRV_VERSION + "\n");
    EXPECT_EQ(version.err + version.notices, "");

    // A command that needs no unit prints nothing on standard error.
    char dir[] = "/tmp/krv-quiet-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/new.ini";
    const auto made = RunCommand({kKrvctl, "settings", "new", "--circuits", "2", file});
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(made.err + made.notices, "");
    ::unlink(file.c_str());
    ::rmdir(dir);
}

TEST(KrvctlTest, SimWithStandaloneModesAlarmsAndCalibrationMode)
{
    SimProcess unit({"--instant", "--circuits", "4", "--standalone", "21,10", "--alarm", "1:main:1",
                     "--alarm", "1:main:4", "--alarm", "4:ext:3", "--calibration-mode", "0x0002"});
    sim::Client client(unit.Path());
    ASSERT_TRUE(client.Valid()) << unit.Path();

    client.Write("\x02MS\x03\r\n");
    EXPECT_EQ(client.ReadLines(1), "\x02MS2110\r\n");

    client.Write("\x02R1\r\n");
    const std::string first = client.ReadLines(1);
    ASSERT_EQ(first.size(), 60u) << first;
    EXPECT_EQ(first.substr(25, 4), "0012");  // main status: slewing and CRC1
    EXPECT_EQ(first.substr(45, 4), "0000");
    EXPECT_EQ(first.substr(49, 4), "0002");  // calibration mode of range 0
    EXPECT_EQ(first.substr(53, 2), "01");    // automatic output running

    client.Write("\x02R4\r\n");
    const std::string fourth = client.ReadLines(1);
    ASSERT_EQ(fourth.size(), 60u) << fourth;
    EXPECT_EQ(fourth.substr(25, 4), "0000");
    EXPECT_EQ(fourth.substr(45, 4), "0008");  // external status: CRC2
    EXPECT_EQ(fourth.substr(53, 2), "00");

    EXPECT_EQ(unit.Stop(SIGTERM), 0);
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

namespace krv {
namespace {

TEST(KrvctlTest, PortsWatchPrintsTheListAndEndsOnSigterm)
{
    SimProcess unit({"--instant"});
    const std::string entry = "(" + unit.Path().substr(5) + ")  ";
    Process watch({kKrvctl, "ports", "--watch", "--port", unit.Path()});
    ASSERT_TRUE(watch.Started());
    // The system's own ports may come first; the list is printed before watching starts.
    bool listed = false;
    for (int i = 0; i < 300 && !listed; ++i) {
        const std::string line = watch.ReadLine(5000ms);
        if (line.empty()) break;
        listed = line.rfind(entry, 0) == 0;
    }
    EXPECT_TRUE(listed);
    watch.Signal(SIGTERM);
    const int status = watch.Wait();
    if (status == 1) {
        // No udev events in this sandbox: the reason is named.
        EXPECT_NE(watch.Err().find("krvctl: cannot watch the ports: "), std::string::npos);
    } else {
        EXPECT_EQ(status, 0) << watch.Err();
    }
}

}  // namespace
}  // namespace krv
