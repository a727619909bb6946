#pragma once

// The network side of `krvctl serve`: a TCP server that takes lines from its clients and sends
// back what the unit's side answers, on a thread of its own ("krv-serve-net").
//
// Everything it holds is bounded: a line longer than the limit is dropped up to its end (and the
// unit's side hears of it), a client with lines waiting is not read from until the unit's side
// has taken them, and a client that does not read its replies is disconnected once they outgrow
// the output limit. The unit's side takes the clients' lines round-robin, one line per client in
// turn, so no client waits behind another's flood.

#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/UniqueFd.h"

namespace krv::remote {

inline constexpr std::uint16_t kDefaultScpiPort = 5025;

// An IPv4 address and port to listen on.
struct ListenAddress {
    std::string host = "127.0.0.1";
    std::uint16_t port = kDefaultScpiPort;
};
// "ADDR", "ADDR:PORT" or ":PORT" (IPv4 dotted quad; port 0 to 65535, 0 for any free one).
// Nothing, with the reason in `error`, for anything else.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

// An IPv4 network, "A.B.C.D/N" or a single address.
struct Cidr {
    std::uint32_t network = 0;  // host byte order
    std::uint32_t mask = 0;
};
std::optional<Cidr> ParseCidr(std::string_view text);
bool CidrContains(const Cidr& cidr, std::uint32_t address);
// The loopback network, which alone may connect unless --allow names others.
inline constexpr Cidr kLoopback{0x7f000000u, 0xff000000u};

class LineServer {
  public:
    using ClientId = std::uint64_t;

    struct Options {
        ListenAddress listen;
        std::vector<Cidr> allow{kLoopback};
        std::size_t maxLine = 4096;          // bytes, without the "\n"
        std::size_t maxPendingLines = 32;    // per client, not yet taken by the unit's side
        std::size_t maxOutput = 256 * 1024;  // bytes of replies a client has not read
        std::size_t maxClients = 128;
        // Told of every connection refused or dropped; called on the network thread.
        std::function<void(const std::string&)> log;
    };

    struct Request {
        ClientId client = 0;
        std::string line;      // without "\n" (a "\r" before it is left for the parser)
        bool overrun = false;  // a line was too long and dropped; `line` is empty
    };

    explicit LineServer(Options options);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Binds, listens and starts the network thread. False, with the reason, when the address
    // cannot be had.
    bool Start(std::string* error);
    void Stop();
    // The port listened on (the one the system chose when the options said 0).
    std::uint16_t Port() const { return port_; }

    // The next line of the next client in turn; nothing when none came before `deadline`.
    std::optional<Request> NextLine(TimePoint deadline);
    // Queues `text` and "\n" for `client`; nothing when the client is gone. A client whose unread
    // replies outgrow the limit is disconnected.
    void Reply(ClientId client, std::string_view text);
    // Clients that went away since the last call, so their state can be dropped.
    std::vector<ClientId> TakeClosed();
    std::size_t ClientCount() const;
    // Lines received and not yet taken, over all clients.
    std::size_t PendingLines() const;

  private:
    struct Client {
        UniqueFd fd;
        std::string peer;  // "127.0.0.1:40000", for the log
        std::string partial;
        bool discarding = false;  // dropping the rest of a too long line
        std::deque<Request> pending;
        std::string out;
        bool closing = false;
        bool hungUp = false;  // gone, with lines still to be taken
    };

    void Run();
    void Accept();
    void ReadFrom(ClientId id, Client& client);
    void WriteTo(Client& client);
    void Close(std::map<ClientId, Client>::iterator it);
    void Wake() const;
    void Log(const std::string& text) const;

    Options options_;
    UniqueFd listen_;
    UniqueFd wake_;
    std::uint16_t port_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable lineArrived_;
    std::map<ClientId, Client> clients_;
    std::vector<ClientId> closed_;
    ClientId nextId_ = 1;
    ClientId lastServed_ = 0;
    bool stop_ = false;
};

}  // namespace krv::remote
