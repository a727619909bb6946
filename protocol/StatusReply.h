#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krv {

class DeviceLink;

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

// True for a line that claims to be a status reply (STX, "R"), whether or not it decodes.
bool LooksLikeStatusReply(std::string_view line);

// The one check of a status reply (the whole line, CR LF included; the text ends at a NUL, as the
// unit's lines are text). Nothing unless it is STX "R", exactly 60 bytes, with an ETX whose
// checksum matches and a channel digit 1 to 4. Fields are read as hexadecimal from their fixed
// places; reading a field stops at its first non-hexadecimal byte.
std::optional<StatusReport> DecodeStatusReply(std::string_view reply);

// Writes the status request for channel `ch`, opening the serial port first if it is closed. No
// reply is awaited: whoever reads the link next gets it.
void WriteStatusRequest(DeviceLink& link, int ch);

// The one status exchange: asks the unit for the status of channel `ch` and waits for it (four
// tries of 501 ms, resent on a time-out, no wait cursor). A status line that does not decode or
// names another channel counts as a failed try and the request goes out again; other lines are
// passed over. Nothing after the fourth failed try.
std::optional<StatusReport> ExchangeStatus(DeviceLink& link, int ch);

}  // namespace krv
