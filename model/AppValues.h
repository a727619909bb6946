#pragma once

#include <cstdint>
#include <string>

namespace krv {

// Values that belong to the application rather than to one settings set, although the settings
// file carries two of them.
struct AppValues {
    std::string lastPortName;          // port last connected to, without the list entry's text
    std::int32_t mainWindowWidth = 0;  // 300 for one circuit, 482 for two
    bool linkedAutoOutput = false;     // automatic outputs of channels 1 and 2 run linked
};

// The process-wide values, alive until the process exits.
AppValues& TheAppValues();

}  // namespace krv
