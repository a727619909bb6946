// The output log: rows, the rule for existing files, and files that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/OutputLog.h"
#include "model/GeneratorState.h"
#include "platform/UniqueFd.h"
#include "support/FileContents.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Header()
{
    return std::string(kOutputLogHeader) + "\n";
}

using test::ReadAll;

void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Local time in a zone of the test's choosing for as long as it lives.
class ZoneForTest {
  public:
    explicit ZoneForTest(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneForTest()
    {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

  private:
    std::optional<std::string> saved_;
};

class OutputLogTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("krv-log-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = folder / "log.csv";
    }
    void TearDown() override { fs::remove_all(folder); }

    // 2024-05-01 12:00:00.250 UTC, a second later at every call.
    OutputLog::WallClock Clock()
    {
        return [this] {
            return std::chrono::system_clock::time_point(1714564800250ms) + (ticks++) * 1s;
        };
    }

    fs::path folder;
    fs::path path;
    int ticks = 0;
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
};

TEST(OutputLogFormatTest, TimeIsLocalWithMillisecondsAndOffset)
{
    const auto moment = std::chrono::system_clock::time_point(1714564800250ms);
    {
        ZoneForTest zone("JST-9");
        EXPECT_EQ(FormatLogTime(moment), "2024-05-01T21:00:00.250+09:00");
    }
    {
        ZoneForTest zone("UTC0");
        EXPECT_EQ(FormatLogTime(moment + 5ms), "2024-05-01T12:00:00.255+00:00");
    }
    {
        ZoneForTest zone("<-0330>3:30");  // Newfoundland without summer time
        EXPECT_EQ(FormatLogTime(moment), "2024-05-01T08:30:00.250-03:30");
    }
}

TEST(OutputLogFormatTest, FieldsWithCommasQuotesOrLineBreaksAreQuoted)
{
    OutputLogRow row;
    row.time = "t";
    row.channel = 2;
    row.range = "USER";
    row.value = "1.000";
    row.convertedValue = "-12";
    row.convertedUnit = "a,\"b";
    row.on = true;
    row.alarm = "x\ny";
    row.standaloneMode = "off";
    row.runState = "stopped";
    row.event = "sent";
    EXPECT_EQ(FormatLogRow(row), "t,2,USER,1.000,-12,\"a,\"\"b\",on,\"x\ny\",off,stopped,sent\n");
}

TEST_F(OutputLogTest, RowsDescribeTheChannelAsTheProgramKnowsIt)
{
    ZoneForTest zone("UTC0");
    OutputLog log(ui, Clock());
    ASSERT_TRUE(log.Start(path));

    ChannelSettings& c = state.channels[0];
    c.range = kRange4_20mA;
    c.outputValue = 12.0;
    state.ValueToCode(0);
    state.SetOutputOn(0, true);
    log.Record(state, 0, OutputEvent::Sent);
    log.Record(state, 0, OutputEvent::Status);  // nothing changed: no row

    // The unit reports a fault; the PC runs an automatic output.
    c.mainStatus = 0x0002;
    log.Record(state, 0, OutputEvent::Status);
    state.autoOutput[0].runState = 1;
    log.Record(state, 0, OutputEvent::RunState);

    // Converted units 0 to 100 %, reversed order does not matter to the log.
    ChannelSettings& d = state.channels[1];
    d.range = kRange0_10V;
    d.scaledMin = 0.0;
    d.scaledMax = 100.0;
    d.scaledDigits = 1;
    d.scaledUnit = "%";
    d.scalingOn = true;
    d.outputValue = 25.0;
    state.ValueToCode(1);
    state.unitAutoOutput[1].standaloneMode = kStandaloneAuto;
    state.autoOutput[1].runState = 2;
    log.Record(state, 1, OutputEvent::Status);

    // An external-supply range reports through its own word.
    ChannelSettings& e = state.channels[2];
    e.range = kRangeE4_20mA;
    e.outputValue = 4.0;
    state.ValueToCode(2);
    e.extStatus = 0x0008;
    log.Record(state, 2, OutputEvent::Status);
    log.Stop();

    EXPECT_EQ(ReadAll(path),
              Header() +
                  "2024-05-01T12:00:00.250+00:00,1,4_20mA,12.000,,,on,,off,stopped,sent\n"
                  "2024-05-01T12:00:01.250+00:00,1,4_20mA,12.000,,,on,Slewing,off,stopped,status\n"
                  "2024-05-01T12:00:02.250+00:00,1,4_20mA,12.000,,,on,Slewing,off,running,run\n"
                  "2024-05-01T12:00:03.250+00:00,2,0_10V,2.500,25.0,%,off,,auto,paused,status\n"
                  "2024-05-01T12:00:04.250+00:00,3,E4_20mA,4.000,,,off,CRC2,off,stopped,status\n");
    EXPECT_EQ(log.RowsWritten(), 5u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(OutputLogTest, StartRecordsEveryChannelOfTheUnitOnce)
{
    OutputLog log(ui, Clock());
    state.circuitCount = 2;
    ASSERT_TRUE(log.Start(path));
    log.RecordAll(state);
    log.Record(state, 0, OutputEvent::Status);  // as it was at the start
    log.Stop();
    const std::vector<std::string> lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find(",1,0_5V,0.000,,,off,,off,stopped,start"), std::string::npos);
    EXPECT_NE(lines[2].find(",2,0_5V,0.000,,,off,,off,stopped,start"), std::string::npos);
}

// What happens to a file that is already there: continued when it is an output log, refused
// (untouched) otherwise.
TEST_F(OutputLogTest, ExistingFilesAreContinuedOrRefusedNeverCut)
{
    const std::string oldRow =
        "2024-05-01T10:00:00.000+00:00,1,0_5V,1.000,,,on,,off,stopped,sent\n";
    struct Case {
        const char* name;
        std::optional<std::string> before;  // nullopt: no file
        bool accepted;
        std::string kept;  // what stays in front of the new row
        const char* message;
    } cases[] = {
        {"new file", std::nullopt, true, Header(), nullptr},
        {"empty file", std::string(), true, Header(), nullptr},
        {"earlier log", Header() + oldRow, true, Header() + oldRow, nullptr},
        {"log cut in a row", Header() + "2024-05-01T10:00", true, Header() + "2024-05-01T10:00\n",
         nullptr},
        {"header only, cut", std::string(kOutputLogHeader), false, kOutputLogHeader,
         kOutputLogNotALog},
        {"other file", "time,value\n1,2\n", false, "time,value\n1,2\n", kOutputLogNotALog},
        {"settings file", std::string("\x13<<## KRV Start ##>>", 20), false,
         std::string("\x13<<## KRV Start ##>>", 20), kOutputLogNotALog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path);
        ui.Clear();
        if (c.before) WriteAll(path, *c.before);
        OutputLog log(ui, Clock());
        EXPECT_EQ(log.Start(path), c.accepted);
        log.Record(state, 0, OutputEvent::Sent);
        log.Stop();
        const std::string after = ReadAll(path);
        if (c.accepted) {
            ASSERT_EQ(after.rfind(c.kept, 0), 0u) << after;
            EXPECT_EQ(Lines(after.substr(c.kept.size())).size(), 1u) << after;
            EXPECT_TRUE(ui.Messages().empty());
        } else {
            EXPECT_EQ(after, c.kept);
            ASSERT_EQ(ui.Messages().size(), 1u);
            EXPECT_EQ(ui.Messages()[0].text, std::string(c.message) + "\n" + path.string());
            EXPECT_EQ(ui.Messages()[0].caption, kOutputLogCaption);
        }
    }
}

TEST_F(OutputLogTest, FilesThatCannotBeOpenedAreReportedWithTheReason)
{
    const fs::path missingFolder = folder / "missing" / "log.csv";
    struct Case {
        fs::path target;
        std::string reason;
    } cases[] = {
        {missingFolder, "No such file or directory"},
        {folder, "Is a directory"},
    };
    for (const Case& c : cases) {
        ui.Clear();
        OutputLog log(ui);
        EXPECT_FALSE(log.Start(c.target));
        EXPECT_FALSE(log.Active());
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Messages()[0].text, std::string(kOutputLogCannotCreate) + "\n" +
                                             c.target.string() + "\n(" + c.reason + ")");
        EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    }
}

TEST_F(OutputLogTest, ASecondWriterOfTheSameFileIsRefused)
{
    OutputLog first(ui);
    ASSERT_TRUE(first.Start(path));
    OutputLog second(ui);
    EXPECT_FALSE(second.Start(path));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, std::string(kOutputLogInUse) + "\n" + path.string());
    first.Stop();
    EXPECT_TRUE(second.Start(path));
}

