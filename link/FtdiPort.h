#pragma once

#include "link/ReceiveRing.h"

namespace krv {

// The unit's USB bridge driven directly (restart pulses, unit search, firmware programming).
// Until a bridge library is bound it has no device: it never opens and never delivers bytes.
class CFtdiPort {
  public:
    static constexpr int kRingSize = 4096;

    bool OpenFtdiDevice() { return false; }
    void CloseFtdiDevice() { ftdiOpen_ = false; }
    bool IsFtdiOpen() const { return ftdiOpen_; }

    // Moves what the bridge has received into the ring.
    void Fetch() {}
    void Write(const char*, std::size_t) {}

    ReceiveRing<kRingSize>& Ring() { return ring_; }

  private:
    ReceiveRing<kRingSize> ring_;
    bool ftdiOpen_ = false;
};

}  // namespace krv
