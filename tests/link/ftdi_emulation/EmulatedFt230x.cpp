#include "EmulatedFt230x.h"

#include <libusb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace krv::test {

namespace {

constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;

enum Request : std::uint8_t {
    kReset = 0x00,
    kModemControl = 0x01,
    kFlowControl = 0x02,
    kBaudDivisor = 0x03,
    kData = 0x04,
    kModemStatus = 0x05,
    kEventChar = 0x06,
    kErrorChar = 0x07,
    kSetLatency = 0x09,
    kGetLatency = 0x0A,
    kBitMode = 0x0B,
    kReadPins = 0x0C,
    kReadEeprom = 0x90,
    kWriteEeprom = 0x91,
    kEraseEeprom = 0x92,
};

// Bits 14-15 of wValue and bit 0 of wIndex give the sub-integer code; this is its value in
// eighths (AN232B-05).
constexpr std::array<std::uint32_t, 8> kEighthsOfCode = {0, 4, 2, 1, 3, 5, 6, 7};

// Modem status (bit 0 always set) and line status (transmitter holding register and transmitter
// empty): the two bytes an idle FT230X puts at the head of each packet.
constexpr std::uint8_t kModemStatusByte = 0x01;
constexpr std::uint8_t kLineStatusByte = 0x60;

std::string Hex(unsigned value, int digits = 2)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

}  // namespace

void PrintTo(const ControlRecord& record, std::ostream* out)
{
    *out << "type " << Hex(record.requestType) << " request " << Hex(record.request) << " value "
         << Hex(record.value, 4) << " index " << Hex(record.index, 4);
}

EmulatedFt230x::EmulatedFt230x(Ft230xConfig config, std::shared_ptr<sim::BridgeTarget> target)
    : config_(std::move(config)),
      line_(std::make_shared<sim::SimBridge>(
          sim::BridgeIdentity{config_.product, config_.serialNumber}, std::move(target),
          /*instant=*/true))
{
    // The line itself never waits: the latency timer is kept by the bulk IN side.
    line_->Open();
    line_->SetTimeouts(std::chrono::milliseconds(0), std::chrono::milliseconds(1000));
    BuildEeprom();
}

