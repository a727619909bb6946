// krvctl calibration and standalone against the virtual unit and real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/SettingsFile.h"
#include "flows/LinkFrameSink.h"
#include "flows/StandaloneFlows.h"
#include "model/GeneratorState.h"
#include "model/StandaloneImageBuilder.h"
#include "support/Process.h"
#include "support/SimFixture.h"
#include "support/SimProcess.h"
#include "support/Text.h"

namespace krv {
namespace {

using test::kKrvctl;
using test::RunCommand;

using test::Contains;
using test::ProcessTempPath;

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

using test::FileBytes;

class KrvctlMaintenanceTest : public test::SimFixture {
  protected:
    test::RunResult Krvctl(std::vector<std::string> words)
    {
        std::vector<std::string> argv = {kKrvctl, "--port", server->PortPath()};
        argv.insert(argv.end(), words.begin(), words.end());
        return RunCommand(argv);
    }
};

TEST_F(KrvctlMaintenanceTest, CalibrationShowSetAndReset)
{
    StartUnit();
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.Calibration().Set(0, kRange0_5V, {0x0001, 0xFFFE, 0x8003, 0x0000, 0x7FF6});
        unit.Calibration().Set(1, kRange4_20mA, {0x0105, 0, 0x8000, 0, 0x8000});
    });

    auto shown = Krvctl({"calibration", "show", "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(
        shown.out.rfind("{\"firmware\":\"020000\",\"circuits\":2,\"entries\":[{\"channel\":1,"
                        "\"code\":0,\"key\":\"0_5V\",\"makerZero\":-2,\"makerGain\":3,"
                        "\"userZero\":0,\"userGain\":-10,\"mode\":1},{\"channel\":1,\"code\":1,",
                        0),
        0u)
        << shown.out;
    std::size_t entries = 0;
    for (std::size_t at = 0; (at = shown.out.find("\"channel\":", at)) != std::string::npos; ++at) {
        ++entries;
    }
    EXPECT_EQ(entries, 20u);
    EXPECT_TRUE(EndsWith(shown.out,
                         "\"key\":\"E0_24mA\",\"makerZero\":0,\"makerGain\":0,"
                         "\"userZero\":0,\"userGain\":0,\"mode\":1}]}\n"));

    shown = Krvctl({"calibration", "show"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.rfind("Version\t2.000\n回路数\t2\n\nアナログ出力調整値\n", 0), 0u);
    EXPECT_TRUE(Contains(shown.out, "チャネル 1\n  0～5 V\t\t-2\t3\t0\t-10\tメーカー\n"));
    EXPECT_FALSE(Contains(shown.out, "\r"));

    // Set changes the selector bits only, and the corrections given; --save stores them.
    auto set = Krvctl({"calibration", "set", "2", "--range", "4_20mA", "--mode", "user", "--zero",
                       "-7", "--gain", "12", "--save"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "channel 2 range 4_20mA mode user zero -7 gain 12 saved\n");
    const auto stored = server->WithUnit(
        [](sim::VirtualUnit& unit) { return unit.Calibration().Stored(1, kRange4_20mA); });
    EXPECT_EQ(stored, (sim::CalibrationValues{0x0106, 0, 0x8000, 0xFFF9, 0x800C}));

    // Bounds are checked before anything is sent.
    server->ClearRecords();
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"calibration", "set", "1", "--range", "0_10V", "--mode", "user",
                                   "--zero", "-1"},
          {"calibration", "set", "1", "--range", "1_5V", "--mode", "user", "--zero", "-201"},
          {"calibration", "set", "1", "--range", "1_5V", "--mode", "maker", "--gain", "201"},
          {"calibration", "set", "1", "--range", "1_5V", "--mode", "on"},
          {"calibration", "set", "1", "--range", "2_5V", "--mode", "off"},
          {"calibration", "set", "5", "--range", "1_5V", "--mode", "off"},
          {"calibration", "show", "--save"}}) {
        const auto refused = Krvctl(words);
        EXPECT_EQ(refused.status, 2) << testing::PrintToString(words);
    }
    EXPECT_TRUE(server->Received().empty());
    const auto noChannel =
        Krvctl({"--lang", "en", "calibration", "set", "3", "--range", "1_5V", "--mode", "off"});
    EXPECT_EQ(noChannel.status, 2);
    EXPECT_TRUE(Contains(noChannel.err, "the unit has 2 circuits"));

