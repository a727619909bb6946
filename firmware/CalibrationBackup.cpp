#include "firmware/CalibrationBackup.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/CalibrationValues.h"
#include "platform/AtomicFile.h"
#include "platform/CCsvFile.h"
#include "platform/DocumentsFolder.h"
#include "protocol/Calibration.h"

namespace krv {

namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// The channels a circuit count addresses, kept to the four channel tables.
int ChannelsOf(int count)
{
    return std::clamp(count, 0, kCalibrationChannels);
}

// A stored word must come from a number that fits 16 bits, signed as the file writes it or
// unsigned; anything wider would be cut to a different value.
bool FitsWord(long value)
{
    return value >= -32768 && value <= 65535;
}

// Reads one number field of a backup line; false when the field is missing or no decimal.
bool DecimalField(const CCsvFile& file, int index, long& value)
{
    std::string field;
    return file.GetField(index, field) && ReadDecimal(field, value);
}

int LoadFrom(CCsvFile& file, GeneratorState& state, std::string_view serial, int channels)
{
    std::string field;
    if (!file.ReadRecord() || !file.GetField(0, field)) return kBackupFormatError;
    if (Trimmed(field) != serial) return kBackupOtherSerial;

    // Which entries the file has named: a second line for one of them is refused rather than
    // letting either line win, since nobody can tell which of the two is right.
    std::array<std::array<bool, kRangeTableSize>, kCalibrationChannels> seen{};
    for (;;) {
        if (!file.ReadRecord()) {
            // The end of the file or an empty line completes the reading; a line too long for
            // any backup, or a failed read, does not.
            const CCsvFile::Stop stop = file.StopReason();
            if (stop != CCsvFile::Stop::EndOfFile && stop != CCsvFile::Stop::EmptyLine) {
                return kBackupFormatError;
            }
            break;
        }
        if (!file.GetField(0, field)) return kBackupFormatError;
        long channel = 0;
        if (!ReadDecimal(Trimmed(field), channel) || (channel != 1 && channel != 2)) {
            return kBackupBadChannel;
        }
        // Fields 0 to 7 are numbers as they stand, white space and all, but for the range key.
        std::array<long, 8> values{};
        for (int i = 0; i < 8; ++i) {
            if (i == 2) {
                if (!file.GetField(i, field)) return kBackupFormatError;
                continue;  // the range key: any text
            }
            if (!DecimalField(file, i, values[static_cast<std::size_t>(i)])) {
                return kBackupFormatError;
            }
            if (i == 1 && (values[1] < 0 || values[1] >= kRangeTableSize)) return kBackupBadRange;
            if (i >= 3 && !FitsWord(values[static_cast<std::size_t>(i)])) return kBackupFormatError;
        }
        const auto index = static_cast<std::size_t>(channel - 1);
        const auto code = static_cast<std::size_t>(values[1]);
        if (seen[index][code]) return kBackupDuplicate;
        seen[index][code] = true;
        ChannelSettings& target = state.channels[index];
        const auto Word = [](long value) { return static_cast<std::uint16_t>(value); };
        target.makerCalibration[code].zero = Word(values[3]);
        target.makerCalibration[code].gain = Word(values[4] + 0x8000);
        target.userCalibration[code].zero = Word(values[5]);
        target.userCalibration[code].gain = Word(values[6] + 0x8000);
        target.userCalibration[code].mode = Word(values[7]);
    }
    // Entries left out would go into the unit at their start values, and be stored there.
    for (int ch = 0; ch < ChannelsOf(channels); ++ch) {
        for (const OutputRange code : kBackupRangeList) {
            if (!seen[static_cast<std::size_t>(ch)][static_cast<std::size_t>(code)]) {
                return kBackupIncomplete;
            }
        }
    }
    return kBackupRead;
}

// The earlier backup's bytes, if there is one that can be read whole (a backup is about 1 kB;
// anything far larger is no backup of ours, but is kept all the same).
constexpr std::uintmax_t kMaxBackupBytes = 1 << 20;

bool ReadEarlier(const std::filesystem::path& path, std::optional<std::string>& bytes)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxBackupBytes) return true;  // nothing to compare: keep it if it is there
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    bytes = text.str();
    return true;
}

