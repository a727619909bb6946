#include "cli/Commands.h"

namespace krv::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        PortsCommand(),       InfoCommand(),       StatusCommand(),   SetCommand(),
        CalibrationCommand(), StandaloneCommand(), FirmwareCommand(), SettingsCommand(),
        SimCommand(),         BridgesCommand(),    RestartCommand(),  DoctorCommand(),
        ServeCommand(),
    };
    return commands;
}

}  // namespace krv::cli
