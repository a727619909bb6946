#include "platform/DocumentsFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

namespace {

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The value of one assignment line: a quoted value with backslash escapes, or a bare word.
std::string UnquoteValue(std::string_view value)
{
    std::string out;
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        for (std::size_t i = 0; i < value.size(); ++i) {
            const char c = value[i];
            if (c == '"') break;
            if (c == '\\' && i + 1 < value.size()) {
                out.push_back(value[++i]);
            } else {
                out.push_back(c);
            }
        }
        return out;
    }
    // Unquoted: up to the first blank or comment.
    for (char c : value) {
        if (c == ' ' || c == '\t' || c == '#') break;
        out.push_back(c);
    }
    return out;
}

// Expands a leading $HOME or ${HOME}; any other relative value is not a usable folder.
std::optional<std::filesystem::path> ExpandFolder(const std::string& value,
                                                  const std::filesystem::path& home)
{
    for (std::string_view prefix : {std::string_view("${HOME}"), std::string_view("$HOME")}) {
        if (value.compare(0, prefix.size(), prefix) != 0) continue;
        std::string_view rest = std::string_view(value).substr(prefix.size());
        if (!rest.empty() && rest.front() != '/') return std::nullopt;  // e.g. $HOMEWORK
        while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
        if (rest.empty()) return home;  // "$HOME/" names the home folder itself
        return home / std::string(rest);
    }
    if (!value.empty() && value.front() == '/') return std::filesystem::path(value);
    return std::nullopt;
}

std::optional<std::filesystem::path> DocumentsFromUserDirs(const std::filesystem::path& home)
{
    std::filesystem::path configHome;
    const char* xdgConfig = std::getenv("XDG_CONFIG_HOME");
    if (xdgConfig && xdgConfig[0] == '/') {
        configHome = xdgConfig;
    } else {
        configHome = home / ".config";
    }
    std::ifstream file(configHome / "user-dirs.dirs");
    if (!file) return std::nullopt;

    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR";
    std::optional<std::filesystem::path> found;
    std::string line;
    while (std::getline(file, line)) {
        std::string_view text = TrimRight(TrimLeft(line));
        if (text.empty() || text.front() == '#') continue;
        if (text.substr(0, 7) == "export ") text = TrimLeft(text.substr(7));
        if (text.substr(0, kKey.size()) != kKey) continue;
        text = TrimLeft(text.substr(kKey.size()));
        if (text.empty() || text.front() != '=') continue;
        text = TrimLeft(text.substr(1));
        // The file is a shell fragment: the last assignment wins.
        if (auto folder = ExpandFolder(UnquoteValue(text), home)) found = std::move(folder);
    }
    return found;
}

}  // namespace

std::filesystem::path HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return home;

    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* result = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (result && result->pw_dir && result->pw_dir[0] != '\0') return result->pw_dir;
    return "/";
}

std::filesystem::path DocumentsFolder()
{
    const std::filesystem::path home = HomeFolder();
    if (auto folder = DocumentsFromUserDirs(home)) return *folder;
    return home / "Documents";
}

std::filesystem::path LastStateFilePath()
{
    return DocumentsFolder() / "Holvik" / "Bremix2" / "krv2.ini";
}

}  // namespace krv