// Puts the backup at `current` beside itself under a kept name. A hard link keeps it whole
// without copying; where the file system has none, a copy is written.
bool KeepEarlier(const std::filesystem::path& current, const std::optional<std::string>& bytes,
                 const std::filesystem::path& folder, std::string_view serial,
                 std::filesystem::path& kept, std::string* error)
{
    const std::time_t now = std::time(nullptr);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::filesystem::path candidate = folder / KeptBackupName(serial, now, attempt);
        if (::link(current.c_str(), candidate.c_str()) == 0) {
            kept = candidate;
            return true;
        }
        if (errno == EEXIST) continue;
        std::error_code ec;
        if (!bytes || std::filesystem::exists(candidate, ec)) break;
        if (!WriteFileAtomically(candidate, *bytes, error)) return false;
        kept = candidate;
        return true;
    }
    if (error != nullptr) *error = "the earlier backup " + current.string() + " cannot be kept";
    return false;
}

}  // namespace

bool ReadDecimal(std::string_view text, long& value)
{
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 9) return false;
    long read = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        read = read * 10 + (c - '0');
    }
    value = negative ? -read : read;
    return true;
}

std::string KeptBackupName(std::string_view serial, std::time_t when, int attempt)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
    std::string name = std::string(serial) + "_R-" + stamp;
    if (attempt > 1) name += "-" + std::to_string(attempt);
    return name + ".txt";
}

bool HoldsOnlyStartValues(const GeneratorState& state, int channels)
{
    for (int ch = 0; ch < ChannelsOf(channels); ++ch) {
        const ChannelSettings& channel = state.channels[static_cast<std::size_t>(ch)];
        for (const OutputRange code : kBackupRangeList) {
            const auto index = static_cast<std::size_t>(code);
            if (channel.makerCalibration[index] != MakerCalibrationEntry{} ||
                channel.userCalibration[index] != UserCalibrationEntry{}) {
                return false;
            }
        }
    }
    return true;
}

bool SameBackedUpCalibration(const GeneratorState& a, const GeneratorState& b, int channels)
{
    for (int ch = 0; ch < ChannelsOf(channels); ++ch) {
        const ChannelSettings& x = a.channels[static_cast<std::size_t>(ch)];
        const ChannelSettings& y = b.channels[static_cast<std::size_t>(ch)];
        for (const OutputRange code : kBackupRangeList) {
            const auto index = static_cast<std::size_t>(code);
            if (x.makerCalibration[index] != y.makerCalibration[index] ||
                x.userCalibration[index] != y.userCalibration[index]) {
                return false;
            }
        }
    }
    return true;
}

bool ReadWholeInteger(std::string_view text, long& value)
{
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(copy.c_str(), &end, 0);
    // The whole text, also past a NUL inside it, must have been the number.
    if (end != copy.c_str() + copy.size()) return false;
    value = read;
    return true;
}

void ClearCalibrationTables(GeneratorState& state)
{
    for (ChannelSettings& channel : state.channels) {
        channel.makerCalibration.fill(MakerCalibrationEntry{0x0000, 0x8000});
        channel.userCalibration.fill(UserCalibrationEntry{0x0000, 0x0000, 0x8000});
    }
}

int ReceiveUnitCalibration(DeviceLink& link, GeneratorState& state, int count, UserInterface& ui)
{
    const CalibrationTables tables = CalibrationTablesOf(state);
    int result = 0;
    for (int ch = 0; ch < ChannelsOf(count); ++ch) {
        ui.ProcessPendingEvents();
        for (OutputRange code = 0; code < kRangeTableSize; ++code) {
            const bool maker = ReadCalibration(link, LinkKind::Ftdi, ch, kMakerTable, code, tables);
            const bool user = ReadCalibration(link, LinkKind::Ftdi, ch, kUserTable, code, tables);
            if (!maker || !user) result = 3;
            if (result != 0) break;
        }
    }
    return result;
}

