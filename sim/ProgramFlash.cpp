#include "sim/ProgramFlash.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace krv::sim {

namespace {

// What the factory firmware is made of, as far as the flash is concerned: nothing erased.
constexpr std::uint8_t kFactoryFill = 0x00;
constexpr std::string_view kVersionPrefix = "VER";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kVersionLength = 6;

}  // namespace

ProgramFlash::ProgramFlash() : bytes_(kSize, kFactoryFill) {}

std::optional<std::size_t> ProgramFlash::OffsetOf(std::uint32_t address)
{
    const std::uint32_t offset = address - kStart;  // modulo 2^32
    if (address < kStart || offset >= kSize) return std::nullopt;
    return offset;
}

ProgramFlash::Result ProgramFlash::EraseBlock(std::uint32_t address)
{
    const auto offset = OffsetOf(address);
    if (!offset || *offset % kBlockSize != 0) return Result::BadAddress;
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(*offset), kBlockSize, 0xFF);
    changed_ = true;
    return Result::Done;
}

ProgramFlash::Result ProgramFlash::ProgramPage(std::uint32_t address,
                                               std::span<const std::uint8_t, kPageSize> data)
{
    const auto offset = OffsetOf(address);
    if (!offset || *offset % kPageSize != 0) return Result::BadAddress;
    const auto page = bytes_.begin() + static_cast<std::ptrdiff_t>(*offset);
    if (!std::all_of(page, page + kPageSize, [](std::uint8_t b) { return b == 0xFF; })) {
        return Result::NotErased;
    }
    std::copy(data.begin(), data.end(), page);
    changed_ = true;
    return Result::Done;
}

std::optional<std::vector<std::uint8_t>> ProgramFlash::ReadPage(std::uint32_t address) const
{
    const auto offset = OffsetOf(address);
    if (!offset || *offset % kPageSize != 0) return std::nullopt;
    const auto page = bytes_.begin() + static_cast<std::ptrdiff_t>(*offset);
    return std::vector<std::uint8_t>(page, page + kPageSize);
}

bool ProgramFlash::TakeChanged()
{
    return std::exchange(changed_, false);
}

std::optional<std::string> ProgramFlash::VersionText() const
{
    const std::string_view flash(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
    const std::size_t lineLength = kVersionPrefix.size() + kVersionLength + kLineEnd.size();
    for (std::size_t at = flash.find(kVersionPrefix); at != std::string_view::npos;
         at = flash.find(kVersionPrefix, at + 1)) {
        if (at + lineLength > flash.size()) break;
        if (flash.substr(at + kVersionPrefix.size() + kVersionLength, kLineEnd.size()) ==
            kLineEnd) {
            return std::string(flash.substr(at + kVersionPrefix.size(), kVersionLength));
        }
    }
    return std::nullopt;
}

}  // namespace krv::sim
