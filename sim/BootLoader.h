#pragma once

#include <cstdint>
#include <vector>

#include "sim/SimBridge.h"

namespace krv::sim {

class UnitBridgeTarget;

// The boot loader of the unit's microcontroller, behind the simulated bridge while the unit is in
// boot mode. It speaks the microcontroller's boot-mode protocol:
//   bit-rate adjustment: answers 0x00 once it has seen 30 zero bytes, then 0x55 → 0xE6;
//   0x20 device inquiry (65 bytes, device code "KRV1"), 0x10 device selection → 0x46,
//   0x26 erase-block inquiry (29 bytes: 8 blocks of 16 KiB from 0xFFFE0000),
//   0x3F new bit rate (it answers at the old speed, then listens at the new one), 0x06 → 0x06,
//   0x40 into the programming and erasure state → 0x06,
//   and in that state 0x48 erasure selection, 0x59 block erasure, 0x4F status inquiry (5 bytes),
//   0x43 programming selection, 0x50 program 256 bytes (address 0xFFFFFFFF: end), 0x52 read.
// A failure is answered with the command's code plus 0x80 and an error code; a command whose
// checksum does not fit, with error code 0x11. Programming needs erased pages; erasing also wipes
// the unit's calibration, which lives in the same flash. Its faults are the unit's CommandFaults.
class SimBootLoader : public BridgeTarget {
  public:
    static constexpr std::uint32_t kStartRate = 19200;
    static constexpr int kAdjustmentZeros = 30;
    static constexpr std::uint8_t kDeviceCode[4] = {'K', 'R', 'V', '1'};

    // `unit` must outlive the loader (it holds the loader).
    explicit SimBootLoader(UnitBridgeTarget& unit) : unit_(unit) {}

    void Receive(std::uint8_t byte, BridgeTime arrival, std::vector<BridgeReply>& replies) override;
    void Restart(bool bootMode, BridgeTime at, std::vector<BridgeReply>& replies) override;
    std::uint32_t BaudRate() const override { return rate_; }

  private:
    enum class Stage { Adjusting, AwaitingEnd, Inquiry, Programming };

    // The bytes a command needs in all, once `command_` holds enough of it to tell; 0 while it
    // cannot tell yet.
    std::size_t CommandLength() const;
    // Handles the complete command in command_; returns the reply.
    std::vector<std::uint8_t> Execute();
    std::vector<std::uint8_t> InquiryCommand();
    std::vector<std::uint8_t> ProgrammingCommand();

    UnitBridgeTarget& unit_;
    Stage stage_ = Stage::Adjusting;
    std::uint32_t rate_ = kStartRate;
    bool newRateSet_ = false;
    int zeros_ = 0;
    std::uint64_t bootRestarts_ = 0;
    bool erasing_ = false;
    bool programming_ = false;
    bool silent_ = false;
    std::vector<std::uint8_t> command_;
};

}  // namespace krv::sim
