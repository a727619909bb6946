#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/DeviceLink.h"

namespace krv {

// Length of the unit's status reply, CR LF included.
inline constexpr std::size_t kStatusReplyLength = 60;

// The fields of one status reply, as the unit sent them.
struct StatusReport {
    int channel = 0;     // index 0 to 3
    unsigned range = 0;  // the range code the unit is using
    std::uint16_t outputCode = 0;
    std::uint16_t mainControl = 0;
    std::uint16_t mainStatus = 0;
    std::uint16_t extControl = 0;
    std::uint16_t extStatus = 0;
    std::uint16_t calibrationMode = 0;  // of the range in use
    std::int32_t runState = 0;
};

// The status request for channel index `ch`: STX, "R", the channel number, CR LF.
std::string StatusRequestFrame(int ch);

// Decodes a status reply (the whole line, CR LF included). Nothing when the length is not 60, the
// ETX is missing, the checksum differs or the channel digit is not 1 to 4. Fields are read as
// hexadecimal from their fixed places; reading a field stops at its first non-hexadecimal byte.
std::optional<StatusReport> DecodeStatusReply(std::string_view reply);

// Asks the unit for the status of channel `ch` and waits for it (four tries of 501 ms, no wait
// cursor). A reply for another channel or one that does not decode counts as a failed try.
std::optional<StatusReport> QueryChannelStatus(DeviceLink& link, int ch);

}  // namespace krv
