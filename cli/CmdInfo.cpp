#include <cstdio>

#include "cli/Commands.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"
#include "protocol/Identification.h"

namespace krv::cli {

namespace {

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

}  // namespace

Command InfoCommand()
{
    return {
        "info",
        KRV_TRANSLATE_NOOP("krvctl", "発生器にファームウェアのバージョンと回路数を問い合わせる"),
        "Usage: krvctl [--port NAME] info [--json]\n"
        "\n"
        "Asks the unit for its firmware version (VER) and its number of circuits (CH) and prints\n"
        "  firmware 020000\n"
        "  circuits 2\n"
        "  --json   {\"firmware\":\"020000\",\"circuits\":2}\n"
        "When the unit does not answer, prints 接続できません。 to standard error and exits 1.\n",
        {{"--json", false}},
        RunInfo};
}

}  // namespace krv::cli
