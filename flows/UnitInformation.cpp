#include "flows/UnitInformation.h"

#include <cstdio>

#include "model/CalibrationValues.h"
#include "platform/TextEncoding.h"
#include "platform/Translate.h"
#include "protocol/Calibration.h"

namespace krv {

namespace {

std::string VersionLine(const std::string& firmware)
{
    // "020000" reads as 2.000: the major digit, then the three minor ones.
    std::string line = "Version\t";
    if (firmware.size() > 1) line += firmware[1];
    line += '.';
    if (firmware.size() > 3) line += firmware.substr(3, 3);
    return line + "\r\n";
}

std::string ModeText(int mode)
{
    switch (mode & 0x3) {
        case kCalibrationOff:
            return Tr("UnitInformation", "無効");
        case kCalibrationMaker:
            return Tr("UnitInformation", "メーカー");
        case kCalibrationUser:
            return Tr("UnitInformation", "ユーザー");
        default:
            return Tr("UnitInformation", "不明");  // the unit never reports it
    }
}

std::string RangeLine(const ChannelSettings& channel, OutputRange range)
{
    const std::string name = RangeDisplayName(range);
    std::string line = "  " + name + "\t";
    // Short names need a second tab to reach the numbers' column.
    if (Cp932Length(name) < 8) line += "\t";
    const CalibrationNumbers n = CalibrationNumbersOf(channel, range);
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%d\t%d\t%d\t%d\t", n.makerZero, n.makerGain, n.userZero,
                  n.userGain);
    return line + numbers + ModeText(n.mode) + "\r\n";
}

}  // namespace

bool ReadUnitCalibration(DeviceLink& link, GeneratorState& state, int circuits, UserInterface* ui)
{
    return ReadUnitCalibration(link, CalibrationTablesOf(state), circuits, ui);
}

bool ReadUnitCalibration(DeviceLink& link, const CalibrationTables& tables, int circuits,
                         UserInterface* ui)
{
    for (int ch = 0; ch < circuits && ch < kChannelCount; ++ch) {
        for (const OutputRange range : NamedCalibrationRanges()) {
            if (ui != nullptr && !ui->ProcessPendingEvents()) return false;
            if (!ReadCalibration(link, LinkKind::Com, ch, kMakerTable, range, tables) ||
                !ReadCalibration(link, LinkKind::Com, ch, kUserTable, range, tables)) {
                return false;
            }
        }
    }
    return true;
}

std::string FormatUnitInformation(const GeneratorState& state, int circuits)
{
    std::string text = VersionLine(state.firmwareVersion);
    text += WithArg(Tr("UnitInformation", "回路数\t%1"), std::to_string(circuits)) + "\r\n\r\n";
    text += Tr("UnitInformation", "アナログ出力調整値") + "\r\n";
    // The columns' headings, placed over the numbers by ideographic spaces (a wide space is two
    // columns of a terminal, and the dialog sets its tab stops by that space's width): a
    // translation keeps them.
    text += Tr("UnitInformation",
               "　　　　　　　　　　　　　　メーカー"
               "　　　　　　　ユーザー") +
            "\r\n";
    text += Tr("UnitInformation",
               "　　　　　　　　　　　ZERO　　　GAIN　　　ZERO"
               "　　GAIN　　　　MODE") +
            "\r\n";
    for (int ch = 0; ch < circuits && ch < kChannelCount; ++ch) {
        text += WithArg(Tr("UnitInformation", "チャネル %1"), std::to_string(ch + 1)) + "\r\n";
        for (const OutputRange range : NamedCalibrationRanges()) {
            text += RangeLine(state.channels[static_cast<std::size_t>(ch)], range);
        }
    }
    return text;
}

std::optional<std::string> BuildUnitInformation(DeviceLink& link, GeneratorState& state,
                                                int circuits, UserInterface& ui)
{
    const bool read = ReadUnitCalibration(link, state, circuits, &ui);
    ui.ProcessPendingEvents();
    if (!read) {
        ui.ShowMessage(TrMarked("UnitInformation", kCommunicationError), kCaptionNotice,
                       MessageIcon::Warning, MessageButtons::Ok);
        return std::nullopt;
    }
    return FormatUnitInformation(state, circuits);
}

}  // namespace krv
