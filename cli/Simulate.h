#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "sim/BridgeSocket.h"
#include "sim/Simulation.h"

namespace krv::cli {

// Reads --bridge-serial and --extra-bridge into `options`. Returns kExitOk, or the status of the
// usage error it has printed.
int ParseBridgeOptions(const Args& args, sim::SimulationOptions& options);

// With --simulate[=1|2|4] among the global options: starts a virtual unit in this process (on a
// pseudo-terminal and behind a simulated bridge) and keeps it until ~ActiveSimulation. With
// --sim-bridge SOCKET instead: the bridge of the unit another process serves there. Returns
// kExitOk (also when no simulation was asked for), or the status of the failure it printed.
class ActiveSimulation {
  public:
    int Start(const Args& args);
    ~ActiveSimulation();
    // The pty of the running simulation, or empty.
    static std::string PortPath();
    // The serial number of the running simulation's bridge, or empty.
    static std::string BridgeSerial();

  private:
    std::unique_ptr<sim::Simulation> simulation_;
    // With --sim-bridge: the bridge of a virtual unit served by `krvctl sim --bridge-socket`.
    std::unique_ptr<sim::RemoteBridge> remote_;
};

}  // namespace krv::cli