void EmulatedFt230x::BuildEeprom()
{
    auto put16 = [this](std::size_t at, std::uint16_t v) {
        eeprom_[at] = static_cast<std::uint8_t>(v & 0xFF);
        eeprom_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put16(0x02, kFtdiVendor);
    put16(0x04, kFt230xProduct);
    put16(0x06, kFtxBcdDevice);
    eeprom_[0x08] = 0x80;  // bus powered
    eeprom_[0x09] = 45;    // 90 mA, in 2 mA units
    for (std::size_t i = 0; i < config_.cbusFunctions.size(); ++i) {
        eeprom_[0x1A + i] = config_.cbusFunctions[i];
    }
    // The strings go after the user area, as USB string descriptors (length, type 3, UTF-16LE),
    // pointed at by offset and length bytes at 0x0E/0x0F, 0x10/0x11 and 0x12/0x13.
    std::size_t at = 0xA0;
    const std::string* strings[] = {&config_.manufacturer, &config_.product, &config_.serialNumber};
    for (std::size_t s = 0; s < 3; ++s) {
        const std::string& text = *strings[s];
        const std::size_t length = 2 + 2 * text.size();
        if (at + length > kEepromBytes - 2) break;
        eeprom_[0x0E + 2 * s] = static_cast<std::uint8_t>(at);
        eeprom_[0x0F + 2 * s] = static_cast<std::uint8_t>(length);
        eeprom_[at] = static_cast<std::uint8_t>(length);
        eeprom_[at + 1] = 0x03;
        for (std::size_t i = 0; i < text.size(); ++i) eeprom_[at + 2 + 2 * i] = text[i];
        at += length;
    }
    std::uint16_t checksum = 0xAAAA;
    for (std::size_t word = 0; word < kEepromBytes / 2 - 1; ++word) {
        if (word == 0x12) word = 0x40;  // the user area is not part of it
        const auto value =
            static_cast<std::uint16_t>(eeprom_[2 * word] | (eeprom_[2 * word + 1] << 8));
        checksum = static_cast<std::uint16_t>(checksum ^ value);
        checksum = static_cast<std::uint16_t>((checksum << 1) | (checksum >> 15));
    }
    put16(kEepromBytes - 2, checksum);
}

std::optional<std::string> EmulatedFt230x::StringDescriptor(std::uint8_t index) const
{
    switch (index) {
        case 1:
            return config_.manufacturer;
        case 2:
            return config_.product;
        case 3:
            return config_.serialNumber;
        default:
            return std::nullopt;
    }
}

bool EmulatedFt230x::Present() const
{
    std::lock_guard lock(mutex_);
    return present_;
}

void EmulatedFt230x::Unplug()
{
    {
        std::lock_guard lock(mutex_);
        present_ = false;
    }
    SetKernelDriverBound(false);
}

void EmulatedFt230x::UnplugAfterBulkOut(std::size_t bytes)
{
    std::lock_guard lock(mutex_);
    unplugAt_ = bulkOut_ + bytes;
}

bool EmulatedFt230x::KernelDriverBound() const
{
    std::lock_guard lock(mutex_);
    return kernelDriver_;
}

void EmulatedFt230x::SetKernelDriverBound(bool bound)
{
    std::function<void(bool)> listener;
    bool now = false;
    {
        std::lock_guard lock(mutex_);
        now = bound && present_;
        if (now == kernelDriver_) return;
        kernelDriver_ = now;
        listener = driverListener_;
    }
    if (listener) listener(now);
}

void EmulatedFt230x::OnKernelDriverChange(std::function<void(bool bound)> listener)
{
    std::lock_guard lock(mutex_);
    driverListener_ = std::move(listener);
}

std::vector<ControlRecord> EmulatedFt230x::Controls() const
{
    std::lock_guard lock(mutex_);
    return controls_;
}

std::vector<ControlRecord> EmulatedFt230x::ControlsOf(std::uint8_t request) const
{
    std::vector<ControlRecord> found;
    for (const ControlRecord& c : Controls()) {
        if (c.request == request) found.push_back(c);
    }
    return found;
}

std::vector<std::string> EmulatedFt230x::Anomalies() const
{
    std::lock_guard lock(mutex_);
    return anomalies_;
}

void EmulatedFt230x::AddAnomaly(const std::string& text)
{
    std::lock_guard lock(mutex_);
    anomalies_.push_back(text);
}

std::string EmulatedFt230x::Log() const
{
    std::lock_guard lock(mutex_);
    std::string text;
    for (const std::string& line : log_) text += line + "\n";
    return text;
}

std::uint8_t EmulatedFt230x::LatencyTimer() const
{
    std::lock_guard lock(mutex_);
    return latencyMs_;
}

std::uint32_t EmulatedFt230x::BaudRate() const
{
    std::lock_guard lock(mutex_);
    return baudRate_;
}

std::uint16_t EmulatedFt230x::DataCharacteristics() const
{
    std::lock_guard lock(mutex_);
    return data_;
}

std::size_t EmulatedFt230x::BulkOutBytes() const
{
    std::lock_guard lock(mutex_);
    return bulkOut_;
}

std::size_t EmulatedFt230x::ReceivePurges() const
{
    std::lock_guard lock(mutex_);
    return receivePurges_;
}

int EmulatedFt230x::Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                            std::uint16_t index, std::uint8_t* data, std::uint16_t length)
{
    std::unique_lock lock(mutex_);
    if (!present_) return LIBUSB_ERROR_NO_DEVICE;
    controls_.push_back({requestType, request, value, index});
    if (log_.size() >= kLogLimit) log_.erase(log_.begin());
    log_.push_back("control " + Hex(requestType) + " " + Hex(request) + " " + Hex(value, 4) + " " +
                   Hex(index, 4));
    if (requestType == kVendorOut) {
        if (length != 0) anomalies_.push_back("vendor request " + Hex(request) + " with data");
        const int result = VendorOut(request, value, index);
        return result;
    }
    if (requestType == kVendorIn) return VendorIn(request, value, index, data, length);
    anomalies_.push_back("control request type " + Hex(requestType) + " request " + Hex(request));
    return LIBUSB_ERROR_PIPE;
}

