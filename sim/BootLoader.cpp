#include "sim/BootLoader.h"

#include <algorithm>
#include <span>
#include <string>

#include "sim/UnitBridgeTarget.h"

namespace krv::sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kEndAddress = 0xFFFFFFFF;
constexpr std::uint8_t kAck = 0x06;
// Error codes of the replies.
constexpr std::uint8_t kChecksumError = 0x11;
constexpr std::uint8_t kDeviceCodeError = 0x21;
constexpr std::uint8_t kBitRateError = 0x24;
constexpr std::uint8_t kAddressError = 0x2A;
constexpr std::uint8_t kNotErasedError = 0x53;
constexpr std::uint8_t kNotNowError = 0x80;

std::uint32_t WordAt(const Bytes& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | bytes[at + i];
    return value;
}

void AppendWord(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

Bytes WithSum(Bytes bytes)
{
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) sum += b;
    bytes.push_back(static_cast<std::uint8_t>(-sum & 0xFF));
    return bytes;
}

Bytes Error(std::uint8_t command, std::uint8_t code)
{
    return {static_cast<std::uint8_t>(command | 0x80), code};
}

// Block of the flash window an address falls in (0 to 511), or -1.
int BlockOf(std::uint32_t address)
{
    if (address < ProgramFlash::kStart) return -1;
    return static_cast<int>((address - ProgramFlash::kStart) / ProgramFlash::kPageSize);
}

}  // namespace

void SimBootLoader::Restart(bool bootMode, BridgeTime, std::vector<BridgeReply>&)
{
    if (!bootMode) return;
    ++bootRestarts_;
    stage_ = Stage::Adjusting;
    rate_ = kStartRate;
    newRateSet_ = false;
    zeros_ = 0;
    erasing_ = false;
    programming_ = false;
    silent_ = false;
    command_.clear();
}

void SimBootLoader::Receive(std::uint8_t byte, BridgeTime arrival,
                            std::vector<BridgeReply>& replies)
{
    if (silent_) return;
    const auto Send = [&](const Bytes& bytes) {
        if (!bytes.empty()) replies.push_back({std::string(bytes.begin(), bytes.end()), arrival});
    };
    switch (stage_) {
        case Stage::Adjusting: {
            zeros_ = byte == 0x00 ? zeros_ + 1 : 0;
            const std::uint64_t from =
                unit_.WithUnit([](const VirtualUnit& u) { return u.Faults().bootAnswerFrom; });
            if (zeros_ >= kAdjustmentZeros && bootRestarts_ >= from) {
                Send({0x00});
                stage_ = Stage::AwaitingEnd;
            }
            return;
        }
        case Stage::AwaitingEnd:
            // Zeros still on their way from the adjustment are passed over.
            if (byte == 0x55) {
                Send({0xE6});
                stage_ = Stage::Inquiry;
            }
            return;
        case Stage::Inquiry:
        case Stage::Programming:
            break;
    }
    command_.push_back(byte);
    const std::size_t length = CommandLength();
    if (length == 0 || command_.size() < length) return;
    const Bytes reply = Execute();
    command_.clear();
    Send(reply);
}

std::size_t SimBootLoader::CommandLength() const
{
    switch (command_[0]) {
        case 0x10:
        case 0x3F:
        case 0x52:
        case 0x59:
            // Code, size, that many bytes, checksum.
            return command_.size() < 2 ? 0 : 3 + std::size_t{command_[1]};
        case 0x50:
            if (command_.size() < 5) return 0;
            return WordAt(command_, 1) == kEndAddress ? 6 : 6 + ProgramFlash::kPageSize;
        default:
            return 1;
    }
}

std::vector<std::uint8_t> SimBootLoader::Execute()
{
    return stage_ == Stage::Inquiry ? InquiryCommand() : ProgrammingCommand();
}

