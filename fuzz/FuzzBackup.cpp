// Feeds arbitrary bytes to the calibration backup reader as the file of the serial number its
// first line names (so the reading goes past that line), and checks that what it takes survives
// being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "firmware/CalibrationBackup.h"
#include "fuzz/FuzzSupport.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"

namespace {

using krv::fuzz::Require;

// The first field of the first line, without the white space around it.
std::string FirstField(std::string_view bytes)
{
    std::string_view line = bytes.substr(0, bytes.find_first_of(",\r\n"));
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return std::string(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    krv::AppValues app;
    krv::GeneratorState state(app);
    krv::ClearCalibrationTables(state);
    const std::string serial = FirstField(bytes);
    const int result = krv::LoadCalibrationBackupBytes(state, bytes, serial, 2);
    Require(result >= krv::kBackupRead && result <= krv::kBackupDuplicate, "a known result");
    // Only channels 1 and 2 can be named.
    for (int ch = 2; ch < 4; ++ch) {
        for (const auto& e : state.channels[ch].userCalibration) {
            Require(e == krv::UserCalibrationEntry{0, 0, 0x8000}, "channels 3 and 4 untouched");
        }
    }
    krv::CheckCalibrationModes(state, 2);
    if (result != krv::kBackupRead || !krv::IsSafeBackupSerial(serial)) return 0;

    // What was read, written as a backup and read again, is the same.
    state.circuitCount = 2;
    const std::string text = krv::CalibrationBackupText(state, serial);
    krv::GeneratorState again(app);
    krv::ClearCalibrationTables(again);
    Require(krv::LoadCalibrationBackupBytes(again, text, serial, 2) == krv::kBackupRead,
            "a written backup reads");
    for (int ch = 0; ch < 2; ++ch) {
        for (const krv::OutputRange code : krv::kBackupRangeList) {
            const auto& a = state.channels[ch];
            const auto& b = again.channels[ch];
            Require(a.makerCalibration[code] == b.makerCalibration[code], "maker entry kept");
            Require(a.userCalibration[code].zero == b.userCalibration[code].zero, "user zero kept");
            Require(a.userCalibration[code].gain == b.userCalibration[code].gain, "user gain kept");
            Require((a.userCalibration[code].mode & 3) == b.userCalibration[code].mode,
                    "mode bits kept");
        }
    }
    return 0;
}