void EmulatedFt230x::CheckPort(std::uint8_t request, std::uint16_t index)
{
    if ((index & 0xFF) > 1) {
        anomalies_.push_back("request " + Hex(request) + " for port " + Hex(index & 0xFF) +
                             " of a single-port chip");
    }
}

int EmulatedFt230x::VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index)
{
    switch (request) {
        case kReset:
            CheckPort(request, index);
            if (value == 0) {
                line_->ResetDevice();
                ++receivePurges_;
            } else if (value == 1) {
                line_->Purge(false, true);
            } else if (value == 2) {
                line_->Purge(true, false);
                ++receivePurges_;
            } else {
                anomalies_.push_back("reset with wValue " + Hex(value, 4));
                return LIBUSB_ERROR_PIPE;
            }
            return 0;
        case kModemControl:
        case kEventChar:
        case kErrorChar:
            CheckPort(request, index);
            return 0;
        case kFlowControl: {
            CheckPort(request, index);
            const unsigned handshake = index >> 8;
            if (handshake != 0 && handshake != 1 && handshake != 2 && handshake != 4) {
                anomalies_.push_back("flow control " + Hex(handshake));
            }
            return 0;
        }
        case kBaudDivisor:
            SetDivisor(value, index);
            return 0;
        case kData: {
            CheckPort(request, index);
            const unsigned bits = value & 0xFF;
            const unsigned parity = (value >> 8) & 0x07;
            const unsigned stop = (value >> 11) & 0x07;
            if ((bits != 7 && bits != 8) || parity > 4 || stop > 2) {
                anomalies_.push_back("data characteristics " + Hex(value, 4));
                return LIBUSB_ERROR_PIPE;
            }
            data_ = value;
            line_->SetDataCharacteristics(static_cast<std::uint8_t>(bits),
                                          static_cast<std::uint8_t>(stop),
                                          static_cast<std::uint8_t>(parity));
            return 0;
        }
        case kSetLatency:
            CheckPort(request, index);
            if (value < 1 || value > 255) {
                anomalies_.push_back("latency timer " + std::to_string(value) + " ms");
                return LIBUSB_ERROR_PIPE;
            }
            latencyMs_ = static_cast<std::uint8_t>(value);
            line_->SetLatencyTimer(latencyMs_);
            return 0;
        case kBitMode:
            CheckPort(request, index);
            SetBitMode(static_cast<std::uint8_t>(value & 0xFF),
                       static_cast<std::uint8_t>(value >> 8));
            return 0;
        case kWriteEeprom:
        case kEraseEeprom:
            anomalies_.push_back("EEPROM changed (request " + Hex(request) + ")");
            return LIBUSB_ERROR_PIPE;
        default:
            anomalies_.push_back("unknown vendor request " + Hex(request));
            return LIBUSB_ERROR_PIPE;
    }
}

