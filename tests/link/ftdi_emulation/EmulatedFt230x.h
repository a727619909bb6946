#pragma once

// An FT230X USB-to-serial bridge emulated at the USB level, for running libftdi1 (and the
// program's provider over it) against something that behaves like the chip.
//
// What the model relies on, and where each fact comes from:
// - Identity: vendor 0x0403, product 0x6015, bcdDevice 0x1000, one configuration with one
//   vendor-class interface holding bulk IN endpoint 0x81 and bulk OUT endpoint 0x02 of 64 bytes
//   (FT230X datasheet, "USB descriptors"; libftdi tells the FT-X family by bcdDevice 0x1000).
// - Vendor requests (type 0x40 host-to-device, 0xC0 device-to-host; request numbers as in
//   libftdi's public header ftdi.h and the Linux kernel's ftdi_sio.h): 0x00 reset (wValue 0 the
//   port, 1 the FIFO of bytes from the host, 2 the FIFO of bytes for the host: the chip's view,
//   spelled out in ftdi.h), 0x01 modem control, 0x02 flow control (handshake in wIndex's high
//   byte), 0x03 baud divisor, 0x04 data characteristics (wValue bits 0-7 data bits, 8-10
//   parity, 11-13 stop bits, 14 break), 0x05 modem status, 0x09/0x0A latency timer (1 to 255 ms),
//   0x0B bit mode (wValue: pin mask in the low byte, mode in the high byte), 0x0C pins,
//   0x90 EEPROM word read (word address in wIndex). The port number in wIndex's low byte is 0 or
//   1 for a single-port chip.
// - Baud divisor (FTDI AN232B-05 "Configuring FT232R, FT2232 and FT232B Baud Rates", which the
//   FT-X datasheet refers to for its UART): the line clock is 3 MHz; the divisor 3 MHz / baud is
//   sent as a 14-bit integer part (wValue bits 0-13) and a sub-integer part in eighths, coded in
//   wValue bits 14-15 and wIndex bit 0 as 0 = 0, 1 = 1/2, 2 = 1/4, 3 = 1/8, 4 = 3/8, 5 = 5/8,
//   6 = 3/4, 7 = 7/8. Divisor 0 means 3 Mbaud, 1 means 2 Mbaud; other divisors below 2 are not
//   allowed. A single-port chip takes nothing else in wIndex.
// - Bit modes of the FT-X family (FT-X datasheets, "Bit bang modes"): 0x00 off, 0x01
//   asynchronous and 0x04 synchronous bit-bang of the data pins, 0x20 CBUS bit-bang. In CBUS
//   bit-bang the mask's high nibble says which of CBUS0-3 are outputs and the low nibble their
//   levels; a pin only follows when its EEPROM function is "I/O mode" (0x08), otherwise it keeps
//   its own function and the request is silently without effect.
// - EEPROM: CBUS0-CBUS3 functions are the bytes at 0x1A-0x1D (as the Linux kernel's ftdi_sio
//   reads them for FT-X GPIOs, value 0x08 for I/O); checksum as FTDI's: start 0xAAAA, for each
//   word XOR then rotate left by one, stored in the last word; the FT-X user area (words 0x12 to
//   0x3F) is left out of it.
// - Bulk IN (FTDI AN232B-04 "Data Throughput, Latency and Handshaking"): every 64-byte packet
//   begins with two status bytes (modem status, line status), then up to 62 data bytes; with
//   nothing to send the chip still answers with the two status bytes when its latency timer
//   runs out.
//
// The unit's side: the serial line and the CBUS pins drive a simulated bridge line (SimBridge)
// and through it the virtual unit and its boot loader, instantly (no wire timing), so a line set
// to the wrong speed loses the bytes as a real one would.
//
// Checks: anything the chip would not accept or that cannot be meant for this unit's bridge
// (an unknown request, a divisor outside the encoding, a mode the FT-X lacks, data-pin bit-bang
// on the unit's serial line, EEPROM writes, transfers on endpoints the chip does not have) is
// recorded as an anomaly; the tests fail on any.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ThreadName.h"
#include "sim/SimBridge.h"

namespace krv::test {

inline constexpr std::uint16_t kFtdiVendor = 0x0403;
inline constexpr std::uint16_t kFt230xProduct = 0x6015;
inline constexpr std::uint16_t kFtxBcdDevice = 0x1000;
inline constexpr std::uint8_t kBulkInEndpoint = 0x81;
inline constexpr std::uint8_t kBulkOutEndpoint = 0x02;
inline constexpr std::size_t kPacketSize = 64;
inline constexpr std::uint8_t kCbusIoMode = 0x08;
inline constexpr std::size_t kEepromBytes = 256;

// One vendor request as it arrived.
struct ControlRecord {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    bool operator==(const ControlRecord&) const = default;
};

// For test messages: "request 0x03 value 0x809C index 0x0000".
void PrintTo(const ControlRecord& record, std::ostream* out);

struct Ft230xConfig {
    std::string manufacturer = "FTDI";
    std::string product = "Holvik KRV FT230X";
    std::string serialNumber = "KR2A0001";
    // EEPROM functions of CBUS0 to CBUS3.
    std::array<std::uint8_t, 4> cbusFunctions{kCbusIoMode, kCbusIoMode, kCbusIoMode, kCbusIoMode};
    std::uint8_t busNumber = 1;
    std::uint8_t deviceAddress = 7;
};

class EmulatedFt230x {
  public:
    // `target`: what sits behind the serial line and the CBUS pins.
    EmulatedFt230x(Ft230xConfig config, std::shared_ptr<sim::BridgeTarget> target);

