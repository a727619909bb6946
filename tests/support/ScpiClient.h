#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <string>

#include "platform/Clock.h"
#include "platform/UniqueFd.h"

namespace krv::test {

// A client of `krvctl serve` on the loopback network, from `from` (another 127.x address stands
// for a second machine). Every read waits at most until its deadline.
class ScpiClient {
  public:
    explicit ScpiClient(std::uint16_t port, const char* from = "127.0.0.1")
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        ::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
        connected_ = ::connect(fd_.Get(), reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    }

    bool Connected() const { return connected_; }
    int Fd() const { return fd_.Get(); }
    void Close() { fd_.Reset(); }

    // Sends `text` as it is; false when the connection took less.
    bool SendRaw(const std::string& text)
    {
        return ::send(fd_.Get(), text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    bool Send(const std::string& line) { return SendRaw(line + "\n"); }

    // The next reply line without its "\n"; "(none)" when none came in time, "(closed)" when the
    // server closed the connection.
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        const TimePoint deadline = Now() + limit;
        for (;;) {
            if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now());
            if (left.count() <= 0) return "(none)";
            pollfd fd{fd_.Get(), POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t n = ::recv(fd_.Get(), chunk, sizeof chunk, 0);
            if (n <= 0) return "(closed)";
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    std::string Query(const std::string& line)
    {
        if (!Send(line)) return "(not sent)";
        return ReadLine();
    }

  private:
    UniqueFd fd_;
    bool connected_ = false;
    std::string buffer_;
};

}  // namespace krv::test
