#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "model/GeneratorState.h"
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
// the complete new one, never a part. A backup already there with other contents is kept beside
// it first, under KeptBackupName (`kept` receives its path; empty when nothing had to be kept),
// and the new one fails when the old one cannot be kept. Temporaries left by a save that was cut
// short are removed. False when it cannot be written; `error` says why.
bool SaveCalibrationBackup(const GeneratorState& state, const std::filesystem::path& folder,
                           std::string_view serial, std::string* error = nullptr,
                           std::filesystem::path* kept = nullptr);

// The name an earlier backup is kept under: serial + "_R-" + the local time as
// YYYYMMDDTHHMMSS, then "-2", "-3", ... when that name is taken, + ".txt".
std::string KeptBackupName(std::string_view serial, std::time_t when, int attempt);

// Results of LoadCalibrationBackup.
inline constexpr int kBackupRead = 0;
inline constexpr int kBackupCannotOpen = 1;
inline constexpr int kBackupOtherSerial = 2;
inline constexpr int kBackupBadChannel = 3;
inline constexpr int kBackupBadRange = 4;
inline constexpr int kBackupFormatError = 5;
// An entry of a channel the unit has is missing, or an entry is there twice.
inline constexpr int kBackupIncomplete = 6;
inline constexpr int kBackupDuplicate = 7;

// Reads the backup file of `serial` from `folder` into the calibration tables. It must hold
// every range code of kBackupRangeList for each of the first `channels` channels, once each,
// with every number a plain decimal (an optional minus sign and digits). The values go into
// the tables even when the reading fails; callers clear them first. Returns one of the results
// above.
int LoadCalibrationBackup(GeneratorState& state, const std::filesystem::path& folder,
                          std::string_view serial, int channels);
// The same from the file's bytes (tests and fuzzing).
int LoadCalibrationBackupBytes(GeneratorState& state, std::string_view bytes,
                               std::string_view serial, int channels);

// Whether every entry of the backed-up range codes of the first `channels` channels holds its
// start value (ClearCalibrationTables): what a unit whose calibration was wiped may report.
bool HoldsOnlyStartValues(const GeneratorState& state, int channels);

// Whether two calibration stores agree in every entry the backup file holds for the first
// `channels` channels (maker zero and gain, user mode, zero and gain).
bool SameBackedUpCalibration(const GeneratorState& a, const GeneratorState& b, int channels);

// A number as the serial number's circuit digit is read: an optional sign, then hexadecimal
// after "0x", octal after a leading 0, else decimal. True when the whole text is that number
// (leading white space allowed); an empty text reads as 0. Values beyond the long range are
// clamped, as the C library does.
bool ReadWholeInteger(std::string_view text, long& value);

// A number of the backup file: an optional minus sign and one to nine decimal digits, nothing
// else (no white space, no sign "+", no "0x"; a leading 0 is still decimal).
bool ReadDecimal(std::string_view text, long& value);

}  // namespace krv
