#include "sim/SimServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/UniqueFd.h"
#include "protocol/CommandFrame.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The client side, set up the way the panel opens a serial port.
class Client {
  public:
    explicit Client(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios tio{};
        if (!fd_.Valid() || ::tcgetattr(fd_.Get(), &tio) != 0) return;
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        ::tcsetattr(fd_.Get(), TCSANOW, &tio);
        ::tcflush(fd_.Get(), TCIOFLUSH);
    }
    bool Valid() const { return fd_.Valid(); }

    void Write(std::string_view bytes)
    {
        ASSERT_EQ(::write(fd_.Get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `lines` CR LF line ends have arrived or `timeout` has passed.
    std::string ReadLines(std::size_t lines, std::chrono::milliseconds timeout = 3000ms)
    {
        std::string out;
        const auto deadline = Clock::now() + timeout;
        std::size_t seen = 0;
        while (seen < lines) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd pfd{fd_.Get(), POLLIN, 0};
            if (left.count() < 0 || ::poll(&pfd, 1, static_cast<int>(left.count()) + 1) <= 0) break;
            char buffer[1024];
            const ssize_t n = ::read(fd_.Get(), buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i) {
                out.push_back(buffer[i]);
                if (out.size() >= 2 && out.ends_with("\r\n")) ++seen;
            }
        }
        return out;
    }

    // True when nothing arrives within `quiet`.
    bool Quiet(std::chrono::milliseconds quiet = 100ms)
    {
        pollfd pfd{fd_.Get(), POLLIN, 0};
        return ::poll(&pfd, 1, static_cast<int>(quiet.count())) == 0;
    }

    int Fd() const { return fd_.Get(); }

  private:
    UniqueFd fd_;
};

ServerOptions Instant(std::string faults = "")
{
    ServerOptions options;
    options.instant = true;
    options.faults = std::move(faults);
    return options;
}

TEST(SimServer, AnswersOverThePtyAndRecordsBothDirections)
{
    ServerOptions options = Instant();
    options.unit.circuits = 3;
    SimServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    EXPECT_EQ(server.PortPath().rfind("/dev/pts/", 0), 0u) << server.PortPath();

    Client client(server.PortPath());
    ASSERT_TRUE(client.Valid());
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    client.Write("CH\r\n");
    EXPECT_EQ(client.ReadLines(1), "CH3\r\n");
    client.Write(CommandFrame::Framed("W")
                     .Hex1(2)
                     .Hex2(1)
                     .Hex4(0xFFFF)
                     .Hex4(0x1009)
                     .Hex4(8)
                     .Text(std::string(24, '0'))
                     .Text("0")
                     .WithEtxAndChecksum());
    EXPECT_EQ(client.ReadLines(1), "OK\r\n");

    ASSERT_TRUE(server.WaitForSent(3, 2000ms));
    const auto received = server.Received();
    const auto sent = server.Sent();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].bytes, "VER\r\n");
    EXPECT_EQ(received[1].bytes, "CH\r\n");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].bytes, "OK\r\n");
    EXPECT_LE(received[0].time, sent[0].time);
    EXPECT_EQ(server.WithUnit([](VirtualUnit& unit) { return unit.Channel(1).outputCode; }),
              0xFFFF);

    server.ClearRecords();
    EXPECT_TRUE(server.Received().empty());
    EXPECT_TRUE(server.Sent().empty());
}

TEST(SimServer, WireTimingIsNeverFasterThanTheLine)
{
    SimServer server(ServerOptions{});  // real wire timing is the default
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    ASSERT_TRUE(client.Valid());

    const auto written = Clock::now();
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    EXPECT_GE(Clock::now() - written, WireTime(5 + 11));

    // The command's own transfer counts from when it was read; back-to-back commands queue their
    // replies on the one transmit line: CH's reply follows VER's. (The client may see a reply
    // before its record is made: wait for the record before clearing.)
    ASSERT_TRUE(server.WaitForSent(1, 2000ms));
    server.ClearRecords();
    client.Write("VER\r\nCH\r\n");
    EXPECT_EQ(client.ReadLines(2), "VER02.000\r\nCH2\r\n");
    ASSERT_TRUE(server.WaitForSent(2, 2000ms));
    const auto received = server.Received();
    const auto sent = server.Sent();
    ASSERT_EQ(received.size(), 2u);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_GE(sent[0].time - received[0].time, WireTime(5 + 11));
    EXPECT_GE(sent[1].time - received[0].time, WireTime(5 + 11 + 5));
}

