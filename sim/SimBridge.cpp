#include "sim/SimBridge.h"

#include <algorithm>
#include <utility>

#include "sim/WireTiming.h"

namespace krv::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kCbusMode = 0x20;
constexpr std::uint8_t kCbus0 = 0x01;  // the unit's reset, active low
constexpr std::uint8_t kCbus1 = 0x02;  // the unit's boot select, high for boot mode

}  // namespace

SimBridge::SimBridge(BridgeIdentity identity, std::shared_ptr<BridgeTarget> target, bool instant)
    : identity_(std::move(identity)), target_(std::move(target)), instant_(instant)
{
}

std::chrono::nanoseconds SimBridge::ByteTime() const
{
    return instant_ ? std::chrono::nanoseconds(0) : WireTimeAt(baudRate_, 1);
}

bool SimBridge::Open()
{
    OpenObserver observer;
    {
        std::lock_guard lock(mutex_);
        if (open_) return false;
        open_ = true;
        ++opens_;
        received_.clear();
        observer = openObserver_;
    }
    if (observer) observer(true);
    return true;
}

void SimBridge::SetOpenObserver(OpenObserver observer)
{
    std::lock_guard lock(mutex_);
    openObserver_ = std::move(observer);
}

void SimBridge::Close()
{
    Lock lock(mutex_);
    if (!open_) return;
    // What the host wrote still reaches the unit; what is on its way back has nobody to read it.
    Advance(toTarget_.empty() ? Clock::now() : std::max(Clock::now(), toTarget_.back().arrival));
    toHost_.clear();
    received_.clear();
    open_ = false;
    changed_.notify_all();
    const OpenObserver observer = openObserver_;
    lock.unlock();
    if (observer) observer(false);
}

bool SimBridge::IsOpen() const
{
    std::lock_guard lock(mutex_);
    return open_;
}

void SimBridge::ResetDevice()
{
    Purge(true, true);
}

void SimBridge::Purge(bool receive, bool transmit)
{
    std::lock_guard lock(mutex_);
    const BridgeTime now = Clock::now();
    Advance(now);
    if (receive) received_.clear();
    if (transmit) {
        // Bytes still waiting in the chip never go out; the one on the wire finishes.
        const BridgeTime cut = now + ByteTime();
        std::erase_if(toTarget_, [cut](const InFlight& b) { return b.arrival > cut; });
        toTargetFree_ = toTarget_.empty() ? now : toTarget_.back().arrival;
    }
    changed_.notify_all();
}

void SimBridge::SetTimeouts(std::chrono::milliseconds read, std::chrono::milliseconds write)
{
    std::lock_guard lock(mutex_);
    readTimeout_ = read;
    writeTimeout_ = write;
}

void SimBridge::SetLatencyTimer(std::uint8_t milliseconds)
{
    std::lock_guard lock(mutex_);
    latencyMs_ = milliseconds;
}

void SimBridge::SetBaudRate(std::uint32_t baudRate)
{
    std::lock_guard lock(mutex_);
    Advance(Clock::now());
    baudRate_ = baudRate;
}

void SimBridge::SetDataCharacteristics(std::uint8_t, std::uint8_t, std::uint8_t)
{
    // Every byte is timed as 8N1, the only framing the unit and its boot loader use.
}

void SimBridge::SetBitMode(std::uint8_t mask, std::uint8_t mode)
{
    std::lock_guard lock(mutex_);
    const BridgeTime now = Clock::now();
    Advance(now);
    cbusHistory_.push_back(CbusEvent{now, mask, mode});
    if (cbusHistory_.size() > kCbusHistoryLimit) cbusHistory_.pop_front();

    const bool wasHeld = resetHeld_;
    if (mode == kCbusMode) {
        // High nibble: which pins are driven; low nibble: their levels. An undriven pin is
        // pulled up on the unit's side.
        const std::uint8_t driven = static_cast<std::uint8_t>(mask >> 4);
        const std::uint8_t levels = mask & 0x0F;
        resetHeld_ = (driven & kCbus0) != 0 && (levels & kCbus0) == 0;
        if (resetHeld_) bootSelect_ = (driven & kCbus1) != 0 && (levels & kCbus1) != 0;
    } else {
        // Any other mode lets go of the CBUS pins.
        resetHeld_ = false;
    }
    if (resetHeld_ && !wasHeld) {
        // A unit in reset stops talking at once.
        toHost_.clear();
        toHostFree_ = now;
    }
    if (!resetHeld_ && wasHeld) {
        std::vector<BridgeReply> replies;
        target_->Restart(bootSelect_, now, replies);
        ++restarts_;
        if (bootSelect_) ++bootRestarts_;
        Schedule(replies, target_->BaudRate());
    }
    changed_.notify_all();
}

std::size_t SimBridge::Write(const std::uint8_t* bytes, std::size_t length)
{
    Lock lock(mutex_);
    if (!open_) return 0;
    const BridgeTime deadline = Clock::now() + writeTimeout_;
    std::size_t taken = 0;
    while (taken < length) {
        BridgeTime now = Clock::now();
        Advance(now);
        const std::size_t room = kTransmitLimit - std::min(kTransmitLimit, toTarget_.size());
        if (room == 0) {
            if (now >= deadline) break;
            WaitUntil(lock, deadline);
            continue;
        }
        const std::size_t count = std::min(room, length - taken);
        BridgeTime at = std::max(now, toTargetFree_);
        lineTime_ += static_cast<std::int64_t>(count) * WireTimeAt(baudRate_, 1);
        for (std::size_t k = 0; k < count; ++k) {
            at += ByteTime();
            toTarget_.push_back(InFlight{bytes[taken + k], at});
        }
        toTargetFree_ = at;
        taken += count;
    }
    changed_.notify_all();
    return taken;
}

