#include "remote/LineServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "platform/ThreadName.h"

namespace krv::remote {

namespace {

constexpr std::size_t kReadChunk = 4096;

std::optional<std::uint32_t> ParseIpv4(std::string_view text)
{
    in_addr address{};
    const std::string copy(text);
    if (copy.empty() || ::inet_pton(AF_INET, copy.c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

std::optional<long> ParseDecimal(std::string_view text, long min, long max)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::string PeerName(const sockaddr_in& peer)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error)
{
    const auto fail = [&](const std::string& why) -> std::optional<ListenAddress> {
        if (error != nullptr) *error = why;
        return std::nullopt;
    };
    ListenAddress address;
    const std::size_t colon = text.rfind(':');
    std::string_view host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        const auto port = ParseDecimal(text.substr(colon + 1), 0, 65535);
        if (!port)
            return fail("not a port between 0 and 65535: " + std::string(text.substr(colon + 1)));
        address.port = static_cast<std::uint16_t>(*port);
    }
    if (!host.empty()) {
        if (!ParseIpv4(host)) return fail("not an IPv4 address: " + std::string(host));
        address.host = std::string(host);
    }
    return address;
}

std::optional<Cidr> ParseCidr(std::string_view text)
{
    const std::size_t slash = text.find('/');
    const auto address = ParseIpv4(text.substr(0, slash));
    if (!address) return std::nullopt;
    long bits = 32;
    if (slash != std::string_view::npos) {
        const auto parsed = ParseDecimal(text.substr(slash + 1), 0, 32);
        if (!parsed) return std::nullopt;
        bits = *parsed;
    }
    Cidr cidr;
    cidr.mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
    cidr.network = *address & cidr.mask;
    return cidr;
}

bool CidrContains(const Cidr& cidr, std::uint32_t address)
{
    return (address & cidr.mask) == cidr.network;
}

LineServer::LineServer(Options options) : options_(std::move(options)) {}

LineServer::~LineServer()
{
    Stop();
}

bool LineServer::Start(std::string* error)
{
    const auto fail = [&](const std::string& what) {
        if (error != nullptr) *error = what + ": " + std::strerror(errno);
        listen_.Reset();
        return false;
    };
    const auto host = ParseIpv4(options_.listen.host);
    if (!host) {
        errno = EINVAL;
        return fail("not an IPv4 address " + options_.listen.host);
    }
    listen_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listen_.Valid()) return fail("cannot make a socket");
    const int on = 1;
    ::setsockopt(listen_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options_.listen.port);
    address.sin_addr.s_addr = htonl(*host);
    const std::string where = options_.listen.host + ":" + std::to_string(options_.listen.port);
    if (::bind(listen_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail("cannot listen on " + where);
    }
    if (::listen(listen_.Get(), 16) != 0) return fail("cannot listen on " + where);
    socklen_t length = sizeof address;
    ::getsockname(listen_.Get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    wake_.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_.Valid()) return fail("cannot make an event");
    thread_ = std::thread([this] { Run(); });
    SetThreadName(thread_, "krv-serve-net");
    return true;
}

void LineServer::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    lineArrived_.notify_all();
    if (thread_.joinable()) {
        Wake();
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    clients_.clear();
    listen_.Reset();
}

void LineServer::Wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_.Get(), &one, sizeof one);
}

void LineServer::Log(const std::string& text) const
{
    if (options_.log) options_.log(text);
}

std::size_t LineServer::ClientCount() const
{
    std::lock_guard lock(mutex_);
    return clients_.size();
}

std::size_t LineServer::PendingLines() const
{
    std::lock_guard lock(mutex_);
    std::size_t lines = 0;
    for (const auto& [id, client] : clients_) lines += client.pending.size();
    return lines;
}

std::vector<LineServer::ClientId> LineServer::TakeClosed()
{
    std::lock_guard lock(mutex_);
    return std::exchange(closed_, {});
}

std::optional<LineServer::Request> LineServer::NextLine(TimePoint deadline)
{
    std::unique_lock lock(mutex_);
    std::optional<Request> request;
    const auto take = [&] {
        if (stop_) return true;
        // The first client after the one served last that has a line, wrapping around.
        auto it = clients_.upper_bound(lastServed_);
        for (std::size_t n = 0; n < clients_.size(); ++n, ++it) {
            if (it == clients_.end()) it = clients_.begin();
            if (!it->second.pending.empty()) {
                request = std::move(it->second.pending.front());
                it->second.pending.pop_front();
                lastServed_ = it->first;
                return true;
            }
        }
        return false;
    };
    lineArrived_.wait_until(lock, deadline, take);
    // Room for more: the network thread reads from that client again.
    if (request) Wake();
    return request;
}

void LineServer::Reply(ClientId id, std::string_view text)
{
    {
        std::lock_guard lock(mutex_);
        const auto it = clients_.find(id);
        if (it == clients_.end() || it->second.closing || it->second.hungUp) return;
        Client& client = it->second;
        if (client.out.size() + text.size() + 1 > options_.maxOutput) {
            client.closing = true;
            Log("disconnected " + client.peer + ": it does not read its replies");
        } else {
            client.out.append(text);
            client.out += '\n';
        }
    }
    Wake();
}

void LineServer::Run()
{
    std::vector<pollfd> fds;
    std::vector<ClientId> ids;
    for (;;) {
        fds.clear();
        ids.clear();
        fds.push_back({wake_.Get(), POLLIN, 0});
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            for (auto it = clients_.begin(); it != clients_.end();) {
                if (it->second.closing || (it->second.hungUp && it->second.pending.empty())) {
                    Close(it++);
                    continue;
                }
                Client& client = it->second;
                short events = 0;
                if (client.pending.size() < options_.maxPendingLines && !client.hungUp) {
                    events |= POLLIN;
                }
                if (!client.out.empty()) events |= POLLOUT;
                // A client with lines enough waiting and nothing to send is left alone, even when
                // it has hung up: it is looked at again once the unit's side took its lines.
                if (events != 0) {
                    fds.push_back({client.fd.Get(), events, 0});
                    ids.push_back(it->first);
                }
                ++it;
            }
            fds.push_back({listen_.Get(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            Log(std::string("the server stops: ") + std::strerror(errno));
            return;
        }
        if (fds.front().revents != 0) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(wake_.Get(), &value, sizeof value);
        }
        if (fds.back().revents != 0) Accept();
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const short revents = fds[i + 1].revents;
            const auto it = clients_.find(ids[i]);
            if (revents == 0 || it == clients_.end()) continue;
            if ((revents & (POLLOUT | POLLERR)) != 0) WriteTo(it->second);
            const bool reading = (fds[i + 1].events & POLLIN) != 0;
            if (reading && (revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !it->second.closing) {
                ReadFrom(it->first, it->second);
            }
        }
    }
}

void LineServer::Accept()
{
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        UniqueFd fd(::accept4(listen_.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                              SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.Valid()) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // EAGAIN: no more waiting; anything else: tried again on the next wake
        }
        const std::string name = PeerName(peer);
        const std::uint32_t address = ntohl(peer.sin_addr.s_addr);
        bool allowed = false;
        for (const Cidr& cidr : options_.allow) allowed = allowed || CidrContains(cidr, address);
        if (!allowed) {
            Log("refused " + name + ": not in the allowed networks");
            continue;
        }
        std::lock_guard lock(mutex_);
        if (clients_.size() >= options_.maxClients) {
            Log("refused " + name + ": " + std::to_string(options_.maxClients) +
                " clients are connected already");
            continue;
        }
        Client client;
        client.fd = std::move(fd);
        client.peer = name;
        clients_.emplace(nextId_++, std::move(client));
    }
}

void LineServer::ReadFrom(ClientId id, Client& client)
{
    char buffer[kReadChunk];
    const ssize_t n = ::read(client.fd.Get(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        // Lines that came before the client went are carried out all the same (a script that
        // sends "OUTP1 OFF" and quits means it), the last one even without its "\n"; their
        // replies have nowhere to go.
        if (!client.partial.empty() && !client.discarding) {
            client.pending.push_back(Request{id, std::move(client.partial), false});
            lineArrived_.notify_all();
        }
        client.partial.clear();
        client.hungUp = true;
        client.out.clear();
        return;
    }
    bool arrived = false;
    for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
        if (c == '\n') {
            if (!client.discarding) {
                client.pending.push_back(Request{id, std::move(client.partial), false});
                arrived = true;
            }
            client.partial.clear();
            client.discarding = false;
        } else if (!client.discarding) {
            if (client.partial.size() >= options_.maxLine) {
                client.partial.clear();
                client.discarding = true;
                client.pending.push_back(Request{id, {}, true});
                arrived = true;
            } else {
                client.partial += c;
            }
        }
    }
    if (arrived) lineArrived_.notify_all();
}

void LineServer::WriteTo(Client& client)
{
    const ssize_t n = ::send(client.fd.Get(), client.out.data(), client.out.size(), MSG_NOSIGNAL);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) client.closing = true;
        return;
    }
    client.out.erase(0, static_cast<std::size_t>(n));
}

void LineServer::Close(std::map<ClientId, Client>::iterator it)
{
    closed_.push_back(it->first);
    clients_.erase(it);
}

}  // namespace krv::remote
