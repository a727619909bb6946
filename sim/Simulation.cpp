#include "sim/Simulation.h"

#include <stdlib.h>
#include <unistd.h>

#include "link/D2xxLibraries.h"
#include "platform/ThreadName.h"

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
    StopPortNode();
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
    if (options_.portReturnDelay) StartPortNode();
    return true;
}

std::string Simulation::PortPath() const
{
    return nodePath_.empty() ? server_.PortPath() : nodePath_;
}

void Simulation::StartPortNode()
{
    char dir[] = "/tmp/krv-sim-port-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return;
    nodeDir_ = dir;
    nodePath_ = nodeDir_ + "/ttyKRV0";
    [[maybe_unused]] const int linked = ::symlink(server_.PortPath().c_str(), nodePath_.c_str());
    Bridge().SetOpenObserver([this](bool open) { BridgeOpened(open); });
    nodeThread_ = std::thread([this] { PortNodeLoop(); });
    SetThreadName(nodeThread_, "krv-sim-port");
}

void Simulation::StopPortNode()
{
    if (nodeDir_.empty()) return;
    Bridge().SetOpenObserver(nullptr);
    {
        std::lock_guard lock(nodeMutex_);
        nodeStopping_ = true;
    }
    nodeChanged_.notify_all();
    if (nodeThread_.joinable()) nodeThread_.join();
    ::unlink(nodePath_.c_str());
    ::rmdir(nodeDir_.c_str());
    nodeDir_.clear();
}

void Simulation::BridgeOpened(bool open)
{
    {
        std::lock_guard lock(nodeMutex_);
        if (open) {
            nodeReturnsAt_.reset();
            ::unlink(nodePath_.c_str());
        } else {
            nodeReturnsAt_ = std::chrono::steady_clock::now() + *options_.portReturnDelay;
        }
    }
    nodeChanged_.notify_all();
}

void Simulation::PortNodeLoop()
{
    std::unique_lock lock(nodeMutex_);
    while (!nodeStopping_) {
        if (!nodeReturnsAt_) {
            nodeChanged_.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < *nodeReturnsAt_) {
            nodeChanged_.wait_until(lock, *nodeReturnsAt_);
            continue;
        }
        nodeReturnsAt_.reset();
        [[maybe_unused]] const int linked =
            ::symlink(server_.PortPath().c_str(), nodePath_.c_str());
    }
}

}  // namespace krv::sim
