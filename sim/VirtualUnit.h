#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sim {

struct UnitConfig {
    int circuits = 2;                 // CH replies "CH" + the digit '0' + circuits
    std::string firmware = "02.000";  // the text the unit puts after "VER", sent as given
};

// The unit's registers of one output channel, as the last accepted W frame set them.
struct ChannelRegisters {
    std::uint8_t range = 0;
    std::uint16_t outputCode = 0;
    std::uint16_t mainControl = 0x0008;
    std::uint16_t mainAux = 0x0008;
    std::array<std::uint16_t, 2> spareWords{};
    std::uint16_t extControl = 0;
    std::array<std::uint16_t, 3> extAux{};
    std::uint8_t runState = 0;
    std::size_t framesAccepted = 0;  // W frames whose fields were taken into these registers
};

// The unit's side of the protocol: no I/O, no timing. Thread-compatible (the server serialises
// calls).
class VirtualUnit {
  public:
    static constexpr int kChannels = 4;

    explicit VirtualUnit(UnitConfig config);

    // One complete command line as received (CR LF included). Returns the reply lines to send,
    // each with its CR LF, possibly none.
    std::vector<std::string> HandleLine(std::string_view line);

    const UnitConfig& Config() const { return config_; }

    // Registers of channel index 0..3.
    const ChannelRegisters& Channel(int index) const;

    // Framed lines that passed their checksum but whose fields did not have the expected layout.
    std::size_t MalformedFrames() const { return malformedFrames_; }

  private:
    using Replies = std::vector<std::string>;
    using Handler = Replies (VirtualUnit::*)(std::string_view line);

    // One entry per command: plain commands match the whole line before CR LF; framed commands
    // (after STX) match by their letters, the longest name first, since hexadecimal fields may
    // begin with a letter.
    struct Command {
        bool framed;
        std::string_view name;
        Handler handler;
    };
    static const std::array<Command, 3> kCommands;

    Replies Version(std::string_view line);
    Replies CircuitCount(std::string_view line);
    Replies WriteOutput(std::string_view line);

    UnitConfig config_;
    std::array<ChannelRegisters, kChannels> channels_{};
    std::size_t malformedFrames_ = 0;
};

// False, with a reason in `error`, when the unit could not be served as configured: the circuit
// count goes out as one digit, so it must lie in 0..9.
bool CheckUnitConfig(const UnitConfig& config, std::string* error);

// Splits a framed line STX ... ETX cs cs CR LF: returns the text between STX and ETX, or false
// when the line does not have that shape or its checksum (the low 8 bits of the sum of the bytes
// after STX up to and including ETX, as two upper-case hexadecimal digits) is wrong.
bool CheckedFrameBody(std::string_view line, std::string_view& body);

}  // namespace krv::sim
