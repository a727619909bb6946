#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace krv::sim {

// The unit's program flash: 128 KiB at 0xFFFE0000, erased in eight blocks of 16 KiB and
// programmed in 256-byte pages that must be erased (all 0xFF) first.
class ProgramFlash {
  public:
    static constexpr std::uint32_t kStart = 0xFFFE0000;
    static constexpr std::size_t kSize = 0x20000;
    static constexpr std::uint32_t kBlockSize = 0x4000;
    static constexpr std::uint32_t kBlocks = 8;
    static constexpr std::size_t kPageSize = 256;

    enum class Result { Done, BadAddress, NotErased };

    // As the unit leaves the factory: its firmware in place (nothing erased).
    ProgramFlash();

    // Erases the block that starts at `address`.
    Result EraseBlock(std::uint32_t address);
    // Programs the page at `address` (a multiple of 256 inside the window).
    Result ProgramPage(std::uint32_t address, std::span<const std::uint8_t, kPageSize> data);
    // The page at `address`; nothing when it is not a page of the window.
    std::optional<std::vector<std::uint8_t>> ReadPage(std::uint32_t address) const;

    // Whether the flash was erased or programmed since the last TakeChanged().
    bool TakeChanged();

    // What the firmware in the flash answers to VER: the six characters of the first "VER"
    // reply line ("VER", six bytes, CR LF) it holds. Nothing when it holds none: no firmware
    // that could run.
    std::optional<std::string> VersionText() const;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    static std::optional<std::size_t> OffsetOf(std::uint32_t address);

    std::vector<std::uint8_t> bytes_;
    bool changed_ = false;
};

}  // namespace krv::sim
