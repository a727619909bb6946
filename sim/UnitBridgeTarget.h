#pragma once

#include <memory>
#include <mutex>
#include <utility>

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
    std::shared_ptr<BridgeTarget> BootLoader() const;

    SimServer* server_ = nullptr;
    std::unique_ptr<VirtualUnit> own_;
    mutable std::mutex ownMutex_;
    mutable std::mutex loaderMutex_;
    std::shared_ptr<BridgeTarget> bootLoader_;
    // Used under the bridge's lock only.
    LineAssembler assembler_;
    BridgeTime awakeAt_{};
};

}  // namespace krv::sim
