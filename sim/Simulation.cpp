#include "sim/Simulation.h"

#include "link/D2xxLibraries.h"

namespace krv::sim {

std::string DefaultBridgeSerial(int circuits)
{
    const char digit = circuits >= 0 && circuits <= 9 ? static_cast<char>('0' + circuits) : '0';
    return std::string("KR") + digit + "A0001";
}

Simulation::Simulation(SimulationOptions options)
    : options_(std::move(options)), server_(options_.server)
{
    target_ = std::make_shared<UnitBridgeTarget>(server_);
    BridgeIdentity identity;
    identity.serialNumber = options_.bridgeSerial.empty()
                                ? DefaultBridgeSerial(options_.server.unit.circuits)
                                : options_.bridgeSerial;
    bridges_.push_back(std::make_shared<SimBridge>(identity, target_, options_.server.instant));
    for (const ExtraBridge& extra : options_.extraBridges) {
        BridgeIdentity id{extra.description, extra.serialNumber};
        bridges_.push_back(std::make_shared<SimBridge>(
            id, std::make_shared<UnitBridgeTarget>(options_.server.unit), options_.server.instant));
    }
}

Simulation::~Simulation()
{
    // A link that loaded the simulated library keeps it; it then finds no bridges.
    if (bus_) InstallD2xxLibrary(nullptr);
    bus_.reset();
    server_.Stop();
}

bool Simulation::Start(std::string* error)
{
    std::string why;
    if (!target_->SetFaults(options_.bridgeFaults, &why)) {
        if (error != nullptr) *error = "bridge faults: " + why;
        return false;
    }
    if (!server_.Start(error)) return false;
    bus_ = std::make_unique<SimBridgeBus>();
    for (const auto& bridge : bridges_) bus_->Plug(bridge);
    InstallD2xxLibrary(SimulatedD2xxLibrary());
    return true;
}

}  // namespace krv::sim
