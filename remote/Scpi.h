#pragma once

// The command language of `krvctl serve`: SCPI over a raw socket, one program message per line.
//
// A line holds program message units separated by ';'. A unit is a header (a common command such
// as "*IDN?", or mnemonics joined by ':' such as "SOUR1:VAL"), a trailing '?' for a query, then
// after white space its parameters separated by ','. Mnemonics match their long form or their
// short form (the long form's capitals), in either case; a node written "OUTPut#" takes a channel
// suffix (1 when left out), and a node in brackets may be left out. After the first unit of a
// line, a header that does not start with ':' continues from the node before the last header's
// last node (SOUR1:RANG E4_20MA;VAL 12 sets SOUR1:VAL); where that finds no command, it is read
// from the root, as most instruments are lenient here too.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krv::remote {

// The standard SCPI error numbers this instrument reports.
enum class ScpiError : int {
    None = 0,
    CommandError = -100,
    InvalidCharacter = -101,
    SyntaxError = -102,
    InvalidSeparator = -103,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    ProgramMnemonicTooLong = -112,
    UndefinedHeader = -113,
    HeaderSuffixOutOfRange = -114,
    NumericDataError = -120,
    SuffixNotAllowed = -138,
    CharacterDataError = -140,
    InvalidStringData = -151,
    ExecutionError = -200,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    HardwareError = -240,
    HardwareMissing = -241,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
    QueryInterrupted = -410,
};

// "Undefined header" and so on: the standard's text for `error`.
const char* ScpiErrorText(ScpiError error);
// The error queue's entry: -113,"Undefined header;FOO:BAR" (the detail after ';', its quotes
// doubled and cut to a readable length).
std::string FormatScpiError(ScpiError error, std::string_view detail = {});

struct ScpiParameter {
    enum class Kind { Number, Characters, String };
    Kind kind = Kind::Characters;
    std::string text;   // as written; a string without its quotes and with doubled quotes undone
    double number = 0;  // for Number
};

// One command of the table. `pattern` is the header as the reference writes it, e.g.
// "SOURce#:VALue", "OUTPut#[:STATe]", "*IDN"; whether it is asked as a query is left to the
// caller, who gets it with the match.
struct ScpiCommandSpec {
    std::string_view pattern;
    int id;
};

// A unit matched against the table.
struct ScpiCommand {
    int id = 0;
    bool query = false;
    int channel = 1;  // the suffix of the node that takes one (1 when left out or none)
    std::vector<ScpiParameter> parameters;
    std::string header;  // as written, for error details
};

// What became of one unit: a command, or the error that stopped it (the rest of the line is then
// not read, as IEEE 488.2 has a parser error discard the rest of the message).
struct ScpiParsedUnit {
    std::optional<ScpiCommand> command;
    ScpiError error = ScpiError::None;
    std::string detail;
};

// Channel suffixes allowed on numbered nodes.
inline constexpr int kScpiMaxChannel = 4;
// Limits that keep a hostile line from costing much: units per line, parameters per unit (a
// point list's length), characters per mnemonic.
inline constexpr std::size_t kScpiMaxUnitsPerLine = 64;
inline constexpr std::size_t kScpiMaxParameters = 1000;
inline constexpr std::size_t kScpiMaxMnemonic = 12;

// Splits a line (without its "\n"; a trailing "\r" is ignored) into units and matches each against
// `table`. Stops after the first unit with an error.
std::vector<ScpiParsedUnit> ParseScpiLine(std::string_view line,
                                          std::span<const ScpiCommandSpec> table);

// Parameter helpers for the commands. Each gives nothing when the parameter does not fit.
// ON|OFF|1|0 (any number: non-zero is on, as SCPI booleans are rounded).
std::optional<bool> ScpiBoolean(const ScpiParameter& parameter);
// A keyword among `choices` (long/short forms as in patterns, e.g. "SAWtooth"); its index.
std::optional<std::size_t> ScpiKeyword(const ScpiParameter& parameter,
                                       std::span<const std::string_view> choices);

}  // namespace krv::remote
