#include "diagnosis/SystemFiles.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "diagnosis/Doctor.h"
#include "platform/Translate.h"

namespace krv::diagnosis {

namespace fs = std::filesystem;

std::optional<std::string> ReadBounded(const fs::path& path, std::size_t limit)
{
    // O_NONBLOCK: a FIFO planted where an attribute should be must not hang the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t n = ::read(fd, text.data() + filled, limit - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(filled);
    return text;
}

std::optional<std::string> ReadAttribute(const fs::path& path)
{
    auto text = ReadBounded(path, 4096);
    if (!text) return std::nullopt;
    while (!text->empty() && std::isspace(static_cast<unsigned char>(text->back()))) {
        text->pop_back();
    }
    return text;
}

std::string Printable(const std::string& text, std::size_t limit)
{
    std::string out;
    for (const char c : text.substr(0, std::min(limit, text.size()))) {
        const auto byte = static_cast<unsigned char>(c);
        // ASCII only: a cut multi-byte character or stray bytes would spoil JSON and terminals.
        out.push_back(byte < 0x20 || byte >= 0x7F ? '?' : c);
    }
    if (text.size() > limit) out += "...";
    return out;
}

std::optional<long> ParseNumber(const std::string& text, int base, long min, long max)
{
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || at != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::vector<fs::path> ListFolder(const fs::path& folder, std::size_t limit, bool* readable)
{
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (readable != nullptr) *readable = !error;
    for (; !error && it != fs::directory_iterator() && entries.size() < limit;
         it.increment(error)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string LinkTarget(const fs::path& path)
{
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    return error ? std::string() : target.string();
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

bool MayReadWrite(const fs::path& path)
{
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
}

std::optional<FileOwnership> Ownership(const fs::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    FileOwnership result;
    const passwd* owner = ::getpwuid(st.st_uid);
    const group* grp = ::getgrgid(st.st_gid);
    result.group = grp != nullptr ? grp->gr_name : "gid " + std::to_string(st.st_gid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    result.text = WithArgs(
        Tr("Diagnosis", "所有者 %1、グループ %2、モード %3"),
        {owner != nullptr ? std::string(owner->pw_name) : "uid " + std::to_string(st.st_uid),
         result.group, mode});
    return result;
}

std::string UserName()
{
    const passwd* pw = ::getpwuid(::geteuid());
    return pw != nullptr ? pw->pw_name : "uid " + std::to_string(::geteuid());
}

}  // namespace krv::diagnosis
