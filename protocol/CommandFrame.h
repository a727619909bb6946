#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace krv {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;

// Low 8 bits of the sum of the byte values in `bytes`.
std::uint8_t ChecksumOf(std::string_view bytes);

// Appends the two upper-case hexadecimal checksum characters of everything after the leading STX
// up to and including the first ETX, then CR LF. Throws std::invalid_argument, appending
// nothing, when the frame does not start with STX or has no ETX.
void AppendChecksum(std::string& frame);

// True when `line` is a framed reply of exactly `expectedLength` bytes (CR LF included) whose two
// characters after the first ETX are the checksum of bytes 1 up to and including that ETX.
bool IsValidFramedReply(std::string_view line, std::size_t expectedLength);

// A command line built field by field. Numeric fields are upper-case hexadecimal with a fixed
// number of digits.
class CommandFrame {
  public:
    CommandFrame() = default;

    // STX followed by the command letters.
    static CommandFrame Framed(std::string_view command);
    // Command letters only (the plain shape, e.g. "VER").
    static CommandFrame Plain(std::string_view command);

    CommandFrame& Text(std::string_view text);
    CommandFrame& Hex1(unsigned value);       // "%X", one digit for 0..15
    CommandFrame& Hex2(unsigned value);       // "%02X"
    CommandFrame& Hex4(unsigned value);       // "%04X"
    CommandFrame& Hex8(std::uint32_t value);  // "%08X"

    // Finishing: each returns the complete frame.
    std::string WithCrLf() const;            // plain or status request: ... CR LF
    std::string WithEtx() const;             // framed, no checksum: ... ETX CR LF
    std::string WithEtxAndChecksum() const;  // framed with checksum: ... ETX cs cs CR LF

    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

}  // namespace krv
