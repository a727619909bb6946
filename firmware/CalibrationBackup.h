#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "document/GeneratorState.h"
#include "platform/UserInterface.h"
#include "protocol/Ranges.h"

namespace krv {

// The calibration around a firmware update: read from the unit, checked, kept in a backup file
// named after the unit's USB serial number, and read back from that file.

// The range codes the backup file holds per channel, in file order.
inline constexpr std::array<OutputRange, 10> kBackupRangeList = {0, 10, 1, 2, 3, 5, 6, 7, 11, 12};

// Every calibration entry of the four channels back to its start value (maker zero 0, gain
// 0x8000; user mode 0, zero 0, gain 0x8000).
void ClearCalibrationTables(GeneratorState& state);

// Reads the maker and user entries of range codes 0 to 15 of the first `count` channels from the
// unit over the USB bridge of `link` into `state`, letting `ui` process pending events before
// each channel. Returns 0 when every read succeeded, else 3; after a failed read a channel's
// remaining codes are skipped, and each following channel has only its code 0 read.
int ReceiveUnitCalibration(DeviceLink& link, GeneratorState& state, int count, UserInterface& ui);

// 0 when the mode word of every user entry (16 a channel) of the first `count` channels is 0, 1
// or 2, else 2.
int CheckCalibrationModes(const GeneratorState& state, int count);

// The folder the backup files go to: the application folder (documents/Holvik/Bremix2).
std::filesystem::path CalibrationBackupFolder();
// serial + "_R.txt" in `folder`.
std::filesystem::path CalibrationBackupPath(const std::filesystem::path& folder,
                                            std::string_view serial);

// Whether a serial number can name a file in the backup folder: not empty, printable ASCII
// without path separators or characters other systems refuse in names, and no "..". The serial
// number comes from the USB device, so it is outside input.
bool IsSafeBackupSerial(std::string_view serial);

// The backup file's text: the serial number, then one line per channel below the circuit count
// and range code of kBackupRangeList (lines end in CR LF, every field in a comma).
std::string CalibrationBackupText(const GeneratorState& state, std::string_view serial);

// Writes the backup file (creating the folder if needed) so that it is either the old file or
// the complete new one, never a part. False when it cannot be written; `error` says why.
bool SaveCalibrationBackup(const GeneratorState& state, const std::filesystem::path& folder,
                           std::string_view serial, std::string* error = nullptr);

// Results of LoadCalibrationBackup.
inline constexpr int kBackupRead = 0;
inline constexpr int kBackupCannotOpen = 1;
inline constexpr int kBackupOtherSerial = 2;
inline constexpr int kBackupBadChannel = 3;
inline constexpr int kBackupBadRange = 4;
inline constexpr int kBackupFormatError = 5;

// Reads the backup file of `serial` from `folder` into the calibration tables; entries it does
// not mention keep their values. Returns one of the results above.
int LoadCalibrationBackup(GeneratorState& state, const std::filesystem::path& folder,
                          std::string_view serial);
// The same from the file's bytes (tests and fuzzing).
int LoadCalibrationBackupBytes(GeneratorState& state, std::string_view bytes,
                               std::string_view serial);

// A number as the backup file and the serial number's circuit digit are read: an optional sign,
// then hexadecimal after "0x", octal after a leading 0, else decimal. True when the whole text is
// that number (leading white space allowed); an empty text reads as 0. Values beyond the long
// range are clamped, as the C library does.
bool ReadWholeInteger(std::string_view text, long& value);

}  // namespace krv
