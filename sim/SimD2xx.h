#pragma once

#include <memory>
#include <vector>

#include "link/D2xx.h"
#include "sim/SimBridge.h"

namespace krv::sim {

// The simulated bridges plugged into this process, in the order the simulated D2XX library
// lists them. The library sees the bus made last; when that goes, it sees none until another is
// made, and handles opened on it stop working.
class SimBridgeBus {
  public:
    SimBridgeBus();
    ~SimBridgeBus();
    SimBridgeBus(const SimBridgeBus&) = delete;
    SimBridgeBus& operator=(const SimBridgeBus&) = delete;

    void Plug(std::shared_ptr<SimBridge> bridge);
    std::vector<std::shared_ptr<SimBridge>> Bridges() const;
};

// The D2XX calls over the simulated bridges. Install it (InstallD2xxLibrary) before the link
// that should reach them is made.
std::shared_ptr<d2xx::D2xxLibrary> SimulatedD2xxLibrary();

}  // namespace krv::sim
