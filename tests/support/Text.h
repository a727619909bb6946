#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace krv::test {

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The lines of a text whose every line ends in CR LF (a failure if the text does not end so).
inline std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    EXPECT_EQ(at, text.size()) << "every line ends in CR LF";
    return lines;
}

// A path in the test's temporary folder that no other test process uses.
inline std::string ProcessTempPath(const std::string& name)
{
    return ::testing::TempDir() + "krvctl-" + std::to_string(::getpid()) + "-" + name;
}

// The whole content of a file; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace krv::test
