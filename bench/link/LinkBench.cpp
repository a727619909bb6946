// Figures of the serial link against the virtual unit on a pseudo-terminal:
//  1. reply latency: from the unit writing a reply's last byte to the exchange returning, and
//     the pseudo-terminal's own share of it;
//  2. CPU used by an open, idle link;
//  3. a VER exchange at wire speed against its wire-time floor;
//  4. per-thread CPU while the link polls the unit at wire timing as the panel does.
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "link/DeviceLink.h"
#include "platform/UniqueFd.h"
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

// The floor under the reply latency: a line written on a bare pseudo-terminal's master until a
// poll() on its other end wakes, with no code of ours in between. The kernel passes pty bytes on
// through a work queue, so on a loaded machine this alone can take milliseconds; compare its p99
// with the reply latency's before blaming the link.
void PtyFloor(int samples)
{
    int master = -1;
    int slave = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return;
    const UniqueFd masterFd(master);
    const UniqueFd slaveFd(slave);
    std::vector<double> latencies;
    const std::string line = "VER02.000\r\n";
    for (int i = 0; i < samples; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (::write(master, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
        pollfd pfd{slave, POLLIN, 0};
        if (::poll(&pfd, 1, 1000) != 1) break;
        latencies.push_back(Microseconds(std::chrono::steady_clock::now() - start));
        char buffer[64];
        while (::read(slave, buffer, sizeof buffer) == static_cast<ssize_t>(sizeof buffer)) {
        }
        std::this_thread::sleep_for(1ms);
    }
    PrintDistribution("pty floor, line written on the master -> poll() on the other end wakes",
                      latencies);
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
    // An optional argument shortens the run for a quick look ("bench_link quick") or runs the
    // reply latency alone ("bench_link latency").
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool quick = mode == "quick";
    krv::bench::ReplyLatency(quick ? 100 : 1000);
    krv::bench::PtyFloor(quick ? 100 : 1000);
    if (mode == "latency") return 0;
    krv::bench::WireSpeed(quick ? 20 : 200);
    krv::bench::IdleCpu(quick ? std::chrono::seconds(2) : std::chrono::seconds(10));
    krv::bench::PolledAtWireTiming(quick ? std::chrono::seconds(3) : std::chrono::seconds(15));
    return 0;
}
