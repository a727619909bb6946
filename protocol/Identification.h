#pragma once

#include <string>

#include "link/LinkKind.h"

namespace krv {

class DeviceLink;

// Asks the unit for its firmware version ("VER"). On success `version` holds the six characters
// of the reply with spaces and full stops turned into '0' ("VER02.000" gives "020000"); on
// failure it is left as it was.
bool QueryVersion(DeviceLink& link, LinkKind kind, std::string& version);

// Asks the unit for its number of output circuits ("CH"): 1, 2 or 4, or -1 when the unit does not
// answer or answers with any other digit.
int QueryCircuitCount(DeviceLink& link);

// The version every unit must have at least to be driven by this program.
inline constexpr const char* kRequiredFirmware = "020000";

// The leading decimal number of a version text (reading stops at the first non-digit).
long VersionNumber(const std::string& version);

}  // namespace krv
