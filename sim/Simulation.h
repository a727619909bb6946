#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimBridge.h"
#include "sim/SimD2xx.h"
#include "sim/SimServer.h"
#include "sim/UnitBridgeTarget.h"

namespace krv::sim {

// A further bridge for tests: another description or serial number, with a unit of its own.
struct ExtraBridge {
    std::string serialNumber;
    std::string description = kUnitBridgeDescription;
};

struct SimulationOptions {
    ServerOptions server;
    // The unit's bridge; empty: DefaultBridgeSerial of the unit's circuit count.
    std::string bridgeSerial;
    std::vector<ExtraBridge> extraBridges;
    // Faults of the unit's replies on its bridge (UnitBridgeTarget::SetFaults); empty: none.
    std::string bridgeFaults;
    // Set: the unit's serial port is reached through a device node of its own (PortPath) that is
    // gone while the host drives the bridge directly and comes back this long after the bridge is
    // closed, as a USB serial port does once its driver has taken the bridge back.
    std::optional<std::chrono::milliseconds> portReturnDelay;
};

// "KR", the circuit digit, "A0001": the serial number a unit's bridge gets unless told otherwise.
std::string DefaultBridgeSerial(int circuits);

// The virtual unit as a program sees it: served on a pseudo-terminal and behind a simulated USB
// bridge (both reach the same unit), plus any extra bridges. While it runs, its bridges are what
// the simulated D2XX library lists, and that library is installed as the process's.
class Simulation {
  public:
    explicit Simulation(SimulationOptions options);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Starts the pty server and plugs the bridges in. False with a reason when the options are
    // not usable or the pty cannot be set up.
    bool Start(std::string* error = nullptr);

    SimServer& Server() { return server_; }
    // What a client opens as the unit's serial port: the pty, or the device node that stands for
    // it when the port comes back late.
    std::string PortPath() const;
    // The unit's own bridge and its target.
    SimBridge& Bridge() { return *bridges_.front(); }
    UnitBridgeTarget& Target() { return *target_; }
    std::shared_ptr<UnitBridgeTarget> SharedTarget() { return target_; }
    const std::vector<std::shared_ptr<SimBridge>>& Bridges() const { return bridges_; }

  private:
    SimulationOptions options_;
    SimServer server_;
    std::shared_ptr<UnitBridgeTarget> target_;
    std::vector<std::shared_ptr<SimBridge>> bridges_;
    std::unique_ptr<SimBridgeBus> bus_;

    // The late-returning port: its node, and the thread that puts it back.
    void StartPortNode();
    void StopPortNode();
    void PortNodeLoop();
    void BridgeOpened(bool open);
    std::string nodeDir_;
    std::string nodePath_;
    std::mutex nodeMutex_;
    std::condition_variable nodeChanged_;
    std::optional<std::chrono::steady_clock::time_point> nodeReturnsAt_;
    bool nodeStopping_ = false;
    std::thread nodeThread_;
};

}  // namespace krv::sim