int EmulatedFt230x::VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                             std::uint8_t* data, std::uint16_t length)
{
    auto answer = [&](std::initializer_list<std::uint8_t> bytes) {
        if (data == nullptr || length < bytes.size()) {
            anomalies_.push_back("request " + Hex(request) + " with a short buffer");
            return static_cast<int>(LIBUSB_ERROR_OVERFLOW);
        }
        std::copy(bytes.begin(), bytes.end(), data);
        return static_cast<int>(bytes.size());
    };
    (void)value;
    switch (request) {
        case kModemStatus:
            CheckPort(request, index);
            return answer({kModemStatusByte, kLineStatusByte});
        case kGetLatency:
            CheckPort(request, index);
            return answer({latencyMs_});
        case kReadPins:
            CheckPort(request, index);
            return answer({pinLevels_});
        case kReadEeprom: {
            const std::size_t at = 2u * index;
            if (at + 1 >= kEepromBytes) {
                // The FT230X's memory is larger than the configuration area; the rest reads blank.
                return answer({0xFF, 0xFF});
            }
            return answer({eeprom_[at], eeprom_[at + 1]});
        }
        default:
            anomalies_.push_back("unknown vendor request " + Hex(request) + " (in)");
            return LIBUSB_ERROR_PIPE;
    }
}

void EmulatedFt230x::SetDivisor(std::uint16_t value, std::uint16_t index)
{
    if ((index & ~1u) != 0) {
        anomalies_.push_back("baud divisor with wIndex " + Hex(index, 4) +
                             " (a single-port chip takes only bit 0)");
    }
    const std::uint32_t integer = value & 0x3FFF;
    const std::uint32_t code = ((value >> 14) & 0x3u) | ((index & 1u) << 2);
    const std::uint32_t eighths = integer * 8 + kEighthsOfCode[code];
    std::uint32_t rate = 0;
    if (integer == 0 && code == 0) {
        rate = 3000000;
    } else if (integer == 1 && code == 0) {
        rate = 2000000;
    } else if (integer < 2) {
        anomalies_.push_back("baud divisor " + Hex(value, 4) + "/" + Hex(index, 4) +
                             " below 2 with a fraction");
        return;
    } else {
        rate = static_cast<std::uint32_t>((3000000ull * 8 + eighths / 2) / eighths);
    }
    baudRate_ = rate;
    line_->SetBaudRate(rate);
}

void EmulatedFt230x::SetBitMode(std::uint8_t mask, std::uint8_t mode)
{
    switch (mode) {
        case 0x00:
            break;
        case 0x01:
        case 0x04:
            // Legal for the chip, but it turns TXD and RXD into plain pins: the unit's line dies.
            anomalies_.push_back("data-pin bit-bang (mode " + Hex(mode) + ") on the unit's line");
            break;
        case 0x20: {
            // Pins whose EEPROM function is not I/O keep their function and ignore the request.
            std::uint8_t usable = 0;
            for (std::size_t pin = 0; pin < 4; ++pin) {
                if (config_.cbusFunctions[pin] == kCbusIoMode) usable |= 1u << pin;
            }
            const auto outputs = static_cast<std::uint8_t>((mask >> 4) & usable);
            mask = static_cast<std::uint8_t>((outputs << 4) | (mask & 0x0F));
            pinLevels_ = static_cast<std::uint8_t>((pinLevels_ & ~outputs) | (mask & outputs));
            break;
        }
        default:
            anomalies_.push_back("bit mode " + Hex(mode) + " that the FT-X family lacks");
            return;
    }
    bitMode_ = mode;
    line_->SetBitMode(mask, mode);
}

int EmulatedFt230x::Bulk(std::uint8_t endpoint, std::uint8_t* data, int length, int* transferred,
                         unsigned timeoutMs)
{
    if (transferred != nullptr) *transferred = 0;
    if (endpoint == kBulkOutEndpoint) {
        std::lock_guard lock(mutex_);
        if (!present_) return LIBUSB_ERROR_NO_DEVICE;
        const auto count = static_cast<std::size_t>(std::max(length, 0));
        if (unplugAt_ && bulkOut_ + count >= *unplugAt_) {
            const std::size_t before = *unplugAt_ - bulkOut_;
            line_->Write(data, before);
            bulkOut_ += before;
            present_ = false;
            kernelDriver_ = false;
            return LIBUSB_ERROR_NO_DEVICE;
        }
        const std::size_t taken = line_->Write(data, count);
        if (log_.size() >= kLogLimit) log_.erase(log_.begin());
        log_.push_back("bulk out " + std::to_string(taken) + " at " +
                       std::to_string(line_->BaudRate()) + " baud");
        bulkOut_ += taken;
        if (transferred != nullptr) *transferred = static_cast<int>(taken);
        return taken == count ? 0 : LIBUSB_ERROR_TIMEOUT;
    }
    if (endpoint == kBulkInEndpoint) {
        const int got = BulkIn(data, length, timeoutMs);
        if (got < 0) return got;
        if (transferred != nullptr) *transferred = got;
        return 0;
    }
    AddAnomaly("bulk transfer on endpoint " + Hex(endpoint));
    return LIBUSB_ERROR_PIPE;
}

