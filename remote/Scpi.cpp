#include "remote/Scpi.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace krv::remote {

namespace {

constexpr std::size_t kMaxCharacterData = 24;
constexpr std::size_t kMaxDetail = 60;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}
bool IsUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}
bool IsLetter(char c)
{
    return IsUpper(c) || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Splits `text` at `separator` where it stands outside quotes. False for an unterminated quote.
bool SplitOutsideQuotes(std::string_view text, char separator, std::vector<std::string_view>& parts)
{
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;  // a doubled quote closes and reopens: same result
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return quote == 0;
}

// One node of a table pattern, e.g. "SOURce#" or "[:STATe]".
struct PatternNode {
    std::string longForm;   // "SOURCE"
    std::string shortForm;  // "SOUR"
    bool numbered = false;
    bool optional = false;
};

std::vector<PatternNode> CompilePattern(std::string_view pattern)
{
    std::vector<PatternNode> nodes;
    std::size_t i = 0;
    if (!pattern.empty() && pattern.front() == '*') {
        PatternNode node;
        node.longForm = node.shortForm = std::string(pattern);
        nodes.push_back(node);
        return nodes;
    }
    while (i < pattern.size()) {
        PatternNode node;
        if (pattern[i] == '[') {
            node.optional = true;
            ++i;
        }
        if (i < pattern.size() && pattern[i] == ':') ++i;
        while (i < pattern.size() && IsLetter(pattern[i])) {
            node.longForm += Upper(pattern[i]);
            if (IsUpper(pattern[i])) node.shortForm += pattern[i];
            ++i;
        }
        if (i < pattern.size() && pattern[i] == '#') {
            node.numbered = true;
            ++i;
        }
        if (i < pattern.size() && pattern[i] == ']') ++i;
        nodes.push_back(node);
    }
    return nodes;
}

// A node as typed: its mnemonic in capitals and its suffix, if any.
struct TypedNode {
    std::string mnemonic;
    std::optional<long> suffix;
};

enum class NodeMatch { No, Yes, SuffixOutOfRange };

NodeMatch MatchNode(const TypedNode& typed, const PatternNode& node, int& channel)
{
    if (typed.mnemonic != node.longForm && typed.mnemonic != node.shortForm) return NodeMatch::No;
    if (!typed.suffix) return NodeMatch::Yes;
    if (!node.numbered) return NodeMatch::No;
    if (*typed.suffix < 1 || *typed.suffix > kScpiMaxChannel) return NodeMatch::SuffixOutOfRange;
    channel = static_cast<int>(*typed.suffix);
    return NodeMatch::Yes;
}

// Matches typed[i…] against pattern[j…], leaving out optional nodes where needed.
bool MatchFrom(std::span<const TypedNode> typed, std::span<const PatternNode> pattern, int& channel,
               bool& suffixOutOfRange)
{
    if (pattern.empty()) return typed.empty();
    if (pattern.front().optional &&
        MatchFrom(typed, pattern.subspan(1), channel, suffixOutOfRange)) {
        return true;
    }
    if (typed.empty()) return false;
    int found = channel;
    switch (MatchNode(typed.front(), pattern.front(), found)) {
        case NodeMatch::No:
            return false;
        case NodeMatch::SuffixOutOfRange:
            suffixOutOfRange = true;
            return false;
        case NodeMatch::Yes:
            break;
    }
    if (!MatchFrom(typed.subspan(1), pattern.subspan(1), found, suffixOutOfRange)) return false;
    channel = found;
    return true;
}

struct Header {
    bool common = false;
    bool absolute = false;  // began with ':'
    bool query = false;
    std::vector<TypedNode> nodes;
};

ScpiError ReadHeader(std::string_view text, Header& header)
{
    if (!text.empty() && text.back() == '?') {
        header.query = true;
        text.remove_suffix(1);
    }
    // A colon before a common command is taken as lenient instruments take it: as nothing.
    if (text.size() > 1 && text[0] == ':' && text[1] == '*') text.remove_prefix(1);
    if (!text.empty() && text.front() == '*') {
        header.common = true;
        if (text.size() < 2 || text.size() > kScpiMaxMnemonic + 1)
            return ScpiError::UndefinedHeader;
        TypedNode node{"*", std::nullopt};
        for (const char c : text.substr(1)) {
            if (!IsLetter(c)) return ScpiError::InvalidCharacter;
            node.mnemonic += Upper(c);
        }
        header.nodes.push_back(std::move(node));
        return ScpiError::None;
    }
    if (!text.empty() && text.front() == ':') {
        header.absolute = true;
        text.remove_prefix(1);
    }
    std::vector<std::string_view> parts;
    SplitOutsideQuotes(text, ':', parts);
    for (const std::string_view part : parts) {
        if (part.empty()) return ScpiError::SyntaxError;
        TypedNode node;
        std::size_t i = 0;
        while (i < part.size() && IsLetter(part[i])) node.mnemonic += Upper(part[i++]);
        const std::size_t digits = i;
        while (i < part.size() && IsDigit(part[i])) ++i;
        if (i != part.size()) return ScpiError::InvalidCharacter;
        if (node.mnemonic.empty()) return ScpiError::SyntaxError;
        if (node.mnemonic.size() > kScpiMaxMnemonic) return ScpiError::ProgramMnemonicTooLong;
        if (i > digits) {
            // Longer suffixes than the channels need are out of range, not a reason to overflow.
            const std::string_view number = part.substr(digits);
            node.suffix = number.size() > 3 ? 1000 : std::stol(std::string(number));
        }
        header.nodes.push_back(std::move(node));
    }
    return ScpiError::None;
}

bool IsNumberStart(char c)
{
    return IsDigit(c) || c == '+' || c == '-' || c == '.';
}

// Decimal numeric program data: [+-] digits [. digits] [E [+-] digits].
ScpiError ReadNumber(std::string_view text, ScpiParameter& parameter)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++mantissa;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++mantissa;
    }
    if (mantissa == 0) return ScpiError::NumericDataError;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t exponent = 0;
        while (j < text.size() && IsDigit(text[j])) ++j, ++exponent;
        if (exponent > 0) i = j;
    }
    if (i != text.size()) {
        return IsLetter(text[i]) ? ScpiError::SuffixNotAllowed : ScpiError::NumericDataError;
    }
    // from_chars takes no leading '+'.
    const std::string_view digits = text.front() == '+' ? text.substr(1) : text;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return ScpiError::NumericDataError;
    }
    parameter.kind = ScpiParameter::Kind::Number;
    parameter.text = std::string(text);
    parameter.number = value;
    return ScpiError::None;
}

