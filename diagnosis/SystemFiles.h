#pragma once

// Careful reading of sysfs, procfs and device files: everything bounded, nothing trusted.

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace krv::diagnosis {

// The start of a file (at most `limit` bytes), or nothing when it cannot be read.
std::optional<std::string> ReadBounded(const std::filesystem::path& path, std::size_t limit);
// A one-line attribute: ReadBounded with trailing white space cut off.
std::optional<std::string> ReadAttribute(const std::filesystem::path& path);
// `text` fit for a report line: anything but printable ASCII as '?', at most `limit` bytes then
// "...".
std::string Printable(const std::string& text, std::size_t limit = 80);
// The whole of `text` as a number in `base` within [min, max].
std::optional<long> ParseNumber(const std::string& text, int base, long min, long max);
// The entries of a folder (at most `limit`), in name order; empty when it cannot be read, and
// then `readable` (when given) is false.
std::vector<std::filesystem::path> ListFolder(const std::filesystem::path& folder,
                                              std::size_t limit = 100000, bool* readable = nullptr);
// Where a symbolic link points; empty when `path` is none.
std::string LinkTarget(const std::filesystem::path& path);
bool Exists(const std::filesystem::path& path);

// Whether the current user may read and write `path` (effective ids, ACLs honoured).
bool MayReadWrite(const std::filesystem::path& path);
// "owner root, group dialout, mode 0660", and the group's name alone.
struct FileOwnership {
    std::string text;
    std::string group;
};
std::optional<FileOwnership> Ownership(const std::filesystem::path& path);
// The current user's name ("uid N" when it has none).
std::string UserName();

}  // namespace krv::diagnosis
