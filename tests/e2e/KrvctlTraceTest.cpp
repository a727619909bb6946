// The wire trace as a service engineer records it: krvctl against the virtual unit over its
// pseudo-terminal, with --trace or KRV_TRACE.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/SimProcess.h"

namespace krv {
namespace {

using test::kKrvctl;
using test::RunCommand;
using test::SimProcess;

class TraceDir {
  public:
    TraceDir()
    {
        char pattern[] = "/tmp/krv-trace-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) path_ = pattern;
    }
    ~TraceDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::vector<std::string> LinesOf(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct TraceEvent {
    std::string stamp;
    std::string kind;
    std::string port;
    std::string text;
};

// Every line after the header is "YYYY-MM-DD HH:MM:SS.uuuuuu KIND PORT TEXT", in time order.
std::vector<TraceEvent> EventsOf(const std::string& path)
{
    static const std::regex kLine(
        R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6}) (TX|RX|PORT|USB|EXCH|LOST|END) (\S+) (.*)$)");
    const std::vector<std::string> lines = LinesOf(path);
    std::vector<TraceEvent> events;
    EXPECT_FALSE(lines.empty()) << path;
    if (lines.empty()) return events;
    EXPECT_EQ(lines[0].rfind("# KRV wire trace of krvctl ", 0), 0u) << lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].rfind("# ", 0) == 0) continue;  // a later run appending to the file
        std::smatch m;
        if (!std::regex_match(lines[i], m, kLine)) {
            ADD_FAILURE() << "not a trace line: " << lines[i];
            continue;
        }
        events.push_back({m[1], m[2], m[3], m[4]});
    }
    for (std::size_t i = 1; i < events.size(); ++i) {
        EXPECT_LE(events[i - 1].stamp, events[i].stamp) << "line " << i + 1 << " of " << path;
    }
    return events;
}

// The frames of one direction, in order, as the trace writes them (escaped, in quotes).
std::string FramesOf(const std::vector<TraceEvent>& events, const std::string& kind,
                     const std::string& port)
{
    std::string frames;
    for (const TraceEvent& e : events) {
        if (e.kind != kind || e.port != port) continue;
        const auto quote = e.text.find('"');
        if (quote != std::string::npos)
            frames += e.text.substr(quote + 1, e.text.size() - quote - 2);
    }
    return frames;
}

std::string PortOf(const SimProcess& unit)
{
    return unit.Path().substr(std::string("/dev/").size());
}

TEST(KrvctlTraceTest, ConnectAndOneValueChangeAreTracedFrameByFrame)
{
    TraceDir dir;
    SimProcess unit({"--instant", "--circuits", "2"});
    const std::string trace = dir.File("wire.log");
    const auto set = RunCommand({kKrvctl, "--port", unit.Path(), "--trace", trace, "set", "1",
                                 "--range", "0_10V", "--value", "2.5", "--on"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.err, "");

    const auto events = EventsOf(trace);
    const std::string port = PortOf(unit);
    const std::string sent = FramesOf(events, "TX", port);
    const std::string received = FramesOf(events, "RX", port);
    // Connect (VER, CH, MS, the channels' R), then the new value (W1) and its read-back.
    EXPECT_EQ(sent.rfind("VER\\r\\nCH\\r\\n\\x02MS\\x03\\r\\n\\x02R1\\r\\n", 0), 0u) << sent;
    EXPECT_NE(sent.find("\\x02W10140001"), std::string::npos) << sent;
    EXPECT_EQ(received.rfind("VER02.000\\r\\nCH2\\r\\n\\x02MS0000\\r\\n\\x02R1", 0), 0u)
        << received;
    EXPECT_NE(received.find("\\x02R10140001"), std::string::npos) << received;
    // Byte counts are those of the frames themselves.
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().kind, "PORT");
    EXPECT_NE(events.front().text.find("opened"), std::string::npos) << events.front().text;
    EXPECT_EQ(events[1].kind + " " + events[1].text, "TX 5 bytes \"VER\\r\\n\"");
    EXPECT_EQ(events.back().kind, "END");
    EXPECT_EQ(unit.Stop(), 0);
}

