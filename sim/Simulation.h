#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/SimBridge.h"
#include "sim/SimD2xx.h"
#include "sim/SimServer.h"
#include "sim/UnitBridgeTarget.h"

namespace krv::sim {

// A further bridge for tests: another description or serial number, with a unit of its own.
struct ExtraBridge {
    std::string serialNumber;
    std::string description = "Holvik KRV FT230X";
};

struct SimulationOptions {
    ServerOptions server;
    // The unit's bridge; empty: DefaultBridgeSerial of the unit's circuit count.
    std::string bridgeSerial;
    std::vector<ExtraBridge> extraBridges;
    // Faults of the unit's replies on its bridge (UnitBridgeTarget::SetFaults); empty: none.
    std::string bridgeFaults;
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
};

}  // namespace krv::sim
