#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace krv {

class DeviceLink;

// What the W frame of one channel carries: the channel's range and the image of its registers.
struct OutputFrameFields {
    int channel = 0;     // index 0 to 3; sent as "1" to "4"
    unsigned range = 0;  // sent as two hexadecimal digits (only the low 8 bits fit)
    std::uint16_t outputCode = 0;
    std::uint16_t mainControl = 0;
    std::uint16_t mainAux = 0;
    std::uint16_t spareWord = 0;  // sent twice
    std::uint16_t extControl = 0;
    std::array<std::uint16_t, 3> extAux{};
    // The run state, only while the unit runs the channel itself; otherwise the field shrinks to
    // the single character "0".
    std::optional<unsigned> runState;
};

// The W frame, ETX, checksum and CR LF included (47 or 48 bytes).
std::string BuildOutputFrame(const OutputFrameFields& fields);

// Writes the W frame to the serial port; the unit does not answer it.
void WriteOutputFrame(DeviceLink& link, const OutputFrameFields& fields);

}  // namespace krv
