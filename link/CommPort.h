#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "link/ReceiveRing.h"
#include "link/Transport.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/UniqueFd.h"
#include "platform/UserInterface.h"

namespace krv {

// Line-error flags the reader records and ReadLine takes.
inline constexpr std::uint8_t kFramingError = 0x02;
inline constexpr std::uint8_t kParityError = 0x04;
inline constexpr std::uint8_t kBreakError = 0x08;

// "<name>は使えません": the port `name` cannot be opened, in the program's language.
std::string PortRefusal(const std::string& name);
// Second line of the "は使えません" message when the port belongs to another program.
inline constexpr const char* kPortInUseText =
    KRV_TRANSLATE_NOOP("CommPort", "別のプログラムがこのポートを使用しています");

// The serial link to the unit: the port, its reader thread and the 512-byte receive ring.
class CCommPort : public Transport {
  public:
    static constexpr int kRingSize = 512;
    static constexpr std::uint32_t kBaudRate = 19200;

    CCommPort() = default;
    ~CCommPort() override;
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    // Port name: a path relative to /dev ("ttyUSB0", "pts/3") or an absolute path.
    void SetPortName(std::string name) { portName_ = std::move(name); }
    const std::string& PortName() const { return portName_; }
    // The device path a port name opens.
    static std::string DevicePath(const std::string& portName);

    // Opens the port if it is not open yet. On failure shows "<name>は使えません" through `ui`,
    // followed on a second line by kPortInUseText when another program owns the port.
    bool OpenPort(UserInterface& ui);
    void ClosePort();
    bool IsOpen() const override { return isOpen_.load(std::memory_order_acquire); }

    // Hands `length` bytes to the driver without waiting for them to leave. Nothing happens while
    // the port is closed; write errors are not reported (a lost command shows up as a time-out).
    void WriteText(const char* text, std::size_t length) override;

    // Consumer side, used by ReadLine.
    ReceiveRing<kRingSize>& Ring() { return ring_; }
    // Takes and clears the line-error flags.
    std::uint8_t TakeLineErrors() override;

    // Blocks until unread bytes or line errors are pending, or until `deadline`.
    void WaitForInput(TimePoint deadline) override;

    // Transport. The reader thread fills the ring, so there is nothing to fetch; the line runs
    // at 19200 baud only.
    bool Open(UserInterface& ui) override { return OpenPort(ui); }
    void Close() override { ClosePort(); }
    bool PopReceived(std::uint8_t& byte) override { return ring_.Pop(byte); }
    bool SetLine(std::uint32_t baudRate) override { return baudRate == kBaudRate; }

    // Producer side: what the reader thread does with what it reads. Tests play the reader
    // through these as well.
    void DeliverReceived(const std::uint8_t* data, std::size_t length);
    void DeliverLineErrors(std::uint8_t flags);

  private:
    void ReaderLoop();
    void WakeWaiters();

    std::string portName_;
    SerialPort port_;
    UniqueFd stopEvent_;
    std::thread reader_;
    std::atomic<bool> isOpen_{false};

    ReceiveRing<kRingSize> ring_;
    std::atomic<std::uint8_t> lineErrors_{0};

    std::mutex waitMutex_;
    std::condition_variable inputArrived_;
    // Threads inside WaitForInput. The reader wakes waiters only when there are some, so the
    // passes nobody waits for (all of them between exchanges) take no lock and notify no one.
    std::atomic<int> waiters_{0};
};

}  // namespace krv
