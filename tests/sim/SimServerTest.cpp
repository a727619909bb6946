#include "sim/SimServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>

#include "platform/ThreadName.h"
#include "protocol/CommandFrame.h"
#include "support/PtyClient.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
    // The output frame is taken without an answer.
    ASSERT_TRUE(server.WaitForReceived(3, 2000ms));
    EXPECT_TRUE(client.Quiet());

    ASSERT_TRUE(server.WaitForSent(2, 2000ms));
    const auto received = server.Received();
    const auto sent = server.Sent();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].bytes, "VER\r\n");
    EXPECT_EQ(received[1].bytes, "CH\r\n");
    EXPECT_EQ(received[2].bytes.substr(0, 2), "\x02W");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].bytes, "CH3\r\n");
    EXPECT_EQ(server.ReceivedCount(), 3u);
    EXPECT_EQ(server.SentCount(), 2u);
    EXPECT_LE(received[0].time, sent[0].time);
    EXPECT_EQ(server.WithUnit([](VirtualUnit& unit) { return unit.Channel(1).outputCode; }),
              0xFFFF);

    server.ClearRecords();
    EXPECT_TRUE(server.Received().empty());
    EXPECT_TRUE(server.Sent().empty());
    EXPECT_EQ(server.ReceivedCount(), 0u);
    EXPECT_EQ(server.SentCount(), 0u);
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

