#pragma once

#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "link/UnitBridge.h"

namespace krv {
class GeneratorState;
}

namespace krv::cli {

// One krvctl command: its name, the options it takes besides the global ones, its help text and
// what it does. `run` gets the parsed arguments with the command word removed.
struct Command {
    const char* name;
    const char* summary;
    const char* help;
    std::vector<OptionSpec> options;
    int (*run)(const Args& args);
};

// Every command, in the order the main help lists them.
const std::vector<Command>& AllCommands();

// The options every command takes.
inline const std::vector<OptionSpec> kGlobalOptions = {
    {"--port", true},          {"--help", false},        {"--simulate", false, true},
    {"--bridge-serial", true}, {"--extra-bridge", true}, {"--unit-fault", true},
    {"--bridge-fault", true},  {"--sim-bridge", true},   {"--verbose", false},
    {"--trace", true},         {"--connect", true},      {"--lang", true},
};

// Picks the port to talk to the unit on: --port when given, else the virtual unit's of
// --simulate, else the one port that names the unit's bridge. Returns kExitOk with `name` set,
// or kExitUsage after listing the ports.
int ResolveUnitPort(const Args& args, std::string& name);

// "4.000 to 20.000 (内 4～20 mA)": the limits of channel ch's values, those of its conversion
// formula while that is on.
std::string ChannelLimitsText(const GeneratorState& state, int ch);
// `value` with `decimals` places (0 to 6), without padding.
std::string PlainValue(int decimals, double value);

// Each command's entry is defined beside its run function, in the file that implements it.
Command PortsCommand();
Command InfoCommand();
Command StatusCommand();
Command SetCommand();
Command CalibrationCommand();
Command StandaloneCommand();
Command FirmwareCommand();
Command SettingsCommand();
Command SimCommand();
Command BridgesCommand();
Command RestartCommand();
Command DoctorCommand();
Command ServeCommand();

}  // namespace krv::cli