int CheckCalibrationModes(const GeneratorState& state, int count)
{
    for (int ch = 0; ch < ChannelsOf(count); ++ch) {
        for (const UserCalibrationEntry& entry :
             state.channels[static_cast<std::size_t>(ch)].userCalibration) {
            if (entry.mode > 2) return 2;
        }
    }
    return 0;
}

std::filesystem::path CalibrationBackupFolder()
{
    return LastStateFilePath().parent_path();
}

std::filesystem::path CalibrationBackupPath(const std::filesystem::path& folder,
                                            std::string_view serial)
{
    return folder / (std::string(serial) + "_R.txt");
}

bool IsSafeBackupSerial(std::string_view serial)
{
    if (serial.empty() || serial.find("..") != std::string_view::npos) return false;
    for (const char c : serial) {
        if (c < 0x21 || c > 0x7E) return false;
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    return true;
}

std::string CalibrationBackupText(const GeneratorState& state, std::string_view serial)
{
    std::string text = std::string(serial) + ",\r\n";
    for (int ch = 0; ch < ChannelsOf(state.circuitCount); ++ch) {
        const ChannelSettings& channel = state.channels[static_cast<std::size_t>(ch)];
        for (const OutputRange code : kBackupRangeList) {
            const CalibrationNumbers n = CalibrationNumbersOf(channel, code);
            for (const std::string& field :
                 {std::to_string(ch + 1), std::to_string(code), RangeKey(code),
                  std::to_string(n.makerZero), std::to_string(n.makerGain),
                  std::to_string(n.userZero), std::to_string(n.userGain), std::to_string(n.mode)}) {
                text += field;
                text += ',';
            }
            text += "\r\n";
        }
    }
    return text;
}

bool SaveCalibrationBackup(const GeneratorState& state, const std::filesystem::path& folder,
                           std::string_view serial, std::string* error, std::filesystem::path* kept)
{
    if (kept != nullptr) kept->clear();
    if (!IsSafeBackupSerial(serial)) {
        if (error != nullptr) *error = "the serial number cannot name a file";
        return false;
    }
    if (!EnsureFolder(folder, error)) return false;
    const std::filesystem::path path = CalibrationBackupPath(folder, serial);
    RemoveStaleTemporaries(path);
    const std::string text = CalibrationBackupText(state, serial);

    // The backup there may be the only good copy of the unit's calibration (the unit may have
    // been wiped since): it is kept unless it says the same.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        std::optional<std::string> earlier;
        if (!ReadEarlier(path, earlier)) {
            if (error != nullptr) *error = "cannot read the earlier backup " + path.string();
            return false;
        }
        if (earlier == text) return true;
        std::filesystem::path keptPath;
        if (!KeepEarlier(path, earlier, folder, serial, keptPath, error)) return false;
        if (kept != nullptr) *kept = keptPath;
    }
    return WriteFileAtomically(path, text, error);
}

int LoadCalibrationBackup(GeneratorState& state, const std::filesystem::path& folder,
                          std::string_view serial, int channels)
{
    if (!IsSafeBackupSerial(serial)) return kBackupCannotOpen;
    CCsvFile file;
    if (!file.Open(CalibrationBackupPath(folder, serial).string())) return kBackupCannotOpen;
    return LoadFrom(file, state, serial, channels);
}

int LoadCalibrationBackupBytes(GeneratorState& state, std::string_view bytes,
                               std::string_view serial, int channels)
{
    CCsvFile file;
    file.OpenBytes(bytes);
    return LoadFrom(file, state, serial, channels);
}

}  // namespace krv
