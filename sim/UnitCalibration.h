#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krv::sim {

// The calibration of one range of one channel: the maker's and the user's zero and gain, and
// the mode word that selects between them (bits 0-1: 0 none, 1 maker, 2 user).
struct CalibrationValues {
    std::uint16_t mode = 0x0001;
    std::uint16_t makerZero = 0x0000;
    std::uint16_t makerGain = 0x8000;
    std::uint16_t userZero = 0x0000;
    std::uint16_t userGain = 0x8000;

    bool operator==(const CalibrationValues&) const = default;
};

// What the unit's calibration reads as once the flash that keeps it has been erased: every word
// 0xFFFF as the erased flash holds it, or the start values its firmware puts in place of an
// erased table (mode 0, zeros 0, gains 0x8000), which pass a check of the modes.
enum class WipedCalibration { Erased, StartValues };

// A trial output the host asked for while it calibrates: the range minimum or maximum driven with
// the given corrections, or normal output again.
struct CalibrationTrial {
    enum Kind { Normal = 0, Minimum = 1, Maximum = 2 };
    Kind kind = Normal;
    std::uint8_t range = 0;
    std::uint16_t zero = 0;
    std::uint16_t gain = 0x8000;
};

// The unit's calibration tables: a working copy the commands change and use, and a stored copy
// that survives a restart. Commands take the text between STX and ETX of a checked frame and
// return the reply line (CR LF included).
class UnitCalibration {
  public:
    static constexpr int kChannels = 4;
    static constexpr int kRanges = 16;

    UnitCalibration(int circuits, std::uint16_t initialMode);

    // CR{M|U} channel range: the working values of the range.
    std::string Read(std::string_view body) const;
    // CM{M|U} channel range mode zero gain: changes the working copy.
    std::string Write(std::string_view body);
    // CW{M|U}: stores the working copy of the table (and the modes) as they stand.
    std::string Save(std::string_view body);
    // CINIU: every user zero and gain back to their defaults, working and stored.
    std::string InitUser();
    // CTU channel range pair zero gain: the trial, or nothing when the frame does not read (the
    // reply tells why either way).
    std::optional<CalibrationTrial> Trial(std::string_view body, int& channel,
                                          std::string& reply) const;

    // A restart drops what was not stored.
    void PowerCycle();
    // Both copies as an erased flash leaves them (see WipedCalibration). The unit keeps its
    // calibration in its program flash, so reprogramming the unit does this.
    void Erase(WipedCalibration as = WipedCalibration::Erased);

    // Out-of-range channel or range indices throw std::out_of_range.
    const CalibrationValues& Working(int channel, int range) const;
    const CalibrationValues& Stored(int channel, int range) const;
    // Sets both copies, as if the maker had stored them.
    void Set(int channel, int range, const CalibrationValues& values);
    void SetMode(int channel, int range, std::uint16_t mode);

  private:
    using Table = std::array<std::array<CalibrationValues, kRanges>, kChannels>;

    // Channel and range of "digit, two hex digits" at `pos`; sets the error reply when they do not
    // read or name no table entry.
    bool ChannelAndRange(std::string_view body, std::size_t pos, int& channel, int& range,
                         std::string& reply) const;

    int circuits_;
    Table working_{};
    Table stored_{};
};

}  // namespace krv::sim
