#pragma once

#include <cstring>
#include <filesystem>
#include <string>

// How the file writers report a failure: into an optional text, naming what failed, the path and
// the system's reason.
namespace krv::file_errors {

inline void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

inline std::string Describe(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + path.string() + ": " + std::strerror(error);
}

}  // namespace krv::file_errors
