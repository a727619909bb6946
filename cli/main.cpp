// krvctl: the unit from the command line, for test rigs, scripts and our own end-to-end tests.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace krv::cli {
namespace {

constexpr const char* kMainHelp =
    "Usage: krvctl [--port NAME] COMMAND [OPTIONS]\n"
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
    "  --help        this text; 'krvctl COMMAND --help' describes a command.\n"
    "\n"
    "Exit status: 0 success, 1 the unit failed, 2 usage error.\n";

void PrintMainHelp(std::FILE* out)
{
    std::fputs(kMainHelp, out);
    for (const Command& c : AllCommands()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fputs(kMainHelpTail, out);
}

int Main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);

    // The command is the first word that is neither an option nor the value of --port.
    std::size_t commandAt = words.size();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--port") {
            ++i;
            continue;
        }
        if (words[i].rfind("--", 0) == 0) continue;
        commandAt = i;
        break;
    }
    if (commandAt == words.size()) {
        for (const std::string& w : words) {
            if (w == "--help") {
                PrintMainHelp(stdout);
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
    return command->run(args);
}

}  // namespace
}  // namespace krv::cli

int main(int argc, char** argv)
{
    return krv::cli::Main(argc, argv);
}
