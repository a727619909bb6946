// krvctl: the unit from the command line, for test rigs, scripts and our own end-to-end tests.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Simulate.h"
#include "link/D2xxLibraries.h"
#include "platform/Trace.h"

namespace krv::cli {
namespace {

constexpr const char* kMainHelp =
    "Usage: krvctl [--port NAME | --simulate[=1|2|4]] [--trace FILE] COMMAND [OPTIONS]\n"
    "\n"
    "Drives a KRV analog output generator over its serial port, or serves a virtual one.\n"
    "\n"
    "Commands:\n";

constexpr const char* kMainHelpTail =
    "\n"
    "Options:\n"
    "  --port NAME   serial port of the unit: a name under /dev (ttyUSB0, pts/3) or a path.\n"
    "                Without it, the one port whose description names the unit's bridge\n"
    "                (\"Holvik KRV FT230X\") is used.\n"
    "  --simulate[=N]\n"
    "                run a virtual unit with N circuits (1, 2 or 4; default 2) in this process\n"
    "                and talk to it: through its pseudo-terminal as the serial port, and through\n"
    "                its simulated USB bridge (bridges, restart). With it:\n"
    "                --bridge-serial TEXT     serial number of the unit's bridge (default\n"
    "                                         KR, the circuit digit, A0001)\n"
    "                --extra-bridge SERIAL[:DESCRIPTION]\n"
    "                                         one more bridge with a unit of its own\n"
    "                --unit-fault SPEC        faults of the unit and its boot loader, as for\n"
    "                                         'krvctl sim'\n"
    "                --bridge-fault SPEC      faults of its replies on the bridge, as for\n"
    "                                         'krvctl sim'\n"
    "  --connect HOST[:PORT]\n"
    "                status only: ask the krvctl serve at HOST (an IPv4 address or\n"
    "                localhost; port 5025 unless given) instead of a port, so it can log\n"
    "                while others drive the unit through the server\n"
    "  --sim-bridge SOCKET\n"
    "                reach the bridge of the virtual unit 'krvctl sim --bridge-socket SOCKET'\n"
    "                serves (its pty is printed by 'krvctl sim'; give it with --port)\n"
    "  --help        this text; 'krvctl COMMAND --help' describes a command.\n"
    "  -v, --verbose also say on standard error which library serves the USB bridge calls\n"
    "                (D2XX)\n"
    "  --version     print krvctl's version and exit\n"
    "  --trace FILE  record a wire trace in FILE: every frame sent and received, the USB\n"
    "                bridge's calls and the exchanges' retries and time-outs, one event a\n"
    "                line with a microsecond time stamp (UTC). At 4 MB the file becomes\n"
    "                FILE.1 and a new one begins. KRV_TRACE=FILE in the environment does\n"
    "                the same; --trace wins.\n"
    "\n"
    "Exit status: 0 success, 1 the unit failed, 2 usage error, 3 a standalone write went\n"
    "through but the unit was not restarted (see 'krvctl standalone --help').\n"
    "\n"
    "The port belongs to one program at a time, for every user (root included). A second\n"
    "program is refused with the port's message and, on a second line,\n"
    "別のプログラムがこのポートを使用しています; the first carries on undisturbed.\n"
    "-o FILE (and the FILE of settings new): a regular file (also one a symbolic link points\n"
    "to; the link stays) is replaced whole, or created, so it is never left half written; a\n"
    "FIFO, device or /dev/stdout is written into as it is; -o - is standard output (the\n"
    "command's report then goes to standard error).\n";

void PrintMainHelp(std::FILE* out)
{
    std::fputs(kMainHelp, out);
    for (const Command& c : AllCommands()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fputs(kMainHelpTail, out);
}

int Main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    // -v is the one short option; every other word beginning with a single dash stays as it is.
    for (std::string& w : words) {
        if (w == "-v") w = "--verbose";
    }
    // Which library serves the bridge calls is said only when asked for; decided before anything
    // (the virtual unit of --simulate included) asks for the library.
    ShowD2xxNotice(std::find(words.begin(), words.end(), "--verbose") != words.end());

    // The command is the first word that is neither an option nor the value of a global one.
    std::size_t commandAt = words.size();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].rfind("--", 0) == 0) {
            // Look the option up before skipping its value: the index may then be past the end.
            const auto option =
                std::find_if(kGlobalOptions.begin(), kGlobalOptions.end(),
                             [&](const OptionSpec& o) { return words[i] == o.name; });
            if (option != kGlobalOptions.end() && option->takesValue && !option->valueOptional) ++i;
            continue;
        }
        commandAt = i;
        break;
    }
    if (commandAt == words.size()) {
        for (const std::string& w : words) {
            if (w == "--help") {
                PrintMainHelp(stdout);
                return kExitOk;
            }
            // Only before a command: firmware pack has a --version of its own.
            if (w == "--version") {
                std::printf("krvctl %s\n", KRV_VERSION);
                return kExitOk;
            }
        }
        PrintMainHelp(stderr);
        return kExitUsage;
    }

    const std::string name = words[commandAt];
    const Command* command = nullptr;
    for (const Command& c : AllCommands()) {
        if (name == c.name) command = &c;
    }
    if (!command) return UsageError("unknown command '" + name + "'");

    words.erase(words.begin() + static_cast<std::ptrdiff_t>(commandAt));
    std::vector<OptionSpec> known = kGlobalOptions;
    known.insert(known.end(), command->options.begin(), command->options.end());
    Args args;
    std::string error;
    if (!args.Parse(words, known, error)) return UsageError(error);
    if (args.Has("--help")) {
        std::fputs(command->help, stdout);
        return kExitOk;
    }
    if (args.Has("--connect") &&
        (name != "status" || args.Has("--port") || args.Has("--simulate"))) {
        return UsageError("--connect is for status alone, without --port or --simulate");
    }
    if (name == "sim" && args.Has("--simulate")) {
        return UsageError("sim serves a unit of its own; --simulate is for the other commands");
    }
    // Outlives the simulation and the command, so their last frames are in it.
    TraceSession trace;
    if (!trace.Start(args.Value("--trace"), "krvctl " KRV_VERSION, &error)) {
        return UsageError("cannot write the trace: " + error);
    }
    // Lives until the command is done, and the link with it.
    ActiveSimulation simulation;
    if (name != "sim") {
        if (const int status = simulation.Start(args); status != kExitOk) return status;
    }
    return command->run(args);
}

}  // namespace
}  // namespace krv::cli

int main(int argc, char** argv)
{
    return krv::cli::Main(argc, argv);
}
