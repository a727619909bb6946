#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/FileErrors.h"
#include "platform/OutputFile.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace {

using file_errors::Describe;
using file_errors::SetError;

// The start of the names of the temporaries for `target`; the writer's process id follows.
std::string TemporaryPrefix(const std::filesystem::path& target)
{
    return "." + target.filename().string() + ".tmp-";
}

// Opens a new, unique temporary file beside `target`.
UniqueFd CreateTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath,
                         int& error)
{
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    const std::filesystem::path folder = target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryPrefix(target) + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + "-" +
                                 std::to_string(device() & 0xFFFFFF);
        tempPath = folder / name;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return UniqueFd(fd);
        if (errno != EEXIST) {
            error = errno;
            return UniqueFd();
        }
    }
    error = EEXIST;
    return UniqueFd();
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the file is in place
// by then, so that is not treated as a failure.
void SyncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    UniqueFd owner(fd);
    ::fsync(owner.Get());
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         std::string* error)
{
    if (requested.filename().empty()) {
        SetError(error, "no file name in " + requested.string());
        return false;
    }
    // Links are followed to the file they name, which is replaced; the link itself never is.
    // Only a regular file is replaced: a FIFO, a device or a descriptor of the process put in
    // its place would be gone, with the bytes in a plain file nobody reads.
    const std::filesystem::path asFile =
        requested.has_parent_path() ? requested : std::filesystem::path(".") / requested;
    const auto resolved = ResolveOutputFile(asFile.string(), error);
    if (!resolved) return false;
    if (resolved->kind != OutputTarget::Kind::Replace) {
        SetError(error, requested.string() + " is not a regular file");
        return false;
    }
    const std::filesystem::path target = resolved->path;

    std::filesystem::path tempPath;
    int code = 0;
    UniqueFd fd = CreateTemporary(target, tempPath, code);
    if (!fd.Valid()) {
        SetError(error, Describe("cannot create a file in", target.parent_path(), code));
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        fd.Reset();
        ::unlink(tempPath.c_str());
        SetError(error, Describe(what, target, err));
        return false;
    };

    // Keep the permissions of the file being replaced.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd.Get(), existing.st_mode & 07777);
    }
    if (!WriteAll(fd.Get(), bytes, code)) return fail("cannot write", code);
    if (::fsync(fd.Get()) != 0) return fail("cannot flush", errno);
    if (::close(fd.Release()) != 0) return fail("cannot write", errno);
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return fail("cannot replace", errno);
    SyncFolder(target.parent_path());
    return true;
}

void RemoveStaleTemporaries(const std::filesystem::path& target)
{
    const std::string prefix = TemporaryPrefix(target);
    std::error_code ec;
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        // The writer's process id, up to the next '-'.
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9) continue;
        if (rest.find_first_not_of("0123456789") != dash) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        // A process that still runs may be writing it; one that cannot be signalled still runs.
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        std::filesystem::remove(entry.path(), removeError);
    }
}

bool EnsureFolder(const std::filesystem::path& folder, std::string* error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::error_code statError;
    if (std::filesystem::is_directory(folder, statError)) return true;
    SetError(error, Describe("cannot create the folder", folder,
                             ec ? ec.value() : static_cast<int>(ENOTDIR)));
    return false;
}

bool WriteAll(int fd, std::string_view bytes, int& error)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = EIO;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace krv