int EmulatedFt230x::BulkIn(std::uint8_t* data, int length, unsigned timeoutMs)
{
    std::uint8_t latency = 16;
    {
        std::lock_guard lock(mutex_);
        if (!present_) return LIBUSB_ERROR_NO_DEVICE;
        latency = latencyMs_;
        if (length < 2) {
            anomalies_.push_back("bulk IN of " + std::to_string(length) + " bytes");
            return LIBUSB_ERROR_OVERFLOW;
        }
    }
    // With nothing to send, the chip answers when its latency timer runs out (or the host's
    // transfer gives up first).
    const auto wait = std::chrono::milliseconds(std::min<unsigned>(latency, timeoutMs));
    if (line_->QueueStatus() == 0) {
        line_->WaitForReceive(std::chrono::steady_clock::now() + wait);
    }
    std::lock_guard lock(mutex_);
    if (!present_) return LIBUSB_ERROR_NO_DEVICE;
    int at = 0;
    do {
        data[at] = kModemStatusByte;
        data[at + 1] = kLineStatusByte;
        const int room = std::min<int>(length - at, static_cast<int>(kPacketSize)) - 2;
        const std::size_t got =
            room > 0 ? line_->Read(data + at + 2, static_cast<std::size_t>(room)) : 0;
        at += 2 + static_cast<int>(got);
        // A short packet ends the transfer.
        if (static_cast<int>(got) < room) break;
    } while (length - at > 2);
    return at;
}

}  // namespace krv::test

namespace krv::test {

ReturningSerialDevice::ReturningSerialDevice(EmulatedFt230x& chip, std::string path,
                                             std::string target,
                                             std::chrono::milliseconds returnDelay)
    : chip_(chip), path_(std::move(path)), target_(std::move(target)), delay_(returnDelay)
{
    ::unlink(path_.c_str());
    bound_ = chip_.KernelDriverBound();
    made_ = bound_ && ::symlink(target_.c_str(), path_.c_str()) == 0;
    if (bound_ && !made_) chip_.AddAnomaly("cannot make the serial device " + path_);
    // Made again by a thread that waits out the delay after each binding, as udev would.
    maker_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || (bound_ && !made_); });
            if (stopping_) return;
            const auto unbound = [&] { return stopping_ || !bound_; };
            if (delay_.count() < 0) {
                changed_.wait(lock, unbound);
            } else if (!changed_.wait_for(lock, delay_, unbound)) {
                made_ = ::symlink(target_.c_str(), path_.c_str()) == 0;
                changed_.wait(lock, unbound);
            }
        }
    });
    SetThreadName(maker_, "krv-test-udev");
    chip_.OnKernelDriverChange([this](bool bound) { Bound(bound); });
}

ReturningSerialDevice::~ReturningSerialDevice()
{
    chip_.OnKernelDriverChange({});
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    maker_.join();
    ::unlink(path_.c_str());
}

bool ReturningSerialDevice::Present() const
{
    struct stat st {};
    return ::lstat(path_.c_str(), &st) == 0;
}

void ReturningSerialDevice::Bound(bool bound)
{
    {
        std::lock_guard lock(mutex_);
        bound_ = bound;
        if (!bound) {
            ::unlink(path_.c_str());
            made_ = false;
        }
    }
    changed_.notify_all();
}

}  // namespace krv::test
