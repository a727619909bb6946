// The trace facility on its own: what a line looks like, which file is chosen, what happens when
// events come faster than the disk takes them, and the size bound.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ThreadName.h"
#include "platform/Trace.h"

namespace krv {
namespace {

std::vector<std::string> LinesOf(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/krv-trace-unit-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        StopTrace();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST(TraceEscapeTest, PrintableAsItIsTheRestEscaped)
{
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"VER\r\n", R"("VER\r\n")"},
        {"\x02MS\x03\r\n", R"("\x02MS\x03\r\n")"},
        {std::string("a\0b", 3), R"("a\x00b")"},
        {"\t\\\"", R"("\t\\\"")"},
        {"\xFF\x80~ ", R"("\xFF\x80~ ")"},
        {"", R"("")"},
    };
    for (const auto& c : cases) EXPECT_EQ(TraceEscape(c.bytes), c.text) << c.text;
}

TEST(TraceRequestedTest, OptionBeforeEnvironmentAndTheLimit)
{
    const struct {
        const char* option;  // null: no --trace
        const char* env;     // null: KRV_TRACE unset
        const char* limit;   // null: KRV_TRACE_LIMIT unset
        const char* path;    // null: no trace
        std::size_t limitBytes;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, 0},
        {nullptr, "", nullptr, nullptr, 0},
        {nullptr, "/tmp/env.log", nullptr, "/tmp/env.log", kDefaultTraceLimit},
        {"/tmp/opt.log", "/tmp/env.log", nullptr, "/tmp/opt.log", kDefaultTraceLimit},
        {"/tmp/opt.log", nullptr, "4096", "/tmp/opt.log", 4096},
        {"/tmp/opt.log", nullptr, "12", "/tmp/opt.log", kDefaultTraceLimit},
        {"/tmp/opt.log", nullptr, "4k", "/tmp/opt.log", kDefaultTraceLimit},
    };
    for (const auto& c : cases) {
        c.env ? ::setenv("KRV_TRACE", c.env, 1) : ::unsetenv("KRV_TRACE");
        c.limit ? ::setenv("KRV_TRACE_LIMIT", c.limit, 1) : ::unsetenv("KRV_TRACE_LIMIT");
        std::optional<std::string> option;
        if (c.option) option = c.option;
        const auto request = TraceRequested(option);
        if (c.path == nullptr) {
            EXPECT_FALSE(request.has_value());
            continue;
        }
        ASSERT_TRUE(request.has_value()) << c.path;
        EXPECT_EQ(request->path, c.path);
        EXPECT_EQ(request->limitBytes, c.limitBytes) << (c.limit ? c.limit : "");
    }
    ::unsetenv("KRV_TRACE");
    ::unsetenv("KRV_TRACE_LIMIT");
}

TEST_F(TraceTest, OffMeansNoFileAndNoEvents)
{
    EXPECT_FALSE(TraceOn());
    TraceEvent(TraceKind::Sent, "pts/9", "VER\r\n");  // dropped quietly: no trace runs
    std::string error;
    ASSERT_TRUE(StartTrace(File("t.log"), 1 << 20, "test", &error)) << error;
    EXPECT_TRUE(TraceOn());
    TraceEvent(TraceKind::Bridge, "usb:KR2A0001", "FT_SetBaudRate(19200) = 0 FT_OK");
    StopTrace();
    EXPECT_FALSE(TraceOn());
    const auto lines = LinesOf(File("t.log"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("# KRV wire trace of test (pid ", 0), 0u) << lines[0];
    EXPECT_NE(lines[1].find(" USB usb:KR2A0001 FT_SetBaudRate(19200) = 0 FT_OK"), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(" END - trace stopped"), std::string::npos);

    EXPECT_FALSE(StartTrace(File("missing/t.log"), 1 << 20, "test", &error));
    EXPECT_NE(error.find("missing/t.log"), std::string::npos) << error;
    EXPECT_FALSE(TraceOn());
}

// Producers on several threads outrun the writer: every event is either in the file or counted
// as lost, and the file says how many were lost.
TEST_F(TraceTest, BurstsAreWrittenOrCounted)
{
    constexpr int kThreads = 3;
    constexpr int kPerThread = 20000;
    std::string error;
    ASSERT_TRUE(StartTrace(File("burst.log"), 64 << 20, "test", &error)) << error;
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([t] {
            const std::string port = "pts/" + std::to_string(t);
            for (int i = 0; i < kPerThread; ++i) TraceEvent(TraceKind::Sent, port, "\x02R1\r\n");
        });
        SetThreadName(producers.back(), "krv-test-prod");
    }
    for (std::thread& p : producers) p.join();
    const std::uint64_t dropped = TraceDropped();
    StopTrace();

    std::uint64_t written = 0;
    std::uint64_t reportedLost = 0;
    for (const std::string& line : LinesOf(File("burst.log"))) {
        if (line.find(" TX pts/") != std::string::npos) {
            EXPECT_NE(line.find(" 5 bytes \"\\x02R1\\r\\n\""), std::string::npos) << line;
            ++written;
        }
        if (const auto at = line.find(" LOST - "); at != std::string::npos) {
            reportedLost += std::stoull(line.substr(at + 8));
        }
    }
    EXPECT_EQ(written + dropped, std::uint64_t{kThreads} * kPerThread);
    EXPECT_EQ(reportedLost, dropped);
    EXPECT_FALSE(std::filesystem::exists(File("burst.log.1")));
}

// At the limit the file becomes FILE.1 (the one before is replaced) and a new one begins with
// the header: two files, each within the limit, the newest ending the trace.
TEST_F(TraceTest, RotationKeepsTwoFilesWithinTheLimit)
{
    constexpr std::size_t kLimit = 4096;
    std::string error;
    ASSERT_TRUE(StartTrace(File("rot.log"), kLimit, "test", &error)) << error;
    for (int i = 0; i < 2000; ++i) {
        TraceEvent(TraceKind::Received, "pts/1", "\x02MS0000\r\n");
        // Stay below what the queue holds, so that nothing is lost and every part is seen.
        if (i % 200 == 199) {
            StopTrace();
            ASSERT_TRUE(StartTrace(File("rot.log"), kLimit, "test", &error)) << error;
        }
    }
    StopTrace();
    for (const std::string& file : {File("rot.log"), File("rot.log.1")}) {
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        EXPECT_LE(std::filesystem::file_size(file), kLimit) << file;
        const auto lines = LinesOf(file);
        ASSERT_GE(lines.size(), 2u) << file;
        EXPECT_EQ(lines[0].rfind("# KRV wire trace of test", 0), 0u) << file;
    }
    EXPECT_FALSE(std::filesystem::exists(File("rot.log.2")));
    const auto newest = LinesOf(File("rot.log"));
    EXPECT_NE(newest.back().find(" END - trace stopped"), std::string::npos) << newest.back();
}

}  // namespace
}  // namespace krv
