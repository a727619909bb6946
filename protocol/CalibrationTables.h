#pragma once

// The calibration tables of a channel as the model keeps them and the calibration commands fill
// them: no command here, so the model can hold them without the link.

#include <array>
#include <cstdint>

#include "protocol/Ranges.h"

namespace krv {

// Adjustment values of one range as the maker wrote them.
struct MakerCalibrationEntry {
    std::uint16_t zero = 0x0000;
    std::uint16_t gain = 0x8000;

    bool operator==(const MakerCalibrationEntry&) const = default;
};

// Adjustment values of one range as the user wrote them. `mode` tells the unit which of the two
// sets the range uses (bits 0-1: 0 none, 1 maker, 2 user); it belongs to the range as a whole but
// is kept here.
struct UserCalibrationEntry {
    std::uint16_t mode = 0x0000;
    std::uint16_t zero = 0x0000;
    std::uint16_t gain = 0x8000;

    bool operator==(const UserCalibrationEntry&) const = default;
};

using MakerCalibrationTable = std::array<MakerCalibrationEntry, kRangeTableSize>;
using UserCalibrationTable = std::array<UserCalibrationEntry, kRangeTableSize>;

// Table selectors as the commands take them.
inline constexpr int kMakerTable = 1;
inline constexpr int kUserTable = 2;

inline constexpr int kCalibrationChannels = 4;

// Where the calibration values of the four channels are kept. A reply names the channel it
// belongs to, so a read may store into any of them; a channel without tables stores nothing.
struct ChannelCalibrationTables {
    MakerCalibrationTable* maker = nullptr;
    UserCalibrationTable* user = nullptr;
};
using CalibrationTables = std::array<ChannelCalibrationTables, kCalibrationChannels>;

}  // namespace krv
