#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Translate.h"

namespace krv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUnitFailed = 1;
inline constexpr int kExitUsage = 2;
// A standalone write went through, but the unit was not restarted or its port did not come back.
inline constexpr int kExitRestartFailed = 3;

// An option a command understands.
struct OptionSpec {
    std::string name;  // "--port"
    bool takesValue = false;
    // The value may be left out; when given it is written "--name=VALUE" (--simulate=2).
    bool valueOptional = false;
};

// The command line split into options and positional words.
class Args {
  public:
    // Parses `words` against `known`; false with `error` set on an unknown option or a missing
    // value.
    bool Parse(const std::vector<std::string>& words, const std::vector<OptionSpec>& known,
               std::string& error);

    bool Has(const std::string& name) const { return options_.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;  // the last one given
    std::vector<std::string> Values(const std::string& name) const;   // all, in order
    const std::vector<std::string>& Positionals() const { return positionals_; }

  private:
    std::map<std::string, std::vector<std::string>> options_;
    std::vector<std::string> positionals_;
};

// The words after a command's subcommand (its first positional word), with "-o FILE" (or
// --output FILE) taken out.
struct SubcommandWords {
    std::vector<std::string> rest;
    std::optional<std::string> output;
    bool outputMissing = false;  // "-o" was the last word
};
SubcommandWords SplitSubcommandWords(const Args& args);

// Whole-number option values; nullopt when the text is not entirely a number in [min, max].
std::optional<long long> ParseInteger(const std::string& text, long long min, long long max);

// Prints "krvctl: <message>" and a hint to standard error; returns kExitUsage. The message is
// already in krvctl's language.
int UsageError(const std::string& message);

// JSON string literal of `text` (quotes included), escaping what JSON requires.
std::string JsonString(const std::string& text);

}  // namespace krv::cli
