#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/LinkKind.h"
#include "protocol/CalibrationTables.h"
#include "protocol/Ranges.h"

namespace krv {

class DeviceLink;

// Trial outputs of SetCalibrationTrial.
inline constexpr int kTrialNormal = 0;
inline constexpr int kTrialMinimum = 1;
inline constexpr int kTrialMaximum = 2;

// Length of a calibration reply, CR LF included.
inline constexpr std::size_t kCalibrationReplyLength = 24;

// One calibration reply as the unit sent it.
struct CalibrationReply {
    bool maker = false;  // table letter M; anything else is the user table
    int channel = 0;     // index 0 to 3
    unsigned range = 0;  // above 15: nothing to store
    std::uint16_t mode = 0;
    std::uint16_t zero = 0;
    std::uint16_t gain = 0;
};

// Frames. Channels are indices 0 to 3 (1 to 4 on the wire). A table selector other than 1 or 2
// leaves the table letter out, and in the write frame also channel and values.
std::string InitUserCalibrationFrame();
std::string ReadCalibrationFrame(int ch, int table, OutputRange range);
std::string CalibrationTrialFrame(int trial, int ch, OutputRange range, std::uint16_t zero,
                                  std::uint16_t gain);
std::string WriteCalibrationFrame(int ch, OutputRange range, int table,
                                  const MakerCalibrationEntry& maker,
                                  const UserCalibrationEntry& user);
std::string SaveCalibrationFrame(int table);

// Decodes a calibration reply (the whole line, CR LF included). Nothing when the ETX is missing,
// the length is not 24, the checksum differs or the channel digit is not 1 to 4.
std::optional<CalibrationReply> DecodeCalibrationReply(std::string_view reply);

// Stores a decoded reply: the mode into the user entry of the range, zero and gain into the entry
// of the table the reply names. A range above 15 stores nothing.
void StoreCalibrationReply(const CalibrationReply& reply, const CalibrationTables& tables);

// The unit's commands. Each returns whether the unit answered as it should; the values of a read
// go into `tables`. A read takes only the reply of the same table letter, channel and range
// (others, such as a late answer to an earlier read, are passed over), so true means the entry
// asked for was stored.
bool InitUserCalibration(DeviceLink& link);
bool ReadCalibration(DeviceLink& link, LinkKind kind, int ch, int table, OutputRange range,
                     const CalibrationTables& tables);
bool SetCalibrationTrial(DeviceLink& link, int trial, int ch, OutputRange range, std::uint16_t zero,
                         std::uint16_t gain);
// Sends the entry of `range` from `tables`: for the maker table the user entry's mode with the
// maker's zero and gain, for the user table the user entry.
bool WriteCalibration(DeviceLink& link, LinkKind kind, int ch, OutputRange range, int table,
                      const CalibrationTables& tables);
bool SaveCalibration(DeviceLink& link, LinkKind kind, int table);

// The pause before every calibration read goes out.
inline constexpr std::chrono::milliseconds kCalibrationReadPause{11};

}  // namespace krv
