#pragma once

#include <filesystem>

namespace krv {

// The user's home folder: $HOME, or the password database's entry when $HOME is unset or empty.
std::filesystem::path HomeFolder();

// The user's documents folder: XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs (or
// ~/.config/user-dirs.dirs), else the home folder's "Documents". The folder may not exist yet.
std::filesystem::path DocumentsFolder();

// Where the panel keeps the settings of the last run: documents/Holvik/Bremix2/krv2.ini.
std::filesystem::path LastStateFilePath();

}  // namespace krv
