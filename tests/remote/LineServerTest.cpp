#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "remote/LineServer.h"
#include "support/ScpiClient.h"
#include "support/WaitUntil.h"

namespace krv::remote {
namespace {

using test::ScpiClient;
using test::WaitUntil;

using namespace std::chrono_literals;

class LineServerTest : public ::testing::Test {
  protected:
    void Start(LineServer::Options options = {})
    {
        options.listen.port = 0;
        options.log = [this](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        };
        server = std::make_unique<LineServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
    }
    std::string Take()
    {
        const auto request = server->NextLine(Now() + 5s);
        if (!request) return "(none)";
        return std::to_string(request->client) + ":" +
               (request->overrun ? "(overrun)" : request->line);
    }
    bool Logged(const std::string& part)
    {
        std::lock_guard lock(logMutex);
        for (const std::string& line : log) {
            if (line.find(part) != std::string::npos) return true;
        }
        return false;
    }

    std::unique_ptr<LineServer> server;
    std::mutex logMutex;
    std::vector<std::string> log;
};

TEST_F(LineServerTest, ClientsTakeTurnsAndEachGetsItsRepliesInOrder)
{
    Start();
    ScpiClient a(server->Port());
    ScpiClient b(server->Port());
    ASSERT_TRUE(a.Connected() && b.Connected());
    ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == 2; }));
    ASSERT_TRUE(a.SendRaw("a1\na2\r\na3\n"));
    ASSERT_TRUE(WaitUntil([&] { return server->PendingLines() == 3; }));
    ASSERT_TRUE(b.Send("b1"));
    ASSERT_TRUE(WaitUntil([&] { return server->PendingLines() == 4; }));
    EXPECT_EQ(Take(), "1:a1");
    EXPECT_EQ(Take(), "2:b1");
    EXPECT_EQ(Take(), "1:a2\r");
    EXPECT_EQ(Take(), "1:a3");
    EXPECT_FALSE(server->NextLine(Now() + 10ms));

    server->Reply(1, "r1");
    server->Reply(2, "rb");
    server->Reply(1, "r2");
    server->Reply(7, "to nobody");
    EXPECT_EQ(a.ReadLine(), "r1");
    EXPECT_EQ(a.ReadLine(), "r2");
    EXPECT_EQ(b.ReadLine(), "rb");

    // A client that leaves is named once, for its state to be dropped.
    a.Close();
    ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == 1; }));
    EXPECT_EQ(server->TakeClosed(), std::vector<LineServer::ClientId>{1});
    EXPECT_TRUE(server->TakeClosed().empty());
}

TEST_F(LineServerTest, LongLinesAndFloodsStayBounded)
{
    LineServer::Options options;
    options.maxLine = 4096;
    options.maxPendingLines = 8;
    Start(options);
    ScpiClient client(server->Port());
    ASSERT_TRUE(client.SendRaw(std::string(10000, 'x') + "\nok\n"));
    EXPECT_EQ(Take(), "1:(overrun)");
    EXPECT_EQ(Take(), "1:ok");

    // A flood nobody takes: the server stops reading once its lines are waiting, and the rest
    // stays in the client's own socket.
    std::string lines;
    for (int i = 0; i < 1000; ++i) lines += "OUTP1 ON\n";
    std::size_t sent = 0;
    for (int i = 0; i < 2000; ++i) {
        const ssize_t n =
            ::send(client.Fd(), lines.data(), lines.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    EXPECT_GT(sent, 100000u);
    ASSERT_TRUE(WaitUntil([&] { return server->PendingLines() >= 8; }));
    EXPECT_LE(server->PendingLines(), 8u + 4096u / 9u + 1u);
}

TEST_F(LineServerTest, AClientThatDoesNotReadIsDroppedWhileOthersAreServed)
{
    LineServer::Options options;
    options.maxOutput = 64 * 1024;
    Start(options);
    ScpiClient sleeper(server->Port());
    ScpiClient reader(server->Port());
    ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == 2; }));
    const std::string reply(1000, 'r');
    for (int i = 0; i < 50000 && server->ClientCount() == 2; ++i) server->Reply(1, reply);
    ASSERT_TRUE(WaitUntil([&] { return server->ClientCount() == 1; }));
    EXPECT_TRUE(Logged("does not read its replies"));
    ASSERT_TRUE(reader.Send("*IDN?"));
    EXPECT_EQ(Take(), "2:*IDN?");
    server->Reply(2, "ok");
    EXPECT_EQ(reader.ReadLine(), "ok");
}

TEST_F(LineServerTest, OnlyAllowedNetworksAreServed)
{
    LineServer::Options options;
    options.allow = {*ParseCidr("127.0.0.1/32")};
    Start(options);
    ScpiClient stranger(server->Port(), "127.0.0.2");
    ASSERT_TRUE(stranger.Connected());  // the system accepts, the server closes at once
    stranger.Send("*IDN?");
    EXPECT_EQ(stranger.ReadLine(), "(closed)");
    EXPECT_TRUE(Logged("refused 127.0.0.2:"));
    ScpiClient friendClient(server->Port(), "127.0.0.1");
    ASSERT_TRUE(friendClient.Send("*IDN?"));
    EXPECT_EQ(Take(), "1:*IDN?");  // the refused one got no number
}

TEST(ListenAddressTest, AddressesPortsAndNetworks)
{
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        int port;
    };
    for (const Case& c :
         {Case{"0.0.0.0", "0.0.0.0", 5025}, Case{"192.168.1.5:6000", "192.168.1.5", 6000},
          Case{":7000", "127.0.0.1", 7000}, Case{"host:80", nullptr, 0},
          Case{"1.2.3.4:0", "1.2.3.4", 0}, Case{"1.2.3.4:65536", nullptr, 0},
          Case{"1.2.3.4:x", nullptr, 0}, Case{"1.2.3:80", nullptr, 0}}) {
        std::string error;
        const auto address = ParseListenAddress(c.text, &error);
        ASSERT_EQ(address.has_value(), c.host != nullptr) << c.text;
        if (!address) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(address->host, c.host);
        EXPECT_EQ(address->port, c.port);
    }
    const auto lan = ParseCidr("192.168.1.77/24");
    ASSERT_TRUE(lan);
    EXPECT_TRUE(CidrContains(*lan, 0xC0A80101u));
    EXPECT_FALSE(CidrContains(*lan, 0xC0A80201u));
    EXPECT_TRUE(CidrContains(*ParseCidr("0.0.0.0/0"), 0x01020304u));
    EXPECT_TRUE(CidrContains(*ParseCidr("10.0.0.1"), 0x0A000001u));
    EXPECT_FALSE(CidrContains(*ParseCidr("10.0.0.1"), 0x0A000002u));
    for (const char* bad : {"10.0.0.1/33", "10.0.0.1/", "10.0.0/8", "", "/8", "10.0.0.1/-1"}) {
        EXPECT_FALSE(ParseCidr(bad)) << bad;
    }
}

}  // namespace
}  // namespace krv::remote
