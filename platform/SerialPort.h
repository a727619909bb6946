#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/UniqueFd.h"

namespace krv {

// Cumulative line-error counters as the driver keeps them.
struct LineErrorCounts {
    std::uint32_t frame = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
};

// A serial device opened raw at 19200 baud, 8 data bits, no parity, one stop bit, non-blocking
// and owned by this object alone: an advisory lock on the device keeps out every other program
// that asks for it (root included), and exclusive mode keeps out other users' programs that do
// not ask. Reading and writing may happen from two different threads.
class SerialPort {
  public:
    enum class OpenResult { Opened, Failed, OpenedWithoutSettings, Busy };

    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device at `path`. OpenedWithoutSettings means the device is open but the line
    // settings could not be applied (the port is then used as the driver has it). Busy means
    // another program owns the port; it was left exactly as that program has it.
    OpenResult Open(const std::string& path, std::string* error = nullptr);
    // Gives the port up: exclusive mode is cleared first, so that the next program of any user
    // can open it (a pseudo-terminal whose other side stays open keeps the mode otherwise).
    void Close();
    bool IsOpen() const { return fd_.Valid(); }
    int Fd() const { return fd_.Get(); }

    enum class ReadStatus { Data, Nothing, HungUp };
    // Reads what is queued without blocking; `count` receives the number of bytes read.
    ReadStatus ReadAvailable(std::uint8_t* buffer, std::size_t capacity, std::size_t& count);

    // Writes all bytes, waiting at most `budget` in total for room in the driver's queue.
    // Returns false if not everything could be written.
    bool WriteAll(const std::uint8_t* data, std::size_t length, std::chrono::milliseconds budget);

    // Reads the driver's line-error counters; false when the driver does not keep them.
    bool ReadErrorCounters(LineErrorCounts& counts) const;

  private:
    UniqueFd fd_;
};

}  // namespace krv
