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
#include "platform/Translate.h"
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

}  // namespace

Command SimCommand()
{
    return {
        "sim",
        KRV_TRANSLATE_NOOP("krvctl", "新しい疑似端末で仮想の発生器を提供する"),
        "Usage: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]\n"
        "                  [--standalone MODES] [--alarm CH:WORD:BIT]... [--calibration-mode N]\n"
        "                  [--fault SPEC]... [--unit-fault SPEC]... [--bridge-serial TEXT]\n"
        "                  [--extra-bridge SPEC]... [--bridge-fault SPEC]...\n"
        "                  [--wiped-calibration erased|start] [--bridge-socket PATH]\n"
        "\n"
        "Starts a virtual unit on a new pseudo-terminal, prints the terminal's path as the first\n"
        "line of standard output and serves until interrupted (SIGINT or SIGTERM).\n"
        "  --circuits N     circuits the unit reports (default 2)\n"
        "  --firmware TEXT  the six characters the unit sends after VER (default 02.000)\n"
        "  --instant        answer at once instead of at the wire speed of 19200 baud\n"
        "  --seed N         seed of the random faults (default 1)\n"
        "  --standalone MODES\n"
        "                   standalone modes of channels 1 and 2 as the MS reply gives them:\n"
        "                   d1r1,d2r2 with the mode digit d (0 disabled, 1 fixed value,\n"
        "                   2 automatic output) and the run state r (0 stopped, 1 running,\n"
        "                   2 paused); default 00,00. Example: 21,10\n"
        "  --alarm CH:WORD:BIT\n"
        "                   raise status bit BIT (0 to 15) of channel CH from the start; WORD is\n"
        "                     main  0 over-temperature, 1 slewing, 2 output short of compliance,\n"
        "                           3 watchdog, 4 CRC1\n"
        "                     ext   (external-supply output) 0 output short, 1 output fault,\n"
        "                           2 SPI2, 3 CRC2\n"
        "                   Example: --alarm 1:main:0 --alarm 2:ext:3\n"
        "  --calibration-mode N\n"
        "                   calibration mode word of every range, decimal or 0x hexadecimal\n"
        "                   (default 1: maker calibration; 2: user calibration)\n"
        "  --wiped-calibration erased|start\n"
        "                   what the calibration reads as once the boot loader has erased the\n"
        "                   flash: every word 0xFFFF (erased, the default) or the start values\n"
        "                   (start: mode 0, zeros 0, gains 0x8000)\n"
        "  --fault SPEC     inject faults; SPEC is a comma-separated list of\n"
        "                   NAME[:COUNT][@PROB][=VALUE][#LETTERS] with NAME one of\n"
        "                     drop       leave the reply out\n"
        "                     corrupt    change one byte of the reply so that it no longer\n"
        "                                matches (a checksum digit, or the first letter)\n"
        "                     corrupt=POS[/HH]\n"
        "                                change byte POS (from 0; * for a random one) into HH\n"
        "                                (hexadecimal), or into the next digit or letter;\n"
        "                                the checksum stays as it was\n"
        "                     forge[=POS[/HH]]\n"
        "                                the same (a random byte of the content without POS),\n"
        "                                then give a framed reply the checksum that fits\n"
        "                     noise      send an unrelated line before the reply\n"
        "                     delay=MS   hold the reply back MS milliseconds\n"
        "                     silent     answer nothing, as if unplugged\n"
        "                     longline   send 600 bytes without a line end before the reply\n"
        "                   COUNT limits a fault to the next COUNT replies, PROB applies it to\n"
        "                   each reply with that probability, LETTERS to the replies whose\n"
        "                   letters begin so (R status, VER, CH, MS).\n"
        "                   Example: drop:2,noise@0.1,forge=2/37:1#R\n"
        "  --unit-fault SPEC\n"
        "                   faults of the unit's own: a comma-separated list of\n"
        "                     pe=CODE           refuse every memory erase with NG and CODE (hex)\n"
        "                     pw=CODE           refuse every memory write likewise\n"
        "                     pr=N              damage the checksum of memory read reply N\n"
        "                                       (0: the first), once\n"
        "                     silent-after=N    answer nothing after N more lines\n"
        "                   and of its boot loader (BLOCK: 256-byte block 0 to 511 of the flash)\n"
        "                     b1-from=N         answer the bit-rate adjustment only from the\n"
        "                                       Nth restart into boot mode on\n"
        "                     b8=CODE           refuse the programming state with CODE (hex)\n"
        "                     b15-bad=BLOCK     one byte of BLOCK reads back wrong\n"
        "                     b13-silent=BLOCK  fall silent at the programming of BLOCK\n"
        "                     b15-silent=BLOCK  fall silent at the reading of BLOCK\n"
        "                   Example: --unit-fault pe=3A\n"
        "  --bridge-serial TEXT\n"
        "                   serial number of the unit's simulated USB bridge (default KR, the\n"
        "                   circuit digit, A0001; its description is \"Holvik KRV FT230X\")\n"
        "  --extra-bridge SERIAL[:DESCRIPTION]\n"
        "                   one more simulated bridge, with a unit of its own (repeatable)\n"
        "  --bridge-fault SPEC\n"
        "                   faults of the unit's replies on its bridge, as --fault; a delayed\n"
        "                   reply goes out with the first byte the unit receives after its time\n"
        "                   (it then arrives while the host waits for its next answer).\n"
        "                   Example: --bridge-fault delay=700:1#CRU\n"
        "  --bridge-socket PATH\n"
        "                   lend the unit's bridge to other krvctl processes over a Unix socket\n"
        "                   at PATH: krvctl --sim-bridge PATH COMMAND reaches this unit through\n"
        "                   a simulated bridge of its own (one process at a time), so the unit\n"
        "                   outlives its clients, also one that is killed\n"
        "The simulated bridges live in the simulating process; the same options after\n"
        "--simulate give them to any other command (krvctl --simulate bridges).\n",
        {{"--circuits", true},
         {"--firmware", true},
         {"--instant", false},
         {"--seed", true},
         {"--standalone", true},
         {"--alarm", true},
         {"--calibration-mode", true},
         {"--wiped-calibration", true},
         {"--bridge-socket", true},
         {"--fault", true},
         {"--unit-fault", true}},
        RunSim};
}

}  // namespace krv::cli
