#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

// Settings files: one complete settings set in the binary, little-endian layout the Windows panel
// reads and writes too (texts in CP932). Versions 100, 110 and 120 are read; 120 is written.

inline constexpr std::string_view kSettingsStartMarker = "<<## KRV Start ##>>";
inline constexpr std::string_view kSettingsEndMarker = "<<## KRV End ##>>";
inline constexpr std::string_view kSettingsVersionText = "0120";

enum class LoadOutcome {
    Loaded,        // the whole layout was read
    WrongMarker,   // not a settings file; nothing changed
    WrongVersion,  // a version this program cannot read; nothing changed
    Truncated,     // the file ended early; the fields read before the end were taken
    ReadError,     // the file could not be read; nothing changed
};

// Encodes the settings set as a version 120 file. A text without a CP932 form is written with
// "?" for each character that has none; `textsReplaced` (if given) tells whether that happened.
std::string SaveSettings(const GeneratorState& state, const AppValues& app,
                         bool* textsReplaced = nullptr);

// Reads a settings file's bytes into the settings set. Once the start marker and the version are
// accepted, a unit connected over `unit` (the link the state's frames go over, if any) is
// disconnected (its outputs off, except standalone channels) before anything of the file is
// applied; each channel's scaling switch and range take effect at once. Problems are shown
// through `ui` (the end-of-file message names `path`).
LoadOutcome LoadSettings(GeneratorState& state, AppValues& app, std::string_view bytes,
                         const std::string& path, UserInterface& ui, DeviceLink* unit = nullptr);

// LoadSettings on the content of the file at `path`. A file that cannot be read shows a message
// and gives ReadError.
LoadOutcome LoadSettingsFile(GeneratorState& state, AppValues& app,
                             const std::filesystem::path& path, UserInterface& ui,
                             DeviceLink* unit = nullptr);

// Writes the settings set to `path`, replacing the file in one step (never half-written).
bool SaveSettingsFile(const GeneratorState& state, const AppValues& app,
                      const std::filesystem::path& path, std::string* error = nullptr,
                      bool* textsReplaced = nullptr);

}  // namespace krv
