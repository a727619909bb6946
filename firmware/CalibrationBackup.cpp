#include "firmware/CalibrationBackup.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "document/CalibrationValues.h"
#include "input/CCsvFile.h"
#include "platform/AtomicFile.h"
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

int LoadFrom(CCsvFile& file, GeneratorState& state, std::string_view serial)
{
    std::string field;
    if (!file.ReadRecord() || !file.GetField(0, field)) return kBackupFormatError;
    if (Trimmed(field) != serial) return kBackupOtherSerial;

    for (;;) {
        if (!file.ReadRecord()) {
            // The end of the file or an empty line completes the reading; a line too long for
            // any backup, or a failed read, does not.
            const CCsvFile::Stop stop = file.StopReason();
            return stop == CCsvFile::Stop::EndOfFile || stop == CCsvFile::Stop::EmptyLine
                       ? kBackupRead
                       : kBackupFormatError;
        }
        if (!file.GetField(0, field)) return kBackupFormatError;
        long channel = 0;
        if (!ReadWholeInteger(Trimmed(field), channel) || (channel != 1 && channel != 2)) {
            return kBackupBadChannel;
        }
        std::array<long, 8> values{};
        for (int i = 0; i < 8; ++i) {
            if (!file.GetField(i, field)) return kBackupFormatError;
            if (i == 2) continue;  // the range key: any text
            if (!ReadWholeInteger(field, values[static_cast<std::size_t>(i)])) {
                return kBackupFormatError;
            }
            if (i == 1 && (values[1] < 0 || values[1] >= kRangeTableSize)) return kBackupBadRange;
            if (i >= 3 && !FitsWord(values[static_cast<std::size_t>(i)])) return kBackupFormatError;
        }
        ChannelSettings& target = state.channels[static_cast<std::size_t>(channel - 1)];
        const auto code = static_cast<std::size_t>(values[1]);
        const auto Word = [](long value) { return static_cast<std::uint16_t>(value); };
        target.makerCalibration[code].zero = Word(values[3]);
        target.makerCalibration[code].gain = Word(values[4] + 0x8000);
        target.userCalibration[code].zero = Word(values[5]);
        target.userCalibration[code].gain = Word(values[6] + 0x8000);
        target.userCalibration[code].mode = Word(values[7]);
    }
}

}  // namespace

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
                           std::string_view serial, std::string* error)
{
    if (!IsSafeBackupSerial(serial)) {
        if (error != nullptr) *error = "the serial number cannot name a file";
        return false;
    }
    if (!EnsureFolder(folder, error)) return false;
    return WriteFileAtomically(CalibrationBackupPath(folder, serial),
                               CalibrationBackupText(state, serial), error);
}

int LoadCalibrationBackup(GeneratorState& state, const std::filesystem::path& folder,
                          std::string_view serial)
{
    if (!IsSafeBackupSerial(serial)) return kBackupCannotOpen;
    CCsvFile file;
    if (!file.Open(CalibrationBackupPath(folder, serial).string())) return kBackupCannotOpen;
    return LoadFrom(file, state, serial);
}

int LoadCalibrationBackupBytes(GeneratorState& state, std::string_view bytes,
                               std::string_view serial)
{
    CCsvFile file;
    file.OpenBytes(bytes);
    return LoadFrom(file, state, serial);
}

}  // namespace krv
