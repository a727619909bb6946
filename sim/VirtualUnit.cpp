#include "sim/VirtualUnit.h"

#include <stdexcept>
#include <utility>

#include "protocol/CommandFrame.h"

namespace krv::sim {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Reads `digits` upper-case hexadecimal digits at `pos`; false if any is not one.
bool ReadHex(std::string_view text, std::size_t pos, std::size_t digits, unsigned& value)
{
    if (pos + digits > text.size()) return false;
    unsigned v = 0;
    for (std::size_t i = pos; i < pos + digits; ++i) {
        const char c = text[i];
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        v = v * 16 + d;
    }
    value = v;
    return true;
}

// The fields of a W frame after the channel digit: range (2), output code, main control, main
// aux, the spare word twice, ext control, three ext aux words (4 each), then the run state as two
// digits, or as the single digit the host sends while the unit does not run the channel itself.
bool ParseWriteFields(std::string_view fields, ChannelRegisters& r)
{
    constexpr std::size_t kFixed = 2 + 9 * 4;
    if (fields.size() != kFixed + 1 && fields.size() != kFixed + 2) return false;
    unsigned words[9];
    unsigned range;
    unsigned runState;
    if (!ReadHex(fields, 0, 2, range)) return false;
    for (std::size_t i = 0; i < 9; ++i) {
        if (!ReadHex(fields, 2 + 4 * i, 4, words[i])) return false;
    }
    if (!ReadHex(fields, kFixed, fields.size() - kFixed, runState)) return false;
    r.range = static_cast<std::uint8_t>(range);
    r.outputCode = static_cast<std::uint16_t>(words[0]);
    r.mainControl = static_cast<std::uint16_t>(words[1]);
    r.mainAux = static_cast<std::uint16_t>(words[2]);
    r.spareWords = {static_cast<std::uint16_t>(words[3]), static_cast<std::uint16_t>(words[4])};
    r.extControl = static_cast<std::uint16_t>(words[5]);
    r.extAux = {static_cast<std::uint16_t>(words[6]), static_cast<std::uint16_t>(words[7]),
                static_cast<std::uint16_t>(words[8])};
    r.runState = static_cast<std::uint8_t>(runState);
    return true;
}

bool ValidStandalone(const StandaloneSetting& s)
{
    return s.mode >= 0 && s.mode <= 2 && s.run >= 0 && s.run <= 2;
}

// One digit of the MS reply. A value that is not one digit (a configuration that was never
// checked, or a run state above 9 from an output frame) reads as disabled or stopped, the way
// the host reads any digit it does not know.
char Digit(int value)
{
    return value >= 0 && value <= 9 ? static_cast<char>('0' + value) : '0';
}

std::uint16_t& StatusWordOf(ChannelRegisters& r, StatusWord word)
{
    return word == StatusWord::Main ? r.mainStatus : r.extStatus;
}

}  // namespace

bool CheckedFrameBody(std::string_view line, std::string_view& body)
{
    // STX, at least nothing, ETX, two checksum characters, CR LF.
    if (line.size() < 6 || line[0] != kStx || !line.ends_with(kCrLf)) return false;
    const std::size_t etx = line.size() - 5;
    if (line.find(kEtx, 1) != etx) return false;
    const std::uint8_t sum = ChecksumOf(line.substr(1, etx));
    if (line[etx + 1] != kHexDigits[sum >> 4] || line[etx + 2] != kHexDigits[sum & 0xF]) {
        return false;
    }
    body = line.substr(1, etx - 1);
    return true;
}

bool CheckUnitConfig(const UnitConfig& config, std::string* error)
{
    if (config.circuits < 0 || config.circuits > 9) {
        if (error != nullptr) {
            *error = "circuit count " + std::to_string(config.circuits) +
                     " is not a single digit (0 to 9)";
        }
        return false;
    }
    for (std::size_t i = 0; i < config.standalone.size(); ++i) {
        if (!ValidStandalone(config.standalone[i])) {
            if (error != nullptr) {
                *error = "standalone setting of channel " + std::to_string(i + 1) + " (" +
                         std::to_string(config.standalone[i].mode) + ", " +
                         std::to_string(config.standalone[i].run) +
                         "): mode and run state must each be 0, 1 or 2";
            }
            return false;
        }
    }
    return true;
}

