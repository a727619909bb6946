// Commands on the unit's USB bridge itself: list the bridges, restart the unit.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "link/DeviceLink.h"
#include "platform/Translate.h"

namespace krv::cli {

namespace {

constexpr const char* kNoUnit = "アナログユニットが接続されていません";
constexpr const char* kSeveralUnits =
    "アナログユニットが２台以上接続されています\n１台のみ接続してください";

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
    if (!args.Positionals().empty()) return UsageError("bridges takes no arguments");
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
        std::fprintf(stderr, "%s\n", kNoUnit);
        return kExitUnitFailed;
    }
    return kExitOk;
}

int RunRestart(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("restart takes no arguments");
    ConsoleUserInterface ui;
    DeviceLink& link = TheDeviceLink();
    link.SetUserInterface(ui);
    // The bridge's serial port goes away while the bridge is driven directly.
    link.ClosePort();
    CFtdiPort& ftdi = link.FtdiPort();
    const int units = ftdi.ListFtdiDevices();
    if (units != 1) {
        std::fprintf(stderr, "%s\n", units == 0 ? kNoUnit : kSeveralUnits);
        return kExitUnitFailed;
    }
    if (!ftdi.OpenFtdiDevice()) {
        std::fprintf(stderr, "krvctl: the unit's USB bridge (%s) cannot be opened\n",
                     ftdi.CurrentUnit().serialNumber.c_str());
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
            "Usage: krvctl bridges [--json]\n"
            "\n"
            "Lists every device the D2XX library reports, by index: serial number, description\n"
            "and whether it is a unit (description \"Holvik KRV FT230X\", serial number beginning\n"
            "with KR). The first line gives the number of units.\n"
            "  --json   {\"units\":N,\"devices\":[{\"index\":0,\"serial\":\"KR2A0001\",\n"
            "           \"description\":\"Holvik KRV FT230X\",\"unit\":true}]}\n"
            "Without a unit, prints アナログユニットが接続されていません to standard error and "
            "exits 1.\n",
            {{"--json", false}},
            RunBridges};
}

Command RestartCommand()
{
    return {
        "restart",
        KRV_TRANSLATE_NOOP("krvctl", "USB ブリッジ経由で発生器を再起動する"),
        "Usage: krvctl restart\n"
        "\n"
        "Finds the one unit among the USB bridges, opens its bridge and restarts the unit with\n"
        "the CBUS pulse (levels 0x31, 0x30, then off, 200 ms apart); the unit forgets its\n"
        "outputs as after a power cycle. Exits 1, with the panel's message on standard error,\n"
        "when no unit or more than one is connected.\n",
        {},
        RunRestart};
}

}  // namespace krv::cli
