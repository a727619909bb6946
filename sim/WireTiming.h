#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace krv::sim {

// The unit's serial line: 19200 baud, 8N1, so every byte takes ten bit times on the wire.
inline constexpr std::int64_t kBaudRate = 19200;
inline constexpr std::int64_t kBitsPerByte = 10;

// Time `bytes` bytes take on the wire (≈ 520.83 µs each). Computed from the byte count in one
// step so long transfers do not accumulate rounding.
inline constexpr std::chrono::nanoseconds WireTime(std::size_t bytes)
{
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerByte *
                                    1'000'000'000 / kBaudRate);
}

// The same at another line speed (the bridge's line runs at 19200 or 1000000 baud).
inline constexpr std::chrono::nanoseconds WireTimeAt(std::uint32_t baudRate, std::size_t bytes)
{
    if (baudRate == 0) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerByte *
                                    1'000'000'000 / static_cast<std::int64_t>(baudRate));
}

}  // namespace krv::sim
