// Figures of the serial link against the virtual unit on a pseudo-terminal:
//  1. reply latency: from the unit writing a reply's last byte to the exchange returning;
//  2. CPU used by an open, idle link;
//  3. a VER exchange at wire speed against its wire-time floor;
//  4. per-thread CPU while the link polls the unit at wire timing as the panel does.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "link/DeviceLink.h"
#include "protocol/Identification.h"
#include "sim/SimServer.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<sim::SimServer> StartUnit(bool instant)
{
    sim::ServerOptions options;
    options.instant = instant;
    auto server = std::make_unique<sim::SimServer>(options);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    return server;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void ReplyLatency(int exchanges)
{
    auto server = StartUnit(/*instant=*/true);
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    link.OpenPort();
    std::vector<double> samples;
    std::string version;
    for (int i = 0; i < exchanges; ++i) {
        server->ClearRecords();
        if (!QueryVersion(link, LinkKind::Com, version)) {
            std::fprintf(stderr, "exchange %d failed\n", i);
            continue;
        }
        const auto returned = std::chrono::steady_clock::now();
        // The unit records a line just after its write returns, which can be after we saw it.
        auto sent = server->Sent();
        for (int wait = 0; sent.empty() && wait < 100; ++wait) {
            std::this_thread::sleep_for(1ms);
            sent = server->Sent();
        }
        if (!sent.empty()) samples.push_back(Microseconds(returned - sent.back().time));
    }
    PrintDistribution("reply latency, last reply byte written -> VER exchange returns", samples);
}

void IdleCpu(std::chrono::seconds span)
{
    auto server = StartUnit(/*instant=*/true);
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    link.OpenPort();
    const double before = CpuSeconds();
    ThreadCpuMeter meter;
    std::this_thread::sleep_for(span);
    const double used = CpuSeconds() - before;
    std::printf(
        "idle open link over %lld s: %.4f s CPU = %.3f %% of one core "
        "(whole process: reader thread and the idle virtual unit included)\n",
        static_cast<long long>(span.count()), used,
        100.0 * used / static_cast<double>(span.count()));
    meter.Print("per thread while idle");
}

// The panel's idle traffic without the panel: a status request every 50 ms, round-robin over two
// circuits, replies taken from the ring on the next tick, the virtual unit at 19200 baud. Shows
// what the serial reader and the unit's thread cost per second of polling.
void PolledAtWireTiming(std::chrono::seconds span)
{
    auto server = StartUnit(/*instant=*/false);
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    link.OpenPort();
    const std::string requests[2] = {"\x02R1\r\n", "\x02R2\r\n"};
    ThreadCpuMeter meter;
    const auto start = std::chrono::steady_clock::now();
    auto due = start;
    int tick = 0;
    int lines = 0;
    while (std::chrono::steady_clock::now() - start < span) {
        while (link.ReadLine(LinkKind::Com) == kLineComplete) ++lines;
        link.WriteText(LinkKind::Com, requests[tick++ % 2]);
        due += 50ms;
        std::this_thread::sleep_until(due);
    }
    std::printf("polled every 50 ms at 19200 baud: %d requests, %d replies taken\n", tick, lines);
    meter.Print("per thread while polled");
}

void WireSpeed(int exchanges)
{
    auto server = StartUnit(/*instant=*/false);
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    link.OpenPort();
    std::vector<double> samples;
    std::string version;
    for (int i = 0; i < exchanges; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (QueryVersion(link, LinkKind::Com, version)) {
            samples.push_back(Microseconds(std::chrono::steady_clock::now() - start));
        }
    }
    PrintDistribution("VER exchange at 19200 baud", samples);
    std::sort(samples.begin(), samples.end());
    const double floorUs = 16 * 10 * 1e6 / 19200.0;
    if (!samples.empty()) {
        std::printf("wire-time floor %.1f us (16 bytes); median / floor = %.3f\n", floorUs,
                    samples[samples.size() / 2] / floorUs);
    }
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    // An optional argument shortens the run for a quick look: "bench_link quick".
    const bool quick = argc > 1 && std::string(argv[1]) == "quick";
    krv::bench::ReplyLatency(quick ? 100 : 1000);
    krv::bench::WireSpeed(quick ? 20 : 200);
    krv::bench::IdleCpu(quick ? std::chrono::seconds(2) : std::chrono::seconds(10));
    krv::bench::PolledAtWireTiming(quick ? std::chrono::seconds(3) : std::chrono::seconds(15));
    return 0;
}
