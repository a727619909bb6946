#include "sim/BridgeSocket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "link/D2xxLibraries.h"
#include "platform/ThreadName.h"

namespace krv::sim {

namespace {

// Requests: one letter, then its fields (host byte order: both ends are on this machine).
constexpr char kIdentity = 'I';  // → instant u8, serial, description (u32 length + bytes each)
constexpr char kReceive = 'R';   // byte u8, arrival i64 → replies
constexpr char kRestart = 'S';   // boot mode u8, at i64 → replies
constexpr char kBaudRateRequest = 'B';  // → rate u32
// Replies: count u32, then per reply ready i64, length u32, bytes.
constexpr std::uint32_t kMaxReplyBytes = 1 << 20;

template <typename T>
void Put(std::string& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutText(std::string& out, const std::string& text)
{
    Put(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

std::int64_t Ticks(BridgeTime time)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

BridgeTime TimeOf(std::int64_t ticks)
{
    return BridgeTime(
        std::chrono::duration_cast<BridgeTime::duration>(std::chrono::nanoseconds(ticks)));
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads exactly `length` bytes; with `wake`, gives up as soon as that becomes readable.
bool ReadAll(int fd, void* buffer, std::size_t length, int wake = -1)
{
    auto* at = static_cast<char*>(buffer);
    while (length > 0) {
        if (wake >= 0) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if ((fds[1].revents & POLLIN) != 0) return false;
        }
        const ssize_t n = ::recv(fd, at, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

template <typename T>
bool Get(int fd, T& value, int wake = -1)
{
    return ReadAll(fd, &value, sizeof value, wake);
}

bool GetText(int fd, std::string& text)
{
    std::uint32_t length = 0;
    if (!Get(fd, length) || length > kMaxReplyBytes) return false;
    text.resize(length);
    return ReadAll(fd, text.data(), length);
}

std::string Replies(const std::vector<BridgeReply>& replies)
{
    std::string out;
    Put(out, static_cast<std::uint32_t>(replies.size()));
    for (const BridgeReply& reply : replies) {
        Put(out, Ticks(reply.ready));
        PutText(out, reply.bytes);
    }
    return out;
}

bool FailWithErrno(std::string* error, const std::string& what)
{
    if (error != nullptr) *error = what + ": " + std::strerror(errno);
    return false;
}

bool AddressOf(const std::string& path, sockaddr_un& address, std::string* error)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        if (error != nullptr) *error = "the socket path is empty or too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// The unit across the socket, as the far side of this process's simulated bridge. Called under
// that bridge's lock; a server that has gone leaves the unit silent.
class RemoteTarget : public BridgeTarget {
  public:
    explicit RemoteTarget(UniqueFd fd) : fd_(std::move(fd)) {}

    void Receive(std::uint8_t byte, BridgeTime arrival, std::vector<BridgeReply>& replies) override
    {
        std::string request(1, kReceive);
        Put(request, byte);
        Put(request, Ticks(arrival));
        Call(request, replies);
    }
    void Restart(bool bootMode, BridgeTime at, std::vector<BridgeReply>& replies) override
    {
        std::string request(1, kRestart);
        Put(request, static_cast<std::uint8_t>(bootMode ? 1 : 0));
        Put(request, Ticks(at));
        Call(request, replies);
    }
    std::uint32_t BaudRate() const override
    {
        std::lock_guard lock(mutex_);
        std::uint32_t rate = 0;
        if (!fd_.Valid() || !WriteAll(fd_.Get(), std::string(1, kBaudRateRequest)) ||
            !Get(fd_.Get(), rate)) {
            return 0;  // nothing at any speed
        }
        return rate;
    }

  private:
    void Call(const std::string& request, std::vector<BridgeReply>& replies)
    {
        std::lock_guard lock(mutex_);
        if (!fd_.Valid()) return;
        std::uint32_t count = 0;
        bool ok = WriteAll(fd_.Get(), request) && Get(fd_.Get(), count);
        for (std::uint32_t i = 0; ok && i < count; ++i) {
            std::int64_t ready = 0;
            std::string bytes;
            ok = Get(fd_.Get(), ready) && GetText(fd_.Get(), bytes);
            if (ok) replies.push_back({std::move(bytes), TimeOf(ready)});
        }
        if (!ok) fd_.Reset();
    }

    mutable std::mutex mutex_;
    mutable UniqueFd fd_;
};

}  // namespace

BridgeSocketServer::BridgeSocketServer(std::shared_ptr<BridgeTarget> target,
                                       BridgeIdentity identity, bool instant)
    : target_(std::move(target)), identity_(std::move(identity)), instant_(instant)
{
}

BridgeSocketServer::~BridgeSocketServer()
{
    Stop();
}

bool BridgeSocketServer::Start(const std::string& path, std::string* error)
{
    sockaddr_un address{};
    if (thread_.joinable() || !AddressOf(path, address, error)) return false;
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return FailWithErrno(error, "socket");
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return FailWithErrno(error, "cannot listen at " + path);
    }
    if (::listen(fd.Get(), 4) != 0) return FailWithErrno(error, "listen");
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) return FailWithErrno(error, "eventfd");
    path_ = path;
    listen_ = std::move(fd);
    wake_ = std::move(wake);
    thread_ = std::thread([this] { Run(); });
    SetThreadName(thread_, "krv-sim-bridge");
    return true;
}

void BridgeSocketServer::Stop()
{
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_.Get(), &one, sizeof one);
    thread_.join();
    listen_.Reset();
    wake_.Reset();
    ::unlink(path_.c_str());
}

void BridgeSocketServer::Run()
{
    for (;;) {
        pollfd fds[2] = {{listen_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) return;
        UniqueFd client(::accept4(listen_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client.Valid() && !Serve(client.Get())) return;
    }
}

bool BridgeSocketServer::Serve(int fd)
{
    const int wake = wake_.Get();
    for (;;) {
        char op = 0;
        if (!ReadAll(fd, &op, 1, wake)) {
            pollfd stop = {wake, POLLIN, 0};
            return ::poll(&stop, 1, 0) == 0;  // the client went: serve the next
        }
        std::string reply;
        std::vector<BridgeReply> replies;
        if (op == kIdentity) {
            Put(reply, static_cast<std::uint8_t>(instant_ ? 1 : 0));
            PutText(reply, identity_.serialNumber);
            PutText(reply, identity_.description);
        } else if (op == kReceive || op == kRestart) {
            std::uint8_t flag = 0;
            std::int64_t at = 0;
            if (!Get(fd, flag, wake) || !Get(fd, at, wake)) return true;
            if (op == kReceive) {
                target_->Receive(flag, TimeOf(at), replies);
            } else {
                target_->Restart(flag != 0, TimeOf(at), replies);
            }
            reply = Replies(replies);
        } else if (op == kBaudRateRequest) {
            Put(reply, target_->BaudRate());
        } else {
            return true;  // not one of ours: drop it
        }
        if (!WriteAll(fd, reply)) return true;
    }
}

std::unique_ptr<RemoteBridge> RemoteBridge::Connect(const std::string& path, std::string* error)
{
    sockaddr_un address{};
    if (!AddressOf(path, address, error)) return nullptr;
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        FailWithErrno(error, "socket");
        return nullptr;
    }
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        FailWithErrno(error, "cannot connect to " + path);
        return nullptr;
    }
    std::uint8_t instant = 0;
    BridgeIdentity identity;
    if (!WriteAll(fd.Get(), std::string(1, kIdentity)) || !Get(fd.Get(), instant) ||
        !GetText(fd.Get(), identity.serialNumber) || !GetText(fd.Get(), identity.description)) {
        if (error != nullptr) *error = "no virtual unit answers at " + path;
        return nullptr;
    }
    std::unique_ptr<RemoteBridge> remote(new RemoteBridge);
    remote->bridge_ = std::make_shared<SimBridge>(
        identity, std::make_shared<RemoteTarget>(std::move(fd)), instant != 0);
    remote->bus_ = std::make_unique<SimBridgeBus>();
    remote->bus_->Plug(remote->bridge_);
    InstallD2xxLibrary(SimulatedD2xxLibrary());
    return remote;
}

RemoteBridge::~RemoteBridge()
{
    InstallD2xxLibrary(nullptr);
    bus_.reset();
}

}  // namespace krv::sim