TEST_F(OutputLogTest, AFullDiskStopsTheLogWithItsReason)
{
    // /dev/full takes the open and refuses every write with ENOSPC.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    OutputLog log(ui);
    int stopped = 0;
    log.onStopped = [&] { ++stopped; };
    EXPECT_FALSE(log.Start("/dev/full"));
    EXPECT_FALSE(log.Active());
    EXPECT_EQ(stopped, 1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              std::string(kOutputLogWriteFailed) + "\n/dev/full\n(No space left on device)");
    // Nothing more happens once it has stopped.
    log.Record(state, 0, OutputEvent::Sent);
    EXPECT_EQ(ui.Messages().size(), 1u);
}

TEST_F(OutputLogTest, APipeWhoseReaderLeavesStopsTheLogNotTheProgram)
{
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    OutputLog log(ui);
    // Nobody reads yet: refused at once rather than waited for.
    EXPECT_FALSE(log.Start(fifo));
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Texts()[0], std::string(kOutputLogCannotCreate) + "\n" + fifo.string() +
                                 "\n(No such device or address)");

    ui.Clear();
    UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(reader.Valid());
    ASSERT_TRUE(log.Start(fifo));
    log.Record(state, 0, OutputEvent::Sent);
    char buffer[1024];
    const ssize_t n = ::read(reader.Get(), buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    EXPECT_EQ(Lines(std::string(buffer, static_cast<std::size_t>(n))).size(), 2u);

    reader.Reset();
    state.channels[0].outputCode = 0x1000;
    log.Record(state, 0, OutputEvent::Sent);  // EPIPE, and no SIGPIPE to end the test program
    EXPECT_FALSE(log.Active());
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Texts()[0],
              std::string(kOutputLogWriteFailed) + "\n" + fifo.string() + "\n(Broken pipe)");
}

TEST_F(OutputLogTest, ARowThatDoesNotFitIsTakenBackWhole)
{
    // A child process with a file size limit: the write that crosses it fails part-way (EFBIG),
    // as a disk that fills up in the middle of a row does.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        SilentUserInterface silent;
        OutputLog log(silent);
        bool stopped = false;
        log.onStopped = [&] { stopped = true; };
        if (!log.Start(path)) ::_exit(2);
        for (int i = 0; i < 100 && log.Active(); ++i) {
            state.channels[0].outputCode = static_cast<std::uint16_t>(i * 100);
            log.Record(state, 0, OutputEvent::Sent);
        }
        ::_exit(stopped && !log.Active() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const std::string text = ReadAll(path);
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), 1000u);
    EXPECT_EQ(text.back(), '\n');
    for (const std::string& line : Lines(text)) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 10) << line;
    }
    // And the log can be continued from there.
    OutputLog again(ui);
    EXPECT_TRUE(again.Start(path));
}

}  // namespace
}  // namespace krv
