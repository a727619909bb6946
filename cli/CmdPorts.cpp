#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "link/PortEnumeration.h"
#include "platform/SerialDeviceMonitor.h"
#include "platform/Translate.h"
#include "platform/UniqueFd.h"

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

void PrintPortJson(const PortList& list)
{
    std::printf("[");
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::printf("%s{\"name\":%s,\"description\":%s,\"number\":%d,\"text\":%s}", i ? "," : "",
                    JsonString(list[i].name).c_str(), JsonString(list[i].description).c_str(),
                    list[i].number, JsonString(PortEntryText(list[i])).c_str());
    }
    std::printf("]\n");
}

void PrintChanges(const PortListChanges& changes)
{
    for (const PortEntry& entry : changes.removed) {
        std::printf("- %s\n", PortEntryText(entry).c_str());
    }
    for (const PortEntry& entry : changes.added)
        std::printf("+ %s\n", PortEntryText(entry).c_str());
}

// Prints the list, then what changes each time udev announces a serial device, until SIGINT or
// SIGTERM. The stop signals arrive through a signalfd, so one poll() waits for both.
int WatchPorts(const std::vector<ExtraPort>& extra, bool json)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    UniqueFd stop(::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK));
    std::string error;
    std::unique_ptr<SerialDeviceMonitor> monitor = SerialDeviceMonitor::Open(error);

    PortList list = EnumeratePorts(extra);
    json ? PrintPortJson(list) : PrintPortList(stdout, list);
    std::fflush(stdout);
    if (!stop.Valid()) {
        std::perror("krvctl: cannot wait for the stop signals");
        return kExitUnitFailed;
    }
    if (!monitor) {
        std::fprintf(stderr, "krvctl: cannot watch the ports: %s\n", error.c_str());
        return kExitUnitFailed;
    }
    for (;;) {
        pollfd fds[2] = {{stop.Get(), POLLIN, 0}, {monitor->Fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("krvctl: cannot wait for udev");
            return kExitUnitFailed;
        }
        if (fds[0].revents != 0) return kExitOk;
        if (fds[1].revents == 0 || !monitor->TakeChanges()) continue;
        PortList now = EnumeratePorts(extra);
        const PortListChanges changes = ComparePortLists(list, now);
        list = std::move(now);
        if (changes.Empty()) continue;
        json ? PrintPortJson(list) : PrintChanges(changes);
        std::fflush(stdout);
    }
}

int RunPorts(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("ports takes no arguments");
    if (args.Has("--watch")) return WatchPorts(ExtraPortsOf(args), args.Has("--json"));
    const PortList list = EnumeratePorts(ExtraPortsOf(args));
    if (!args.Has("--json")) {
        PrintPortList(stdout, list);
        return kExitOk;
    }
    PrintPortJson(list);
    return kExitOk;
}

}  // namespace

Command PortsCommand()
{
    return {
        "ports",
        KRV_TRANSLATE_NOOP("krvctl", "パネルと同じ形でシリアルポートの一覧を表示する"),
        "Usage: krvctl ports [--json] [--watch] [--port PATH]...\n"
        "\n"
        "Lists the serial ports in the order of the panel's port list, one entry text per line:\n"
        "\"(\" name \")  \" description. Ports named with --port are added to the list.\n"
        "  --json   one JSON array of {name, description, number, text}\n"
        "  --watch  after the list, follow plugging and unplugging as udev announces it: one\n"
        "           line \"- \" entry for every port gone and \"+ \" entry for every port new\n"
        "           (with --json, the whole array again), until Ctrl-C or SIGTERM (exit 0).\n"
        "           When udev's events cannot be received, says why and exits 1.\n",
        {{"--json", false}, {"--watch", false}},
        RunPorts};
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
