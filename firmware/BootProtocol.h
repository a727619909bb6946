#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/FtdiPort.h"
#include "platform/Translate.h"
#include "platform/UserInterface.h"

namespace krv {

// The boot-mode serial protocol of the unit's microcontroller, host side: the commands, their
// checksum, and sending a command and collecting its reply over the USB bridge. Numbers inside
// commands are big-endian.

// One exchange: what goes out, how many reply bytes to collect and what the reply begins with.
struct BootCommand {
    std::vector<std::uint8_t> bytes;
    std::size_t replyLength = 1;
    std::uint8_t firstReply = 0x06;
    // Each byte its own write (the bit-rate adjustment and its end); otherwise one write.
    bool byteByByte = false;

    bool operator==(const BootCommand&) const = default;
};

// The two's complement of the 8-bit sum of `bytes`: appended to them, all add up to 0.
std::uint8_t BootChecksum(std::span<const std::uint8_t> bytes);

using DeviceCode = std::array<std::uint8_t, 4>;

// The commands, in the order a programming run uses them.
BootCommand BitRateAdjustment();                      // 30 zeros, answered by 0x00
BootCommand AdjustmentEnd();                          // 0x55, answered by 0xE6
BootCommand DeviceInquiry();                          // 65-byte reply, 0x30
BootCommand DeviceSelection(const DeviceCode& code);  // 0x46
BootCommand EraseBlockInquiry();                      // 29-byte reply, 0x36
BootCommand NewBitRate();                             // 1,000,000 bit/s
BootCommand BitRateConfirmation();                    //
BootCommand ProgrammingStateTransition();             //
BootCommand ErasureSelection();                       //
BootCommand BlockErasure(std::uint32_t address);      // 0xFFFFFFFF ends the erasure
BootCommand StatusInquiry();                          // 5-byte reply, 0x5F
BootCommand ProgrammingSelection();                   //
BootCommand ProgramBlock(std::uint32_t address,       // 256 bytes at `address`
                         std::span<const std::uint8_t, 256> data);
BootCommand EndOfProgramming();                //
BootCommand ReadBlock(std::uint32_t address);  // 262-byte reply, 0x52

// Bytes a programmed or read block holds.
inline constexpr std::size_t kBootBlockSize = 256;
// Where the data of a read block's reply begins.
inline constexpr std::size_t kReadReplyDataOffset = 5;
// The longest reply: a read block's.
inline constexpr std::size_t kBootReplySize = 262;
// What the erase-block inquiry reports.
struct EraseGroup {
    std::uint32_t start = 0;
    std::uint32_t blockSize = 0;
    std::uint32_t blockCount = 0;
};

// Sends boot commands and collects their replies through the bridge's receive ring.
class BootSession {
  public:
    // Every reply byte must come within a period; a reply may overrun kReplyPeriod this many
    // times in all before it has failed.
    static constexpr std::chrono::milliseconds kReplyPeriod{20};
    static constexpr int kReplyBudget = 10;
    // The pause after each byte of a paced command.
    static constexpr std::chrono::nanoseconds kPacedGap{23300};
    // What a failed reply shows while failures are reported: the boot loader's own words, the
    // same in every language (marked all the same, so that every shown text is in the catalogue).
    static constexpr const char* kReplyFailure =
        KRV_TRANSLATE_NOOP("ProgramUnit", "BootModeRelease(UP_NG)");

    BootSession(CFtdiPort& port, UserInterface& ui) : port_(port), ui_(ui) {}

    // Byte-by-byte commands pause kPacedGap after every byte.
    bool pacedSend = false;
    // A failed reply shows kReplyFailure.
    bool reportReplyFailure = false;

    // Writes the command; write results are not examined (a lost command fails its reply).
    void SendBootCommand(const BootCommand& command);
    // Collects the reply: true when all its bytes came in time and the first is the one
    // expected. The bytes are in Reply(); the buffer is not cleared between replies.
    bool AwaitBootReply(const BootCommand& command);
    // Reads and drops what the bridge holds (one read), and empties the receive ring.
    void DiscardPending();

    const std::array<std::uint8_t, kBootReplySize>& Reply() const { return reply_; }
    // Reply bytes [offset, offset + 4) as a big-endian number.
    std::uint32_t ReplyWord(std::size_t offset) const;

  private:
    CFtdiPort& port_;
    UserInterface& ui_;
    std::array<std::uint8_t, kBootReplySize> reply_{};
    std::size_t fill_ = 0;
};

}  // namespace krv
