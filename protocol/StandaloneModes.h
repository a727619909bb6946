#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace krv {

class DeviceLink;

// What the unit says it runs on its own for one channel.
struct StandaloneModeReport {
    std::int32_t mode = 0;  // 0 disabled, 1 fixed value, 2 automatic output
    // The run state of an automatic output (0, 1 or 2), and 0 when disabled; a fixed value
    // carries none.
    std::optional<std::int32_t> runState;
};

// Asks the unit ("MS") which standalone mode channels 1 and 2 run in (four tries of 501 ms, wait
// cursor shown). Nothing when the unit does not answer. A reply too short to carry a channel's
// digits reads as "disabled" for it.
std::optional<std::array<StandaloneModeReport, 2>> ReadStandaloneModes(DeviceLink& link);

}  // namespace krv
