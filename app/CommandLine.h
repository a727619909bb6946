#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Language.h"

namespace krv {

// What the panel was started with.
struct CommandLine {
    std::string settingsFile;  // opened instead of asking for a new settings set; may be empty
    int simulateCircuits = 0;  // 1, 2 or 4: serve a virtual unit with that many circuits; 0: none
    std::vector<std::string> ports;    // --port PATH, in order
    std::string traceFile;             // --trace FILE: where the wire trace goes; empty: none
    std::optional<Language> language;  // --lang en|ja
    bool help = false;
};

// Parses the arguments after the program name. With `strict` false only the program's own
// "--" options are checked, and everything else is left alone (the GUI toolkit's options have
// not been taken out yet). Returns nothing, with the reason in `error`, for arguments that make
// no sense.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, bool strict,
                                            std::string* error);

// The text --help prints, in the language installed for krv::Tr.
std::string CommandLineUsage();

// The language --lang asks for (the last valid one), found before the arguments are parsed, so that
// the parser's own complaints are in that language; nothing when none is given.
std::optional<Language> LanguageArgument(const std::vector<std::string>& args);

}  // namespace krv
