// Figures of the USB bridge link against the virtual unit's simulated bridge:
//  1. a VER exchange over the bridge at 19200-baud wire timing against its wire-time floor;
//  2. CPU used while the bridge link is open and idle (no exchange waiting).
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "link/DeviceLink.h"
#include "protocol/Identification.h"
#include "sim/Simulation.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::unique_ptr<sim::Simulation> StartSimulation()
{
    sim::SimulationOptions options;  // wire timing at 19200 baud
    auto simulation = std::make_unique<sim::Simulation>(options);
    std::string error;
    if (!simulation->Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    return simulation;
}

void VersionOverTheBridge(int exchanges)
{
    auto simulation = StartSimulation();
    SilentUserInterface ui;
    DeviceLink link(ui, sim::SimulatedD2xxLibrary());
    if (!link.FtdiPort().OpenFtdiDevice()) {
        std::fprintf(stderr, "cannot open the simulated bridge\n");
        std::exit(1);
    }
    std::vector<double> samples;
    std::string version;
    for (int i = 0; i < exchanges; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (QueryVersion(link, LinkKind::Ftdi, version)) {
            samples.push_back(Microseconds(std::chrono::steady_clock::now() - start));
        } else {
            std::fprintf(stderr, "exchange %d failed\n", i);
        }
    }
    const double before = CpuSeconds(RUSAGE_THREAD);
    const auto wallStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) QueryVersion(link, LinkKind::Ftdi, version);
    const double wall = Microseconds(std::chrono::steady_clock::now() - wallStart);
    const double cpu = (CpuSeconds(RUSAGE_THREAD) - before) * 1e6;

    PrintDistribution("VER over the simulated bridge at 19200 baud", samples);
    std::sort(samples.begin(), samples.end());
    // "VER\r\n" out and "VER02.000\r\n" back: 16 bytes of 10 bits each.
    const double floorUs = 16 * 10 * 1e6 / 19200.0;
    if (!samples.empty()) {
        std::printf(
            "wire-time floor %.1f us (16 bytes); median / floor = %.3f, max / floor = %.3f\n",
            floorUs, samples[samples.size() / 2] / floorUs, samples.back() / floorUs);
    }
    std::printf("calling thread's CPU while exchanging: %.1f %% of the exchanges' time\n",
                100.0 * cpu / wall);
}

void IdleOpenBridge(std::chrono::seconds span)
{
    auto simulation = StartSimulation();
    SilentUserInterface ui;
    DeviceLink link(ui, sim::SimulatedD2xxLibrary());
    link.FtdiPort().OpenFtdiDevice();
    std::string version;
    QueryVersion(link, LinkKind::Ftdi, version);
    const double before = CpuSeconds(RUSAGE_SELF);
    std::this_thread::sleep_for(span);
    const double used = CpuSeconds(RUSAGE_SELF) - before;
    std::printf(
        "idle open bridge link over %lld s: %.4f s CPU = %.3f %% of one core "
        "(whole process: the idle virtual unit's pty server included)\n",
        static_cast<long long>(span.count()), used,
        100.0 * used / static_cast<double>(span.count()));
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    // An optional argument shortens the run for a quick look: "bench_bridge quick".
    const bool quick = argc > 1 && std::string(argv[1]) == "quick";
    krv::bench::VersionOverTheBridge(quick ? 20 : 200);
    krv::bench::IdleOpenBridge(quick ? std::chrono::seconds(2) : std::chrono::seconds(10));
    return 0;
}
