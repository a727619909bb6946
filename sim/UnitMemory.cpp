#include "sim/UnitMemory.h"

#include <algorithm>

#include "protocol/CommandFrame.h"
#include "sim/UnitReplies.h"

namespace krv::sim {

int UnitMemory::AreaOf(std::string_view body)
{
    if (body.size() != 3 || body[2] < '0' || body[2] >= '0' + kAreas) return -1;
    return body[2] - '0';
}

std::string UnitMemory::Erase(std::string_view body)
{
    const int area = AreaOf(body);
    if (area < 0) return NgReply(kNgFormat);
    // Erased memory reads as zero, and the buffer's copy of the area goes with it: a transfer that
    // leaves out a blank tail then stores and reads back exactly the zeros the image holds.
    const auto from = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area) * kAreaSize);
    std::fill_n(storage_.begin() + from, kAreaSize, 0);
    std::fill_n(buffer_.begin() + from, kAreaSize, 0);
    return OkReply();
}

std::string UnitMemory::Store(std::string_view body)
{
    unsigned address = 0;
    if (body.size() != 2 + 4 + 2 * kMemoryBlockSize || !ReadUpperHex(body, 2, 4, address) ||
        address + kMemoryBlockSize > kSize) {
        return NgReply(kNgFormat);
    }
    std::array<std::uint8_t, kMemoryBlockSize> block{};
    for (std::size_t k = 0; k < kMemoryBlockSize; ++k) {
        unsigned byte = 0;
        if (!ReadUpperHex(body, 6 + 2 * k, 2, byte)) return NgReply(kNgFormat);
        block[k] = static_cast<std::uint8_t>(byte);
    }
    std::copy(block.begin(), block.end(), buffer_.begin() + address);
    return OkReply();
}

std::string UnitMemory::Write(std::string_view body)
{
    const int area = AreaOf(body);
    if (area < 0) return NgReply(kNgFormat);
    const auto from = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area) * kAreaSize);
    std::copy_n(buffer_.begin() + from, kAreaSize, storage_.begin() + from);
    return OkReply();
}

std::string UnitMemory::Load(std::string_view body)
{
    const int area = AreaOf(body);
    if (area < 0) return NgReply(kNgFormat);
    const auto from = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area) * kAreaSize);
    std::copy_n(storage_.begin() + from, kAreaSize, buffer_.begin() + from);
    return OkReply();
}

std::string UnitMemory::Read(std::string_view body) const
{
    unsigned high = 0;
    unsigned low = 0;
    if (body.size() != 10 || !ReadUpperHex(body, 2, 4, high) || !ReadUpperHex(body, 6, 4, low)) {
        return NgReply(kNgFormat);
    }
    const std::uint32_t offset = (high << 16) | low;
    if (offset >= kStandaloneImageSize) return CommandFrame::Framed("PREND").WithEtxAndChecksum();
    CommandFrame reply = CommandFrame::Framed("PR");
    reply.Hex8(offset);
    for (std::size_t k = 0; k < kMemoryBlockSize; ++k) reply.Hex2(buffer_[offset + k]);
    return reply.WithEtxAndChecksum();
}

std::string UnitMemory::Move()
{
    std::copy_n(storage_.begin(), active_.size(), active_.begin());
    inUse_ = true;
    return OkReply();
}

void UnitMemory::PowerCycle()
{
    buffer_.fill(0);
}

}  // namespace krv::sim
