#include "model/CalibrationValues.h"

namespace krv {

CalibrationTables CalibrationTablesOf(GeneratorState& state)
{
    CalibrationTables tables;
    for (std::size_t ch = 0; ch < tables.size(); ++ch) {
        tables[ch] = {&state.channels[ch].makerCalibration, &state.channels[ch].userCalibration};
    }
    return tables;
}

std::vector<OutputRange> NamedCalibrationRanges()
{
    std::vector<OutputRange> ranges;
    for (OutputRange code = 0; code < kRangeTableSize; ++code) {
        const std::string name = RangeDisplayName(code);
        if (!name.empty() && code != kScaledRange) ranges.push_back(code);
    }
    return ranges;
}

CalibrationNumbers CalibrationNumbersOf(const ChannelSettings& channel, OutputRange range)
{
    if (range < 0 || range >= kRangeTableSize) return {};
    const auto index = static_cast<std::size_t>(range);
    const MakerCalibrationEntry& maker = channel.makerCalibration[index];
    const UserCalibrationEntry& user = channel.userCalibration[index];
    return {static_cast<std::int16_t>(maker.zero), GainCorrection(maker.gain),
            static_cast<std::int16_t>(user.zero), GainCorrection(user.gain), user.mode & 0x3};
}

std::uint16_t GainWord(int correction)
{
    return static_cast<std::uint16_t>(correction + 0x8000);
}

int GainCorrection(std::uint16_t word)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(word - 0x8000));
}

int ZeroCorrectionLower(OutputRange range)
{
    switch (range) {
        case kRange0_5V:
        case kRange0_10V:
        case kRangeM5_5V:
        case kRangeM10_10V:
        case kRange0_20mA:
        case kRange0_24mA:
        case kRangeE4_20mA:
        case kRangeE0_24mA:
            return 0;
        default:
            return -200;
    }
}

}  // namespace krv
