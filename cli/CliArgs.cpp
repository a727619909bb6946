#include "cli/CliArgs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Translate.h"

namespace krv::cli {

bool Args::Parse(const std::vector<std::string>& words, const std::vector<OptionSpec>& known,
                 std::string& error)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 2 || word.rfind("--", 0) != 0) {
            positionals_.push_back(word);
            continue;
        }
        std::string name = word;
        std::optional<std::string> inlineValue;
        if (const auto eq = word.find('='); eq != std::string::npos) {
            name = word.substr(0, eq);
            inlineValue = word.substr(eq + 1);
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : known) {
            if (s.name == name) spec = &s;
        }
        if (!spec) {
            error = WithArgs(Tr("krvctl", "不明なオプション %1"), {name});
            return false;
        }
        if (spec->valueOptional) {
            options_[name].push_back(inlineValue.value_or(""));
            continue;
        }
        if (!spec->takesValue) {
            if (inlineValue) {
                error = WithArgs(Tr("krvctl", "%1 は値をとりません"), {name});
                return false;
            }
            options_[name].push_back("");
            continue;
        }
        if (inlineValue) {
            options_[name].push_back(*inlineValue);
        } else if (i + 1 < words.size()) {
            options_[name].push_back(words[++i]);
        } else {
            error = WithArgs(Tr("krvctl", "%1 には値が必要です"), {name});
            return false;
        }
    }
    return true;
}

std::optional<std::string> Args::Value(const std::string& name) const
{
    const auto it = options_.find(name);
    if (it == options_.end() || it->second.empty()) return std::nullopt;
    return it->second.back();
}

std::vector<std::string> Args::Values(const std::string& name) const
{
    const auto it = options_.find(name);
    return it == options_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<long long> ParseInteger(const std::string& text, long long min, long long max)
{
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "krvctl: %s\n%s\n", message.c_str(),
                 Tr("krvctl", "'krvctl --help' を参照してください。").c_str());
    return kExitUsage;
}

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // Bytes from the unit need not be UTF-8; JSON must be.
            if (const std::size_t n = Utf8SequenceLength(text, i); n > 0) {
                out.append(text, i, n);
                i += n - 1;
            } else {
                out += "\\ufffd";
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out += "\"";
    return out;
}

SubcommandWords SplitSubcommandWords(const Args& args)
{
    SubcommandWords words;
    const auto& all = args.Positionals();
    for (std::size_t i = 1; i < all.size(); ++i) {
        if (all[i] == "-o") {
            if (i + 1 < all.size()) {
                words.output = all[++i];
            } else {
                words.outputMissing = true;
            }
            continue;
        }
        words.rest.push_back(all[i]);
    }
    if (const auto output = args.Value("--output")) words.output = output;
    return words;
}

}  // namespace krv::cli
