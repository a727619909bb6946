// The serial link over a real pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "link/DeviceLink.h"
#include "platform/ThreadName.h"
#include "support/PtyPair.h"
#include "support/RecordingUi.h"
#include "support/WaitUntil.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

// Reads lines until one completes or `timeout` passes, sleeping on the link between tries.
ReadLineResult WaitForLine(DeviceLink& link, std::chrono::milliseconds timeout = 2000ms)
{
    const TimePoint deadline = Now() + timeout;
    for (;;) {
        const ReadLineResult r = link.ReadLine(LinkKind::Com);
        if (r == kLineComplete || Now() >= deadline) return r;
        link.WaitForInput(LinkKind::Com, deadline);
    }
}

class CommPortTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Valid());
        link.SetPortName(pty.PortName());
    }

    test::PtyPair pty;
    test::RecordingUi ui;
    DeviceLink link{ui};
};

TEST_F(CommPortTest, DevicePathIsRelativeToDevUnlessAbsolute)
{
    EXPECT_EQ(CCommPort::DevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(CCommPort::DevicePath("pts/3"), "/dev/pts/3");
    EXPECT_EQ(CCommPort::DevicePath("/tmp/unit"), "/tmp/unit");
}

TEST_F(CommPortTest, RepliesFromTheUnitReachReadLine)
{
    ASSERT_TRUE(link.OpenPort());
    EXPECT_TRUE(link.IsOpen());
    pty.Send("VER02.000\r\nCH");
    ASSERT_EQ(WaitForLine(link), kLineComplete);
    EXPECT_EQ(link.ReplyLine(), "VER02.000\r\n");
    pty.Send("2\r\n");
    ASSERT_EQ(WaitForLine(link), kLineComplete);
    EXPECT_EQ(link.ReplyLine(), "CH2\r\n");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(CommPortTest, WrittenTextReachesTheUnitUnchanged)
{
    ASSERT_TRUE(link.OpenPort());
    const std::string frame(
        "\x02W1058000\x03"
        "05\r\n",
        15);
    link.WriteText(LinkKind::Com, frame);
    EXPECT_EQ(pty.Receive(), frame);
}

TEST_F(CommPortTest, WritingWhileClosedDoesNothing)
{
    link.WriteText(LinkKind::Com, "VER\r\n");
    EXPECT_EQ(pty.Receive(100ms), "");
}

TEST_F(CommPortTest, OpenWhileOpenKeepsThePortEvenIfTheNameChanged)
{
    ASSERT_TRUE(link.OpenPort());
    link.SetPortName("does-not-exist");
    EXPECT_TRUE(link.OpenPort());
    EXPECT_TRUE(ui.Messages().empty());
    pty.Send("OK\r\n");
    EXPECT_EQ(WaitForLine(link), kLineComplete);
    link.ClosePort();
    // The new name takes effect with the next open.
    EXPECT_FALSE(link.OpenPort());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"does-not-existは使えません"});
}