TEST(SimServer, WireTimingWritesInSlicesButNoByteEarly)
{
    SimServer server(ServerOptions{});
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    ASSERT_TRUE(client.Valid());
    // The serving thread shows under its name.
    const auto threads = ThreadsOfThisProcess();
    EXPECT_TRUE(std::any_of(threads.begin(), threads.end(), [](const ThreadUsage& t) {
        return t.name == SimServer::kThreadName && t.name.rfind("krv-sim-", 0) == 0;
    }));

    client.Write("\x02R1\r\n");
    // Every read notes how many bytes have come so far and when: byte k may not arrive before
    // the request's own five bytes and k reply bytes have crossed the wire.
    std::vector<std::pair<std::size_t, Clock::time_point>> reads;
    std::size_t total = 0;
    const auto deadline = Clock::now() + 3s;
    while (total < 60 && Clock::now() < deadline) {
        pollfd pfd{client.Fd(), POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        char buffer[128];
        const ssize_t n = ::read(client.Fd(), buffer, sizeof buffer);
        if (n <= 0) continue;
        total += static_cast<std::size_t>(n);
        reads.emplace_back(total, Clock::now());
    }
    ASSERT_EQ(total, 60u);
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    const auto received = server.Received().at(0).time;
    for (const auto& [bytes, when] : reads) {
        EXPECT_GE(when - received, WireTime(5) + WireTime(bytes)) << bytes << " bytes";
    }
    // Written in slices: a handful of writes, not one per byte.
    EXPECT_LE(reads.size(), 60 / SimServer::kWriteSlice + 2);
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
    // Held back for an hour: a stop that waited for the reply would outlast the test's time-out.
    SimServer server(Instant("delay=3600000"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("VER\r\n");
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    server.Stop();
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

// Channel 1, range 5, code 8000, output on: 47 bytes.
std::string OutputFrame(unsigned code = 0x8000)
{
    return CommandFrame::Framed("W")
        .Hex1(1)
        .Hex2(5)
        .Hex4(code)
        .Hex4(0x100D)
        .Hex4(0x0008)
        .Text(std::string(24, '0'))
        .Text("0")
        .WithEtxAndChecksum();
}

constexpr std::size_t kStatusReplyLength = 60;
const std::string kStatus1 =
    "\x02"
    "R1\r\n";
const std::string kResend(kResendRequest);

TEST(SimServerStatus, ReplyOverThePtyIsAcceptedByTheHostsCheck)
{
    SimServer server(ServerOptions{});  // wire timing
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write(OutputFrame());
    client.Write(kStatus1);
    // Only the status request is answered, and the reply shows what the output frame set.
    const std::string reply = client.ReadLines(1);
    ASSERT_EQ(reply.size(), kStatusReplyLength) << reply;
    EXPECT_TRUE(IsValidFramedReply(reply, kStatusReplyLength));
    EXPECT_EQ(reply.substr(3, 6), "058000");
    EXPECT_TRUE(client.Quiet());
    ASSERT_TRUE(server.WaitForSent(1, 2000ms));
    const auto sent = server.Sent();
    const auto received = server.Received();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_GE(sent[0].time - received[1].time, WireTime(5 + kStatusReplyLength));
}

TEST(SimServerStatus, FaultsApplyToStatusReplies)
{
    SimServer server(Instant("corrupt:1"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write(kStatus1);
    const std::string corrupted = client.ReadLines(1);
    EXPECT_EQ(corrupted.size(), kStatusReplyLength);
    EXPECT_FALSE(IsValidFramedReply(corrupted, kStatusReplyLength));
    client.Write(kStatus1);
    EXPECT_TRUE(IsValidFramedReply(client.ReadLines(1), kStatusReplyLength));

    ASSERT_TRUE(server.SetFaults("drop:1"));
    client.Write(kStatus1);
    ASSERT_TRUE(server.WaitForReceived(3, 2000ms));
    EXPECT_TRUE(client.Quiet());
    client.Write(kStatus1);
    EXPECT_TRUE(IsValidFramedReply(client.ReadLines(1), kStatusReplyLength));
}

TEST(SimServerResend, RequestOnDemandIsSentAsItIs)
{
    // Faults are for replies; the unit's own lines go out unchanged.
    SimServer server(Instant("corrupt,noise"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    server.SendResendRequest();
    EXPECT_EQ(client.ReadLines(1), kResend);
    EXPECT_TRUE(client.Quiet());
}

TEST(SimServerResend, RestartResetsTheRegistersAndAsksForTheOutputsAgain)
{
    SimServer server(Instant());
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write(OutputFrame());
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    server.WithUnit([](VirtualUnit& unit) {
        unit.SetStatusBits(0, StatusWord::Main, kMainWatchdog);
        unit.SetCalibrationMode(0, 0, 0x0002);
    });

    const auto before = Clock::now();
    server.Restart();
    server.WithUnit([](VirtualUnit& unit) {
        EXPECT_EQ(unit.Channel(0).outputCode, 0);
        EXPECT_EQ(unit.Channel(0).range, 0);
        EXPECT_EQ(unit.Channel(0).mainControl, 0x0008);
        EXPECT_EQ(unit.Channel(0).mainStatus, 0);
    });
    EXPECT_EQ(client.ReadLines(1), kResend);
    EXPECT_GE(Clock::now() - before, SimServer::kStartUpTime);

    // Awake again: the status shows the power-on registers and the kept calibration mode.
    client.Write(kStatus1);
    const std::string reply = client.ReadLines(1);
    ASSERT_TRUE(IsValidFramedReply(reply, kStatusReplyLength)) << reply;
    EXPECT_EQ(reply.substr(3, 10), "0000000008");
    EXPECT_EQ(reply.substr(25, 4), "0000");
    EXPECT_EQ(reply.substr(49, 4), "0002");
    // The history of what the host set survives the power cycle.
    EXPECT_EQ(server.OutputHistory(0).size(), 1u);
}

TEST(SimServerResend, RestartLosesRepliesNotYetSent)
{
    SimServer server(Instant("delay=60000"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write("VER\r\n");
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    server.Restart();
    EXPECT_EQ(client.ReadLines(1), kResend);
    ASSERT_TRUE(server.WaitForSent(1, 2000ms));
    EXPECT_EQ(server.Sent().size(), 1u);
}

TEST(SimServerResend, RestartOfASilentOrStoppedUnitOnlyResetsTheRegisters)
{
    SimServer server(Instant("silent"));
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write(OutputFrame());
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    ASSERT_EQ(server.WithUnit([](VirtualUnit& unit) { return unit.Channel(0).outputCode; }),
              0x8000);
    server.Restart();
    EXPECT_EQ(server.WithUnit([](VirtualUnit& unit) { return unit.Channel(0).outputCode; }), 0);
    EXPECT_TRUE(client.Quiet(SimServer::kStartUpTime + 150ms));

    server.Stop();
    server.WithUnit([](VirtualUnit& unit) { unit.SetStatusBits(1, StatusWord::External, 1); });
    server.Restart();
    EXPECT_EQ(server.WithUnit([](VirtualUnit& unit) { return unit.Channel(1).extStatus; }), 0);
}

TEST(SimServerHistory, RecordsCarryTheTimeTheFrameWasReceived)
{
    SimServer server(Instant());
    ASSERT_TRUE(server.Start());
    Client client(server.PortPath());
    client.Write(OutputFrame(0x1000));
    ASSERT_TRUE(server.WaitForReceived(1, 2000ms));
    client.Write(OutputFrame(0x2000));
    ASSERT_TRUE(server.WaitForReceived(2, 2000ms));
    EXPECT_TRUE(client.Quiet());

    const auto history = server.OutputHistory(0);
    const auto received = server.Received();
    ASSERT_EQ(history.size(), 2u);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(history[0].outputCode, 0x1000);
    EXPECT_EQ(history[1].outputCode, 0x2000);
    EXPECT_EQ(history[0].time, received[0].time);
    EXPECT_EQ(history[1].time, received[1].time);
    EXPECT_LE(history[0].time, history[1].time);
}

}  // namespace
}  // namespace krv::sim
