// The whole firmware update of a two-circuit virtual unit with a full 128 KiB image, at wire
// timing (19200 baud for the calibration, 1,000,000 baud for programming and reading back),
// against its floor: the time every byte took on the line plus the fixed waits (the bridge's
// 200 ms after opening, the 600 ms restart pulses, the 50 ms after the boot pulse, the 100 ms
// before the last restart and the 11 ms pause before each calibration read). Then the time a
// unit that falls silent in boot mode takes to fail the update, and the messages it shows.
//
//   bench_firmware [RUNS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/FirmwarePacker.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "flows/LinkFrameSink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "protocol/Calibration.h"
#include "sim/CommandFaults.h"
#include "sim/SimD2xx.h"
#include "sim/Simulation.h"

namespace krv::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// Every block of the window filled, block 1 with the firmware's version line.
std::string FullImage()
{
    std::vector<SRecord> records;
    for (std::uint32_t at = 0; at < 0x20000; at += 16) {
        SRecord r;
        r.address = 0xFFFE0000 + at;
        for (std::uint32_t i = 0; i < 16; ++i)
            r.data.push_back(static_cast<std::uint8_t>(at / 7 + i * 13));
        records.push_back(std::move(r));
    }
    const std::string line = "VER020100\r\n";
    std::copy(line.begin(), line.end(), records[16].data.begin());
    records.push_back({'7', 0xFFFE0000, {}});
    return PackFirmware(records, {0x02, 0x01, 0x00});
}

void Run(const std::filesystem::path& file, const std::filesystem::path& backups)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 2;
    options.server.instant = false;
    sim::Simulation simulation(options);
    std::string error;
    if (!simulation.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    SilentUserInterface ui;  // answers OK
    DeviceLink link(ui, sim::SimulatedD2xxLibrary());
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);

    std::vector<std::pair<std::string, Clock::time_point>> phases;
    FirmwareContext context(link, ui, [&](const std::string& status, int) {
        if (phases.empty() || phases.back().first != status)
            phases.emplace_back(status, Clock::now());
    });
    const auto start = Clock::now();
    const FirmwareUpdateResult result = RunFirmwareUpdate(context, state, {file, backups});
    const auto took = Clock::now() - start;
    if (result.outcome != FirmwareUpdateOutcome::Succeeded) {
        std::fprintf(stderr, "the update failed\n");
        std::exit(1);
    }

    const sim::SimBridge& bridge = simulation.Bridge();
    constexpr int kReads = 2 * 16 * 2;
    const auto waits = bridge.Opens() * std::chrono::milliseconds(200) +
                       bridge.Restarts() * 3 * kBootPulseStep + kAfterBootPulse +
                       kBeforeNormalRestart + kReads * kCalibrationReadPause;
    const auto line = bridge.LineTime();
    const double measured = Seconds(took).count();
    const double floor = Seconds(line + waits).count();
    std::printf(
        "firmware update, 2 circuits, 128 KiB: %.3f s, floor %.3f s (line %.3f s, waits "
        "%.3f s: %zu opens, %zu restarts), ratio %.3f (target 1.3)\n",
        measured, floor, Seconds(line).count(), Seconds(waits).count(), bridge.Opens(),
        bridge.Restarts(), measured / floor);
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const auto end = i + 1 < phases.size() ? phases[i + 1].second : start + took;
        std::printf("  %-24s %7.3f s\n", phases[i].first.c_str(),
                    Seconds(end - phases[i].second).count());
    }
}

// Answers OK and counts the boxes shown.
class CountingUserInterface : public SilentUserInterface {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        ++shown;
        return SilentUserInterface::ShowMessage(text, caption, icon, buttons);
    }
    int shown = 0;
};

// The whole update against a unit whose boot loader has `faults`: how long until it fails.
void RunToFailure(const char* name, const char* faults, const std::filesystem::path& file,
                  const std::filesystem::path& backups)
{
    sim::SimulationOptions options;
    options.server.unit.circuits = 2;
    options.server.instant = false;
    std::string error;
    if (!sim::ParseCommandFaults(faults, options.server.unit.faults, &error)) std::exit(1);
    sim::Simulation simulation(options);
    if (!simulation.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    CountingUserInterface ui;
    DeviceLink link(ui, sim::SimulatedD2xxLibrary());
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    TimePoint programmingFrom{};
    FirmwareContext context(link, ui, [&](const std::string& status, int) {
        if (status == "メモリ消去中" && programmingFrom == TimePoint{}) programmingFrom = Now();
    });
    const auto start = Clock::now();
    const FirmwareUpdateResult result = RunFirmwareUpdate(context, state, {file, backups});
    const auto took = Clock::now() - start;
    const double fromErasure =
        programmingFrom == TimePoint{} ? 0.0 : Seconds(Now() - programmingFrom).count();
    std::printf(
        "%-26s (%s): failed after %.3f s (%.3f s from the erasure), %d message boxes "
        "after the question, outcome %s\n",
        name, faults, Seconds(took).count(), fromErasure, ui.shown - 1,
        result.outcome == FirmwareUpdateOutcome::Failed ? "failed" : "NOT FAILED");
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1;
    char pattern[] = "/tmp/krv-bench-firmware-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path dir = pattern;
    const std::filesystem::path file = dir / "full.cya";
    std::ofstream(file, std::ios::binary) << krv::bench::FullImage();
    for (int run = 0; run < runs; ++run) krv::bench::Run(file, dir);
    krv::bench::RunToFailure("silent during read-back", "b15-silent=0", file, dir);
    krv::bench::RunToFailure("silent while programming", "b13-silent=0", file, dir);
    std::filesystem::remove_all(dir);
    return 0;
}
