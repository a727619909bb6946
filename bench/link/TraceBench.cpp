// What the wire trace costs: the panel's polling (a status request every 50 ms, round-robin over
// two circuits, the virtual unit at 19200 baud) with the trace off and then on, and the CPU of
// the serial reader, the polling thread, the trace's writer and the whole process in each.
//
//   bench_trace [SECONDS]   seconds per phase (default 20)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "link/DeviceLink.h"
#include "platform/Trace.h"
#include "sim/SimServer.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;

struct Phase {
    double reader = 0;
    double poller = 0;
    double writer = 0;
    double process = 0;
};

Phase Poll(DeviceLink& link, std::chrono::seconds span, const char* title)
{
    const std::string requests[2] = {"\x02R1\r\n", "\x02R2\r\n"};
    ThreadCpuMeter meter;
    const auto start = std::chrono::steady_clock::now();
    auto due = start;
    int tick = 0;
    while (std::chrono::steady_clock::now() - start < span) {
        while (link.ReadLine(LinkKind::Com) == kLineComplete) {
        }
        link.WriteText(LinkKind::Com, requests[tick++ % 2]);
        due += 50ms;
        std::this_thread::sleep_until(due);
    }
    Phase phase;
    for (const auto& row : meter.Print(title)) {
        if (row.name == "krv-reader") phase.reader = row.percent;
        if (row.name == "main") phase.poller = row.percent;
        if (row.name == "krv-trace") phase.writer = row.percent;
    }
    double spanSeconds = 0;
    meter.Rows(spanSeconds, phase.process);
    return phase;
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    using namespace krv;
    using namespace krv::bench;
    const std::chrono::seconds span(argc > 1 ? std::atoi(argv[1]) : 20);
    sim::ServerOptions options;
    auto server = std::make_unique<sim::SimServer>(options);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        return 1;
    }
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    if (!link.OpenPort()) return 1;

    const Phase off = Poll(link, span, "trace off");
    const std::string file =
        (std::filesystem::temp_directory_path() / ("krv-bench-trace-" + std::to_string(::getpid())))
            .string();
    if (!StartTrace(file, kDefaultTraceLimit, "bench_trace", &error)) {
        std::fprintf(stderr, "cannot trace: %s\n", error.c_str());
        return 1;
    }
    const Phase on = Poll(link, span, "trace on");
    StopTrace();
    const auto size = std::filesystem::file_size(file);
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".1");

    std::printf("trace file: %ju bytes for %lld s (%.0f bytes/s), %ju events lost\n",
                static_cast<std::uintmax_t>(size), static_cast<long long>(span.count()),
                static_cast<double>(size) / static_cast<double>(span.count()),
                static_cast<std::uintmax_t>(TraceDropped()));
    std::printf("%% of one core       off      on   more\n");
    std::printf("krv-reader       %6.3f  %6.3f %+6.3f   (goal: at most +0.200)\n", off.reader,
                on.reader, on.reader - off.reader);
    std::printf("polling thread   %6.3f  %6.3f %+6.3f\n", off.poller, on.poller,
                on.poller - off.poller);
    std::printf("krv-trace        %6.3f  %6.3f %+6.3f\n", off.writer, on.writer,
                on.writer - off.writer);
    std::printf("whole process    %6.3f  %6.3f %+6.3f\n", off.process, on.process,
                on.process - off.process);
    return 0;
}