const std::array<VirtualUnit::Command, 16> VirtualUnit::kCommands = {{
    {false, "VER", &VirtualUnit::Version},
    {false, "CH", &VirtualUnit::CircuitCount},
    {true, "W", &VirtualUnit::WriteOutput},
    {true, "R", &VirtualUnit::Status},
    {true, "MS", &VirtualUnit::StandaloneModes},
    {true, "CINIU", &VirtualUnit::CalibrationInitUser},
    {true, "CR", &VirtualUnit::CalibrationRead},
    {true, "CTU", &VirtualUnit::CalibrationTrialOutput},
    {true, "CM", &VirtualUnit::CalibrationWrite},
    {true, "CW", &VirtualUnit::CalibrationSave},
    {true, "PE", &VirtualUnit::MemoryErase},
    {true, "PS", &VirtualUnit::MemoryStore},
    {true, "PW", &VirtualUnit::MemoryWrite},
    {true, "PM", &VirtualUnit::MemoryLoad},
    {true, "PR", &VirtualUnit::MemoryRead},
    {true, "PI", &VirtualUnit::MemoryMove},
}};

VirtualUnit::VirtualUnit(UnitConfig config)
    : config_(std::move(config)),
      calibration_(config_.circuits, config_.calibrationMode),
      firmware_(config_.firmware)
{
    faults_.Set(config_.faults);
    standalone_ = config_.standalone;
    PowerCycle();
}

ChannelRegisters& VirtualUnit::Registers(int index)
{
    if (index < 0 || index >= kChannels) throw std::out_of_range("VirtualUnit: channel index");
    return channels_[static_cast<std::size_t>(index)];
}

const ChannelRegisters& VirtualUnit::Channel(int index) const
{
    if (index < 0 || index >= kChannels) throw std::out_of_range("VirtualUnit: channel index");
    return channels_[static_cast<std::size_t>(index)];
}

void VirtualUnit::SetStatusBits(int channel, StatusWord word, std::uint16_t bits)
{
    StatusWordOf(Registers(channel), word) |= bits;
}

void VirtualUnit::ClearStatusBits(int channel, StatusWord word, std::uint16_t bits)
{
    std::uint16_t& status = StatusWordOf(Registers(channel), word);
    status = static_cast<std::uint16_t>(status & ~bits);
}

void VirtualUnit::SetCalibrationMode(int channel, int range, std::uint16_t mode)
{
    Registers(channel);  // checks the index
    if (range < 0 || range >= kRanges) throw std::out_of_range("VirtualUnit: range code");
    calibration_.SetMode(channel, range, mode);
}

std::uint16_t VirtualUnit::CalibrationMode(int channel, int range) const
{
    Channel(channel);  // checks the index
    if (range < 0 || range >= kRanges) throw std::out_of_range("VirtualUnit: range code");
    return calibration_.Working(channel, range).mode;
}

void VirtualUnit::SetStandalone(int channel, StandaloneSetting setting)
{
    if (channel < 0 || channel >= kStandaloneChannels) {
        throw std::out_of_range("VirtualUnit: only channels 1 and 2 run standalone");
    }
    if (!ValidStandalone(setting)) {
        throw std::invalid_argument("VirtualUnit: standalone mode and run state must be 0..2");
    }
    standalone_[static_cast<std::size_t>(channel)] = setting;
    Registers(channel).runState = static_cast<std::uint8_t>(setting.run);
}

StandaloneSetting VirtualUnit::Standalone(int channel) const
{
    Channel(channel);  // checks the index
    if (channel >= kStandaloneChannels) return {};
    return standalone_[static_cast<std::size_t>(channel)];
}

void VirtualUnit::EnterBootMode()
{
    PowerCycle();
    bootMode_ = true;
}

void VirtualUnit::PowerCycle(Time now)
{
    bootMode_ = false;
    // A reprogrammed flash holds new firmware (or none that could run).
    if (flash_.TakeChanged()) firmware_ = flash_.VersionText();
    calibration_.PowerCycle();
    memory_.PowerCycle();
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i] = ChannelRegisters{};
        if (i < standalone_.size() && ValidStandalone(standalone_[i])) {
            channels_[i].runState = static_cast<std::uint8_t>(standalone_[i].run);
        }
    }
    StartStandalone(now);
}

std::vector<OutputRecord> VirtualUnit::OutputHistory(int channel) const
{
    Channel(channel);  // checks the index
    const auto& records = history_[static_cast<std::size_t>(channel)];
    return {records.begin(), records.end()};
}

void VirtualUnit::ClearOutputHistory()
{
    for (auto& records : history_) records.clear();
}

