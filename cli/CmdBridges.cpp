// Commands on the unit's USB bridge itself: list the bridges, restart the unit.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "firmware/FirmwareUpdate.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"

namespace krv::cli {

namespace {

// The devices the last ListFtdiDevices found, in index order.
std::vector<std::pair<int, UnitEntry>> ListedDevices(const CFtdiPort& ftdi)
{
    std::vector<std::pair<int, UnitEntry>> devices;
    for (int i = 0; i < CFtdiPort::kDeviceTableSize && ftdi.DeviceEntry(i).found; ++i) {
        devices.emplace_back(i, ftdi.DeviceEntry(i));
    }
    return devices;
}

int RunBridges(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "bridges は引数をとりません"));
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    CFtdiPort& ftdi = link.FtdiPort();
    const int units = ftdi.ListFtdiDevices();
    const auto devices = ListedDevices(ftdi);

    if (args.Has("--json")) {
        JsonWriter json;
        json.BeginObject().Key("units").Int(units).Key("devices").BeginArray();
        for (const auto& [index, entry] : devices) {
            json.BeginObject();
            json.Key("index").Int(index);
            json.Key("serial").String(entry.serialNumber);
            json.Key("description").String(entry.description);
            json.Key("unit").Bool(IsUnitBridge(entry));
            json.EndObject();
        }
        json.EndArray().EndObject();
        std::printf("%s\n", json.Text().c_str());
    } else {
        std::printf("units %d\n", units);
        for (const auto& [index, entry] : devices) {
            std::printf("%d\t%s\t%s\t%s\n", index, entry.serialNumber.c_str(),
                        entry.description.c_str(), IsUnitBridge(entry) ? "unit" : "-");
        }
    }
    if (units == 0) {
        std::fprintf(stderr, "%s\n", TrMarked("FirmwareUpdate", kNoUnit).c_str());
        return kExitUnitFailed;
    }
    return kExitOk;
}

int RunRestart(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError(Tr("krvctl", "restart は引数をとりません"));
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    // The bridge's serial port goes away while the bridge is driven directly.
    link.ClosePort();
    CFtdiPort& ftdi = link.FtdiPort();
    const int units = ftdi.ListFtdiDevices();
    if (units != 1) {
        std::fprintf(stderr, "%s\n",
                     TrMarked("FirmwareUpdate", units == 0 ? kNoUnit : kSeveralUnits).c_str());
        return kExitUnitFailed;
    }
    if (!ftdi.OpenFtdiDevice()) {
        std::fprintf(stderr, "krvctl: %s\n",
                     WithArgs(Tr("krvctl", "発生器の USB ブリッジ (%1) を開けません"),
                              {ftdi.CurrentUnit().serialNumber})
                         .c_str());
        return kExitUnitFailed;
    }
    ftdi.SetFtdiBitMode();
    ftdi.CloseFtdiDevice();
    std::printf("restarted %s\n", ftdi.CurrentUnit().serialNumber.c_str());
    return kExitOk;
}

}  // namespace

Command BridgesCommand()
{
    return {"bridges",
            KRV_TRANSLATE_NOOP("krvctl",
                               "D2XX から見える USB ブリッジと、そのうちの発生器の一覧を表示する"),
            KRV_TRANSLATE_NOOP(
                "krvctl",
                "使い方: krvctl bridges [--json]\n"
                "\n"
                "D2XX ライブラリが報告するすべてのデバイスを番号順に表示します: シリアル番号、\n"
                "説明、発生器かどうか (説明が \"Holvik KRV FT230X\"、シリアル番号が KR...)。"
                "1 行目は発生器の台数です。\n"
                "  --json   {\"units\":N,\"devices\":[{\"index\":0,\"serial\":\"KR2A0001\",\n"
                "           \"description\":\"Holvik KRV FT230X\",\"unit\":true}]}\n"
                "発生器がなければ アナログユニットが接続されていません を標準エラー出力に表示し、\n"
                "終了ステータス 1 で終わります。\n"),
            {{"--json", false}},
            RunBridges};
}

Command RestartCommand()
{
    return {
        "restart",
        KRV_TRANSLATE_NOOP("krvctl", "USB ブリッジ経由で発生器を再起動する"),
        KRV_TRANSLATE_NOOP(
            "krvctl",
            "使い方: krvctl restart\n"
            "\n"
            "USB ブリッジの中から一台の発生器を見つけ、そのブリッジを開いて CBUS のパルス (レベル\n"
            "0x31、0x30、その後オフ、200 ms 間隔) "
            "で発生器を再起動します。発生器は電源を入れ直した\n"
            "ときと同じく出力を忘れます。発生器がないときや 2 "
            "台以上接続されているときは、パネルの\n"
            "メッセージを標準エラー出力に表示し、終了ステータス 1 で終わります。\n"),
        {},
        RunRestart};
}

}  // namespace krv::cli
