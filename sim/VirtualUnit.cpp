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
    return true;
}

const std::array<VirtualUnit::Command, 3> VirtualUnit::kCommands = {{
    {false, "VER", &VirtualUnit::Version},
    {false, "CH", &VirtualUnit::CircuitCount},
    {true, "W", &VirtualUnit::WriteOutput},
}};

VirtualUnit::VirtualUnit(UnitConfig config) : config_(std::move(config)) {}

const ChannelRegisters& VirtualUnit::Channel(int index) const
{
    if (index < 0 || index >= kChannels) throw std::out_of_range("VirtualUnit::Channel");
    return channels_[static_cast<std::size_t>(index)];
}

std::vector<std::string> VirtualUnit::HandleLine(std::string_view line)
{
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
    return (this->*match->handler)(line);
}

VirtualUnit::Replies VirtualUnit::Version(std::string_view)
{
    return {"VER" + config_.firmware + "\r\n"};
}

VirtualUnit::Replies VirtualUnit::CircuitCount(std::string_view)
{
    std::string reply = "CH";
    reply.push_back(static_cast<char>('0' + config_.circuits));
    reply += kCrLf;
    return {reply};
}

VirtualUnit::Replies VirtualUnit::WriteOutput(std::string_view line)
{
    std::string_view body;
    if (!CheckedFrameBody(line, body) || body.size() < 2) return {};
    const char digit = body[1];
    if (digit < '1' || digit > '4') return {};
    ChannelRegisters& channel = channels_[static_cast<std::size_t>(digit - '1')];
    // The frame is acknowledged once its checksum and channel are right; the registers change
    // only when every field reads, so a misformatted frame from the host is visible in the
    // counters rather than as half-updated registers.
    ChannelRegisters updated = channel;
    if (ParseWriteFields(body.substr(2), updated)) {
        ++updated.framesAccepted;
        channel = updated;
    } else {
        ++malformedFrames_;
    }
    return {"OK\r\n"};
}

}  // namespace krv::sim
