#include <signal.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "sim/BridgeSocket.h"
#include "sim/Simulation.h"

namespace krv::cli {

namespace {

struct Alarm {
    int channel;  // index 0..3
    sim::StatusWord word;
    std::uint16_t bits;
};

// "d1r1,d2r2": mode and run digit of channels 1 and 2, each 0, 1 or 2.
bool ParseStandalone(const std::string& text, std::array<sim::StandaloneSetting, 2>& out)
{
    const auto valid = [](char c) { return c >= '0' && c <= '2'; };
    if (text.size() != 5 || text[2] != ',') return false;
    for (std::size_t k = 0; k < 2; ++k) {
        const char mode = text[3 * k];
        const char run = text[3 * k + 1];
        if (!valid(mode) || !valid(run)) return false;
        out[k] = sim::StandaloneSetting{mode - '0', run - '0'};
    }
    return true;
}

// "CH:main:BIT" or "CH:ext:BIT", CH 1 to `circuits`, BIT 0 to 15.
std::optional<Alarm> ParseAlarm(const std::string& text, int circuits)
{
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) return std::nullopt;
    const auto channel = ParseInteger(text.substr(0, first), 1, std::min(circuits, 4));
    const std::string word = text.substr(first + 1, second - first - 1);
    const auto bit = ParseInteger(text.substr(second + 1), 0, 15);
    if (!channel || !bit || (word != "main" && word != "ext")) return std::nullopt;
    return Alarm{static_cast<int>(*channel) - 1,
                 word == "main" ? sim::StatusWord::Main : sim::StatusWord::External,
                 static_cast<std::uint16_t>(1u << *bit)};
}

// A 16-bit word, decimal or hexadecimal with 0x.
std::optional<std::uint16_t> ParseWord(const std::string& text)
{
    const bool hex = text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0);
    const std::string digits = hex ? text.substr(2) : text;
    const auto isDigit = [hex](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) ||
               (hex && std::isxdigit(static_cast<unsigned char>(c)));
    };
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return std::nullopt;
    }
    const unsigned long value = std::stoul(digits, nullptr, hex ? 16 : 10);
    if (value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

int RunSim(const Args& args)
{
    if (!args.Positionals().empty()) return UsageError("sim takes no arguments");

    sim::SimulationOptions simulation;
    sim::ServerOptions& options = simulation.server;
    if (const auto circuits = args.Value("--circuits")) {
        const auto n = ParseInteger(*circuits, 1, 4);
        if (!n || *n == 3) return UsageError("--circuits must be 1, 2 or 4");
        options.unit.circuits = static_cast<int>(*n);
    }
    if (const auto firmware = args.Value("--firmware")) options.unit.firmware = *firmware;
    if (const auto modes = args.Value("--standalone")) {
        if (!ParseStandalone(*modes, options.unit.standalone)) {
            return UsageError("--standalone must be two pairs of digits 0 to 2, as in 21,10");
        }
    }
    if (const auto mode = args.Value("--calibration-mode")) {
        const auto word = ParseWord(*mode);
        if (!word) return UsageError("--calibration-mode must be a number from 0 to 65535");
        options.unit.calibrationMode = *word;
    }
    if (const auto wiped = args.Value("--wiped-calibration")) {
        if (*wiped == "erased") {
            options.unit.wipedCalibration = sim::WipedCalibration::Erased;
        } else if (*wiped == "start") {
            options.unit.wipedCalibration = sim::WipedCalibration::StartValues;
        } else {
            return UsageError("--wiped-calibration must be erased or start");
        }
    }
    std::vector<Alarm> alarms;
    for (const std::string& text : args.Values("--alarm")) {
        const auto alarm = ParseAlarm(text, options.unit.circuits);
        if (!alarm) {
            return UsageError("--alarm " + text +
                              ": expected CH:main:BIT or CH:ext:BIT with CH 1 to " +
                              std::to_string(options.unit.circuits) + " and BIT 0 to 15");
        }
        alarms.push_back(*alarm);
    }
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
    std::string unitFaults;
    for (const std::string& spec : args.Values("--unit-fault")) {
        unitFaults += (unitFaults.empty() ? "" : ",") + spec;
    }
    if (!sim::ParseCommandFaults(unitFaults, options.unit.faults, &error)) {
        return UsageError("--unit-fault: " + error);
    }
    if (const int status = ParseBridgeOptions(args, simulation); status != kExitOk) return status;

    // Block the stop signals before the server's threads start, so that they inherit the mask and
    // only this thread takes the signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::Simulation running(std::move(simulation));
    sim::SimServer& server = running.Server();
    server.WithUnit([&](sim::VirtualUnit& unit) {
        for (const Alarm& alarm : alarms) unit.SetStatusBits(alarm.channel, alarm.word, alarm.bits);
    });
    if (!running.Start(&error)) {
        std::fprintf(stderr, "krvctl: cannot start the virtual unit: %s\n", error.c_str());
        return kExitUnitFailed;
    }
    // Other processes reach the unit's bridge through the socket (krvctl --sim-bridge).
    std::unique_ptr<sim::BridgeSocketServer> lent;
    if (const auto socket = args.Value("--bridge-socket")) {
        lent = std::make_unique<sim::BridgeSocketServer>(
            running.SharedTarget(), running.Bridge().Identity(), options.instant);
        if (!lent->Start(*socket, &error)) {
            std::fprintf(stderr, "krvctl: %s\n", error.c_str());
            return kExitUnitFailed;
        }
    }
    std::printf("%s\n", server.PortPath().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (lent) lent->Stop();
    server.Stop();
    return kExitOk;
}

}  // namespace krv::cli
