#include <cstdio>

#include "cli/Commands.h"
#include "link/DeviceLink.h"
#include "protocol/Identification.h"

namespace krv::cli {

int RunInfo(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("info takes no arguments");
    std::string port;
    if (const int status = ResolveUnitPort(args, port); status != kExitOk) return status;

    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    link.SetPortName(port);
    if (!link.OpenPort()) return kExitUnitFailed;  // the link has said why

    std::string version;
    const bool identified = QueryVersion(link, LinkKind::Com, version);
    const int circuits = identified ? QueryCircuitCount(link) : -1;
    link.ClosePort();
    if (!identified || circuits < 0) {
        std::fprintf(stderr, "接続できません。\n");
        return kExitUnitFailed;
    }

    if (args.Has("--json")) {
        std::printf("{\"firmware\":%s,\"circuits\":%d}\n", JsonString(version).c_str(), circuits);
    } else {
        std::printf("firmware %s\ncircuits %d\n", version.c_str(), circuits);
    }
    return kExitOk;
}

}  // namespace krv::cli
