#include <cstdio>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "link/PortEnumeration.h"

namespace krv::cli {

namespace {

std::vector<ExtraPort> ExtraPortsOf(const Args& args)
{
    std::vector<ExtraPort> extra;
    for (const std::string& path : args.Values("--port")) {
        extra.push_back({PortNameFromPath(path), ""});
    }
    const std::string simulated = ActiveSimulation::PortPath();
    if (!simulated.empty()) extra.push_back({PortNameFromPath(simulated), "KRV virtual unit"});
    return extra;
}

void PrintPortList(std::FILE* out, const PortList& list)
{
    for (const PortEntry& entry : list) std::fprintf(out, "%s\n", PortEntryText(entry).c_str());
}

}  // namespace

int RunPorts(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("ports takes no arguments");
    const PortList list = EnumeratePorts(ExtraPortsOf(args));
    if (!args.Has("--json")) {
        PrintPortList(stdout, list);
        return kExitOk;
    }
    std::printf("[");
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::printf("%s{\"name\":%s,\"description\":%s,\"number\":%d,\"text\":%s}", i ? "," : "",
                    JsonString(list[i].name).c_str(), JsonString(list[i].description).c_str(),
                    list[i].number, JsonString(PortEntryText(list[i])).c_str());
    }
    std::printf("]\n");
    return kExitOk;
}

int ResolveUnitPort(const Args& args, std::string& name)
{
    if (const auto port = args.Value("--port")) {
        name = PortNameFromPath(*port);
        return kExitOk;
    }
    if (const std::string simulated = ActiveSimulation::PortPath(); !simulated.empty()) {
        name = PortNameFromPath(simulated);
        return kExitOk;
    }
    const PortList list = EnumeratePorts();
    const std::vector<PortEntry> units = PortsDescribedAs(list, kUnitBridgeDescription);
    if (units.size() == 1) {
        name = units.front().name;
        return kExitOk;
    }
    std::fprintf(stderr,
                 units.empty() ? "krvctl: no port describes the unit's bridge (%s); name one with "
                                 "--port. Serial ports:\n"
                               : "krvctl: several ports describe the unit's bridge (%s); name one "
                                 "with --port. Serial ports:\n",
                 kUnitBridgeDescription);
    PrintPortList(stderr, list);
    return kExitUsage;
}

}  // namespace krv::cli
