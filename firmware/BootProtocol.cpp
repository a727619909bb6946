#include "firmware/BootProtocol.h"

#include <thread>

#include "platform/Clock.h"

namespace krv {

namespace {

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

BootCommand WithChecksum(std::vector<std::uint8_t> bytes, std::size_t replyLength,
                         std::uint8_t firstReply)
{
    bytes.push_back(BootChecksum(bytes));
    return {std::move(bytes), replyLength, firstReply, false};
}

BootCommand Single(std::uint8_t code, std::size_t replyLength = 1, std::uint8_t firstReply = 0x06)
{
    return {{code}, replyLength, firstReply, false};
}

}  // namespace

std::uint8_t BootChecksum(std::span<const std::uint8_t> bytes)
{
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(-sum & 0xFF);
}

BootCommand BitRateAdjustment()
{
    return {std::vector<std::uint8_t>(30, 0x00), 1, 0x00, true};
}

BootCommand AdjustmentEnd()
{
    return {{0x55}, 1, 0xE6, true};
}

BootCommand DeviceInquiry()
{
    return Single(0x20, 65, 0x30);
}

BootCommand DeviceSelection(const DeviceCode& code)
{
    return WithChecksum({0x10, 0x04, code[0], code[1], code[2], code[3]}, 1, 0x46);
}

BootCommand EraseBlockInquiry()
{
    return Single(0x26, 29, 0x36);
}

BootCommand NewBitRate()
{
    // 0x2710 hundreds of bit/s; the other bytes are the microcontroller's clock settings.
    return {{0x3F, 0x07, 0x27, 0x10, 0x06, 0x40, 0x02, 0x01, 0x01, 0x39}, 1, 0x06, false};
}

BootCommand BitRateConfirmation()
{
    return Single(0x06);
}

BootCommand ProgrammingStateTransition()
{
    return Single(0x40);
}

BootCommand ErasureSelection()
{
    return Single(0x48);
}

BootCommand BlockErasure(std::uint32_t address)
{
    std::vector<std::uint8_t> bytes = {0x59, 0x04};
    AppendWord(bytes, address);
    return WithChecksum(std::move(bytes), 1, 0x06);
}

BootCommand StatusInquiry()
{
    return Single(0x4F, 5, 0x5F);
}

BootCommand ProgrammingSelection()
{
    return Single(0x43);
}

BootCommand ProgramBlock(std::uint32_t address, std::span<const std::uint8_t, 256> data)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(262);
    bytes.push_back(0x50);
    AppendWord(bytes, address);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return WithChecksum(std::move(bytes), 1, 0x06);
}

BootCommand EndOfProgramming()
{
    return {{0x50, 0xFF, 0xFF, 0xFF, 0xFF, 0xB4}, 1, 0x06, false};
}

BootCommand ReadBlock(std::uint32_t address)
{
    std::vector<std::uint8_t> bytes = {0x52, 0x09, 0x01};
    AppendWord(bytes, address);
    AppendWord(bytes, static_cast<std::uint32_t>(kBootBlockSize));
    return WithChecksum(std::move(bytes), kBootReplySize, 0x52);
}

void BootSession::SendBootCommand(const BootCommand& command)
{
    if (!command.byteByByte) {
        port_.WriteBytes(command.bytes.data(), command.bytes.size());
        return;
    }
    for (const std::uint8_t byte : command.bytes) {
        port_.WriteBytes(&byte, 1);
        if (pacedSend) std::this_thread::sleep_for(kPacedGap);
    }
}

bool BootSession::AwaitBootReply(const BootCommand& command)
{
    auto& ring = port_.Ring();
    fill_ = 0;
    bool ok = true;
    int budget = kReplyBudget;
    for (std::size_t n = 0; n < command.replyLength && ok; ++n) {
        TimePoint periodEnd = Now() + kReplyPeriod;
        for (;;) {
            std::uint8_t byte = 0;
            d2xx::DWord got = 0;
            const d2xx::Status status = port_.ReadBytes(&byte, 1, got);
            if (status == d2xx::kOk && got == 1) {
                ring.Push(&byte, 1);
            } else if (status == d2xx::kIoError) {
                ring.Clear();
                ok = false;
            }
            const bool taken = ring.Pop(byte);
            if (Now() >= periodEnd) {
                if (--budget <= 0) ok = false;
                periodEnd = Now() + kReplyPeriod;
            }
            if (taken && ok) {
                reply_[fill_] = byte;
                fill_ = (fill_ + 1) % reply_.size();
                if (reply_[0] != command.firstReply) ok = false;
                break;
            }
            if (!ok) break;
            // Nothing yet: sleep until the bridge has something or the period ends, rather
            // than asking it again and again.
            if (!taken) port_.WaitForInput(periodEnd);
        }
    }
    if (!ok && reportReplyFailure) {
        ui_.ShowMessage(TrMarked("ProgramUnit", kReplyFailure), kCaptionNotice,
                        MessageIcon::Warning, MessageButtons::Ok);
    }
    return ok;
}

void BootSession::DiscardPending()
{
    std::uint8_t scratch[CFtdiPort::kFetchSize];
    d2xx::DWord got = 0;
    port_.ReadBytes(scratch, CFtdiPort::kFetchSize, got);
    port_.Ring().Clear();
}

std::uint32_t BootSession::ReplyWord(std::size_t offset) const
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | reply_[(offset + i) % reply_.size()];
    return value;
}

}  // namespace krv
