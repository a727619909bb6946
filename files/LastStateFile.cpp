#include "files/LastStateFile.h"

#include "files/SettingsFile.h"
#include "platform/AtomicFile.h"

namespace krv {

bool LoadLastState(GeneratorState& state, AppValues& app, UserInterface& ui,
                   const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        // First run: make the folders for the file written at exit. A failure shows up then.
        EnsureFolder(folder);
        return false;
    }
    if (!std::filesystem::exists(path, ec)) return false;
    LoadSettingsFile(state, app, path, ui);
    return true;
}

bool SaveLastState(const GeneratorState& state, const AppValues& app,
                   const std::filesystem::path& path, std::string* error)
{
    if (!EnsureFolder(path.parent_path(), error)) return false;
    return SaveSettingsFile(state, app, path, error);
}

}  // namespace krv
