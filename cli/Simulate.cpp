#include "cli/Simulate.h"

#include <cstdio>

#include "cli/CliArgs.h"
#include "link/FtdiPort.h"
#include "platform/Translate.h"

namespace krv::cli {

namespace {

constexpr int kDefaultCircuits = 2;

std::string& RunningBridgeSerial()
{
    static std::string serial;
    return serial;
}

std::string& RunningPortPath()
{
    static std::string path;
    return path;
}

}  // namespace

int ParseBridgeOptions(const Args& args, sim::SimulationOptions& options)
{
    if (const auto serial = args.Value("--bridge-serial")) {
        if (serial->empty())
            return UsageError(Tr("krvctl", "--bridge-serial にはシリアル番号が必要です"));
        options.bridgeSerial = *serial;
    }
    for (const std::string& spec : args.Values("--extra-bridge")) {
        // SERIAL or SERIAL:DESCRIPTION
        sim::ExtraBridge extra;
        const auto colon = spec.find(':');
        extra.serialNumber = spec.substr(0, colon);
        if (colon != std::string::npos) extra.description = spec.substr(colon + 1);
        if (extra.serialNumber.empty()) {
            return UsageError(WithArgs(
                Tr("krvctl", "--extra-bridge %1: SERIAL か SERIAL:DESCRIPTION で指定します"),
                {spec}));
        }
        options.extraBridges.push_back(extra);
    }
    std::string faults;
    for (const std::string& spec : args.Values("--bridge-fault")) {
        faults += (faults.empty() ? "" : ",") + spec;
    }
    std::string error;
    if (!faults.empty() && !sim::FaultPlan::Parse(faults, &error)) {
        return UsageError("--bridge-fault: " + error);
    }
    options.bridgeFaults = faults;
    return kExitOk;
}

int ActiveSimulation::Start(const Args& args)
{
    const auto circuits = args.Value("--simulate");
    if (circuits && args.Has("--sim-bridge")) {
        return UsageError(Tr("krvctl",
                             "--sim-bridge は別のプロセスの仮想の発生器に届くもので、--simulate の"
                             "ものには届きません"));
    }
    if (!circuits) {
        if (args.Has("--bridge-serial") || args.Has("--extra-bridge") || args.Has("--unit-fault") ||
            args.Has("--bridge-fault")) {
            return UsageError(Tr("krvctl",
                                 "--bridge-serial、--extra-bridge、--unit-fault、--bridge-fault は "
                                 "--simulate の発生器を指定するものです"));
        }
        if (const auto socket = args.Value("--sim-bridge")) {
            std::string error;
            remote_ = sim::RemoteBridge::Connect(*socket, &error);
            if (!remote_) {
                std::fprintf(
                    stderr, "krvctl: %s\n",
                    WithArgs(Tr("krvctl", "仮想の発生器のブリッジに届きません: %1"), {error})
                        .c_str());
                return kExitUnitFailed;
            }
        }
        return kExitOk;
    }
    sim::SimulationOptions options;
    options.server.unit.circuits = kDefaultCircuits;
    if (!circuits->empty()) {
        if (*circuits != "1" && *circuits != "2" && *circuits != "4") {
            return UsageError(WithArgs(
                Tr("krvctl", "--simulate の回路数は 1、2、4 のいずれかです。\"%1\" ではありません"),
                {*circuits}));
        }
        options.server.unit.circuits = (*circuits)[0] - '0';
    }
    if (const int status = ParseBridgeOptions(args, options); status != kExitOk) return status;
    std::string unitFaults;
    for (const std::string& spec : args.Values("--unit-fault")) {
        unitFaults += (unitFaults.empty() ? "" : ",") + spec;
    }
    std::string faultError;
    if (!sim::ParseCommandFaults(unitFaults, options.server.unit.faults, &faultError)) {
        return UsageError("--unit-fault: " + faultError);
    }

    const std::string serial = options.bridgeSerial.empty()
                                   ? sim::DefaultBridgeSerial(options.server.unit.circuits)
                                   : options.bridgeSerial;
    simulation_ = std::make_unique<sim::Simulation>(std::move(options));
    std::string error;
    if (!simulation_->Start(&error)) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "仮想の発生器を始められません: %1"), {error}).c_str());
        simulation_.reset();
        return kExitUnitFailed;
    }
    RunningPortPath() = simulation_->Server().PortPath();
    RunningBridgeSerial() = serial;
    return kExitOk;
}

ActiveSimulation::~ActiveSimulation()
{
    RunningPortPath().clear();
    RunningBridgeSerial().clear();
}

std::string ActiveSimulation::BridgeSerial()
{
    return RunningBridgeSerial();
}

std::string ActiveSimulation::PortPath()
{
    return RunningPortPath();
}

}  // namespace krv::cli
