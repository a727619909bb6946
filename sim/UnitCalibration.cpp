#include "sim/UnitCalibration.h"

#include <algorithm>
#include <stdexcept>

#include "protocol/CommandFrame.h"
#include "sim/UnitReplies.h"

namespace krv::sim {

UnitCalibration::UnitCalibration(int circuits, std::uint16_t initialMode) : circuits_(circuits)
{
    for (auto& channel : working_) {
        for (CalibrationValues& values : channel) values.mode = initialMode;
    }
    stored_ = working_;
}

bool UnitCalibration::ChannelAndRange(std::string_view body, std::size_t pos, int& channel,
                                      int& range, std::string& reply) const
{
    unsigned digit = 0;
    unsigned code = 0;
    if (!ReadUpperHex(body, pos, 1, digit) || !ReadUpperHex(body, pos + 1, 2, code)) {
        reply = NgReply(kNgFormat);
        return false;
    }
    if (digit < 1 || digit > static_cast<unsigned>(std::min(circuits_, kChannels))) {
        reply = NgReply(kNgChannel);
        return false;
    }
    if (code >= static_cast<unsigned>(kRanges)) {
        reply = NgReply(kNgRange);
        return false;
    }
    channel = static_cast<int>(digit) - 1;
    range = static_cast<int>(code);
    return true;
}

std::string UnitCalibration::Read(std::string_view body) const
{
    // "CR", the table letter, channel, range.
    std::string reply;
    int channel = 0;
    int range = 0;
    if (body.size() != 6 || (body[2] != 'M' && body[2] != 'U')) return NgReply(kNgFormat);
    if (!ChannelAndRange(body, 3, channel, range, reply)) return reply;
    const CalibrationValues& v = Working(channel, range);
    const bool maker = body[2] == 'M';
    return CommandFrame::Framed(body.substr(0, 6))
        .Hex4(v.mode)
        .Hex4(maker ? v.makerZero : v.userZero)
        .Hex4(maker ? v.makerGain : v.userGain)
        .WithEtxAndChecksum();
}

std::string UnitCalibration::Write(std::string_view body)
{
    // "CM", the table letter, channel, range, mode, zero, gain.
    std::string reply;
    int channel = 0;
    int range = 0;
    if (body.size() != 18 || (body[2] != 'M' && body[2] != 'U')) return NgReply(kNgFormat);
    if (!ChannelAndRange(body, 3, channel, range, reply)) return reply;
    unsigned words[3];
    for (std::size_t i = 0; i < 3; ++i) {
        if (!ReadUpperHex(body, 6 + 4 * i, 4, words[i])) return NgReply(kNgFormat);
    }
    CalibrationValues& v =
        working_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)];
    v.mode = static_cast<std::uint16_t>(words[0]);
    if (body[2] == 'M') {
        v.makerZero = static_cast<std::uint16_t>(words[1]);
        v.makerGain = static_cast<std::uint16_t>(words[2]);
    } else {
        v.userZero = static_cast<std::uint16_t>(words[1]);
        v.userGain = static_cast<std::uint16_t>(words[2]);
    }
    return OkReply();
}

std::string UnitCalibration::Save(std::string_view body)
{
    if (body != "CWM" && body != "CWU") return NgReply(kNgFormat);
    const bool maker = body[2] == 'M';
    for (std::size_t ch = 0; ch < working_.size(); ++ch) {
        for (std::size_t r = 0; r < working_[ch].size(); ++r) {
            const CalibrationValues& from = working_[ch][r];
            CalibrationValues& to = stored_[ch][r];
            to.mode = from.mode;
            if (maker) {
                to.makerZero = from.makerZero;
                to.makerGain = from.makerGain;
            } else {
                to.userZero = from.userZero;
                to.userGain = from.userGain;
            }
        }
    }
    return OkReply();
}

std::string UnitCalibration::InitUser()
{
    for (Table* table : {&working_, &stored_}) {
        for (auto& channel : *table) {
            for (CalibrationValues& v : channel) {
                v.userZero = 0x0000;
                v.userGain = 0x8000;
            }
        }
    }
    return OkReply();
}

std::optional<CalibrationTrial> UnitCalibration::Trial(std::string_view body, int& channel,
                                                       std::string& reply) const
{
    // "CTU", channel, range, the trial pair, zero, gain.
    int range = 0;
    if (body.size() != 22) {
        reply = NgReply(kNgFormat);
        return std::nullopt;
    }
    if (!ChannelAndRange(body, 3, channel, range, reply)) return std::nullopt;
    unsigned words[4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (!ReadUpperHex(body, 6 + 4 * i, 4, words[i])) {
            reply = NgReply(kNgFormat);
            return std::nullopt;
        }
    }
    CalibrationTrial trial;
    if (words[0] == 0x0000 && words[1] == 0x0000) {
        trial.kind = CalibrationTrial::Normal;
    } else if (words[0] == 0x0000 && words[1] == 0x0002) {
        trial.kind = CalibrationTrial::Minimum;
    } else if (words[0] == 0xFFFF && words[1] == 0x0002) {
        trial.kind = CalibrationTrial::Maximum;
    } else {
        reply = NgReply(kNgOutputState);
        return std::nullopt;
    }
    trial.range = static_cast<std::uint8_t>(range);
    trial.zero = static_cast<std::uint16_t>(words[2]);
    trial.gain = static_cast<std::uint16_t>(words[3]);
    reply = OkReply();
    return trial;
}

void UnitCalibration::PowerCycle()
{
    working_ = stored_;
}

void UnitCalibration::Erase(WipedCalibration as)
{
    constexpr CalibrationValues kErased{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    constexpr CalibrationValues kStart{0x0000, 0x0000, 0x8000, 0x0000, 0x8000};
    for (auto& channel : working_) channel.fill(as == WipedCalibration::Erased ? kErased : kStart);
    stored_ = working_;
}

const CalibrationValues& UnitCalibration::Working(int channel, int range) const
{
    if (channel < 0 || channel >= kChannels || range < 0 || range >= kRanges) {
        throw std::out_of_range("UnitCalibration: channel or range");
    }
    return working_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)];
}

const CalibrationValues& UnitCalibration::Stored(int channel, int range) const
{
    Working(channel, range);  // checks the indices
    return stored_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)];
}

void UnitCalibration::Set(int channel, int range, const CalibrationValues& values)
{
    Working(channel, range);  // checks the indices
    working_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)] = values;
    stored_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)] = values;
}

void UnitCalibration::SetMode(int channel, int range, std::uint16_t mode)
{
    Working(channel, range);  // checks the indices
    working_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)].mode = mode;
    stored_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(range)].mode = mode;
}

}  // namespace krv::sim
