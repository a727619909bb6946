#pragma once

#include <string>

#include "model/AppValues.h"
#include "model/GeneratorState.h"

namespace krv::cli {

// What `krvctl settings show` prints for a settings set: a summary of every channel in the units
// of the range in effect, or (JSON) every saved field with the document's names.
std::string SettingsText(const GeneratorState& state, const AppValues& app);
std::string SettingsJson(const GeneratorState& state, const AppValues& app);

}  // namespace krv::cli
