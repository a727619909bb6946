#include "app/CommandLine.h"

namespace krv {

namespace {

constexpr int kDefaultSimulatedCircuits = 2;

std::optional<CommandLine> Fail(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
    return std::nullopt;
}

}  // namespace

const char* CommandLineUsage()
{
    return "Usage: bremix2 [options] [SETTINGS-FILE]\n"
           "\n"
           "The KRV control panel. SETTINGS-FILE is a settings file (*.ini) opened at start-up\n"
           "instead of starting a new settings set.\n"
           "\n"
           "Options:\n"
           "  --simulate[=CIRCUITS]  serve a virtual unit with 1, 2 or 4 circuits (default 2) on "
           "a\n"
           "                         pseudo-terminal and put it first in the port list\n"
           "  --port PATH            list the serial port PATH as well (may be repeated)\n"
           "  --trace FILE           record a wire trace of the unit's link in FILE (also\n"
           "                         KRV_TRACE=FILE); at 4 MB it becomes FILE.1\n"
           "  --lang LANG            the language of the panel: en (English) or ja (Japanese);\n"
           "                         else the one chosen in the panel, else the locale's\n"
           "  --help                 show this text\n";
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, bool strict,
                                            std::string* error)
{
    CommandLine result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            result.help = true;
        } else if (!optionsEnded && arg == "--simulate") {
            result.simulateCircuits = kDefaultSimulatedCircuits;
        } else if (!optionsEnded && arg.rfind("--simulate=", 0) == 0) {
            const std::string value = arg.substr(11);
            if (value != "1" && value != "2" && value != "4") {
                return Fail(error, "--simulate takes 1, 2 or 4 circuits, not \"" + value + "\"");
            }
            result.simulateCircuits = value[0] - '0';
        } else if (!optionsEnded && (arg == "--port" || arg.rfind("--port=", 0) == 0)) {
            std::string value;
            if (arg == "--port") {
                if (i + 1 >= args.size()) return Fail(error, "--port needs a PATH");
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value.empty()) return Fail(error, "--port needs a PATH");
            result.ports.push_back(value);
        } else if (!optionsEnded && (arg == "--trace" || arg.rfind("--trace=", 0) == 0)) {
            if (arg == "--trace") {
                if (i + 1 >= args.size()) return Fail(error, "--trace needs a FILE");
                result.traceFile = args[++i];
            } else {
                result.traceFile = arg.substr(8);
            }
            if (result.traceFile.empty()) return Fail(error, "--trace needs a FILE");
        } else if (!optionsEnded && (arg == "--lang" || arg.rfind("--lang=", 0) == 0)) {
            std::string value;
            if (arg == "--lang") {
                if (i + 1 >= args.size()) return Fail(error, "--lang needs en or ja");
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            result.language = ParseLanguage(value);
            if (!result.language)
                return Fail(error, "--lang takes en or ja, not \"" + value + "\"");
        } else if (!optionsEnded && arg.rfind("--", 0) == 0) {
            return Fail(error, "unknown option " + arg);
        } else if (!strict) {
            // Left for the toolkit, or checked in the strict pass.
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Fail(error, "unknown option " + arg);
        } else if (!result.settingsFile.empty()) {
            return Fail(error, "only one settings file can be opened (\"" + result.settingsFile +
                                   "\" and \"" + arg + "\")");
        } else if (arg.empty()) {
            return Fail(error, "the settings file name is empty");
        } else {
            result.settingsFile = arg;
        }
    }
    return result;
}

}  // namespace krv