std::size_t SimBridge::Read(std::uint8_t* buffer, std::size_t wanted)
{
    Lock lock(mutex_);
    if (!open_) return 0;
    const BridgeTime deadline = Clock::now() + readTimeout_;
    for (;;) {
        const BridgeTime now = Clock::now();
        Advance(now);
        const std::size_t have = received_.size();
        if (have >= wanted) break;
        if (have > 0 && !BurstContinues()) break;
        if (have == 0 && !Underway()) break;
        if (now >= deadline || !open_) break;
        WaitUntil(lock, NextEvent(deadline, wanted - have));
    }
    const std::size_t count = std::min(wanted, received_.size());
    std::copy_n(received_.begin(), count, buffer);
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

std::size_t SimBridge::QueueStatus()
{
    std::lock_guard lock(mutex_);
    Advance(Clock::now());
    return received_.size();
}

void SimBridge::WaitForReceive(BridgeTime deadline)
{
    Lock lock(mutex_);
    for (;;) {
        const BridgeTime now = Clock::now();
        Advance(now);
        if (!received_.empty() || !open_ || now >= deadline) return;
        WaitUntil(lock, NextEvent(deadline));
    }
}

void SimBridge::WaitUntil(Lock& lock, BridgeTime deadline)
{
    // Woken early by calls from other threads (a write, a close); the caller looks again.
    changed_.wait_until(lock, deadline);
}

bool SimBridge::BurstContinues() const
{
    // A burst goes on while its next byte follows the last one without a gap on the line.
    return !toHost_.empty() && toHost_.front().arrival <= lastArrival_ + ByteTime();
}

BridgeTime SimBridge::NextEvent(BridgeTime deadline, std::size_t burst) const
{
    BridgeTime next = deadline;
    // Every byte reaching the target may make it answer, so each one is an event.
    if (!toTarget_.empty()) next = std::min(next, toTarget_.front().arrival);
    if (!toHost_.empty()) {
        BridgeTime end = toHost_.front().arrival;
        for (std::size_t i = 1; i < std::min(burst, toHost_.size()); ++i) {
            if (toHost_[i].arrival > end + ByteTime()) break;
            end = toHost_[i].arrival;
        }
        next = std::min(next, end);
    }
    return next;
}

void SimBridge::Advance(BridgeTime now)
{
    // Both directions in time order: a reply is scheduled when the byte that causes it arrives.
    for (;;) {
        const bool targetNext =
            !toTarget_.empty() &&
            (toHost_.empty() || toTarget_.front().arrival <= toHost_.front().arrival);
        if (targetNext && toTarget_.front().arrival <= now) {
            const InFlight b = toTarget_.front();
            toTarget_.pop_front();
            if (resetHeld_) continue;  // a unit in reset hears nothing
            // The answer goes out at the speed the byte came in at, even when the byte makes
            // the target change its speed.
            const std::uint32_t rate = target_->BaudRate();
            if (baudRate_ != rate) {
                ++garbled_;
                continue;
            }
            std::vector<BridgeReply> replies;
            target_->Receive(b.byte, b.arrival, replies);
            Schedule(replies, rate);
            continue;
        }
        if (!toHost_.empty() && toHost_.front().arrival <= now) {
            const InFlight b = toHost_.front();
            toHost_.pop_front();
            lastArrival_ = b.arrival;
            if (open_ && received_.size() < kReceiveLimit) received_.push_back(b.byte);
            continue;
        }
        return;
    }
}

void SimBridge::Schedule(std::vector<BridgeReply>& replies, std::uint32_t rate)
{
    for (BridgeReply& reply : replies) {
        if (reply.bytes.empty()) continue;
        if (baudRate_ != rate) {
            garbled_ += reply.bytes.size();
            continue;
        }
        BridgeTime at = std::max(reply.ready, toHostFree_);
        lineTime_ += static_cast<std::int64_t>(reply.bytes.size()) * WireTimeAt(baudRate_, 1);
        for (const char c : reply.bytes) {
            at += ByteTime();
            toHost_.push_back(InFlight{static_cast<std::uint8_t>(c), at});
        }
        toHostFree_ = at;
    }
}

std::uint32_t SimBridge::BaudRate() const
{
    std::lock_guard lock(mutex_);
    return baudRate_;
}

std::uint8_t SimBridge::LatencyTimer() const
{
    std::lock_guard lock(mutex_);
    return latencyMs_;
}

std::vector<CbusEvent> SimBridge::CbusHistory() const
{
    std::lock_guard lock(mutex_);
    return {cbusHistory_.begin(), cbusHistory_.end()};
}

bool SimBridge::ResetHeld() const
{
    std::lock_guard lock(mutex_);
    return resetHeld_;
}

std::size_t SimBridge::Restarts() const
{
    std::lock_guard lock(mutex_);
    return restarts_;
}

std::size_t SimBridge::BootRestarts() const
{
    std::lock_guard lock(mutex_);
    return bootRestarts_;
}

std::size_t SimBridge::GarbledBytes() const
{
    std::lock_guard lock(mutex_);
    return garbled_;
}

std::size_t SimBridge::Opens() const
{
    std::lock_guard lock(mutex_);
    return opens_;
}

std::chrono::nanoseconds SimBridge::LineTime() const
{
    std::lock_guard lock(mutex_);
    return lineTime_;
}

}  // namespace krv::sim