ScpiError ReadString(std::string_view text, ScpiParameter& parameter)
{
    const char quote = text.front();
    if (text.size() < 2 || text.back() != quote) return ScpiError::InvalidStringData;
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == quote) {
            // Inside, a quote only stands doubled.
            if (i + 2 >= text.size() || text[i + 1] != quote) return ScpiError::InvalidStringData;
            ++i;
        }
        value += text[i];
    }
    parameter.kind = ScpiParameter::Kind::String;
    parameter.text = std::move(value);
    return ScpiError::None;
}

ScpiError ReadParameter(std::string_view text, ScpiParameter& parameter)
{
    if (text.empty()) return ScpiError::SyntaxError;
    const char first = text.front();
    if (first == '"' || first == '\'') return ReadString(text, parameter);
    // Range keys such as 0_5V or -10_10V begin like numbers; the underscore, which no number
    // has, makes them character data here.
    const bool key = text.find('_') != std::string_view::npos;
    if (IsNumberStart(first) && !key) return ReadNumber(text, parameter);
    if (!IsLetter(first) && !key) return ScpiError::DataTypeError;
    if (text.size() > kMaxCharacterData) return ScpiError::CharacterDataError;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool sign = i == 0 && (c == '-' || c == '+');
        if (!IsLetter(c) && !IsDigit(c) && c != '_' && !sign) return ScpiError::CharacterDataError;
    }
    parameter.kind = ScpiParameter::Kind::Characters;
    parameter.text = std::string(text);
    return ScpiError::None;
}