    const auto reset = Krvctl({"calibration", "reset-user"});
    EXPECT_EQ(reset.status, 0) << reset.err;
    EXPECT_EQ(server->WithUnit([](sim::VirtualUnit& unit) {
        return unit.Calibration().Stored(1, kRange4_20mA).userZero;
    }),
              0);
}

TEST_F(KrvctlMaintenanceTest, CalibrationReadThatFailsSaysSo)
{
    sim::UnitConfig config;
    std::string error;
    ASSERT_TRUE(sim::ParseCommandFaults("silent-after=4", config.faults, &error));
    StartUnit("", true, config);
    const auto shown = Krvctl({"calibration", "show"});
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(shown.err, "通信エラーが発生しました\n");
    EXPECT_EQ(shown.out, "");
}

TEST_F(KrvctlMaintenanceTest, StandaloneImageWriteVerifyAndRead)
{
    // A settings file with both channels in automatic mode and points of their own.
    AppValues app;
    app.linkedAutoOutput = true;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    state.circuitCount = 2;
    state.ResetForCircuitCount(2);
    for (int k = 0; k < 2; ++k) {
        state.autoOutput[k].standaloneMode = kStandaloneAuto;
        for (int i = 0; i < 30 + 50 * k; ++i) {
            state.autoOutput[k].points[i] = {true, 0.25f * static_cast<float>(i % 9), 10 + i,
                                             i == 5};
        }
    }
    const std::string settings = ProcessTempPath("standalone.ini");
    ASSERT_TRUE(SaveSettingsFile(state, app, settings));

    const std::string image = ProcessTempPath("image.bin");
    auto made =
        RunCommand({kKrvctl, "standalone", "image", settings, "--fixed2", "3.5", "-o", image});
    ASSERT_EQ(made.status, 0) << made.err;
    const StandaloneImage expected = BuildStandaloneImage(state, {0.0f, 3.5f}, true);
    EXPECT_EQ(FileBytes(image), std::string(expected.bytes.begin(), expected.bytes.end()));

    StartUnit();
    // Through a bare port there is no bridge to restart the unit by: written, but not restarted.
    auto written = Krvctl({"standalone", "write", settings, "--fixed2", "3.5"});
    ASSERT_EQ(written.status, 3) << written.err;
    EXPECT_EQ(written.out.rfind("  0% 消去中\n  5% 消去中\n", 0), 0u) << written.out;
    EXPECT_TRUE(Contains(written.out, " 90% データ読出中4\n100% データ読出中4\n100% 書込完了\n"));
    EXPECT_TRUE(EndsWith(written.out, "100% 再起動中\n書込み正常終了、再起動します\n"))
        << written.out;
    EXPECT_EQ(written.err, std::string(kRestartByHand) + "\n");

    auto verified = Krvctl({"standalone", "verify", settings, "--fixed2", "3.5"});
    ASSERT_EQ(verified.status, 0) << verified.err;
    EXPECT_TRUE(EndsWith(verified.out, " 90% 照合完了\n照合結果：一致\n")) << verified.out;

    const auto differs = Krvctl({"standalone", "verify", settings, "--ch2", "fixed"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(differs.err, "照合エラー PCレス\n");

    const std::string back = ProcessTempPath("back.bin");
    const auto read = Krvctl({"standalone", "read", "-o", back});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(FileBytes(back), FileBytes(image));
    // To standard output the image comes alone; the steps go to standard error.
    const auto piped = Krvctl({"standalone", "read", "-o", "-"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, FileBytes(image));
    EXPECT_TRUE(Contains(piped.err, "% データ読出中")) << piped.err;

    // After a restart the unit runs both channels itself.
    server->Restart();
    EXPECT_EQ(server->WithUnit([](sim::VirtualUnit& unit) {
        return unit.Standalone(0).mode * 10 + unit.Standalone(1).mode;
    }),
              22);

    for (const std::string& path : {settings, image, back}) std::filesystem::remove(path);
}

TEST_F(KrvctlMaintenanceTest, StandaloneRefusalsAndUsage)
{
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    state.ResetForCircuitCount(2);
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 128; ++i) state.autoOutput[k].points[i] = {true, 1.0f, 10, false};
    }
    const std::string settings = ProcessTempPath("many.ini");
    ASSERT_TRUE(SaveSettingsFile(state, app, settings));
    StartUnit();

    const auto refused =
        Krvctl({"standalone", "write", settings, "--ch1", "auto", "--ch2", "auto"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "任意波データの合計数が 256 以上です\n");
    EXPECT_TRUE(server->Received().empty());
    // Only automatic channels count: with channel 2 fixed the write goes ahead.
    EXPECT_EQ(Krvctl({"standalone", "write", settings, "--ch1", "auto", "--ch2", "fixed"}).status,
              3);

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"standalone", "image", settings},
          {"standalone", "image", settings, "-o"},
          {"standalone", "image", settings, "--ch1", "on", "-o", "x"},
          {"standalone", "image", settings, "--fixed1", "1V", "-o", "x"},
          {"standalone", "image", settings, "--fixed1", "-7", "-o", "x"},
          {"standalone", "image", settings, "--fixed2", "1e300", "-o", "x"},
          {"standalone", "write", settings, "--fixed1", "5.001"},
          {"standalone", "read"},
          {"standalone", "read", "-o", "x", "--ch1", "auto"},
          {"standalone", "verify", settings, "-o", "x"},
          {"standalone", "erase"}}) {
        EXPECT_EQ(RunCommand([&] {
                      std::vector<std::string> argv = {kKrvctl};
                      argv.insert(argv.end(), words.begin(), words.end());
                      return argv;
                  }())
                      .status,
                  2)
            << testing::PrintToString(words);
    }
    const auto outside = RunCommand(
        {kKrvctl, "--lang", "en", "standalone", "image", settings, "--fixed1", "-7", "-o", "x"});
    EXPECT_EQ(outside.err.rfind("krvctl: --fixed1 -7 is outside channel 1's range 0.000 to 5.000 "
                                "(0-5 V)\n",
                                0),
              0u)
        << outside.err;
    std::filesystem::remove(settings);
}

