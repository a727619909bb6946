// The output frame, the status request and reply, and the conversions between set-points and
// output codes.
#include <algorithm>
#include <cmath>

#include "model/GeneratorState.h"
#include "platform/Translate.h"

namespace krv {

namespace {

constexpr double kFullScaleCode = 65535.0;

// "Add 0.5 and drop the fraction", kept inside the 16-bit code range (NaN gives 0).
std::uint16_t RoundToCode(double code)
{
    const double rounded = code + 0.5;
    if (!(rounded > 0.0)) return 0;
    if (rounded >= kFullScaleCode) return 0xFFFF;
    return static_cast<std::uint16_t>(rounded);
}

}  // namespace

OutputFrameFields GeneratorState::OutputFrameFieldsOf(int ch) const
{
    if (!IsChannel(ch)) return {};
    const ChannelSettings& c = channels[ch];
    OutputFrameFields fields;
    fields.channel = ch;
    // The range field is two digits wide; a damaged settings file must not stretch the frame.
    fields.range = static_cast<unsigned>(c.range) & 0xFF;
    fields.outputCode = c.outputCode;
    fields.mainControl = c.mainControl;
    fields.mainAux = c.mainAux;
    fields.spareWord = c.spareWord;
    fields.extControl = c.extControl;
    fields.extAux = c.extAux;
    // The run state matters to the unit only while it runs the channel itself.
    if (unitAutoOutput[ch].standaloneMode != kStandaloneOff) {
        fields.runState = static_cast<unsigned>(autoOutput[ch].runState) & 0xFF;
    }
    return fields;
}

std::string GeneratorState::BuildOutputFrame(int ch) const
{
    if (!IsChannel(ch)) return {};
    return krv::BuildOutputFrame(OutputFrameFieldsOf(ch));
}

void GeneratorState::SendOutputFrame(int ch)
{
    if (!IsChannel(ch) || !Connected()) return;
    sink_->Send(BuildOutputFrame(ch));
    NotifyObservers(ch, OutputEvent::Sent);
}

void GeneratorState::SendAllCircuits()
{
    if (!Connected()) return;
    for (int ch = 0; ch < AddressedCircuits(); ++ch) SendOutputFrame(ch);
}

int GeneratorState::PolledCircuits() const
{
    return std::clamp(circuitCount, 1, kChannelCount);
}

bool GeneratorState::ParseStatusReply(std::string_view reply)
{
    const std::optional<StatusReport> report = DecodeStatusReply(reply);
    if (!report) return false;
    ApplyStatusReport(*report);
    return true;
}

void GeneratorState::ApplyStatusReport(const StatusReport& report)
{
    const int ch = report.channel;
    if (!IsChannel(ch)) return;

    // While the unit runs the channel on its own the host mirrors its output; otherwise the host's
    // own output settings stand and only the status is taken.
    const bool unitDrives = unitAutoOutput[ch].standaloneMode != kStandaloneOff;
    ChannelSettings& c = channels[ch];
    if (unitDrives && OutputOn(ch)) c.outputCode = report.outputCode;
    if (unitDrives) {
        c.mainControl = static_cast<std::uint16_t>((c.mainControl & ~kMainOutputOnBit) |
                                                   (report.mainControl & kMainOutputOnBit));
    }
    c.mainStatus = report.mainStatus;
    if (unitDrives) {
        c.extControl = static_cast<std::uint16_t>((c.extControl & ~kExtOutputOnBit) |
                                                  (report.extControl & kExtOutputOnBit));
    }
    c.extStatus = report.extStatus;
    if (report.range < static_cast<unsigned>(kRangeTableSize)) {
        c.userCalibration[report.range].mode = report.calibrationMode;
    }
    if (unitDrives) {
        autoOutput[ch].runState = report.runState;
        CodeToValue(ch);
    }
    NotifyObservers(ch, OutputEvent::Status);
}

void GeneratorState::ValueToCode(int ch)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    double code = 0.0;
    if (c.scalingOn) {
        if (c.scaledMin != c.scaledMax) {
            code = (c.outputValue - c.scaledMin) * kFullScaleCode / (c.scaledMax - c.scaledMin);
        }
    } else {
        const std::optional<double> scale = RangeCodeScale(c.range);
        if (!scale) return;
        code = (c.outputValue - GetRangeLimits(c.range).lower) * *scale;
    }
    c.outputCode = RoundToCode(code);
}

