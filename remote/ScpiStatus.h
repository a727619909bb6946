#pragma once

// One client's IEEE 488.2 status: its error queue and its standard event status register, as
// SYSTem:ERRor?, *ESR?, *ESE, *STB? and *CLS see them.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "remote/Scpi.h"

namespace krv::remote {

class ScpiStatus {
  public:
    // Bits of the standard event status register.
    static constexpr std::uint8_t kOperationComplete = 0x01;
    static constexpr std::uint8_t kQueryError = 0x04;
    static constexpr std::uint8_t kDeviceError = 0x08;
    static constexpr std::uint8_t kExecutionError = 0x10;
    static constexpr std::uint8_t kCommandError = 0x20;
    // Bits of the status byte.
    static constexpr std::uint8_t kErrorAvailable = 0x04;
    static constexpr std::uint8_t kEventSummary = 0x20;
    // Entries the error queue holds; when it is full, the last becomes -350 "Queue overflow".
    static constexpr std::size_t kQueueLength = 16;

    // Queues `error` and sets its event bit.
    void Push(ScpiError error, std::string_view detail = {});
    // The oldest entry, taken from the queue; 0,"No error" when it is empty.
    std::string PopError();
    std::size_t QueuedErrors() const { return errors_.size(); }
    // *ESR?: the register, cleared by reading it.
    std::uint8_t TakeEventStatus();
    void SetEventEnable(std::uint8_t mask) { eventEnable_ = mask; }
    std::uint8_t EventEnable() const { return eventEnable_; }
    void OperationComplete() { events_ |= kOperationComplete; }
    // *STB?: error available and the enabled events' summary.
    std::uint8_t StatusByte() const;
    // *CLS: the queue and the register emptied.
    void Clear();

  private:
    std::deque<std::string> errors_;
    std::uint8_t events_ = 0;
    std::uint8_t eventEnable_ = 0;
};

}  // namespace krv::remote
