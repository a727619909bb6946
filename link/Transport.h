#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace krv {

// What one call of ReadLine found. Callers act only on Complete; the rest means "no reply yet".
enum class ReadLineResult {
    NoLine = 0,     // no complete line and nothing pending
    Discarded = 1,  // the line being assembled was thrown away (line error, or too long)
    Pending = 2,    // no complete line, but a partial line is pending
    Complete = 3,   // a complete line is in the reply buffer
};

// One way of moving bytes between the program and the unit. DeviceLink holds two: the bridge's
// virtual serial port and the bridge driven directly. The exchange procedure works on either.
class Transport {
  public:
    virtual ~Transport() = default;

    // Opens the transport if it is not open yet; failures are shown through `ui`.
    virtual bool Open(UserInterface& ui) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Hands bytes to the line without waiting for an answer. Errors are not reported: a lost
    // command shows up as a time-out of the exchange.
    virtual void WriteText(const char* text, std::size_t length) = 0;

    // Brings what has arrived into the receive ring. A transport with its own reader thread
    // has nothing to do here.
    virtual void FetchReceived() {}
    // Takes the oldest unread byte of the receive ring; false when the ring is empty.
    virtual bool PopReceived(std::uint8_t& byte) = 0;
    // Takes and clears the line-error flags (framing 0x02, parity 0x04, break 0x08).
    virtual std::uint8_t TakeLineErrors() = 0;

    // Sleeps until there may be something for ReadLine, or until `deadline`. Never spins.
    virtual void WaitForInput(TimePoint deadline) = 0;

    // Sets the line speed (8 data bits, one stop bit, no parity). False when the transport
    // cannot run at that speed.
    virtual bool SetLine(std::uint32_t baudRate) = 0;

    // True once the transport is known to carry nothing any more (its device went away), so that
    // waiting for a reply over it is pointless until it is opened again.
    virtual bool Gone() const { return false; }
};

}  // namespace krv
