#include "flows/CalibrationSession.h"

#include <algorithm>

#include "model/ValueDisplay.h"

namespace krv {

namespace {

bool IsTableRange(OutputRange range)
{
    return range >= 0 && range < kRangeTableSize;
}

int Channels(int count)
{
    return std::clamp(count, 0, kChannelCount);
}

// The user entry of the range a channel's values were noted for; null for a range outside the
// tables (only a damaged settings file holds one).
UserCalibrationEntry* UserEntry(GeneratorState& state, int ch, OutputRange range)
{
    if (!IsTableRange(range)) return nullptr;
    return &state.channels[static_cast<std::size_t>(ch)]
                .userCalibration[static_cast<std::size_t>(range)];
}

std::uint16_t WithSelector(std::uint16_t mode, int selector)
{
    return static_cast<std::uint16_t>((mode & ~0x3u) | (static_cast<unsigned>(selector) & 0x3u));
}

}  // namespace

CalibrationTableCopy CalibrationTableCopy::Of(const GeneratorState& state)
{
    CalibrationTableCopy copy;
    for (std::size_t ch = 0; ch < state.channels.size(); ++ch) {
        copy.maker[ch] = state.channels[ch].makerCalibration;
        copy.user[ch] = state.channels[ch].userCalibration;
    }
    return copy;
}

void CalibrationTableCopy::ApplyTo(GeneratorState& state) const
{
    for (std::size_t ch = 0; ch < state.channels.size(); ++ch) {
        state.channels[ch].makerCalibration = maker[ch];
        state.channels[ch].userCalibration = user[ch];
    }
}

CalibrationTables CalibrationTableCopy::Tables()
{
    CalibrationTables tables;
    for (std::size_t ch = 0; ch < tables.size(); ++ch) tables[ch] = {&maker[ch], &user[ch]};
    return tables;
}

std::array<OutputRange, kChannelCount> CurrentRanges(const GeneratorState& state)
{
    std::array<OutputRange, kChannelCount> ranges{};
    for (std::size_t ch = 0; ch < ranges.size(); ++ch) ranges[ch] = state.channels[ch].range;
    return ranges;
}

bool ReadCurrentCalibration(DeviceLink& link, CalibrationTableCopy& tables,
                            const std::array<OutputRange, kChannelCount>& ranges, int count)
{
    const CalibrationTables where = tables.Tables();
    for (int ch = 0; ch < Channels(count); ++ch) {
        const OutputRange range = ranges[static_cast<std::size_t>(ch)];
        // A range outside the tables has no entry to read; asking the unit for it would send
        // a malformed frame.
        if (!IsTableRange(range)) return false;
        if (!ReadCalibration(link, LinkKind::Com, ch, kUserTable, range, where)) return false;
    }
    return true;
}

CalibrationValuesSet NoteCalibration(const GeneratorState& state, int count)
{
    CalibrationValuesSet values{};
    for (int ch = 0; ch < Channels(count); ++ch) {
        const ChannelSettings& channel = state.channels[static_cast<std::size_t>(ch)];
        CalibrationChannelValues& v = values[static_cast<std::size_t>(ch)];
        v.range = channel.range;
        if (IsTableRange(channel.range)) {
            const CalibrationNumbers numbers = CalibrationNumbersOf(channel, channel.range);
            v.mode = numbers.mode;
            v.zero = numbers.userZero;
            v.gain = numbers.userGain;
        }
        v.lowerText = LowerLimitText(state, ch);
        v.upperText = UpperLimitText(state, ch);
    }
    return values;
}

void TakeCalibrationResult(GeneratorState& state, const CalibrationValuesSet& values, int count)
{
    for (int ch = 0; ch < Channels(count); ++ch) {
        const CalibrationChannelValues& v = values[static_cast<std::size_t>(ch)];
        UserCalibrationEntry* entry = UserEntry(state, ch, v.range);
        if (!entry) continue;
        entry->mode = WithSelector(entry->mode, v.mode);
        entry->zero = static_cast<std::uint16_t>(v.zero);
        entry->gain = GainWord(v.gain);
    }
}

void RestoreCalibrationModes(GeneratorState& state, const CalibrationValuesSet& noted, int count)
{
    for (int ch = 0; ch < Channels(count); ++ch) {
        const CalibrationChannelValues& v = noted[static_cast<std::size_t>(ch)];
        if (UserCalibrationEntry* entry = UserEntry(state, ch, v.range)) {
            entry->mode = WithSelector(entry->mode, v.mode);
        }
    }
}

void WriteCalibrationEntries(DeviceLink& link, CalibrationTableCopy& tables,
                             const CalibrationValuesSet& values, int count, bool save)
{
    const CalibrationTables where = tables.Tables();
    for (int ch = 0; ch < Channels(count); ++ch) {
        const OutputRange range = values[static_cast<std::size_t>(ch)].range;
        if (!IsTableRange(range)) continue;
        WriteCalibration(link, LinkKind::Com, ch, range, kUserTable, where);
    }
    if (save) SaveCalibration(link, LinkKind::Com, kUserTable);
}

bool SendCalibrationTrial(DeviceLink& link, int trial, int ch,
                          const CalibrationChannelValues& values)
{
    return SetCalibrationTrial(link, trial, ch, values.range,
                               static_cast<std::uint16_t>(values.zero), GainWord(values.gain));
}

}  // namespace krv
