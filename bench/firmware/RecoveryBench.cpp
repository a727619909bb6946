// Firmware updates cut short at each step from the erasure on, and run again against the same
// virtual unit: for each interruption point, whether the second run recovered the unit (it runs
// the new firmware) and whether every backed-up calibration entry came back as it was.
//
// An update is cut short in one of two ways: the process ends at the status line (its bridge
// handle closed, as the system closes a killed process's; the unit keeps what it received), or
// the unit falls silent there and the user cancels. The unit's calibration, once its flash is
// erased, reads as start values (mode 0) or as erased words (0xFFFF).
//
//   bench_firmware_recovery [--wiped start|erased|both]
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "firmware/CalibrationBackup.h"
#include "firmware/FirmwarePacker.h"
#include "firmware/FirmwareUpdate.h"
#include "flows/LinkFrameSink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "protocol/Identification.h"
#include "sim/BootLoader.h"
#include "sim/SimD2xx.h"
#include "sim/Simulation.h"

namespace krv::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct ProcessEnded {};

struct Point {
    const char* status;
    int progress;  // -1: as soon as the status shows
    const char* what;
};

const std::vector<Point> kPoints = {
    {"メモリ消去中", -1, "before the erasure"},
    {"プログラム転送中", -1, "erased, nothing programmed"},
    {"プログラム転送中", 30, "half programmed"},
    {"プログラム書込中", -1, "programmed, not ended"},
    {"プログラム照合中", -1, "before the read-back"},
    {"プログラム照合中", 70, "half read back"},
    {"更新後リセット中", -1, "new firmware, calibration wiped"},
    {"補正データ転送中", -1, "before the calibration goes back"},
    {"補正データ書込中", -1, "written, not stored"},
    {"補正データ書込後リセット中", -1, "stored, not restarted"},
};

sim::CalibrationValues Before(int ch, int code)
{
    return {static_cast<std::uint16_t>(1 + (code + ch) % 2),
            static_cast<std::uint16_t>(0x10 + code + 32 * ch),
            static_cast<std::uint16_t>(0x8000 - code - 1),
            static_cast<std::uint16_t>(0xFFF0 + code),
            static_cast<std::uint16_t>(0x8001 + 3 * ch + code)};
}

std::string Firmware()
{
    std::vector<SRecord> records;
    for (std::uint32_t at = 0; at < 64 * 256; at += 16) {
        SRecord r;
        r.address = 0xFFFE0000 + at;
        for (std::uint32_t i = 0; i < 16; ++i) r.data.push_back(static_cast<std::uint8_t>(at + i));
        records.push_back(std::move(r));
    }
    const std::string line = "VER020100\r\n";
    std::copy(line.begin(), line.end(), records[16].data.begin());
    records.push_back({'7', 0xFFFE0000, {}});
    return PackFirmware(records, {0x02, 0x01, 0x00});
}

struct Row {
    std::string first;
    std::string second;
    bool firmware = false;
    int entriesBack = 0;
    int entries = 0;
    std::size_t backups = 0;
    double seconds = 0;
};

const char* Name(FirmwareUpdateOutcome outcome)
{
    switch (outcome) {
        case FirmwareUpdateOutcome::Succeeded:
            return "succeeded";
        case FirmwareUpdateOutcome::Refused:
            return "refused";
        case FirmwareUpdateOutcome::Failed:
            return "failed";
        case FirmwareUpdateOutcome::CalibrationNotRestored:
            return "cal. not back";
    }
    return "?";
}

