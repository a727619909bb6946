#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/UnitBridge.h"

namespace krv::sim {

using BridgeTime = std::chrono::steady_clock::time_point;

// Bytes the unit sends back, leaving at `ready` or as soon as the line is free after that.
struct BridgeReply {
    std::string bytes;
    BridgeTime ready;
};

// What sits behind a simulated bridge's serial line: the unit's firmware, or its boot loader.
// Called with the bridge's lock held, from whichever thread drives the bridge.
class BridgeTarget {
  public:
    virtual ~BridgeTarget() = default;

    // A byte from the host that finished arriving at `arrival`; the replies it causes are
    // appended to `replies`.
    virtual void Receive(std::uint8_t byte, BridgeTime arrival,
                         std::vector<BridgeReply>& replies) = 0;
    // The bridge's CBUS pins let go of the unit's reset at `at`: the unit starts again, in its
    // boot mode when the boot-select pin was high while the reset was held.
    virtual void Restart(bool bootMode, BridgeTime at, std::vector<BridgeReply>& replies) = 0;
    // The speed of the target's serial line. Bytes sent at another speed arrive as garbage and
    // are lost.
    virtual std::uint32_t BaudRate() const { return 19200; }
};

// How the D2XX library names a bridge.
struct BridgeIdentity {
    std::string description = kUnitBridgeDescription;
    std::string serialNumber;
};

// One call of the bridge's CBUS bit mode.
struct CbusEvent {
    BridgeTime time;
    std::uint8_t mask = 0;
    std::uint8_t mode = 0;
};

// A simulated FT230X bridge, as the D2XX calls see it. Bytes the host writes travel to the
// target at the line's speed (10 bit times each); the target's replies travel back the same way
// and wait in the bridge until the host reads them. The CBUS bit-bang pins drive the unit's
// reset (CBUS0, active low) and boot select (CBUS1, high for boot mode).
//
// No thread runs: the simulated line is worked out from the clock whenever the host calls, so
// an idle bridge costs nothing. Thread-safe.
class SimBridge {
  public:
    // Bytes held for the host; more are lost as in a driver's overrun.
    static constexpr std::size_t kReceiveLimit = 65536;
    // Host bytes accepted but not yet on the target's side; a write waits for room.
    static constexpr std::size_t kTransmitLimit = 4096;
    static constexpr std::size_t kCbusHistoryLimit = 256;
    // The chip's rate after power-up, until the host sets one.
    static constexpr std::uint32_t kPowerOnBaudRate = 9600;

    // `instant`: bytes take no time on the line.
    SimBridge(BridgeIdentity identity, std::shared_ptr<BridgeTarget> target, bool instant = false);
    SimBridge(const SimBridge&) = delete;
    SimBridge& operator=(const SimBridge&) = delete;

    const BridgeIdentity& Identity() const { return identity_; }

    // Told when the host opens (true) or closes (false) the bridge, outside the bridge's lock: the
    // serial port of a real bridge is gone while the bridge is driven directly.
    using OpenObserver = std::function<void(bool open)>;
    void SetOpenObserver(OpenObserver observer);

    // The device side of the D2XX calls.
    bool Open();  // false when it is open already
    void Close();
    bool IsOpen() const;
    void ResetDevice();
    void Purge(bool receive, bool transmit);
    void SetTimeouts(std::chrono::milliseconds read, std::chrono::milliseconds write);
    void SetLatencyTimer(std::uint8_t milliseconds);
    void SetBaudRate(std::uint32_t baudRate);
    void SetDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity);
    void SetBitMode(std::uint8_t mask, std::uint8_t mode);
    // Returns how many bytes were taken (fewer when the line stays full past the write time-out).
    std::size_t Write(const std::uint8_t* bytes, std::size_t length);
    // FT_Read: up to `wanted` bytes of what has arrived. Waits (at most the read time-out) only
    // while something is under way on the line: for the first byte of an answer, and for the
    // rest of a burst that has begun. With nothing under way it returns at once.
    std::size_t Read(std::uint8_t* buffer, std::size_t wanted);
    // Bytes arrived and not read yet.
    std::size_t QueueStatus();
    // Sleeps until a byte has arrived for the host, or until `deadline`.
    void WaitForReceive(BridgeTime deadline);

    // For tests and tools.
    std::uint32_t BaudRate() const;
    std::uint8_t LatencyTimer() const;
    std::vector<CbusEvent> CbusHistory() const;
    bool ResetHeld() const;
    std::size_t Restarts() const;      // every restart by the CBUS pins
    std::size_t BootRestarts() const;  // those into boot mode
    // Bytes lost because the host's and the target's line speeds differed.
    std::size_t GarbledBytes() const;
    // How often the bridge was opened.
    std::size_t Opens() const;
    // Time every byte written or answered took on the line, at the speed it went at: the least
    // any exchange over the bridge can take.
    std::chrono::nanoseconds LineTime() const;

  private:
    struct InFlight {
        std::uint8_t byte;
        BridgeTime arrival;  // when its last bit is on the other side
    };
    using Lock = std::unique_lock<std::mutex>;

    std::chrono::nanoseconds ByteTime() const;
    // Works the line out up to `now`: host bytes reach the target, replies reach the bridge.
    void Advance(BridgeTime now);
    // Replies the target sends at `rate`; at any other speed than the bridge's they are lost.
    void Schedule(std::vector<BridgeReply>& replies, std::uint32_t rate);
    bool Underway() const { return !toTarget_.empty() || !toHost_.empty(); }
    bool BurstContinues() const;
    // When something next happens on the line, before `deadline`. A reader that wants `burst`
    // more bytes sleeps through a burst of replies up to its end rather than byte by byte.
    BridgeTime NextEvent(BridgeTime deadline, std::size_t burst = 1) const;
    void WaitUntil(Lock& lock, BridgeTime deadline);

    const BridgeIdentity identity_;
    const std::shared_ptr<BridgeTarget> target_;
    const bool instant_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    OpenObserver openObserver_;
    std::uint32_t baudRate_ = kPowerOnBaudRate;
    std::uint8_t latencyMs_ = 16;
    std::chrono::milliseconds readTimeout_{0};
    std::chrono::milliseconds writeTimeout_{0};
    std::deque<InFlight> toTarget_;
    std::deque<InFlight> toHost_;
    std::deque<std::uint8_t> received_;
    BridgeTime lastArrival_{};
    BridgeTime toTargetFree_{};
    BridgeTime toHostFree_{};
    bool resetHeld_ = false;
    bool bootSelect_ = false;
    std::deque<CbusEvent> cbusHistory_;
    std::size_t restarts_ = 0;
    std::size_t bootRestarts_ = 0;
    std::size_t garbled_ = 0;
    std::size_t opens_ = 0;
    std::chrono::nanoseconds lineTime_{0};
};

}  // namespace krv::sim
