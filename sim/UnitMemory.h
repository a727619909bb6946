#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/StandaloneMemory.h"

namespace krv::sim {

// The unit's standalone memory: a RAM buffer the host fills and reads, non-volatile storage in
// three areas of 1024 bytes, and the image the unit runs by after a restart. Commands take the
// text between STX and ETX of a checked frame and return the reply line (CR LF included).
class UnitMemory {
  public:
    static constexpr std::size_t kAreaSize = kMemoryAreaSize;
    static constexpr int kAreas = kMemoryAreaCount;
    static constexpr std::size_t kSize = kAreaSize * kAreas;
    using Bytes = std::array<std::uint8_t, kSize>;

    std::string Erase(std::string_view body);       // PE area
    std::string Store(std::string_view body);       // PS address, 32 bytes
    std::string Write(std::string_view body);       // PW area: buffer to storage
    std::string Load(std::string_view body);        // PM area: storage to buffer
    std::string Read(std::string_view body) const;  // PR offset: 32 bytes, or PREND
    std::string Move();                             // PI: the stored image into use

    // The buffer is RAM: a restart clears it. Storage and the image in use stay.
    void PowerCycle();

    const Bytes& Buffer() const { return buffer_; }
    const Bytes& Storage() const { return storage_; }
    bool HasImageInUse() const { return inUse_; }
    const MemoryImage& ImageInUse() const { return active_; }

    // The area digit of a PE, PW or PM body, or -1.
    static int AreaOf(std::string_view body);

  private:
    Bytes buffer_{};
    Bytes storage_{};
    MemoryImage active_{};
    bool inUse_ = false;
};

}  // namespace krv::sim