TEST(KrvctlTraceTest, EnvironmentNamesTheFileAndRotationKeepsItBounded)
{
    TraceDir dir;
    SimProcess unit({"--instant", "--circuits", "2"});
    const std::string trace = dir.File("env.log");
    ASSERT_EQ(::setenv("KRV_TRACE", trace.c_str(), 1), 0);
    ASSERT_EQ(::setenv("KRV_TRACE_LIMIT", "2048", 1), 0);
    for (int run = 0; run < 6; ++run) {
        const auto info = RunCommand({kKrvctl, "--port", unit.Path(), "info"});
        EXPECT_EQ(info.status, 0) << info.err;
    }
    // --trace wins over the environment.
    const std::string chosen = dir.File("chosen.log");
    EXPECT_EQ(RunCommand({kKrvctl, "--port", unit.Path(), "--trace", chosen, "info"}).status, 0);
    ::unsetenv("KRV_TRACE");
    ::unsetenv("KRV_TRACE_LIMIT");

    // Six runs of some 700 bytes each went past 2048 bytes: the older part is FILE.1, each file
    // is a whole trace within the limit and begins with its header.
    for (const std::string& file : {trace, trace + ".1"}) {
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        EXPECT_LE(std::filesystem::file_size(file), 2048u) << file;
        const auto events = EventsOf(file);
        EXPECT_NE(FramesOf(events, "TX", PortOf(unit)).find("VER\\r\\n"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(trace + ".2"));
    EXPECT_NE(FramesOf(EventsOf(chosen), "RX", PortOf(unit)).find("CH2\\r\\n"), std::string::npos);
    EXPECT_EQ(unit.Stop(), 0);
}

TEST(KrvctlTraceTest, TimeOutsAndGivingUpAreTraced)
{
    TraceDir dir;
    SimProcess unit({"--instant", "--fault", "silent"});
    const std::string trace = dir.File("silent.log");
    const auto info = RunCommand({kKrvctl, "--port", unit.Path(), "--trace", trace, "info"});
    EXPECT_EQ(info.status, 1);

    std::vector<std::string> outcomes;
    for (const TraceEvent& e : EventsOf(trace)) {
        if (e.kind == "EXCH") outcomes.push_back(e.port + " " + e.text);
    }
    const std::string port = PortOf(unit);
    const std::vector<std::string> expected = {
        port + " \"VER\\r\\n\": no reply within 501 ms: sending again, try 2 of 4",
        port + " \"VER\\r\\n\": no reply within 501 ms: sending again, try 3 of 4",
        port + " \"VER\\r\\n\": no reply within 501 ms: sending again, try 4 of 4",
        port + " \"VER\\r\\n\": no reply within 501 ms: gave up, every try is spent",
    };
    EXPECT_EQ(outcomes, expected);
    unit.Stop();
}

// The bridge's calls, in order, with their results: what a restart that fails silently in the
// field is diagnosed from.
TEST(KrvctlTraceTest, BridgeCallsOfARestartAreTracedWithTheirResults)
{
    TraceDir dir;
    const std::string trace = dir.File("restart.log");
    const auto restart = RunCommand({kKrvctl, "--simulate=2", "--trace", trace, "restart"});
    ASSERT_EQ(restart.status, 0) << restart.err;
    std::vector<std::string> calls;
    for (const TraceEvent& e : EventsOf(trace)) {
        if (e.kind == "USB") calls.push_back(e.port + " " + e.text);
    }
    const std::vector<std::string> expected = {
        "usb:KR2A0001 FT_OpenEx(\"Holvik KRV FT230X\", by description) = 0 FT_OK",
        "usb:KR2A0001 FT_ResetDevice = 0 FT_OK",
        "usb:KR2A0001 FT_SetTimeouts(5 ms, 5 ms) = 0 FT_OK",
        "usb:KR2A0001 FT_Purge(rx) = 0 FT_OK",
        "usb:KR2A0001 FT_SetBitMode(mask 0x00, mode 0x00) = 0 FT_OK",
        "usb:KR2A0001 FT_SetTimeouts(5 ms, 5 ms) = 0 FT_OK",
        "usb:KR2A0001 FT_SetLatencyTimer(5 ms) = 0 FT_OK",
        "usb:KR2A0001 FT_SetBaudRate(19200) = 0 FT_OK",
        "usb:KR2A0001 FT_SetDataCharacteristics(8N1) = 0 FT_OK",
        "usb:KR2A0001 restart pulse on the CBUS pins",
        "usb:KR2A0001 FT_SetBitMode(mask 0x31, mode 0x20) = 0 FT_OK",
        "usb:KR2A0001 FT_SetBitMode(mask 0x30, mode 0x20) = 0 FT_OK",
        "usb:KR2A0001 FT_SetBitMode(mask 0x00, mode 0x00) = 0 FT_OK",
        "usb:KR2A0001 FT_Close = 0 FT_OK",
    };
    EXPECT_EQ(calls, expected);
}

TEST(KrvctlTraceTest, AnUnwritableTraceIsAUsageError)
{
    const auto info = RunCommand(
        {kKrvctl, "--lang", "en", "--port", "pts/0", "--trace", "/nonexistent-dir/t.log", "info"});
    EXPECT_EQ(info.status, 2);
    EXPECT_EQ(info.err.rfind("krvctl: cannot write the trace: /nonexistent-dir/t.log: ", 0), 0u)
        << info.err;
}

}  // namespace
}  // namespace krv