    const Ft230xConfig& Config() const { return config_; }
    // The string of descriptor index 1 (manufacturer), 2 (product), 3 (serial number).
    std::optional<std::string> StringDescriptor(std::uint8_t index) const;

    // The USB side. Results are libusb's: a byte count or a LIBUSB_ERROR_* value.
    int Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                std::uint16_t index, std::uint8_t* data, std::uint16_t length);
    int Bulk(std::uint8_t endpoint, std::uint8_t* data, int length, int* transferred,
             unsigned timeoutMs);

    // Plugging.
    bool Present() const;
    void Unplug();
    // Pulled out once the host has sent `bytes` more on bulk OUT (the transfer that crosses the
    // mark still fails, as a transfer cut off by the unplugging would).
    void UnplugAfterBulkOut(std::size_t bytes);

    // The kernel's serial driver on the interface: bound at plug-in, detached while a program
    // has the interface claimed with automatic detaching, bound again when it lets go.
    bool KernelDriverBound() const;
    void SetKernelDriverBound(bool bound);
    // Called (outside the chip's lock) whenever the driver is bound or let go, as udev would
    // hear of the serial device coming and going.
    void OnKernelDriverChange(std::function<void(bool bound)> listener);

    // What the host sent.
    std::vector<ControlRecord> Controls() const;
    std::vector<ControlRecord> ControlsOf(std::uint8_t request) const;
    std::vector<std::string> Anomalies() const;
    // Vendor requests and bulk OUT transfers in the order they came, one line each (the last
    // kLogLimit), for messages of failed tests.
    std::string Log() const;
    static constexpr std::size_t kLogLimit = 400;
    void AddAnomaly(const std::string& text);
    std::uint8_t LatencyTimer() const;
    std::uint32_t BaudRate() const;
    std::uint16_t DataCharacteristics() const;
    std::size_t BulkOutBytes() const;
    std::size_t ReceivePurges() const;

    sim::SimBridge& Line() { return *line_; }
    const std::array<std::uint8_t, kEepromBytes>& Eeprom() const { return eeprom_; }

  private:
    int VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index);
    int VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                 std::uint16_t length);
    void CheckPort(std::uint8_t request, std::uint16_t index);
    void SetDivisor(std::uint16_t value, std::uint16_t index);
    void SetBitMode(std::uint8_t mask, std::uint8_t mode);
    int BulkIn(std::uint8_t* data, int length, unsigned timeoutMs);
    void BuildEeprom();

    const Ft230xConfig config_;
    std::shared_ptr<sim::SimBridge> line_;
    std::array<std::uint8_t, kEepromBytes> eeprom_{};

    mutable std::mutex mutex_;
    bool present_ = true;
    bool kernelDriver_ = true;
    std::function<void(bool)> driverListener_;
    std::optional<std::size_t> unplugAt_;
    std::vector<ControlRecord> controls_;
    std::vector<std::string> anomalies_;
    std::vector<std::string> log_;
    std::uint8_t latencyMs_ = 16;
    std::uint32_t baudRate_ = 9600;
    std::uint16_t data_ = 0x0008;
    std::uint8_t bitMode_ = 0;
    std::uint8_t pinLevels_ = 0x0F;
    std::size_t bulkOut_ = 0;
    std::size_t receivePurges_ = 0;
};

}  // namespace krv::test

namespace krv::test {

// The serial device the kernel's driver makes of the chip, as udev leaves it in /dev: here a
// symbolic link at `path` to the virtual unit's pseudo-terminal. It goes when the driver lets the
// chip go and is made again `returnDelay` after the driver has it back (never, with a negative
// delay), on a thread of its own.
class ReturningSerialDevice {
  public:
    ReturningSerialDevice(EmulatedFt230x& chip, std::string path, std::string target,
                          std::chrono::milliseconds returnDelay);
    ~ReturningSerialDevice();
    ReturningSerialDevice(const ReturningSerialDevice&) = delete;
    ReturningSerialDevice& operator=(const ReturningSerialDevice&) = delete;

    const std::string& Path() const { return path_; }
    bool Present() const;

  private:
    void Bound(bool bound);

    EmulatedFt230x& chip_;
    const std::string path_;
    const std::string target_;
    const std::chrono::milliseconds delay_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool bound_ = true;
    bool made_ = false;
    bool stopping_ = false;
    std::thread maker_;
};

}  // namespace krv::test