TEST(KrvctlSimTest, UnitFaultsRefuseTheErase)
{
    EXPECT_EQ(RunCommand({kKrvctl, "sim", "--unit-fault", "pe=xyz"}).status, 2);

    const std::string settings = ProcessTempPath("fault.ini");
    ASSERT_EQ(RunCommand({kKrvctl, "settings", "new", "--circuits", "2", settings}).status, 0);
    test::SimProcess sim({"--instant", "--unit-fault", "pe=3A"});
    ASSERT_FALSE(sim.Path().empty());
    const auto written =
        RunCommand({kKrvctl, "--port", sim.Path(), "standalone", "write", settings});
    EXPECT_EQ(written.status, 1);
    EXPECT_EQ(written.err, "E2-2 ブランク異常、終了します\n");
    EXPECT_EQ(sim.Stop(), 0);

    // A refusal whose code arrives damaged is a failure all the same.
    test::SimProcess damaged({"--instant", "--unit-fault", "pe=3A", "--fault", "corrupt=3/5A#NG"});
    ASSERT_FALSE(damaged.Path().empty());
    const auto unreadable =
        RunCommand({kKrvctl, "--port", damaged.Path(), "standalone", "write", settings});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "NG（エラーコード読取不能）、終了します\n");
    EXPECT_EQ(damaged.Stop(), 0);
    std::filesystem::remove(settings);
}

}  // namespace
}  // namespace krv