ScpiError ReadParameters(std::string_view text, std::vector<ScpiParameter>& parameters)
{
    text = Trim(text);
    if (text.empty()) return ScpiError::None;
    std::vector<std::string_view> parts;
    if (!SplitOutsideQuotes(text, ',', parts)) return ScpiError::InvalidStringData;
    if (parts.size() > kScpiMaxParameters) return ScpiError::ParameterNotAllowed;
    for (const std::string_view part : parts) {
        ScpiParameter parameter;
        const ScpiError error = ReadParameter(Trim(part), parameter);
        if (error != ScpiError::None) return error;
        parameters.push_back(std::move(parameter));
    }
    return ScpiError::None;
}

// The table entry `nodes` names, if any; `suffixOutOfRange` tells why none matched.
const ScpiCommandSpec* FindCommand(std::span<const TypedNode> nodes,
                                   std::span<const ScpiCommandSpec> table, int& channel,
                                   bool& suffixOutOfRange)
{
    for (const ScpiCommandSpec& spec : table) {
        const std::vector<PatternNode> pattern = CompilePattern(spec.pattern);
        int found = 1;
        if (MatchFrom(nodes, pattern, found, suffixOutOfRange)) {
            channel = found;
            return &spec;
        }
    }
    return nullptr;
}

std::string Printable(std::string_view text)
{
    std::string out;
    for (const char c : text.substr(0, kMaxDetail)) out += c >= ' ' && c <= '~' ? c : '?';
    if (text.size() > kMaxDetail) out += "...";
    return out;
}

}  // namespace

const char* ScpiErrorText(ScpiError error)
{
    switch (error) {
        case ScpiError::None:
            return "No error";
        case ScpiError::CommandError:
            return "Command error";
        case ScpiError::InvalidCharacter:
            return "Invalid character";
        case ScpiError::SyntaxError:
            return "Syntax error";
        case ScpiError::InvalidSeparator:
            return "Invalid separator";
        case ScpiError::DataTypeError:
            return "Data type error";
        case ScpiError::ParameterNotAllowed:
            return "Parameter not allowed";
        case ScpiError::MissingParameter:
            return "Missing parameter";
        case ScpiError::ProgramMnemonicTooLong:
            return "Program mnemonic too long";
        case ScpiError::UndefinedHeader:
            return "Undefined header";
        case ScpiError::HeaderSuffixOutOfRange:
            return "Header suffix out of range";
        case ScpiError::NumericDataError:
            return "Numeric data error";
        case ScpiError::SuffixNotAllowed:
            return "Suffix not allowed";
        case ScpiError::CharacterDataError:
            return "Character data error";
        case ScpiError::InvalidStringData:
            return "Invalid string data";
        case ScpiError::ExecutionError:
            return "Execution error";
        case ScpiError::SettingsConflict:
            return "Settings conflict";
        case ScpiError::DataOutOfRange:
            return "Data out of range";
        case ScpiError::IllegalParameterValue:
            return "Illegal parameter value";
        case ScpiError::HardwareError:
            return "Hardware error";
        case ScpiError::HardwareMissing:
            return "Hardware missing";
        case ScpiError::QueueOverflow:
            return "Queue overflow";
        case ScpiError::InputBufferOverrun:
            return "Input buffer overrun";
        case ScpiError::QueryInterrupted:
            return "Query INTERRUPTED";
    }
    return "Unknown error";
}

