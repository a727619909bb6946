#include "sim/UnitBridgeTarget.h"

#include <string>
#include <string_view>

#include "sim/BootLoader.h"
#include "sim/WireTiming.h"

namespace krv::sim {

UnitBridgeTarget::UnitBridgeTarget(SimServer& server)
    : server_(&server), bootLoader_(std::make_shared<SimBootLoader>(*this))
{
}

UnitBridgeTarget::UnitBridgeTarget(UnitConfig config)
    : own_(std::make_unique<VirtualUnit>(std::move(config))),
      bootLoader_(std::make_shared<SimBootLoader>(*this))
{
}

void UnitBridgeTarget::SetBootLoader(std::shared_ptr<BridgeTarget> loader)
{
    std::lock_guard lock(loaderMutex_);
    bootLoader_ = std::move(loader);
}

std::shared_ptr<BridgeTarget> UnitBridgeTarget::BootLoader() const
{
    std::lock_guard lock(loaderMutex_);
    return bootLoader_;
}

bool UnitBridgeTarget::SetFaults(std::string_view list, std::string* error)
{
    auto plan = FaultPlan::Parse(list, error);
    if (!plan) return false;
    std::lock_guard lock(faultMutex_);
    faults_ = std::move(*plan);
    return true;
}

void UnitBridgeTarget::Send(std::string reply, BridgeTime at, std::vector<BridgeReply>& replies)
{
    FaultedReply faulted;
    {
        std::lock_guard lock(faultMutex_);
        if (faults_.Empty()) {
            replies.push_back({std::move(reply), at});
            return;
        }
        faulted = faults_.Apply(std::move(reply), random_);
    }
    if (faulted.delay.count() > 0) {
        held_.push_back({std::move(faulted.chunks), at + faulted.delay});
        return;
    }
    for (std::string& chunk : faulted.chunks) replies.push_back({std::move(chunk), at});
}

bool UnitBridgeTarget::InBootMode() const
{
    return WithUnit([](const VirtualUnit& unit) { return unit.InBootMode(); });
}

void UnitBridgeTarget::Receive(std::uint8_t byte, BridgeTime arrival,
                               std::vector<BridgeReply>& replies)
{
    // A unit still starting up does not listen yet.
    if (arrival < awakeAt_) return;
    if (InBootMode()) {
        if (const auto loader = BootLoader()) loader->Receive(byte, arrival, replies);
        return;
    }
    while (!held_.empty() && held_.front().due <= arrival) {
        for (std::string& chunk : held_.front().chunks)
            replies.push_back({std::move(chunk), arrival});
        held_.pop_front();
    }
    const char c = static_cast<char>(byte);
    for (LineAssembler::Line& line : assembler_.Feed(std::string_view(&c, 1))) {
        std::vector<std::string> answers =
            WithUnit([&](VirtualUnit& unit) { return unit.HandleLine(line.bytes, arrival); });
        for (std::string& answer : answers) Send(std::move(answer), arrival, replies);
    }
}

void UnitBridgeTarget::Restart(bool bootMode, BridgeTime at, std::vector<BridgeReply>& replies)
{
    assembler_.Reset();
    held_.clear();
    if (bootMode) {
        WithUnit([](VirtualUnit& unit) { unit.EnterBootMode(); });
        awakeAt_ = at;
        if (const auto loader = BootLoader()) loader->Restart(true, at, replies);
        return;
    }
    // Like a power cycle; the served unit also drops what it had not yet sent on its pty.
    if (server_ != nullptr) {
        server_->Restart();
    } else {
        WithUnit([](VirtualUnit& unit) { unit.PowerCycle(); });
    }
    awakeAt_ = at + (server_ != nullptr ? server_->StartUpTime() : SimServer::kStartUpTime);
    // A unit whose flash holds no firmware does not start.
    if (WithUnit([](const VirtualUnit& unit) { return unit.RunningFirmware().has_value(); })) {
        replies.push_back({std::string(kResendRequest), awakeAt_});
    }
}

std::uint32_t UnitBridgeTarget::BaudRate() const
{
    if (InBootMode()) {
        if (const auto loader = BootLoader()) return loader->BaudRate();
    }
    return static_cast<std::uint32_t>(kBaudRate);
}

}  // namespace krv::sim
