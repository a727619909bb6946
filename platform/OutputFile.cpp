#include "platform/OutputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileErrors.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace {

using file_errors::Describe;
using file_errors::SetError;

namespace fs = std::filesystem;

// As many links as the kernel itself follows in one path.
constexpr int kMaxLinks = 40;

std::optional<fs::path> RealFolder(const fs::path& folder, int& error)
{
    std::unique_ptr<char, decltype(&::free)> real(::realpath(folder.c_str(), nullptr), &::free);
    if (!real) {
        error = errno;
        return std::nullopt;
    }
    return fs::path(real.get());
}

// True for this process's descriptor folder as realpath() spells it: /proc/self/fd, /dev/fd and
// /proc/thread-self/fd all end up as /proc/PID/fd or /proc/PID/task/TID/fd.
bool IsOwnDescriptorFolder(const fs::path& folder)
{
    const std::string own = "/proc/" + std::to_string(::getpid());
    const std::string text = folder.string();
    if (text == own + "/fd") return true;
    return text.rfind(own + "/task/", 0) == 0 && text.size() > 3 &&
           text.compare(text.size() - 3, 3, "/fd") == 0;
}

std::optional<int> DescriptorNumber(const std::string& name)
{
    if (name.empty() || name.size() > 9) return std::nullopt;
    int n = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::optional<OutputTarget> ResolveOutputFile(const std::string& name, std::string* error)
{
    if (name == "-") return OutputTarget{OutputTarget::Kind::Descriptor, {}, STDOUT_FILENO};
    fs::path path = name;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        const fs::path file = path.filename();
        if (file.empty() || file == "." || file == "..") {
            SetError(error, Describe("cannot write", name, EISDIR));
            return std::nullopt;
        }
        int code = 0;
        const auto folder = RealFolder(path.has_parent_path() ? path.parent_path() : ".", code);
        if (!folder) {
            SetError(error, Describe("cannot write into the folder of", path, code));
            return std::nullopt;
        }
        const fs::path full = *folder / file;
        if (const auto number = DescriptorNumber(file.string());
            number && IsOwnDescriptorFolder(*folder)) {
            if (::fcntl(*number, F_GETFD) < 0) {
                SetError(error, Describe("cannot write", name, EBADF));
                return std::nullopt;
            }
            return OutputTarget{OutputTarget::Kind::Descriptor, {}, *number};
        }
        struct stat info {};
        if (::lstat(full.c_str(), &info) != 0) {
            if (errno == ENOENT) return OutputTarget{OutputTarget::Kind::Replace, full, -1};
            SetError(error, Describe("cannot write", full, errno));
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) return OutputTarget{OutputTarget::Kind::Replace, full, -1};
        if (S_ISDIR(info.st_mode)) {
            SetError(error, Describe("cannot write", full, EISDIR));
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) return OutputTarget{OutputTarget::Kind::WriteInto, full, -1};

        char target[PATH_MAX];
        const ssize_t length = ::readlink(full.c_str(), target, sizeof target - 1);
        if (length < 0) {
            SetError(error, Describe("cannot write", full, errno));
            return std::nullopt;
        }
        const fs::path next(std::string(target, static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : *folder / next;
    }
    SetError(error, Describe("cannot write", name, ELOOP));
    return std::nullopt;
}

bool WriteOutputFile(const std::string& name, std::string_view bytes, std::string* error)
{
    const auto target = ResolveOutputFile(name, error);
    if (!target) return false;
    int code = 0;
    switch (target->kind) {
        case OutputTarget::Kind::Replace:
            return WriteFileAtomically(target->path, bytes, error);
        case OutputTarget::Kind::WriteInto: {
            // No O_TRUNC: a FIFO or a device has nothing to cut. A FIFO's open waits for its
            // reader, as a shell's redirection does.
            UniqueFd fd(::open(target->path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
            if (!fd.Valid()) {
                SetError(error, Describe("cannot open", target->path, errno));
                return false;
            }
            if (!WriteAll(fd.Get(), bytes, code)) {
                SetError(error, Describe("cannot write", target->path, code));
                return false;
            }
            if (::close(fd.Release()) != 0) {
                SetError(error, Describe("cannot write", target->path, errno));
                return false;
            }
            return true;
        }
        case OutputTarget::Kind::Descriptor:
            // What the program printed before must come out first.
            std::fflush(stdout);
            std::fflush(stderr);
            if (!WriteAll(target->fd, bytes, code)) {
                SetError(error, Describe("cannot write", name, code));
                return false;
            }
            return true;
    }
    return false;
}

bool NamesStandardOutput(const std::string& name)
{
    const auto target = ResolveOutputFile(name);
    return target && target->kind == OutputTarget::Kind::Descriptor && target->fd == STDOUT_FILENO;
}

}  // namespace krv