TEST_F(CommPortTest, CloseWhileClosedDoesNothing)
{
    link.ClosePort();
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(link.OpenPort());
    link.ClosePort();
    link.ClosePort();
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(CommPortTest, BytesLeftInTheRingSurviveCloseAndOpen)
{
    ASSERT_TRUE(link.OpenPort());
    pty.Send("OK\r\n");
    link.CommPort().WaitForInput(Now() + 2s);
    ASSERT_FALSE(link.CommPort().Ring().Empty());
    link.ClosePort();
    ASSERT_TRUE(link.OpenPort());
    ASSERT_EQ(link.ReadLine(LinkKind::Com), kLineComplete);
    EXPECT_EQ(link.ReplyLine(), "OK\r\n");
}

TEST_F(CommPortTest, PortsThatCannotBeUsedAreRefusedWithTheirName)
{
    const std::string regularFile = ::testing::TempDir() + "krv-not-a-port";
    {
        FILE* f = std::fopen(regularFile.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }

    for (const std::string name : {"ttyDoesNotExist99", "null", "", "pts", regularFile.c_str()}) {
        ui.Clear();
        link.SetPortName(name);
        EXPECT_FALSE(link.OpenPort()) << name;
        EXPECT_FALSE(link.IsOpen());
        ASSERT_EQ(ui.Messages().size(), 1u) << name;
        EXPECT_EQ(ui.Messages()[0].text, name + "は使えません");
        EXPECT_EQ(ui.Messages()[0].caption, "Bremix2");
        EXPECT_EQ(ui.Messages()[0].buttons, MessageButtons::Ok);
    }
    std::remove(regularFile.c_str());
}

TEST_F(CommPortTest, PortThatDisappearsStaysUsableAndClosesPromptly)
{
    ASSERT_TRUE(link.OpenPort());
    pty.Send("OK\r\n");
    ASSERT_EQ(WaitForLine(link), kLineComplete);
    pty.Unplug();
    // Time for the reader to see the hang-up: that the link stays open is a thing that must not
    // happen meanwhile, which no event would show.
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(link.IsOpen());  // the panel notices a lost unit by its silence
    link.WriteText(LinkKind::Com, "VER\r\n");
    EXPECT_EQ(WaitForLine(link, 100ms), kNoLine);
    // A close that waited on the hung-up port would hold the test up to its time-out.
    link.ClosePort();
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(CommPortTest, LongStreamOfLinesArrivesInOrder)
{
    ASSERT_TRUE(link.OpenPort());
    // One line at a time, as replies come: the reader passes every byte on, in order.
    for (int i = 0; i < 200; ++i) {
        const std::string line = "LINE" + std::to_string(i) + "\r\n";
        pty.Send(line);
        ASSERT_EQ(WaitForLine(link), kLineComplete) << i;
        ASSERT_EQ(link.ReplyLine(), line);
    }
}

TEST_F(CommPortTest, TheReaderThreadIsNamedAndEndsWithThePort)
{
    const auto readers = [] {
        const auto threads = ThreadsOfThisProcess();
        return std::count_if(threads.begin(), threads.end(),
                             [](const ThreadUsage& t) { return t.name == "krv-reader"; });
    };
    EXPECT_EQ(readers(), 0);
    ASSERT_TRUE(link.OpenPort());
    EXPECT_EQ(readers(), 1);
    link.ClosePort();
    // The kernel lets go of an ended thread a moment after the join returns.
    EXPECT_TRUE(test::WaitUntil([&] { return readers() == 0; }));
}

// The reader notifies only while someone waits. A wake-up lost between a waiter's look at the
// ring and its sleep would leave it asleep until its deadline: every wait here must end well
// before that, with the byte there.
TEST_F(CommPortTest, EveryWaiterIsWokenByTheByteItWaitsFor)
{
    CCommPort& port = link.CommPort();
    constexpr int kRounds = 2000;
    std::atomic<int> taken{0};
    std::thread producer([&] {
        for (int i = 0; i < kRounds; ++i) {
            // Deliver the next byte only once the last one was taken, at a varying moment
            // relative to the consumer's next wait.
            while (taken.load() < i) std::this_thread::yield();
            if (i % 3 == 1) std::this_thread::sleep_for(std::chrono::microseconds(i % 50));
            const std::uint8_t byte = static_cast<std::uint8_t>(i);
            port.DeliverReceived(&byte, 1);
        }
    });
    int late = 0;
    for (int i = 0; i < kRounds; ++i) {
        const TimePoint deadline = Now() + 10s;
        std::uint8_t byte = 0;
        while (!port.Ring().Pop(byte)) {
            port.WaitForInput(deadline);
            if (Now() >= deadline) break;
        }
        if (Now() >= deadline) ++late;
        EXPECT_EQ(byte, static_cast<std::uint8_t>(i));
        taken.store(late > 0 ? kRounds : i + 1);
        if (late > 0) break;
    }
    producer.join();
    EXPECT_EQ(late, 0);
}

}  // namespace
}  // namespace krv