std::vector<std::uint8_t> SimBootLoader::InquiryCommand()
{
    const std::uint8_t code = command_[0];
    unsigned sum = 0;
    for (const std::uint8_t b : command_) sum += b;
    const bool checked = (sum & 0xFF) == 0;
    switch (code) {
        case 0x20: {
            Bytes reply = {0x30, 63, 0x01, 60};
            reply.insert(reply.end(), std::begin(kDeviceCode), std::end(kDeviceCode));
            const std::string name = "KRV analog output unit";
            reply.insert(reply.end(), name.begin(), name.end());
            reply.resize(64, 0x00);
            return WithSum(std::move(reply));
        }
        case 0x10:
            if (!checked) return Error(code, kChecksumError);
            if (command_[1] != 4 ||
                !std::equal(std::begin(kDeviceCode), std::end(kDeviceCode), command_.begin() + 2)) {
                return Error(code, kDeviceCodeError);
            }
            return {0x46};
        case 0x26: {
            Bytes reply = {0x36, 27, 0x00, 0x01};
            AppendWord(reply, ProgramFlash::kStart);
            AppendWord(reply, ProgramFlash::kBlockSize);
            AppendWord(reply, ProgramFlash::kBlocks);
            reply.resize(28, 0x00);
            return WithSum(std::move(reply));
        }
        case 0x3F: {
            if (!checked) return Error(code, kChecksumError);
            if (command_[1] < 2) return Error(code, kBitRateError);
            const std::uint32_t rate = (std::uint32_t{command_[2]} << 8 | command_[3]) * 100;
            if (rate < 9600 || rate > 1000000) return Error(code, kBitRateError);
            // Answered at the old speed; what follows comes at the new one.
            rate_ = rate;
            newRateSet_ = true;
            return {kAck};
        }
        case 0x06:
            return newRateSet_ ? Bytes{kAck} : Error(code, kBitRateError);
        case 0x40: {
            const int refusal =
                unit_.WithUnit([](const VirtualUnit& u) { return u.Faults().refuseProgramming; });
            if (refusal != 0) return Error(code, static_cast<std::uint8_t>(refusal));
            stage_ = Stage::Programming;
            return {kAck};
        }
        default:
            return Error(code, kNotNowError);
    }
}

std::vector<std::uint8_t> SimBootLoader::ProgrammingCommand()
{
    const std::uint8_t code = command_[0];
    unsigned sum = 0;
    for (const std::uint8_t b : command_) sum += b;
    const bool checked = (sum & 0xFF) == 0;
    const CommandFaults faults = unit_.WithUnit([](const VirtualUnit& u) { return u.Faults(); });
    switch (code) {
        case 0x48:
            erasing_ = true;
            return {kAck};
        case 0x59: {
            if (!checked) return Error(code, kChecksumError);
            const std::uint32_t address = WordAt(command_, 2);
            if (address == kEndAddress) {
                erasing_ = false;
                return {kAck};
            }
            if (!erasing_) return Error(code, kNotNowError);
            return unit_.WithUnit([&](VirtualUnit& u) {
                if (u.Flash().EraseBlock(address) != ProgramFlash::Result::Done) {
                    return Error(code, kAddressError);
                }
                u.Calibration().Erase(u.Config().wipedCalibration);
                return Bytes{kAck};
            });
        }
        case 0x4F: {
            const std::uint8_t state = erasing_ ? 0x01 : programming_ ? 0x02 : 0x00;
            return WithSum({0x5F, 0x02, state, 0x00});
        }
        case 0x43:
            programming_ = true;
            return {kAck};
        case 0x50: {
            const std::uint32_t address = WordAt(command_, 1);
            if (address == kEndAddress) {
                if (!checked) return Error(code, kChecksumError);
                programming_ = false;
                return {kAck};
            }
            if (faults.silentFromProgram && BlockOf(address) >= *faults.silentFromProgram) {
                silent_ = true;
                return {};
            }
            if (!checked) return Error(code, kChecksumError);
            if (!programming_) return Error(code, kNotNowError);
            const std::span<const std::uint8_t, ProgramFlash::kPageSize> data(
                command_.data() + 5, ProgramFlash::kPageSize);
            const auto result = unit_.WithUnit(
                [&](VirtualUnit& u) { return u.Flash().ProgramPage(address, data); });
            if (result == ProgramFlash::Result::BadAddress) return Error(code, kAddressError);
            if (result == ProgramFlash::Result::NotErased) return Error(code, kNotErasedError);
            return {kAck};
        }
        case 0x52: {
            if (!checked) return Error(code, kChecksumError);
            const std::uint32_t address = WordAt(command_, 3);
            if (faults.silentFromRead && BlockOf(address) >= *faults.silentFromRead) {
                silent_ = true;
                return {};
            }
            if (command_[1] != 9 || command_[2] != 0x01 ||
                WordAt(command_, 7) != ProgramFlash::kPageSize) {
                return Error(code, kAddressError);
            }
            auto page =
                unit_.WithUnit([&](const VirtualUnit& u) { return u.Flash().ReadPage(address); });
            if (!page) return Error(code, kAddressError);
            // A weak cell: one byte of the block reads back wrong, every time.
            if (faults.badReadBlock && BlockOf(address) == *faults.badReadBlock)
                (*page)[17] ^= 0x01;
            Bytes reply = {0x52};
            AppendWord(reply, ProgramFlash::kPageSize);
            reply.insert(reply.end(), page->begin(), page->end());
            return WithSum(std::move(reply));
        }
        default:
            return Error(code, kNotNowError);
    }
}

}  // namespace krv::sim
