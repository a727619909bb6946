#include <cstdio>

#include "cli/Commands.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"
#include "protocol/Identification.h"

namespace krv::cli {

namespace {

int RunInfo(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "info は引数をとりません"));
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
        std::fprintf(stderr, "%s\n", Tr("krvctl", "接続できません。").c_str());
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
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl [--port NAME] info [--json]\n"
            "\n"
            "発生器にファームウェアのバージョン (VER) と回路数 (CH) を問い合わせ、次のように"
            "表示します\n"
            "  firmware 020000\n"
            "  circuits 2\n"
            "  --json   {\"firmware\":\"020000\",\"circuits\":2}\n"
            "応答がなければ 接続できません。 を標準エラー出力に表示し、終了ステータス 1 で"
            "終わります。\n"),
        {{"--json", false}},
        RunInfo};
}

}  // namespace krv::cli
