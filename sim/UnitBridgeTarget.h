#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "sim/FaultPlan.h"
#include "sim/LineAssembler.h"
#include "sim/SimBridge.h"
#include "sim/SimServer.h"
#include "sim/VirtualUnit.h"

namespace krv::sim {

// The unit behind its bridge: the lines of the unit's protocol go to a VirtualUnit, the CBUS
// restart power-cycles it (it then asks for the outputs again, kResendRequest) and the boot
// pulse puts it into boot mode, where its boot loader takes the bytes.
class UnitBridgeTarget : public BridgeTarget {
  public:
    // The unit `server` serves on its pseudo-terminal: the pty and the bridge reach one unit.
    // `server` must outlive this target.
    explicit UnitBridgeTarget(SimServer& server);
    // A unit of its own, reached only through the bridge.
    explicit UnitBridgeTarget(UnitConfig config);

    // What answers while the unit is in boot mode: the unit's boot loader (SimBootLoader) unless
    // told otherwise; without one the unit is silent there.
    void SetBootLoader(std::shared_ptr<BridgeTarget> loader);
    bool InBootMode() const;

    // Faults of the unit's replies on the bridge's line, a FaultPlan list as on the pty ("delay=
    // 700:1#CRU"); empty: none. The bridge has no clock of its own, so a delayed reply goes out
    // once its time has come, with the next byte the unit receives: a late answer then arrives
    // while the host waits for the answer to its next command, ahead of that answer. A restart
    // loses what was held back. False, with the reason, when the list does not read.
    bool SetFaults(std::string_view list, std::string* error = nullptr);

    // Runs `f` on the unit under the lock that guards it.
    template <typename F>
    decltype(auto) WithUnit(F&& f) const
    {
        if (server_ != nullptr) return server_->WithUnit(std::forward<F>(f));
        std::lock_guard lock(ownMutex_);
        return std::forward<F>(f)(*own_);
    }

    void Receive(std::uint8_t byte, BridgeTime arrival, std::vector<BridgeReply>& replies) override;
    void Restart(bool bootMode, BridgeTime at, std::vector<BridgeReply>& replies) override;
    std::uint32_t BaudRate() const override;

  private:
    struct HeldReply {
        std::vector<std::string> chunks;
        BridgeTime due;
    };

    std::shared_ptr<BridgeTarget> BootLoader() const;
    // One reply of the unit through the faults.
    void Send(std::string reply, BridgeTime at, std::vector<BridgeReply>& replies);

    SimServer* server_ = nullptr;
    std::unique_ptr<VirtualUnit> own_;
    mutable std::mutex ownMutex_;
    mutable std::mutex loaderMutex_;
    std::shared_ptr<BridgeTarget> bootLoader_;
    mutable std::mutex faultMutex_;
    FaultPlan faults_;
    std::mt19937_64 random_{1};
    // Used under the bridge's lock only.
    LineAssembler assembler_;
    BridgeTime awakeAt_{};
    std::deque<HeldReply> held_;
};

}  // namespace krv::sim
