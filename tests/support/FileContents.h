#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace krv::test {

// The bytes of a file as they are on disk; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace krv::test