TEST(SimServer, InstantModeAndDelayFault)
{
    SimServer server(Instant("delay=200:1"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    ASSERT_TRUE(server.WaitForSent(2, 2000ms));
    const auto received = server.Received();
    const auto sent = server.Sent();
    EXPECT_GE(sent[0].time - received[0].time, 200ms);
}

TEST(SimServerFaults, DropTwoAnswersOnlyTheThirdCopy)
{
    SimServer server(Instant("drop:2"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    for (std::size_t i = 1; i <= 3; ++i) {
        client.Write("VER\r\n");
        ASSERT_TRUE(server.WaitForReceived(i, 2000ms));
    }
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    EXPECT_TRUE(client.Quiet());
    EXPECT_EQ(server.Sent().size(), 1u);
}

TEST(SimServerFaults, NoiseInsertsAnUnrelatedLineBeforeTheReply)
{
    SimServer server(Instant("noise:1"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("CH\r\n");
    EXPECT_EQ(client.ReadLines(2), "#NOISE\r\nCH2\r\n");
    client.Write("CH\r\n");
    EXPECT_EQ(client.ReadLines(1), "CH2\r\n");
}

TEST(SimServerFaults, SetFaultsWhileRunningAndUnsolicitedLines)
{
    SimServer server(Instant());
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    std::string error;
    EXPECT_FALSE(server.SetFaults("drop:x", &error));
    EXPECT_FALSE(error.empty());

    ASSERT_TRUE(server.SetFaults("silent"));
    client.Write("VER\r\n");
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    server.SendUnsolicited(
        "\x02"
        "A\r\n");
    EXPECT_TRUE(client.Quiet(200ms));
    EXPECT_TRUE(server.Sent().empty());

    ASSERT_TRUE(server.SetFaults(""));
    server.SendUnsolicited(
        "\x02"
        "A\r\n");
    EXPECT_EQ(client.ReadLines(1),
              "\x02"
              "A\r\n");
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
}

TEST(SimServer, GarbageOnTheLineDoesNotStopTheUnit)
{
    SimServer server(Instant());
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    std::string junk(5000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i % 200 + 20);
    client.Write(junk);
    client.Write("\r\nVER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    EXPECT_EQ(server.Received().size(), 1u);  // the over-long line was never a line
}

TEST(SimServer, ClientsMayCloseAndReopenThePort)
{
    SimServer server(ServerOptions{});
    ASSERT_TRUE(server.Start());
    for (std::size_t i = 1; i <= 5; ++i) {
        {
            Client client(server.PortPath());
            ASSERT_TRUE(client.Valid()) << i;
            client.Write("CH\r\n");
            if (i % 2 == 1) {
                EXPECT_EQ(client.ReadLines(1), "CH2\r\n") << i;
            } else {
                // Closed while the reply is still on the wire.
                ASSERT_TRUE(server.WaitForReceived(i, 2000ms));
            }
        }
        // As on a real line the reply still goes out; the next client's flush on opening
        // discards what came while nobody listened.
        ASSERT_TRUE(server.WaitForSent(i, 2000ms));
    }
    Client last(server.PortPath());
    last.Write("VER\r\n");
    EXPECT_EQ(last.ReadLines(1), "VER02.000\r\n");
}

TEST(SimServer, UnplugHangsUpTheClient)
{
    SimServer server(Instant());
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    ASSERT_TRUE(client.Valid());
    server.Unplug();

    pollfd pfd{client.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    char byte;
    const ssize_t n = ::read(client.Fd(), &byte, 1);
    const bool hungUp =
        (pfd.revents & (POLLHUP | POLLERR)) != 0 || n == 0 || (n < 0 && errno == EIO);
    EXPECT_TRUE(hungUp) << "revents " << pfd.revents << " read " << n;
    EXPECT_TRUE(server.Running());
    server.Unplug();  // twice is harmless
}

TEST(SimServer, StopIsPromptEvenWithARepliesHeldBack)
{
    SimServer server(Instant("delay=60000"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("VER\r\n");
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    const auto before = Clock::now();
    server.Stop();
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_FALSE(server.Running());
    EXPECT_TRUE(server.Sent().empty());
    server.Stop();

    // A stopped server starts again on a new pty.
    ASSERT_TRUE(server.SetFaults(""));
    ASSERT_TRUE(server.Start());
    Client again(server.PortPath());
    again.Write("VER\r\n");
    EXPECT_EQ(again.ReadLines(1), "VER02.000\r\n");
}

TEST(SimServer, StartRefusesUnusableOptions)
{
    std::string error;
    SimServer badFaults(Instant("drop:zero"));
    EXPECT_FALSE(badFaults.Start(&error));
    EXPECT_NE(error.find("drop:zero"), std::string::npos) << error;

    ServerOptions options;
    options.unit.circuits = 12;
    SimServer badCircuits(options);
    EXPECT_FALSE(badCircuits.Start(&error));

    SimServer twice(Instant());
    ASSERT_TRUE(twice.Start());
    EXPECT_FALSE(twice.Start(&error));
    EXPECT_FALSE(error.empty());
}

TEST(SimServer, AnIdleUnitUsesNoProcessorTime)
{
    SimServer server(ServerOptions{});
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("VER\r\n");
    EXPECT_EQ(client.ReadLines(1), "VER02.000\r\n");
    const auto before = server.ServingThreadCpuTime();
    std::this_thread::sleep_for(1s);
    // A thread that spun would have used most of the second; a sleeping one nearly nothing.
    EXPECT_LT(server.ServingThreadCpuTime() - before, 100ms);
}

}  // namespace
}  // namespace krv::sim
