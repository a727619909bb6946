// The virtual unit's maintenance commands (calibration, standalone memory) and the channels it
// runs by itself after a power-on with a standalone image.
#include <stdexcept>

#include "protocol/CommandFrame.h"
#include "protocol/Ranges.h"
#include "sim/UnitReplies.h"
#include "sim/VirtualUnit.h"

namespace krv::sim {

namespace {

constexpr std::string_view kFrameEnd = "\r\n";
constexpr std::uint16_t kMainOn = 0x1000;
constexpr std::uint16_t kExtOn = 0x0001;

// The text between STX and ETX of a frame whose checksum is right, or nothing: the unit ignores
// a damaged frame, as it ignores line noise.
std::optional<std::string_view> Body(std::string_view line)
{
    std::string_view body;
    if (!CheckedFrameBody(line, body)) return std::nullopt;
    return body;
}

// A frame without checksum: exactly STX, the letters, ETX, CR LF.
bool IsBareFrame(std::string_view line, std::string_view letters)
{
    return line.size() == letters.size() + 4 && line[0] == kStx &&
           line.substr(1, letters.size()) == letters && line[letters.size() + 1] == kEtx &&
           line.ends_with(kFrameEnd);
}

// The reply with its checksum made wrong.
std::string WithWrongChecksum(std::string reply)
{
    const std::size_t etx = reply.find(kEtx, 1);
    if (etx != std::string::npos && etx + 1 < reply.size()) {
        char& c = reply[etx + 1];
        c = c == '0' ? '1' : '0';
    }
    return reply;
}

}  // namespace

std::optional<CalibrationTrial> VirtualUnit::Trial(int channel) const
{
    Channel(channel);  // checks the index
    return trials_[static_cast<std::size_t>(channel)];
}

void VirtualUnit::SetCommandFaults(const CommandFaults& faults)
{
    faults_.Set(faults);
}

VirtualUnit::Replies VirtualUnit::CalibrationInitUser(std::string_view line, Time)
{
    if (!IsBareFrame(line, "CINIU")) return {};
    return {calibration_.InitUser()};
}

VirtualUnit::Replies VirtualUnit::CalibrationRead(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    return {calibration_.Read(*body)};
}

VirtualUnit::Replies VirtualUnit::CalibrationWrite(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    return {calibration_.Write(*body)};
}

VirtualUnit::Replies VirtualUnit::CalibrationSave(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    return {calibration_.Save(*body)};
}

VirtualUnit::Replies VirtualUnit::CalibrationTrialOutput(std::string_view line, Time now)
{
    const auto body = Body(line);
    if (!body) return {};
    int index = 0;
    std::string reply;
    const std::optional<CalibrationTrial> trial = calibration_.Trial(*body, index, reply);
    if (!trial) return {reply};
    trials_[static_cast<std::size_t>(index)] = trial;
    // The trial shows in the output history: the range's minimum or maximum, or the channel's
    // own output again.
    const ChannelRegisters& r = Channel(index);
    OutputRecord record{now, trial->range, r.outputCode, r.mainControl, r.extControl, r.runState};
    if (trial->kind == CalibrationTrial::Minimum) record.outputCode = 0x0000;
    if (trial->kind == CalibrationTrial::Maximum) record.outputCode = 0xFFFF;
    auto& records = history_[static_cast<std::size_t>(index)];
    if (records.size() >= kOutputHistoryLimit) records.pop_front();
    records.push_back(record);
    return {reply};
}

VirtualUnit::Replies VirtualUnit::MemoryErase(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    if (faults_.Faults().eraseError != 0 && UnitMemory::AreaOf(*body) >= 0) {
        return {NgReply(faults_.Faults().eraseError)};
    }
    return {memory_.Erase(*body)};
}

VirtualUnit::Replies VirtualUnit::MemoryStore(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    return {memory_.Store(*body)};
}

VirtualUnit::Replies VirtualUnit::MemoryWrite(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    if (faults_.Faults().writeError != 0 && UnitMemory::AreaOf(*body) >= 0) {
        return {NgReply(faults_.Faults().writeError)};
    }
    return {memory_.Write(*body)};
}

VirtualUnit::Replies VirtualUnit::MemoryLoad(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    return {memory_.Load(*body)};
}

VirtualUnit::Replies VirtualUnit::MemoryRead(std::string_view line, Time)
{
    const auto body = Body(line);
    if (!body) return {};
    std::string reply = memory_.Read(*body);
    if (reply.size() == kMemoryReadReplyLength && faults_.DamageRead()) {
        reply = WithWrongChecksum(std::move(reply));
    }
    return {reply};
}

VirtualUnit::Replies VirtualUnit::MemoryMove(std::string_view line, Time)
{
    if (!IsBareFrame(line, "PI")) return {};
    return {memory_.Move()};
}

void VirtualUnit::StartStandalone(Time now)
{
    if (!memory_.HasImageInUse()) {
        runner_.Clear();
        return;
    }
    StandaloneImage image;
    image.bytes = memory_.ImageInUse();
    runner_.Start(image, now);
    for (int k = 0; k < kStandaloneChannels; ++k) {
        // The MS reply reports what the image says; a mode the unit cannot run reads as none.
        standalone_[static_cast<std::size_t>(k)].mode = runner_.Mode(k);
        ShowStandaloneOutput(k);
    }
}

void VirtualUnit::ShowStandaloneOutput(int index)
{
    if (runner_.Mode(index) == 0) return;
    const RunnerOutput out = runner_.Output(index);
    ChannelRegisters& r = Registers(index);
    r.range = out.range;
    r.outputCode = out.code;
    r.runState = out.runState;
    if (out.external) {
        r.mainControl = static_cast<std::uint16_t>(r.mainControl & ~kMainOn);
        r.extControl = static_cast<std::uint16_t>(r.extControl | kExtOn);
    } else {
        const std::uint16_t bits = RangeHardwareBits(out.range).value_or(r.mainControl & 0x7);
        r.mainControl = static_cast<std::uint16_t>((r.mainControl & ~0x7) | bits | kMainOn);
        r.extControl = static_cast<std::uint16_t>(r.extControl & ~kExtOn);
    }
}

void VirtualUnit::TakeHostFrame(int index, Time now)
{
    if (runner_.Mode(index) == 0) return;
    // The unit keeps running the channel itself; the frame's run state starts, pauses or stops
    // an automatic output.
    runner_.SetRunState(index, Registers(index).runState, now);
    ShowStandaloneOutput(index);
}

std::chrono::steady_clock::time_point VirtualUnit::NextStandaloneStep() const
{
    return runner_.NextDue();
}

void VirtualUnit::AdvanceStandalone(Time now)
{
    if (!runner_.Advance(now)) return;
    for (int k = 0; k < kStandaloneChannels; ++k) ShowStandaloneOutput(k);
}

}  // namespace krv::sim
