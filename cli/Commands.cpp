#include "cli/Commands.h"

namespace krv::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        {"ports",
         "list the serial ports as the panel shows them",
         "Usage: krvctl ports [--json] [--port PATH]...\n"
         "\n"
         "Lists the serial ports in the order of the panel's port list, one entry text per line:\n"
         "\"(\" name \")  \" description. Ports named with --port are added to the list.\n"
         "  --json   one JSON array of {name, description, number, text}\n",
         {{"--json", false}},
         RunPorts},
        {"info",
         "ask the unit for its firmware version and circuit count",
         "Usage: krvctl [--port NAME] info [--json]\n"
         "\n"
         "Asks the unit for its firmware version (VER) and its number of circuits (CH) and prints\n"
         "  firmware 020000\n"
         "  circuits 2\n"
         "  --json   {\"firmware\":\"020000\",\"circuits\":2}\n"
         "When the unit does not answer, prints 接続できません。 to standard error and exits 1.\n",
         {{"--json", false}},
         RunInfo},
        {"sim",
         "serve a virtual unit on a new pseudo-terminal",
         "Usage: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]\n"
         "                  [--fault SPEC]...\n"
         "\n"
         "Starts a virtual unit on a new pseudo-terminal, prints the terminal's path as the first\n"
         "line of standard output and serves until interrupted (SIGINT or SIGTERM).\n"
         "  --circuits N     circuits the unit reports (default 2)\n"
         "  --firmware TEXT  the six characters the unit sends after VER (default 02.000)\n"
         "  --instant        answer at once instead of at the wire speed of 19200 baud\n"
         "  --seed N         seed of the random faults (default 1)\n"
         "  --fault SPEC     inject faults; SPEC is a comma-separated list of\n"
         "                   NAME[:COUNT][@PROB][=VALUE] with NAME one of\n"
         "                     drop       leave the reply out\n"
         "                     corrupt    change one byte of the reply\n"
         "                     noise      send an unrelated line before the reply\n"
         "                     delay=MS   hold the reply back MS milliseconds\n"
         "                     silent     answer nothing, as if unplugged\n"
         "                     longline   send 600 bytes without a line end before the reply\n"
         "                   COUNT limits a fault to the next COUNT replies, PROB applies it to\n"
         "                   each reply with that probability. Example: drop:2,noise@0.1\n",
         {{"--circuits", true},
          {"--firmware", true},
          {"--instant", false},
          {"--seed", true},
          {"--fault", true}},
         RunSim},
    };
    return commands;
}

}  // namespace krv::cli
