#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/UniqueFd.h"
#include "sim/SimBridge.h"
#include "sim/SimD2xx.h"

namespace krv::sim {

// The unit behind a simulated bridge, lent to other processes over a Unix socket: a process that
// connects gets a simulated bridge of its own whose far side is this unit. The line's timing is
// worked out in the connecting process; only what reaches the unit (bytes, restarts) and what it
// answers cross the socket, with their times on the machine's monotonic clock. So the unit, its
// flash and calibration outlive the processes that talk to it, also one that is killed.
//
// One client at a time, served in order on the thread "krv-sim-bridge"; a second one waits
// until the first has gone. Nothing else may drive `target` meanwhile.
class BridgeSocketServer {
  public:
    BridgeSocketServer(std::shared_ptr<BridgeTarget> target, BridgeIdentity identity, bool instant);
    ~BridgeSocketServer();  // Stop()
    BridgeSocketServer(const BridgeSocketServer&) = delete;
    BridgeSocketServer& operator=(const BridgeSocketServer&) = delete;

    // Listens at `path` (which must not exist yet). False with the reason otherwise.
    bool Start(const std::string& path, std::string* error = nullptr);
    // Stops serving and removes the socket.
    void Stop();

  private:
    void Run();
    // Serves one client until it goes; false when asked to stop.
    bool Serve(int fd);

    std::shared_ptr<BridgeTarget> target_;
    BridgeIdentity identity_;
    bool instant_;
    std::string path_;
    UniqueFd listen_;
    UniqueFd wake_;
    std::thread thread_;
};

// A simulated bridge in this process whose unit is the one a BridgeSocketServer lends at `path`,
// on a bus of its own: while it lives, the simulated D2XX library (installed by Connect) lists
// it. When the server goes away the unit falls silent.
class RemoteBridge {
  public:
    static std::unique_ptr<RemoteBridge> Connect(const std::string& path,
                                                 std::string* error = nullptr);
    ~RemoteBridge();

    SimBridge& Bridge() { return *bridge_; }

  private:
    RemoteBridge() = default;

    std::shared_ptr<SimBridge> bridge_;
    std::unique_ptr<SimBridgeBus> bus_;
};

}  // namespace krv::sim