std::string FormatScpiError(ScpiError error, std::string_view detail)
{
    std::string text = std::to_string(static_cast<int>(error)) + ",\"" + ScpiErrorText(error);
    if (!detail.empty()) {
        text += ';';
        // Bounded as it is shown: a quote counts twice, since it is doubled.
        std::string quoted;
        for (const char c : detail) {
            const char shown = c >= ' ' && c <= '~' ? c : '?';
            const std::size_t width = shown == '"' ? 2 : 1;
            if (quoted.size() + width > kMaxDetail) {
                quoted += "...";
                break;
            }
            quoted.append(width, shown);
        }
        text += quoted;
    }
    return text + "\"";
}

std::vector<ScpiParsedUnit> ParseScpiLine(std::string_view line,
                                          std::span<const ScpiCommandSpec> table)
{
    std::vector<ScpiParsedUnit> units;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto fail = [&](ScpiError error, std::string_view detail) {
        ScpiParsedUnit unit;
        unit.error = error;
        unit.detail = Printable(Trim(detail));
        units.push_back(std::move(unit));
        return units;
    };
    std::vector<std::string_view> parts;
    if (!SplitOutsideQuotes(line, ';', parts)) return fail(ScpiError::InvalidStringData, line);
    if (parts.size() > kScpiMaxUnitsPerLine) return fail(ScpiError::CommandError, "too many units");

    std::vector<TypedNode> path;  // nodes a relative header continues from
    for (const std::string_view part : parts) {
        const std::string_view text = Trim(part);
        if (text.empty()) continue;
        const std::size_t gap = std::find_if(text.begin(), text.end(), IsSpace) - text.begin();
        const std::string_view headerText = text.substr(0, gap);
        Header header;
        if (const ScpiError error = ReadHeader(headerText, header); error != ScpiError::None) {
            return fail(error, headerText);
        }
        ScpiCommand command;
        command.query = header.query;
        command.header = Printable(headerText);
        if (const ScpiError error = ReadParameters(text.substr(gap), command.parameters);
            error != ScpiError::None) {
            return fail(error, text.substr(gap));
        }
        bool suffixOutOfRange = false;
        const ScpiCommandSpec* spec = nullptr;
        std::vector<TypedNode> matched;
        if (!header.common && !header.absolute && !path.empty()) {
            matched = path;
            matched.insert(matched.end(), header.nodes.begin(), header.nodes.end());
            spec = FindCommand(matched, table, command.channel, suffixOutOfRange);
        }
        if (spec == nullptr) {
            matched = header.nodes;
            spec = FindCommand(matched, table, command.channel, suffixOutOfRange);
        }
        if (spec == nullptr) {
            return fail(
                suffixOutOfRange ? ScpiError::HeaderSuffixOutOfRange : ScpiError::UndefinedHeader,
                headerText);
        }
        command.id = spec->id;
        // Common commands leave the path as it was.
        if (!header.common) path.assign(matched.begin(), matched.end() - 1);
        ScpiParsedUnit unit;
        unit.command = std::move(command);
        units.push_back(std::move(unit));
    }
    return units;
}

std::optional<bool> ScpiBoolean(const ScpiParameter& parameter)
{
    if (parameter.kind == ScpiParameter::Kind::Number) return std::lround(parameter.number) != 0;
    if (parameter.kind != ScpiParameter::Kind::Characters) return std::nullopt;
    std::string upper;
    for (const char c : parameter.text) upper += Upper(c);
    if (upper == "ON") return true;
    if (upper == "OFF") return false;
    return std::nullopt;
}

std::optional<std::size_t> ScpiKeyword(const ScpiParameter& parameter,
                                       std::span<const std::string_view> choices)
{
    if (parameter.kind != ScpiParameter::Kind::Characters) return std::nullopt;
    std::string upper;
    for (const char c : parameter.text) upper += Upper(c);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const std::vector<PatternNode> node = CompilePattern(choices[i]);
        if (node.size() == 1 && (upper == node[0].longForm || upper == node[0].shortForm)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace krv::remote
