#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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
        std::fprintf(stderr, "krvctl: %s: %s\n", Tr("krvctl", "停止シグナルを待てません").c_str(),
                     std::strerror(errno));
        return kExitUnitFailed;
    }
    if (!monitor) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "ポートを監視できません: %1"), {error}).c_str());
        return kExitUnitFailed;
    }
    for (;;) {
        pollfd fds[2] = {{stop.Get(), POLLIN, 0}, {monitor->Fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "krvctl: %s: %s\n", Tr("krvctl", "udev を待てません").c_str(),
                         std::strerror(errno));
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
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "ports は引数をとりません"));
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
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl ports [--json] [--watch] [--port PATH]...\n"
            "\n"
            "シリアルポートをパネルのポート一覧と同じ順に、1 行に 1 項目の文で表示します:\n"
            "\"(\" 名前 \")  \" 説明。--port で指定したポートも一覧に加えます。\n"
            "  --json   {name, description, number, text} の JSON 配列一つ\n"
            "  --watch  一覧の後、udev が知らせる抜き差しを追います: なくなったポートごとに\n"
            "           \"- \" 項目、新しいポートごとに \"+ \" 項目の 1 行 (--json では配列全体を\n"
            "           もう一度)。Ctrl-C か SIGTERM まで続けます (終了ステータス 0)。\n"
            "           udev のイベントを受け取れなければ理由を表示し、終了ステータス 1 で"
            "終わります。\n"),
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
    const std::string text =
        units.empty() ? Tr("krvctl",
                           "発生器のブリッジ (%1) を説明に持つポートがありません。--port で指定して"
                           "ください。シリアルポート:")
                      : Tr("krvctl",
                           "発生器のブリッジ (%1) を説明に持つポートが複数あります。--port で一つ"
                           "指定してください。シリアルポート:");
    std::fprintf(stderr, "krvctl: %s\n", WithArgs(text, {kUnitBridgeDescription}).c_str());
    PrintPortList(stderr, list);
    return kExitUsage;
}

}  // namespace krv::cli
