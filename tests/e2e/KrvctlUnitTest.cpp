// krvctl status, set and settings against the virtual unit and real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/AsNobody.h"
#include "support/Process.h"
#include "support/SimProcess.h"
#include "support/Text.h"
#include "support/WaitUntil.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::kKrvctl;
using test::Process;
using test::RunCommand;
using test::SimProcess;

using test::Contains;

using test::ProcessTempPath;

TEST(KrvctlSettingsTest, NewFileDecodesWithEveryField)
{
    const std::string path = ProcessTempPath("new.ini");
    auto made = RunCommand({kKrvctl, "settings", "new", "--circuits", "2", path});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(std::filesystem::file_size(path), 45865u);
    const auto piped = RunCommand({kKrvctl, "settings", "new", "--circuits", "2", "/dev/stdout"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out.size(), 45865u);

    const auto shown = RunCommand({kKrvctl, "settings", "show", path, "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const std::string& json = shown.out;
    EXPECT_EQ(json.rfind("{\"circuitCount\":2,\"lastPortName\":\"\",\"linkedAutoOutput\":false,"
                         "\"channels\":[{\"range\":0,\"scalingOn\":false,\"scaledMin\":0,"
                         "\"scaledMax\":100,\"scaledDigits\":0,\"scaledUnit\":\"\",\"presets\":"
                         "[[0,5,0,0,0,0,0,0],[0,10,0,0,0,0,0,0],[-5,5,-5,-5,-5,-5,-5,-5],",
                         0),
              0u)
        << json.substr(0, 400);
    // 4 channels × 1000 points, 16 ramps each.
    std::size_t points = 0;
    for (std::size_t at = 0; (at = json.find("\"pause\":", at)) != std::string::npos; ++at)
        ++points;
    EXPECT_EQ(points, 4000u);
    std::size_t ramps = 0;
    for (std::size_t at = 0; (at = json.find("\"reserved\":", at)) != std::string::npos; ++at)
        ++ramps;
    EXPECT_EQ(ramps, 64u);
    EXPECT_TRUE(Contains(json,
                         "{\"waveform\":0,\"repeat\":0,\"start\":4,\"end\":20,\"step\":1,"
                         "\"interval\":100,\"reserved\":false}"));

    const auto text = RunCommand({kKrvctl, "settings", "show", path});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(Contains(text.out, "circuits 2\n"));
    EXPECT_TRUE(Contains(text.out, "channel 4\n"));
    std::filesystem::remove(path);
}

TEST(KrvctlSettingsTest, RefusedAndShortFilesPrintThePanelsMessages)
{
    const std::string wrong = ProcessTempPath("wrong.ini");
    std::ofstream(wrong) << "\x13<<## KRV Stop  ##>>";
    auto result = RunCommand({kKrvctl, "settings", "show", wrong});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ファイル形式が違います。\n");
    EXPECT_EQ(result.out, "");

    const std::string empty = ProcessTempPath("empty.ini");
    std::ofstream(empty).flush();
    result = RunCommand({kKrvctl, "settings", "show", empty, "--json"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, empty + " の末尾以降にアクセスしようとしました。\n");

    result = RunCommand({kKrvctl, "settings", "new", "--circuits", "3", empty});
    EXPECT_EQ(result.status, 2);
    result = RunCommand({kKrvctl, "settings", "frobnicate"});
    EXPECT_EQ(result.status, 2);
    std::filesystem::remove(wrong);
    std::filesystem::remove(empty);
}

TEST(KrvctlSettingsTest, RangesOutsideTheTableShowAsRangeZero)
{
    // Such a file used to crash `settings show` or print values from outside the data.
    const std::string path = ProcessTempPath("hostile.ini");
    ASSERT_EQ(RunCommand({kKrvctl, "settings", "new", "--circuits", "1", path}).status, 0);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const std::uint32_t range : {4096u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u, 16u}) {
        for (int i = 0; i < 4; ++i) bytes[32 + i] = static_cast<char>((range >> (8 * i)) & 0xFF);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const auto text = RunCommand({kKrvctl, "settings", "show", path});
        ASSERT_EQ(text.status, 0) << range << text.err;
        EXPECT_TRUE(Contains(text.out,
                             "channel 1\n  range 0_5V (0)\n"
                             "  conversion off: 0 to 100, 0 decimals, unit \"\"\n"
                             "  presets 0.000 5.000 0.000 0.000 0.000 0.000 0.000 0.000\n"
                             "  automatic output sawtooth: start 0, end 5, step 1, every 1.00 s, "
                             "0 cycles\n"))
            << range << text.out;
        const auto json = RunCommand({kKrvctl, "settings", "show", path, "--json"});
        ASSERT_EQ(json.status, 0) << range << json.err;
        EXPECT_TRUE(Contains(json.out, "\"channels\":[{\"range\":0,")) << range;
    }
    std::filesystem::remove(path);
}

TEST(KrvctlUnitTest, StatusShowsEveryChannelWithoutChangingOutputs)
{
    SimProcess unit({"--instant", "--circuits", "2", "--alarm", "1:main:0", "--alarm", "2:main:1",
                     "--alarm", "2:main:2", "--standalone", "10,00"});
    const auto json = RunCommand({kKrvctl, "--port", unit.Path(), "status", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"firmware\":\"020000\",\"circuits\":2,\"channels\":["
              "{\"channel\":1,\"range\":\"0_5V\",\"code\":0,\"value\":0,\"on\":false,"
              "\"alarm\":\"出力部高温\",\"calibration\":1,\"standalone\":1,\"run\":0},"
              "{\"channel\":2,\"range\":\"0_5V\",\"code\":0,\"value\":0,\"on\":false,"
              "\"alarm\":\"Slewing\",\"calibration\":1,\"standalone\":0,\"run\":0}]}\n");

    const auto text = RunCommand({kKrvctl, "--port", unit.Path(), "status"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out,
              "firmware 020000\ncircuits 2\n"
              "channel 1 range 0_5V code 0 value 0.000 off alarm 出力部高温 calibration 1 "
              "standalone 1 run 0\n"
              "channel 2 range 0_5V code 0 value 0.000 off alarm Slewing calibration 1 "
              "standalone 0 run 0\n");
}

TEST(KrvctlUnitTest, StatusOfASlowUnitAtWireSpeed)
{
    // Every reply 150 ms late, on top of the wire time: the connect and the status exchanges
    // wait for it.
    SimProcess unit({"--circuits", "2", "--fault", "delay=150"});
    const auto text = RunCommand({kKrvctl, "--port", unit.Path(), "status"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out,
              "firmware 020000\ncircuits 2\n"
              "channel 1 range 0_5V code 0 value 0.000 off alarm - calibration 1 standalone 0 "
              "run 0\n"
              "channel 2 range 0_5V code 0 value 0.000 off alarm - calibration 1 standalone 0 "
              "run 0\n");
}

TEST(KrvctlUnitTest, SetChangesOneChannelAsATypedValue)
{
    SimProcess unit({"--instant", "--circuits", "2"});
    auto set = RunCommand({kKrvctl, "--port", unit.Path(), "set", "1", "--range", "4_20mA",
                           "--value", "12.3456", "--on"});
    ASSERT_EQ(set.status, 0) << set.err;
    // 12.345 mA: (12.345 − 4) × 4095.9375 + 0.5 = 34181
    EXPECT_EQ(set.out,
              "channel 1 range 4_20mA code 34181 value 12.345 on alarm - calibration 1 "
              "standalone 0 run 0\n");

    EXPECT_EQ(set.err, "");  // cut to the range's decimals: nothing worth saying

    // Only the value changes; the range and the output stay as the unit has them. A value
    // outside the range is cut into it, as on the panel, and krvctl says so.
    set =
        RunCommand({kKrvctl, "--lang", "en", "--port", unit.Path(), "set", "1", "--value", "-0.5"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(Contains(set.out, "range 4_20mA code 0 value 4.000 on")) << set.out;
    EXPECT_EQ(set.err,
              "krvctl: --value -0.5 is outside 4.000 to 20.000 (Int 4-20 mA); 4.000 is set\n");
    set = RunCommand({kKrvctl, "--lang", "en", "--port", unit.Path(), "set", "1", "--value", "25"});
    EXPECT_TRUE(Contains(set.out, "range 4_20mA code 65535 value 20.000 on")) << set.out;
    EXPECT_EQ(set.err,
              "krvctl: --value 25 is outside 4.000 to 20.000 (Int 4-20 mA); 20.000 is set\n");

    // A range is not switched under a live output.
    set = RunCommand({kKrvctl, "--port", unit.Path(), "set", "1", "--range", "0_10V"});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "ＯＮ状態では切替できません。\n");

    set = RunCommand({kKrvctl, "--port", unit.Path(), "set", "1", "--off"});
    ASSERT_EQ(set.status, 0) << set.err;
    set = RunCommand({kKrvctl, "--port", unit.Path(), "set", "1", "--range", "E0_24mA", "--on"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(Contains(set.out, "range E0_24mA code 0 value 0.000 on")) << set.out;

    // Channel 2 was never touched.
    const auto status = RunCommand({kKrvctl, "--port", unit.Path(), "status"});
    EXPECT_TRUE(Contains(status.out, "channel 2 range 0_5V code 0 value 0.000 off")) << status.out;
}

TEST(KrvctlUnitTest, SetRefusesWhatCannotBeDone)
{
    SimProcess unit({"--instant", "--circuits", "1"});
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"set", "0"},
             {"set", "5"},
             {"set", "1", "--range", "3_7V"},
             {"set", "1", "--value", "12a"},
             {"set", "1", "--value", ""},
             {"set", "1", "--on", "--off"},
             {"set", "2", "--on"},  // the unit has one circuit
         }) {
        std::vector<std::string> argv = {kKrvctl, "--port", unit.Path()};
        argv.insert(argv.end(), args.begin(), args.end());
        const auto result = RunCommand(argv);
        EXPECT_EQ(result.status, 2) << args.back();
        EXPECT_NE(result.err, "") << args.back();
    }
}

TEST(KrvctlUnitTest, OldFirmwareAndUnreadableStatusAreReported)
{
    SimProcess old({"--instant", "--firmware", "019999"});
    auto result = RunCommand({kKrvctl, "--port", old.Path(), "status"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "KRVのファームウェアを最新版に更新してください。\n");

    SimProcess silent({"--instant", "--fault", "silent"});
    result = RunCommand({kKrvctl, "--port", silent.Path(), "set", "1", "--on"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "接続できません。\n");
}

// Status replies krvctl has taken from the unit so far, as its wire trace shows them (the trace
// is written out every few tens of milliseconds).
std::size_t StatusRepliesTraced(const std::string& trace)
{
    std::ifstream in(trace);
    std::size_t replies = 0;
    for (std::string line; std::getline(in, line);) {
        if (!Contains(line, " RX ")) continue;
        for (auto at = line.find("\\x02R"); at != std::string::npos;
             at = line.find("\\x02R", at + 1)) {
            ++replies;
        }
    }
    return replies;
}

TEST(KrvctlUnitTest, WatchPrintsTheChannelsUntilInterrupted)
{
    SimProcess unit({"--instant", "--circuits", "2"});
    const std::string trace = ProcessTempPath("watch.log");
    std::filesystem::remove(trace);
    Process watch({kKrvctl, "--port", unit.Path(), "--trace", trace, "status", "--watch"});
    EXPECT_EQ(watch.ReadLine(5000ms), "firmware 020000");
    EXPECT_EQ(watch.ReadLine(1000ms), "circuits 2");
    EXPECT_EQ(watch.ReadLine(1000ms).rfind("channel 1 range 0_5V", 0), 0u);
    EXPECT_EQ(watch.ReadLine(1000ms).rfind("channel 2 range 0_5V", 0), 0u);
    // A few polls with nothing new to print: four replies after the two of the connect.
    EXPECT_TRUE(test::WaitUntil([&] { return StatusRepliesTraced(trace) >= 6; }));
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0);
    EXPECT_EQ(watch.Out(), "");
}

TEST(KrvctlUnitTest, APortHeldByOneProgramIsRefusedToTheNextAndTheFirstCarriesOn)
{
    SimProcess unit({"--instant", "--circuits", "2"});
    Process watch({kKrvctl, "--port", unit.Path(), "status", "--watch"});
    ASSERT_EQ(watch.ReadLine(5000ms), "firmware 020000");

    // Run as root here: exclusive mode alone would let every one of them in.
    const std::string refusal = unit.Path().substr(std::string("/dev/").size()) +
                                "は使えません\n別のプログラムがこのポートを使用しています\n";
    const std::string image = ProcessTempPath("held.bin");
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"set", "1", "--on"},
             {"info"},
             {"calibration", "show"},
             {"standalone", "read", "-o", image},
         }) {
        std::vector<std::string> argv = {kKrvctl, "--port", unit.Path()};
        argv.insert(argv.end(), words.begin(), words.end());
        const auto result = RunCommand(argv);
        EXPECT_EQ(result.status, 1) << words[0];
        EXPECT_EQ(result.err, refusal) << words[0];
        EXPECT_EQ(result.out, "") << words[0];
    }
    EXPECT_FALSE(std::filesystem::exists(image));

    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0);
    // Nothing on standard error but a notice of the USB bridge library in use, if any.
    std::string watchErr = watch.Err();
    if (watchErr.rfind("USB bridge calls", 0) == 0) watchErr.erase(0, watchErr.find('\n') + 1);
    EXPECT_EQ(watchErr, "");
    const auto after = RunCommand({kKrvctl, "--port", unit.Path(), "info"});
    EXPECT_EQ(after.status, 0) << after.err;
}

TEST(KrvctlUnitTest, AnOrdinaryUserReachesTheVirtualUnitTimeAfterTime)
{
    SimProcess unit({"--instant", "--circuits", "2"});
    ASSERT_TRUE(test::OpenToEveryone(unit.Path()));
    ASSERT_EQ(RunCommand({kKrvctl, "--port", unit.Path(), "info"}).status, 0);
    const int failedAt = test::RunAsNobody([&] {
        for (int i = 1; i <= 3; ++i) {
            if (RunCommand({kKrvctl, "--port", unit.Path(), "info"}).status != 0) return i;
        }
        return 0;
    });
    EXPECT_EQ(failedAt, 0);
}

// The rows after their time stamps.
std::vector<std::string> LogRows(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);) {
        rows.push_back(rows.empty() ? line : line.substr(line.find(',') + 1));
    }
    return rows;
}

TEST(KrvctlUnitTest, CsvLogIsContinuedNeverOverwritten)
{
    SimProcess unit(
        {"--instant", "--circuits", "2", "--alarm", "1:main:0", "--standalone", "10,00"});
    const std::string path = ProcessTempPath("log.csv");
    std::filesystem::remove(path);
    const auto once = RunCommand({kKrvctl, "--port", unit.Path(), "status", "--csv", path});
    ASSERT_EQ(once.status, 0) << once.err;
    const std::vector<std::string> first = {
        "time,channel,range,value,converted_value,converted_unit,output,alarm,standalone_mode,"
        "run_state,event",
        "1,0_5V,0.000,,,off,出力部高温,fixed,stopped,start",
        "2,0_5V,0.000,,,off,,off,stopped,start",
    };
    EXPECT_EQ(LogRows(path), first);

    // Watching: status replies that change nothing add nothing; the file is continued.
    const std::string trace = ProcessTempPath("log.trace");
    std::filesystem::remove(trace);
    Process watch(
        {kKrvctl, "--port", unit.Path(), "--trace", trace, "status", "--watch", "--csv", path});
    EXPECT_EQ(watch.ReadLine(5000ms), "firmware 020000");
    EXPECT_TRUE(test::WaitUntil([&] { return StatusRepliesTraced(trace) >= 6; }));
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0);
    std::vector<std::string> twice = first;
    twice.insert(twice.end(), first.begin() + 1, first.end());
    EXPECT_EQ(LogRows(path), twice);

    // A file that is not an output log is left alone; a full disk is reported. Neither reaches
    // the unit.
    const std::string other = ProcessTempPath("other.csv");
    std::ofstream(other) << "a,b\n1,2\n";
    const auto refused = RunCommand({kKrvctl, "--port", unit.Path(), "status", "--csv", other});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(Contains(refused.err, "出力記録ファイルではないファイルには書き込みません。"));
    std::ifstream kept(other);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "a,b\n1,2\n");
    const auto full = RunCommand({kKrvctl, "--port", unit.Path(), "status", "--csv", "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(Contains(full.err, "(No space left on device)"));
    std::filesystem::remove(path);
    std::filesystem::remove(other);
}

}  // namespace
}  // namespace krv