Row Run(const fs::path& file, const fs::path& folder, const Point& point, bool silent,
        sim::WipedCalibration wiped)
{
    const auto start = Clock::now();
    sim::SimulationOptions options;
    options.server.unit.circuits = 2;
    options.server.unit.wipedCalibration = wiped;
    options.server.instant = true;
    sim::Simulation simulation(options);
    std::string error;
    if (!simulation.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    simulation.Server().WithUnit([](sim::VirtualUnit& u) {
        for (int ch = 0; ch < 2; ++ch) {
            for (int code = 0; code < 16; ++code) u.Calibration().Set(ch, code, Before(ch, code));
        }
    });
    SilentUserInterface ui;  // answers OK
    AppValues app;
    std::atomic<bool> cancel{false};
    Row row;

    {
        DeviceLink link(ui, sim::SimulatedD2xxLibrary());
        LinkFrameSink frames(link);
        GeneratorState state(app, &frames);
        bool done = false;
        FirmwareContext context(
            link, ui,
            [&](const std::string& status, int progress) {
                if (done || status != point.status || progress < point.progress) return;
                done = true;
                if (!silent) throw ProcessEnded{};
                simulation.Target().SetBootLoader(nullptr);
                simulation.Server().WithUnit([](sim::VirtualUnit& u) {
                    sim::CommandFaults faults;
                    faults.silentAfter = 0;
                    u.SetCommandFaults(faults);
                });
                cancel = true;
            },
            &cancel);
        try {
            row.first = Name(RunFirmwareUpdate(context, state, {file, folder}).outcome);
        } catch (const ProcessEnded&) {
            row.first = "ended";
        }
    }

    simulation.Target().SetBootLoader(std::make_shared<sim::SimBootLoader>(simulation.Target()));
    simulation.Server().WithUnit([](sim::VirtualUnit& u) { u.SetCommandFaults({}); });
    cancel = false;
    {
        DeviceLink link(ui, sim::SimulatedD2xxLibrary());
        link.SetPortName(simulation.Server().PortPath());
        LinkFrameSink frames(link);
        GeneratorState state(app, &frames);
        FirmwareContext context(link, ui, {}, &cancel);
        row.second = Name(RunFirmwareUpdate(context, state, {file, folder}).outcome);
        std::string version;
        row.firmware = QueryVersion(link, LinkKind::Com, version) && version == "020100";
        link.ClosePort();
    }
    simulation.Server().WithUnit([&](sim::VirtualUnit& u) {
        for (int ch = 0; ch < 2; ++ch) {
            for (const OutputRange code : kBackupRangeList) {
                ++row.entries;
                row.entriesBack += u.Calibration().Stored(ch, code) == Before(ch, code) ? 1 : 0;
            }
        }
    });
    for (const auto& entry : fs::directory_iterator(folder)) {
        row.backups += entry.path().filename().string().rfind("KR2A0001_R", 0) == 0 ? 1 : 0;
    }
    row.seconds = Seconds(Clock::now() - start).count();
    return row;
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    using namespace krv;
    using namespace krv::bench;
    std::vector<sim::WipedCalibration> kinds = {sim::WipedCalibration::StartValues};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wiped") == 0 && i + 1 < argc) {
            const std::string kind = argv[++i];
            if (kind == "erased") kinds = {sim::WipedCalibration::Erased};
            if (kind == "both") kinds.push_back(sim::WipedCalibration::Erased);
        } else {
            std::fprintf(stderr, "usage: bench_firmware_recovery [--wiped start|erased|both]\n");
            return 2;
        }
    }
    char pattern[] = "/tmp/krv-bench-recovery-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const fs::path dir = pattern;
    const fs::path file = dir / "new.cya";
    std::ofstream(file, std::ios::binary) << Firmware();

    std::printf("%-34s %-6s %-6s %-13s %-13s %-8s %-11s %-7s %s\n", "interrupted", "how", "wiped",
                "1st run", "2nd run", "firmware", "calibration", "backups", "time");
    int recovered = 0;
    int rows = 0;
    for (const sim::WipedCalibration wiped : kinds) {
        for (const Point& point : kPoints) {
            for (const bool silent : {false, true}) {
                const fs::path folder = dir / ("run" + std::to_string(rows));
                fs::create_directories(folder);
                const Row row = Run(file, folder, point, silent, wiped);
                const bool ok = row.second == "succeeded" && row.firmware &&
                                row.entriesBack == row.entries && row.backups == 1;
                recovered += ok ? 1 : 0;
                ++rows;
                std::printf("%-34s %-6s %-6s %-13s %-13s %-8s %2d/%-8d %-7zu %.1f s%s\n",
                            point.what, silent ? "silent" : "ended",
                            wiped == sim::WipedCalibration::Erased ? "FFFF" : "start",
                            row.first.c_str(), row.second.c_str(), row.firmware ? "new" : "NO",
                            row.entriesBack, row.entries, row.backups, row.seconds,
                            ok ? "" : "  <- not recovered");
                std::fflush(stdout);
            }
        }
    }
    std::printf("recovered %d of %d\n", recovered, rows);
    fs::remove_all(dir);
    return recovered == rows ? 0 : 1;
}