std::vector<std::string> VirtualUnit::HandleLine(std::string_view line, Time now)
{
    if (bootMode_ || !firmware_ || faults_.Silenced()) return {};
    AdvanceStandalone(now);
    if (!line.ends_with(kCrLf)) return {};
    const std::string_view text = line.substr(0, line.size() - kCrLf.size());
    const bool framed = !text.empty() && text[0] == kStx;
    const std::string_view letters = framed ? text.substr(1) : text;

    const Command* match = nullptr;
    for (const Command& command : kCommands) {
        if (command.framed != framed) continue;
        const bool fits = framed ? letters.starts_with(command.name) : letters == command.name;
        if (fits && (match == nullptr || command.name.size() > match->name.size())) {
            match = &command;
        }
    }
    if (match == nullptr) return {};
    return (this->*match->handler)(line, now);
}

VirtualUnit::Replies VirtualUnit::Version(std::string_view, Time)
{
    return {"VER" + firmware_.value_or(std::string()) + "\r\n"};
}

VirtualUnit::Replies VirtualUnit::CircuitCount(std::string_view, Time)
{
    std::string reply = "CH";
    reply.push_back(static_cast<char>('0' + config_.circuits));
    reply += kCrLf;
    return {reply};
}

VirtualUnit::Replies VirtualUnit::WriteOutput(std::string_view line, Time now)
{
    std::string_view body;
    if (!CheckedFrameBody(line, body) || body.size() < 2) return {};
    const char digit = body[1];
    if (digit < '1' || digit > '4') return {};
    const auto index = static_cast<std::size_t>(digit - '1');
    ChannelRegisters& channel = channels_[index];
    // The unit never answers an output frame: the host writes one whenever a value changes (20 a
    // second while an automatic output runs), and an answer would pile up unread on its side.
    // The registers change only when every field reads, so a misformatted frame from the host is
    // visible in the counters rather than as half-updated registers.
    ChannelRegisters updated = channel;
    if (!ParseWriteFields(body.substr(2), updated)) {
        ++malformedFrames_;
        return {};
    }
    ++updated.framesAccepted;
    channel = updated;
    TakeHostFrame(static_cast<int>(index), now);
    auto& records = history_[index];
    if (records.size() >= kOutputHistoryLimit) records.pop_front();
    records.push_back(OutputRecord{now, channel.range, channel.outputCode, channel.mainControl,
                                   channel.extControl, channel.runState});
    return {};
}

VirtualUnit::Replies VirtualUnit::Status(std::string_view line, Time)
{
    // STX, "R", the channel digit, CR LF: no ETX and no checksum, so only the exact shape counts.
    if (line.size() != 5) return {};
    const char digit = line[2];
    if (digit < '1' || digit > '4') return {};
    const int index = digit - '1';
    // A channel the unit does not have gets no answer, as a missing circuit cannot report.
    if (index >= config_.circuits) return {};
    return {StatusReply(index)};
}

std::string VirtualUnit::StatusReply(int index) const
{
    const ChannelRegisters& r = Channel(index);
    // A range code without a table entry has no calibration mode to report.
    const std::uint16_t mode = r.range < kRanges ? CalibrationMode(index, r.range) : 0;
    CommandFrame f = CommandFrame::Framed("R");
    f.Hex1(static_cast<unsigned>(index + 1)).Hex2(r.range).Hex4(r.outputCode);
    f.Hex4(r.mainControl).Hex4(r.mainAux).Hex4(r.spareWords[0]).Hex4(r.spareWords[1]);
    f.Hex4(r.mainStatus);
    f.Hex4(r.extControl).Hex4(r.extAux[0]).Hex4(r.extAux[1]).Hex4(r.extAux[2]);
    f.Hex4(r.extStatus).Hex4(mode).Hex2(r.runState);
    return f.WithEtxAndChecksum();
}

VirtualUnit::Replies VirtualUnit::StandaloneModes(std::string_view line, Time)
{
    if (line != "\x02MS\x03\r\n") return {};
    std::string reply = "\x02MS";
    for (int i = 0; i < kStandaloneChannels; ++i) {
        // The second digit is the run state the channel has now, which the host may have
        // changed since power-on by its output frames.
        reply.push_back(Digit(standalone_[static_cast<std::size_t>(i)].mode));
        reply.push_back(Digit(channels_[static_cast<std::size_t>(i)].runState));
    }
    reply += kCrLf;
    return {reply};
}

}  // namespace krv::sim
