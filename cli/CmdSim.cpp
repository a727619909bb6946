#include <signal.h>

#include <cstdio>

#include "cli/Commands.h"
#include "sim/SimServer.h"

namespace krv::cli {

int RunSim(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("sim takes no arguments");

    sim::ServerOptions options;
    if (const auto circuits = args.Value("--circuits")) {
        const auto n = ParseInteger(*circuits, 1, 4);
        if (!n || *n == 3) return UsageError("--circuits must be 1, 2 or 4");
        options.unit.circuits = static_cast<int>(*n);
    }
    if (const auto firmware = args.Value("--firmware")) options.unit.firmware = *firmware;
    options.instant = args.Has("--instant");
    if (const auto seed = args.Value("--seed")) {
        const auto n = ParseInteger(*seed, 0, INT64_MAX);
        if (!n) return UsageError("--seed must be a whole number");
        options.seed = static_cast<std::uint64_t>(*n);
    }
    std::string faults;
    for (const std::string& spec : args.Values("--fault")) {
        faults += (faults.empty() ? "" : ",") + spec;
    }
    std::string error;
    if (!faults.empty() && !sim::FaultPlan::Parse(faults, &error)) {
        return UsageError("--fault: " + error);
    }
    options.faults = faults;

    // Block the stop signals before the server's threads start, so that they inherit the mask and
    // only this thread takes the signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::SimServer server(options);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "krvctl: cannot start the virtual unit: %s\n", error.c_str());
        return kExitUnitFailed;
    }
    std::printf("%s\n", server.PortPath().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    return kExitOk;
}

}  // namespace krv::cli
