// Figures of the maintenance work against a wire-timed virtual unit on a pseudo-terminal:
//  1. the unit information of a two-circuit unit (40 calibration reads) against its floor: for
//     every read the pause before it and its frame and reply on the wire;
//  2. a standalone write (255 points) and a verify against the wire time of every frame and reply
//     they exchanged (the unit itself answers at once).
// The standalone runner's cost: the serving thread's processor time while the unit runs two
// 0.01 s outputs by itself.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "flows/LinkFrameSink.h"
#include "flows/StandaloneFlows.h"
#include "flows/UnitInformation.h"
#include "model/GeneratorState.h"
#include "protocol/Calibration.h"
#include "sim/SimServer.h"
#include "sim/WireTiming.h"

namespace krv::bench {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

std::unique_ptr<sim::SimServer> StartUnit()
{
    sim::ServerOptions options;
    options.instant = false;
    options.unit.circuits = 2;
    auto server = std::make_unique<sim::SimServer>(options);
    std::string error;
    if (!server->Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        std::exit(1);
    }
    return server;
}

// Wire time of every line the unit received and sent since its records were cleared.
std::chrono::nanoseconds TrafficWireTime(const sim::SimServer& server)
{
    std::size_t bytes = 0;
    for (const auto& line : server.Received()) bytes += line.bytes.size();
    for (const auto& line : server.Sent()) bytes += line.bytes.size();
    return sim::WireTime(bytes);
}

void Report(const char* what, std::chrono::steady_clock::duration took,
            std::chrono::nanoseconds floor)
{
    const double measured = Seconds(took).count();
    const double minimum = Seconds(floor).count();
    std::printf("%s: %.3f s, floor %.3f s, ratio %.3f (target 1.2)\n", what, measured, minimum,
                measured / minimum);
}

void UnitInformation(int runs)
{
    auto server = StartUnit();
    SilentUserInterface ui;
    DeviceLink link(ui);
    link.SetPortName(server->PortPath());
    link.OpenPort();
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    state.firmwareVersion = "020000";
    for (int run = 0; run < runs; ++run) {
        server->ClearRecords();
        const auto start = std::chrono::steady_clock::now();
        if (!BuildUnitInformation(link, state, 2, ui)) {
            std::fprintf(stderr, "unit information failed\n");
            return;
        }
        const auto took = std::chrono::steady_clock::now() - start;
        server->WaitForSent(40, 1000ms);
        // Each read: the pause, then a 12-byte frame and a 24-byte reply.
        const std::chrono::nanoseconds floor =
            40 * (std::chrono::nanoseconds(kCalibrationReadPause) + sim::WireTime(12 + 24));
        Report("unit information, 2 circuits (40 reads)", took, floor);
        if (TrafficWireTime(*server) != 40 * sim::WireTime(12 + 24)) {
            std::printf("  (traffic differs from 40 reads: %zu lines)\n", server->Sent().size());
        }
    }
}

void StandaloneWriteAndVerify(int runs)
{
    auto server = StartUnit();
    SilentUserInterface ui;
    DeviceLink link(ui);
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    state.ResetForCircuitCount(2);  // before the port opens: no output frames go out
    for (int k = 0; k < 2; ++k) {
        state.autoOutput[k].standaloneMode = kStandaloneAuto;
        state.autoOutput[k].ramps[state.channels[k].range].waveform = kArbitrary;
        for (int i = 0; i < 128 - k; ++i) {
            state.autoOutput[k].points[i] = {true, 0.01f * static_cast<float>(i + 1), 10, false};
        }
    }
    link.SetPortName(server->PortPath());
    link.OpenPort();
    const StandaloneSource source{state, {1.0f, 2.0f}, false};
    for (int run = 0; run < runs; ++run) {
        server->ClearRecords();
        FlowContext context{link, ui};
        context.restartUnit = [](DeviceLink&) { return true; };  // timed apart from the flows
        StandaloneImage readBack;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = RunStandaloneWrite(context, source, readBack) == FlowOutcome::Succeeded &&
                        RunStandaloneVerify(context, source, readBack) == FlowOutcome::Succeeded;
        const auto took = std::chrono::steady_clock::now() - start;
        if (!ok) {
            std::fprintf(stderr, "standalone write or verify failed\n");
            return;
        }
        const std::size_t lines = server->Received().size();
        server->WaitForSent(lines, 1000ms);
        char title[96];
        std::snprintf(title, sizeof title, "standalone write + verify, 255 points (%zu frames)",
                      lines);
        Report(title, took, TrafficWireTime(*server));
    }
}

void RunnerCpu(std::chrono::seconds span)
{
    auto server = StartUnit();
    SilentUserInterface ui;
    DeviceLink link(ui);
    AppValues app;
    LinkFrameSink frames(link);
    GeneratorState state(app, &frames);
    state.ResetForCircuitCount(2);  // before the port opens: no output frames go out
    for (int k = 0; k < 2; ++k) {
        state.autoOutput[k].standaloneMode = kStandaloneAuto;
        state.autoOutput[k].ramps[state.channels[k].range] = {kTriangle, 0, 0.0f, 5.0f,
                                                              0.001f,    1, false};
    }
    link.SetPortName(server->PortPath());
    link.OpenPort();
    FlowContext context{link, ui};
    context.restartUnit = [&](DeviceLink&) {
        server->Restart();
        return true;
    };
    StandaloneImage readBack;
    if (RunStandaloneWrite(context, {state, {0.0f, 0.0f}, false}, readBack) !=
        FlowOutcome::Succeeded) {
        std::fprintf(stderr, "standalone write failed\n");
        return;
    }
    const auto before = server->ServingThreadCpuTime();
    std::this_thread::sleep_for(span);
    const auto used = server->ServingThreadCpuTime() - before;
    std::printf("unit running two 0.01 s outputs itself: serving thread %.2f %% of a core\n",
                100.0 * Seconds(used).count() / Seconds(span).count());
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    krv::bench::UnitInformation(runs);
    krv::bench::StandaloneWriteAndVerify(runs);
    krv::bench::RunnerCpu(std::chrono::seconds(5));
    return 0;
}
