#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace krv::test {

// A folder of the test's own, removed with everything in it at the end of the scope.
class TempFolder {
  public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "autodlg-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Valid() const { return !path_.empty(); }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

    // Writes `bytes` into the file `name` and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const
    {
        const std::string path = Path(name);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        return path;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace krv::test
