#include "remote/LineClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/Clock.h"

namespace krv::remote {

namespace {

int Milliseconds(TimePoint deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool LineClient::Open(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit,
                      std::string& error, const std::string& from)
{
    const auto fail = [&](const std::string& why) {
        error = why;
        fd_.Reset();
        return false;
    };
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &server.sin_addr) != 1) {
        return fail("not an IPv4 address: " + host);
    }
    fd_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd_.Valid()) return fail(std::strerror(errno));
    if (!from.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1 ||
            ::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            return fail("cannot use the local address " + from);
        }
    }
    if (::connect(fd_.Get(), reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
        errno != EINPROGRESS) {
        return fail(std::strerror(errno));
    }
    pollfd fd{fd_.Get(), POLLOUT, 0};
    int failure = 0;
    socklen_t length = sizeof failure;
    if (::poll(&fd, 1, static_cast<int>(limit.count())) != 1) return fail("no answer");
    if (::getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure != 0) {
        return fail(std::strerror(failure != 0 ? failure : errno));
    }
    return true;
}

bool LineClient::SendRaw(std::string_view text)
{
    // Small lines go at once; a large block may meet a full socket and waits for room.
    while (!text.empty()) {
        const ssize_t n = ::send(fd_.Get(), text.data(), text.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fd{fd_.Get(), POLLOUT, 0};
            if (::poll(&fd, 1, 5000) != 1) return false;
            continue;
        }
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

LineClient::Result LineClient::ReadLine(std::string& line, std::chrono::milliseconds limit)
{
    const TimePoint deadline = Now() + limit;
    for (;;) {
        if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return Result::Line;
        }
        if (buffer_.size() > kMaxLine || !fd_.Valid()) return Result::Closed;
        pollfd fd{fd_.Get(), POLLIN, 0};
        const int ready = ::poll(&fd, 1, Milliseconds(deadline));
        if (ready == 0) return Result::TimedOut;
        if (ready < 0) {
            if (errno == EINTR) return Result::TimedOut;  // a signal to look at
            return Result::Closed;
        }
        char chunk[4096];
        const ssize_t n = ::recv(fd_.Get(), chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return Result::Closed;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::optional<std::string> LineClient::Query(std::string_view line, std::chrono::milliseconds limit)
{
    if (!SendLine(line)) return std::nullopt;
    std::string reply;
    if (ReadLine(reply, limit) != Result::Line) return std::nullopt;
    return reply;
}

}  // namespace krv::remote