void GeneratorState::CodeToValue(int ch)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    const double code = c.outputCode;
    if (c.scalingOn) {
        double value = c.scaledMin;
        if (c.scaledMin != c.scaledMax) {
            value = c.scaledMin + code * (c.scaledMax - c.scaledMin) / kFullScaleCode;
        }
        // Converted values are whole numbers here; the display cuts them to their decimals.
        c.outputValue = std::floor(value + 0.5);
        return;
    }
    if (const std::optional<double> value = RangeValueOfCode(c.range, c.outputCode)) {
        c.outputValue = *value;
    }
}

void GeneratorState::RangeToModeBits(int ch)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    const std::optional<std::uint16_t> bits = RangeHardwareBits(c.range);
    if (!bits) return;
    c.mainControl = static_cast<std::uint16_t>((c.mainControl & ~0x0007u) | (*bits & 0x0007u));
}

void GeneratorState::SetScalingMode(int ch, bool on)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    if (c.scalingOn == on) return;
    ValueToCode(ch);  // the code holds the present output in the old units
    c.scalingOn = on;
    CodeToValue(ch);
    if (Connected()) SendOutputFrame(ch);
}

void GeneratorState::ApplyRangeDefaults(int ch)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    if (c.scalingOn) {
        c.outputValue = c.scaledMin;
    } else if (const std::optional<double> rest = RangeValueAtReset(c.range)) {
        c.outputValue = *rest;
    }
    ValueToCode(ch);
    SendAllCircuits();
}

void GeneratorState::ResendAllOutputs()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        RangeToModeBits(ch);
        ValueToCode(ch);
    }
    SendAllCircuits();
}

std::optional<AlarmBit> GeneratorState::LowestAlarm(int ch) const
{
    if (!IsChannel(ch)) return std::nullopt;
    const ChannelSettings& c = channels[ch];
    const bool external = IsExternalSupplyRange(c.range);
    const unsigned word = external ? c.extStatus : c.mainStatus;
    const int count = external ? kExternalAlarmBits : kMainAlarmBits;
    for (int bit = 0; bit < count; ++bit) {
        if (word & (1u << bit)) return AlarmBit{external, bit};
    }
    return std::nullopt;
}

std::string GeneratorState::StatusText(int ch) const
{
    // The panel shows the Japanese names translated; the other names are the unit's own.
    static constexpr const char* kMainTexts[kMainAlarmBits] = {
        KRV_TRANSLATE_NOOP("ChannelDisplay", "出力部高温"), "Slewing",
        KRV_TRANSLATE_NOOP("ChannelDisplay", "出力不足"), "WDOG", "CRC1"};
    static constexpr const char* kExtTexts[kExternalAlarmBits] = {
        KRV_TRANSLATE_NOOP("ChannelDisplay", "出力不足"),
        KRV_TRANSLATE_NOOP("ChannelDisplay", "出力異常"), "SPI2", "CRC2"};
    const std::optional<AlarmBit> alarm = LowestAlarm(ch);
    if (!alarm) return {};
    return alarm->external ? kExtTexts[alarm->bit] : kMainTexts[alarm->bit];
}

bool GeneratorState::OutputOn(int ch) const
{
    if (!IsChannel(ch)) return false;
    const ChannelSettings& c = channels[ch];
    if (IsExternalSupplyRange(c.range)) return (c.extControl & kExtOutputOnBit) != 0;
    return (c.mainControl & kMainOutputOnBit) != 0;
}

void GeneratorState::SetOutputOn(int ch, bool on)
{
    if (!IsChannel(ch)) return;
    ChannelSettings& c = channels[ch];
    c.mainControl = static_cast<std::uint16_t>(c.mainControl & ~kMainOutputOnBit);
    c.extControl = static_cast<std::uint16_t>(c.extControl & ~kExtOutputOnBit);
    if (!on) return;
    if (IsExternalSupplyRange(c.range)) {
        c.extControl = static_cast<std::uint16_t>(c.extControl | kExtOutputOnBit);
    } else {
        c.mainControl = static_cast<std::uint16_t>(c.mainControl | kMainOutputOnBit);
    }
}

}  // namespace krv
