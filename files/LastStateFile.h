#pragma once

#include <filesystem>
#include <string>

#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/DocumentsFolder.h"
#include "platform/UserInterface.h"

namespace krv {

// The settings of the last run, written at every exit and read back at the next start.
//
// Reads the last-state file into `state` and `app`. Returns whether the file was there (and so
// whether the start-up keeps the loaded settings instead of asking for a circuit count), whatever
// the load itself reported. When the file's folder is missing it is created and false returned.
bool LoadLastState(GeneratorState& state, AppValues& app, UserInterface& ui,
                   const std::filesystem::path& path = LastStateFilePath());

// Writes the settings set to the last-state file, creating its folders when needed. The file is
// replaced in one step, so a crash or a full disk leaves the previous one.
bool SaveLastState(const GeneratorState& state, const AppValues& app,
                   const std::filesystem::path& path = LastStateFilePath(),
                   std::string* error = nullptr);

}  // namespace krv
