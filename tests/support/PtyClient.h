#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

namespace krv::sim {

// The client side of the virtual unit's pty, set up the way the panel opens a serial port.
class Client {
    using Clock = std::chrono::steady_clock;

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
    std::string ReadLines(std::size_t lines,
                          std::chrono::milliseconds timeout = std::chrono::seconds(3))
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
    bool Quiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100))
    {
        pollfd pfd{fd_.Get(), POLLIN, 0};
        return ::poll(&pfd, 1, static_cast<int>(quiet.count())) == 0;
    }

    int Fd() const { return fd_.Get(); }

  private:
    UniqueFd fd_;
};

}  // namespace krv::sim
