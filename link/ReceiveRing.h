#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace krv {

// Byte ring shared by one producer and one consumer without locks. It is empty when both indices
// are equal and full when advancing the write index would make it equal to the read index, so it
// holds at most Size - 1 unread bytes; bytes that find it full are dropped. The producer stores a
// byte before it publishes the new write index (release), the consumer reads the byte before it
// publishes the new read index (release); each side reads the other's index with acquire.
// Neither index is ever reset: bytes left unread stay for the next reader.
template <int Size>
class ReceiveRing {
    static_assert(Size > 1);

  public:
    static constexpr int kSize = Size;

    // Producer: appends up to `length` bytes; returns how many were stored (the rest dropped).
    std::size_t Push(const std::uint8_t* data, std::size_t length)
    {
        std::int32_t write = writeIndex_.load(std::memory_order_relaxed);
        const std::int32_t read = readIndex_.load(std::memory_order_acquire);
        std::size_t stored = 0;
        for (; stored < length; ++stored) {
            const std::int32_t next = Next(write);
            if (next == read) break;
            bytes_[write] = data[stored];
            write = next;
        }
        writeIndex_.store(write, std::memory_order_release);
        return stored;
    }

    // Consumer: takes the oldest byte; false when the ring is empty.
    bool Pop(std::uint8_t& byte)
    {
        const std::int32_t read = readIndex_.load(std::memory_order_relaxed);
        if (read == writeIndex_.load(std::memory_order_acquire)) return false;
        byte = bytes_[read];
        readIndex_.store(Next(read), std::memory_order_release);
        return true;
    }

    // Consumer: forgets everything unread.
    void Clear()
    {
        readIndex_.store(writeIndex_.load(std::memory_order_acquire), std::memory_order_release);
    }

    // Empties the ring and puts both indices back to 0. Only for a ring whose producer and
    // consumer are one thread (the bridge's): a reader thread could be storing meanwhile.
    void ResetIndices()
    {
        writeIndex_.store(0, std::memory_order_release);
        readIndex_.store(0, std::memory_order_release);
    }

    bool Empty() const
    {
        return readIndex_.load(std::memory_order_acquire) ==
               writeIndex_.load(std::memory_order_acquire);
    }

    std::size_t Unread() const
    {
        const std::int32_t w = writeIndex_.load(std::memory_order_acquire);
        const std::int32_t r = readIndex_.load(std::memory_order_acquire);
        return static_cast<std::size_t>((w - r + Size) % Size);
    }

    std::int32_t WriteIndex() const { return writeIndex_.load(std::memory_order_acquire); }
    std::int32_t ReadIndex() const { return readIndex_.load(std::memory_order_acquire); }

  private:
    static std::int32_t Next(std::int32_t index) { return index + 1 == Size ? 0 : index + 1; }

    std::uint8_t bytes_[Size] = {};
    // Each index on its own cache line so the two threads do not fight over one line.
    alignas(64) std::atomic<std::int32_t> writeIndex_{0};
    alignas(64) std::atomic<std::int32_t> readIndex_{0};
};

}  // namespace krv
