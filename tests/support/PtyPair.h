#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

namespace krv::test {

// A pseudo-terminal whose master side the test drives as if it were the unit.
class PtyPair {
  public:
    PtyPair()
    {
        int master = -1;
        int slave = -1;
        termios raw{};
        ::cfmakeraw(&raw);
        char name[256] = {};
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0) {
            master_.Reset(master);
            slave_.Reset(slave);  // kept open so closing the port never hangs the master up
            path_ = name;
        }
    }

    bool Valid() const { return master_.Valid(); }
    const std::string& Path() const { return path_; }
    // The port name a link opens: the path relative to /dev.
    std::string PortName() const { return path_.rfind("/dev/", 0) == 0 ? path_.substr(5) : path_; }

    void Send(std::string_view bytes) const
    {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(master_.Get(), p, left);
            if (n <= 0) return;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    // Reads what the link wrote, waiting up to `timeout` for the first byte.
    std::string Receive(std::chrono::milliseconds timeout = std::chrono::milliseconds(1000)) const
    {
        std::string out;
        pollfd pfd{master_.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return out;
        char buffer[4096];
        for (;;) {
            pollfd again{master_.Get(), POLLIN, 0};
            if (::poll(&again, 1, 20) <= 0) break;
            const ssize_t n = ::read(master_.Get(), buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }

    // Closes both sides held here: the link's port hangs up.
    void Unplug()
    {
        master_.Reset();
        slave_.Reset();
    }

  private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string path_;
};

}  // namespace krv::test
