#include "app/ManualFile.h"

#include <system_error>

namespace krv {

std::vector<std::filesystem::path> ManualCandidates(const std::filesystem::path& programFolder)
{
    if (programFolder.empty()) return {};
    const std::filesystem::path up = programFolder.parent_path();
    return {up / "share" / "doc" / "bremix2" / "manual.html", up / "doc" / "manual.html"};
}

std::filesystem::path FindManual(const std::filesystem::path& programFolder)
{
    for (const std::filesystem::path& candidate : ManualCandidates(programFolder)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

}  // namespace krv
