// One program owns a serial port at a time, for every user, and gives it back whole on close.
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>

#include <string>

#include "platform/SerialPort.h"
#include "support/AsNobody.h"
#include "support/PtyPair.h"

namespace krv {
namespace {

using test::RunAsNobody;

// Opens and closes `path` `times` times as one program after another would: 0 when every open
// succeeded, else 10 × the number of the open that failed + its OpenResult.
int OpenAndCloseInTurn(const std::string& path, int times)
{
    for (int i = 1; i <= times; ++i) {
        SerialPort port;
        const SerialPort::OpenResult result = port.Open(path);
        if (result != SerialPort::OpenResult::Opened) return 10 * i + static_cast<int>(result);
        port.Close();
    }
    return 0;
}

TEST(PortOwnershipTest, ASecondProgramIsRefusedAndLeavesTheOwnersLineAsItIs)
{
    test::PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    ASSERT_TRUE(test::OpenToEveryone(pty.Path()));

    SerialPort owner;
    ASSERT_EQ(owner.Open(pty.Path()), SerialPort::OpenResult::Opened);
    // Settings of the owner's own, other than those an open applies, and bytes it has not read.
    termios tio{};
    ASSERT_EQ(::tcgetattr(owner.Fd(), &tio), 0);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ASSERT_EQ(::tcsetattr(owner.Fd(), TCSANOW, &tio), 0);
    pty.Send("OK\r\n");
    pollfd pfd{owner.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 5000), 1);

    // Root is not kept out by exclusive mode, only by the lock; an ordinary user by both.
    SerialPort second;
    std::string error;
    EXPECT_EQ(second.Open(pty.Path(), &error), SerialPort::OpenResult::Busy);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(RunAsNobody([&] {
                  SerialPort other;
                  return other.Open(pty.Path()) == SerialPort::OpenResult::Busy ? 0 : 1;
              }),
              0);

    ASSERT_EQ(::tcgetattr(owner.Fd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
    std::uint8_t buffer[16];
    std::size_t count = 0;
    ASSERT_EQ(owner.ReadAvailable(buffer, sizeof buffer, count), SerialPort::ReadStatus::Data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "OK\r\n");

    // Given back, the port opens for anyone, also after an ordinary user had it.
    owner.Close();
    EXPECT_EQ(RunAsNobody([&] { return OpenAndCloseInTurn(pty.Path(), 3); }), 0);
    EXPECT_EQ(second.Open(pty.Path()), SerialPort::OpenResult::Opened);
    second.Close();
    EXPECT_EQ(RunAsNobody([&] { return OpenAndCloseInTurn(pty.Path(), 1); }), 0);
}

}  // namespace
}  // namespace krv
