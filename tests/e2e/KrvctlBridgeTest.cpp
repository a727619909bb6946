// krvctl on the USB bridge: bridges, restart and the in-process virtual unit of --simulate.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/Process.h"
#include "support/SimProcess.h"

namespace krv {
namespace {

using test::kKrvctl;
using test::RunCommand;

const std::string kNoUnit = "アナログユニットが接続されていません\n";

TEST(KrvctlBridgeTest, SimulatedUnitIsTheOneBridgeListed)
{
    const auto json = RunCommand({kKrvctl, "--simulate=2", "bridges", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"units\":1,\"devices\":[{\"index\":0,\"serial\":\"KR2A0001\","
              "\"description\":\"Holvik KRV FT230X\",\"unit\":true}]}\n");
    EXPECT_EQ(json.err, "");
    // Which library serves the bridge calls is said only when asked, and then once.
    EXPECT_EQ(json.notices, "");
    for (const char* verbose : {"-v", "--verbose"}) {
        const auto told = RunCommand({kKrvctl, verbose, "--simulate=2", "bridges", "--json"});
        EXPECT_EQ(told.out, json.out);
        EXPECT_EQ(told.notices, "USB bridge calls (D2XX): simulated bridge (virtual unit)\n");
    }

    const auto text = RunCommand({kKrvctl, "--simulate=4", "--extra-bridge", "XY4A0002",
                                  "--extra-bridge=KR1A0003:FT230X Basic UART", "bridges"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out,
              "units 1\n"
              "0\tKR4A0001\tHolvik KRV FT230X\tunit\n"
              "1\tXY4A0002\tHolvik KRV FT230X\t-\n"
              "2\tKR1A0003\tFT230X Basic UART\t-\n");
}

TEST(KrvctlBridgeTest, RestartNeedsExactlyOneUnit)
{
    const auto one = RunCommand({kKrvctl, "--simulate=2", "restart"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "restarted KR2A0001\n");

    const auto two = RunCommand({kKrvctl, "--simulate=2", "--extra-bridge", "KR2B0002", "restart"});
    EXPECT_EQ(two.status, 1);
    EXPECT_EQ(two.err, "アナログユニットが２台以上接続されています\n１台のみ接続してください\n");

    const auto none = RunCommand({kKrvctl, "--simulate", "--bridge-serial", "XY2A0001", "restart"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, kNoUnit);
}

TEST(KrvctlBridgeTest, WithoutABridgeNoUnitIsReportedCleanly)
{
    const auto result = RunCommand({kKrvctl, "bridges", "--json", "--verbose"});
    if (result.status == 0) GTEST_SKIP() << "a unit is plugged into this machine";
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out.rfind("{\"units\":0,\"devices\":[", 0), 0u) << result.out;
    EXPECT_EQ(result.err, kNoUnit);
    EXPECT_EQ(result.notices.rfind("USB bridge calls (D2XX): ", 0), 0u);

    const auto restart = RunCommand({kKrvctl, "restart"});
    EXPECT_EQ(restart.status, 1);
    EXPECT_EQ(restart.err, kNoUnit);
}

TEST(KrvctlBridgeTest, StandaloneWriteRestartsTheUnitOverItsBridge)
{
    char dir[] = "/tmp/krv-bridge-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string settings = std::string(dir) + "/two.ini";
    ASSERT_EQ(RunCommand({kKrvctl, "settings", "new", "--circuits", "2", settings}).status, 0);
    const auto written = RunCommand({kKrvctl, "--simulate=2", "standalone", "write", settings});
    EXPECT_EQ(written.status, 0) << written.err;
    // The unit is restarted through the bridge: nobody is asked to switch it off and on.
    EXPECT_NE(written.out.find("書込み正常終了、再起動します\n"), std::string::npos) << written.out;
    EXPECT_EQ(written.out.find("電源を入れ直してください"), std::string::npos) << written.out;
    ::unlink(settings.c_str());
    ::rmdir(dir);
}

TEST(KrvctlBridgeTest, SimulateServesEveryCommandThroughThePty)
{
    const auto info = RunCommand({kKrvctl, "--simulate=1", "info", "--json"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out, "{\"firmware\":\"020000\",\"circuits\":1}\n");

    const auto ports = RunCommand({kKrvctl, "--simulate", "ports"});
    EXPECT_EQ(ports.status, 0) << ports.err;
    EXPECT_NE(ports.out.find("KRV virtual unit"), std::string::npos) << ports.out;

    for (const std::vector<std::string>& argv :
         {std::vector<std::string>{kKrvctl, "--simulate=3", "info"},
          {kKrvctl, "--bridge-serial", "KR2A0009", "info"},
          {kKrvctl, "--simulate", "sim"}}) {
        EXPECT_EQ(RunCommand(argv).status, 2) << argv[1];
    }
}

// The unit's and the flows' own messages that krvctl prints, in the language asked for; the
// write's result stays news on standard output in both.
TEST(KrvctlBridgeTest, UnitMessagesInBothLanguages)
{
    char dir[] = "/tmp/krv-bridge-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string settings = std::string(dir) + "/two.ini";
    ASSERT_EQ(RunCommand({kKrvctl, "settings", "new", "--circuits", "2", settings}).status, 0);
    const struct {
        std::vector<std::string> words;
        bool onError;  // standard error, else standard output
        const char* japanese;
        const char* english;
    } cases[] = {
        {{"--simulate", "--bridge-serial", "XY2A0001", "restart"},
         true,
         "アナログユニットが接続されていません\n",
         "No analog unit is connected\n"},
        {{"--simulate=2", "--extra-bridge", "KR2B0002", "restart"},
         true,
         "アナログユニットが２台以上接続されています\n１台のみ接続してください\n",
         "Two or more analog units are connected\nConnect only one\n"},
        {{"firmware", "info", std::string(dir) + "/none.cya"},
         true,
         "ファイルが開けません\n",
         "Cannot open the file\n"},
        {{"--simulate=2", "standalone", "write", settings},
         false,
         "書込み正常終了、再起動します\n",
         "Written; the unit restarts\n"},
    };
    for (const auto& c : cases) {
        for (const char* language : {"ja", "en"}) {
            std::vector<std::string> argv = {kKrvctl, "--lang", language};
            argv.insert(argv.end(), c.words.begin(), c.words.end());
            const auto result = RunCommand(argv);
            const std::string& stream = c.onError ? result.err : result.out;
            const std::string expected = language[0] == 'e' ? c.english : c.japanese;
            EXPECT_NE(stream.find(expected), std::string::npos)
                << language << " " << c.words.back() << ": " << stream;
        }
    }
    ::unlink(settings.c_str());
    ::rmdir(dir);
}

}  // namespace
}  // namespace krv
