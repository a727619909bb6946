#include "link/FtdiPort.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/DebugTrace.h"

#include "platform/Trace.h"

namespace krv {

namespace {

using namespace std::chrono_literals;

// The bridge is set up for short replies: FT_Read returns within this much with what it has.
constexpr d2xx::ULong kTimeoutMs = 5;
constexpr d2xx::UChar kLatencyMs = 5;
// The divisor that runs the FT230X's line at 1000000 baud.
constexpr d2xx::UShort kFastDivisor = 3;
// CBUS bit-bang levels of the restart pulse: CBUS0 and CBUS1 driven, CBUS0 high, then both low.
constexpr d2xx::UChar kPulseHigh = 0x31;
constexpr d2xx::UChar kPulseLow = 0x30;
// How often the window is let paint during a wait.
constexpr auto kPaintInterval = 10ms;

SilentUserInterface& NoUserInterface()
{
    static SilentUserInterface ui;
    return ui;
}

// A device index passed where the library expects a pointer argument.
void* IndexArgument(int index)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));
}

// The text a library left in a 64-byte buffer: the device may send any bytes and any length,
// so the text ends at the first NUL or at the buffer's last byte, whichever comes first.
std::string TextOf(char (&buffer)[d2xx::kTextBufferSize])
{
    buffer[d2xx::kTextBufferSize - 1] = '\0';
    return std::string(buffer, ::strnlen(buffer, d2xx::kTextBufferSize));
}

const char* StatusName(d2xx::Status status)
{
    switch (status) {
        case d2xx::kOk:
            return "FT_OK";
        case d2xx::kInvalidHandle:
            return "FT_INVALID_HANDLE";
        case d2xx::kDeviceNotFound:
            return "FT_DEVICE_NOT_FOUND";
        case d2xx::kDeviceNotOpened:
            return "FT_DEVICE_NOT_OPENED";
        case d2xx::kIoError:
            return "FT_IO_ERROR";
        case d2xx::kInsufficientResources:
            return "FT_INSUFFICIENT_RESOURCES";
        case d2xx::kInvalidParameter:
            return "FT_INVALID_PARAMETER";
        case d2xx::kInvalidBaudRate:
            return "FT_INVALID_BAUD_RATE";
        case d2xx::kNotSupported:
            return "FT_NOT_SUPPORTED";
        case d2xx::kOtherError:
            return "FT_OTHER_ERROR";
    }
    return "FT_ERROR";
}

std::string Hex2(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value & 0xFFu);
    return buffer;
}

// One bridge call and what it returned.
void TraceBridge(const std::string& port, const std::string& call, d2xx::Status status)
{
    if (!TraceOn()) return;
    TraceEvent(TraceKind::Bridge, port,
               call + " = " + std::to_string(status) + " " + StatusName(status));
}

}  // namespace

bool IsUnitBridge(const UnitEntry& entry)
{
    return entry.found && entry.description == CFtdiPort::kUnitDescription &&
           entry.serialNumber.starts_with(CFtdiPort::kUnitSerialPrefix);
}

CFtdiPort::CFtdiPort() : ui_(&NoUserInterface()) {}

CFtdiPort::~CFtdiPort()
{
    CloseFtdiDevice();
}

const UnitEntry& CFtdiPort::DeviceEntry(int index) const
{
    static const UnitEntry kNone;
    if (index < 0 || index >= kDeviceTableSize) return kNone;
    return devices_[static_cast<std::size_t>(index)];
}

void CFtdiPort::ShowMessage(const std::string& text)
{
    ui_->ShowMessage(text, kApplicationTitle, MessageIcon::None, MessageButtons::Ok);
}

template <typename Function>
bool CFtdiPort::Usable(Function entry, const char* message)
{
    if (entry != nullptr) return true;
    ShowMessage(std::string(message) + " is not valid!");
    return false;
}

void CFtdiPort::Pause(std::chrono::milliseconds span)
{
    const TimePoint end = Now() + span;
    for (;;) {
        ui_->ProcessPendingEvents();
        const TimePoint now = Now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<Duration>(end - now, kPaintInterval));
    }
}

void CFtdiPort::LoadD2xx(std::shared_ptr<d2xx::D2xxLibrary> library)
{
    CloseFtdiDevice();
    entries_ = d2xx::EntryPoints{};
    library_ = std::move(library);
    if (!library_) {
        ShowMessage("Error: Can't Load ft8u245.dll");
        return;
    }
    // The first missing entry point ends the lookup: it and all after it stay null.
    for (std::size_t i = 0; i < d2xx::kEntryPointCount; ++i) {
        const char* name = d2xx::EntryPoints::NameAt(i);
        const d2xx::AnyFunction address = library_->Find(name);
        if (address == nullptr) {
            ShowMessage(std::string("Error: Can't Find ") + name);
            return;
        }
        entries_.Assign(i, address);
    }
}

bool CFtdiPort::Open(UserInterface& ui)
{
    ui_ = &ui;
    return OpenFtdiDevice();
}

bool CFtdiPort::OpenFtdiDevice()
{
    // Opening again would hand the library a second open of a device it already holds.
    if (ftdiOpen_) return true;
    ring_.ResetIndices();
    openDescription_ = kUnitDescription;
    if (sharedWith_ != nullptr && sharedWith_->IsOpen()) {
        DebugTrace("USB bridge not opened: its serial port is open\n");
        if (TraceOn()) {
            TraceEvent(TraceKind::Bridge, TraceName(), "not opened: its serial port is open");
        }
        return false;
    }
    if (!Usable(entries_.FT_OpenEx, "FT_OpenEx")) return false;
    d2xx::Handle handle = nullptr;
    const d2xx::Status opened =
        entries_.FT_OpenEx(openDescription_.data(), d2xx::kOpenByDescription, &handle);
    TraceBridge(TraceName(), "FT_OpenEx(\"" + openDescription_ + "\", by description)", opened);
    if (opened != d2xx::kOk) return false;
    handle_ = handle;
    lost_ = false;

    if (Usable(entries_.FT_ResetDevice, "FT_ResetDevice")) {
        TraceBridge(TraceName(), "FT_ResetDevice", entries_.FT_ResetDevice(handle_));
    }
    const std::string timeouts = "FT_SetTimeouts(" + std::to_string(kTimeoutMs) + " ms, " +
                                 std::to_string(kTimeoutMs) + " ms)";
    if (Usable(entries_.FT_SetTimeouts, "FT_SetTimeouts")) {
        TraceBridge(TraceName(), timeouts,
                    entries_.FT_SetTimeouts(handle_, kTimeoutMs, kTimeoutMs));
    }
    if (Usable(entries_.FT_Purge, "FT_Purge")) {
        TraceBridge(TraceName(), "FT_Purge(rx)", entries_.FT_Purge(handle_, d2xx::kPurgeRx));
    }
    if (Usable(entries_.FT_SetBitMode, "FT_SetSetBitMode")) {
        TraceBridge(TraceName(), "FT_SetBitMode(mask 0x00, mode 0x00)",
                    entries_.FT_SetBitMode(handle_, 0, d2xx::kBitModeReset));
    }
    Pause(kPulseStep);
    if (Usable(entries_.FT_SetTimeouts, "FT_SetTimeouts")) {
        TraceBridge(TraceName(), timeouts,
                    entries_.FT_SetTimeouts(handle_, kTimeoutMs, kTimeoutMs));
    }
    if (Usable(entries_.FT_SetLatencyTimer, "FT_SetLatencyTimer")) {
        TraceBridge(TraceName(), "FT_SetLatencyTimer(" + std::to_string(kLatencyMs) + " ms)",
                    entries_.FT_SetLatencyTimer(handle_, kLatencyMs));
    }
    if (Usable(entries_.FT_SetBaudRate, "FT_SetBaudRate")) {
        TraceBridge(TraceName(), "FT_SetBaudRate(" + std::to_string(kOpenBaudRate) + ")",
                    entries_.FT_SetBaudRate(handle_, kOpenBaudRate));
    }
    if (Usable(entries_.FT_SetDataCharacteristics, "FT_SetDataCharacteristics")) {
        TraceBridge(TraceName(), "FT_SetDataCharacteristics(8N1)",
                    entries_.FT_SetDataCharacteristics(handle_, d2xx::kBits8, d2xx::kStopBits1,
                                                       d2xx::kParityNone));
    }
    ftdiOpen_ = true;
    return true;
}

void CFtdiPort::CloseFtdiDevice()
{
    if (!ftdiOpen_) return;
    if (Usable(entries_.FT_Close, "FT_Close")) {
        TraceBridge(TraceName(), "FT_Close", entries_.FT_Close(handle_));
    }
    ftdiOpen_ = false;
    handle_ = nullptr;
    releasedAt_ = Now();
}

void CFtdiPort::SetFtdiLine(std::uint32_t baudRate)
{
    // A closed device has no handle to pass: the calls are left out, the messages are not.
    if (baudRate == kFastBaudRate) {
        if (Usable(entries_.FT_SetDivisor, "FT_SetDivisor") && ftdiOpen_) {
            TraceBridge(TraceName(),
                        "FT_SetDivisor(" + std::to_string(kFastDivisor) + ") for " +
                            std::to_string(baudRate) + " baud",
                        entries_.FT_SetDivisor(handle_, kFastDivisor));
        }
    } else if (Usable(entries_.FT_SetBaudRate, "FT_SetBaudRate") && ftdiOpen_) {
        TraceBridge(TraceName(), "FT_SetBaudRate(" + std::to_string(baudRate) + ")",
                    entries_.FT_SetBaudRate(handle_, baudRate));
    }
    if (Usable(entries_.FT_SetDataCharacteristics, "FT_SetDataCharacteristics") && ftdiOpen_) {
        TraceBridge(TraceName(), "FT_SetDataCharacteristics(8N1)",
                    entries_.FT_SetDataCharacteristics(handle_, d2xx::kBits8, d2xx::kStopBits1,
                                                       d2xx::kParityNone));
    }
}

bool CFtdiPort::SetLine(std::uint32_t baudRate)
{
    SetFtdiLine(baudRate);
    return true;
}

void CFtdiPort::SetBitMode(d2xx::UChar mask, d2xx::UChar mode)
{
    if (Usable(entries_.FT_SetBitMode, "FT_SetSetBitMode") && ftdiOpen_) {
        TraceBridge(TraceName(), "FT_SetBitMode(mask " + Hex2(mask) + ", mode " + Hex2(mode) + ")",
                    entries_.FT_SetBitMode(handle_, mask, mode));
    }
}

void CFtdiPort::SetFtdiBitMode()
{
    WaitCursor cursor(*ui_);
    if (TraceOn()) TraceEvent(TraceKind::Bridge, TraceName(), "restart pulse on the CBUS pins");
    SetBitMode(kPulseHigh, d2xx::kBitModeCbus);
    Pause(kPulseStep);
    SetBitMode(kPulseLow, d2xx::kBitModeCbus);
    Pause(kPulseStep);
    SetBitMode(0, d2xx::kBitModeReset);
    Pause(kPulseStep);
}

int CFtdiPort::ListFtdiDevices()
{
    WaitCursor cursor(*ui_);
    devices_.fill(UnitEntry{});
    int count = 0;
    CloseFtdiDevice();

    for (int n = 0; n < kDeviceTableSize; ++n) {
        if (!Usable(entries_.FT_ListDevices, "FT_ListDevices")) break;
        char serial[d2xx::kTextBufferSize] = {};
        if (entries_.FT_ListDevices(IndexArgument(n), serial,
                                    d2xx::kListByIndex | d2xx::kOpenBySerialNumber) != d2xx::kOk) {
            break;
        }
        UnitEntry& entry = devices_[static_cast<std::size_t>(n)];
        entry.found = true;
        entry.serialNumber = TextOf(serial);
        char description[d2xx::kTextBufferSize] = {};
        entries_.FT_ListDevices(IndexArgument(n), description,
                                d2xx::kListByIndex | d2xx::kOpenByDescription);
        entry.description = TextOf(description);
        if (IsUnitBridge(entry)) {
            currentUnit_ = entry;
            ++count;
        }
    }
    return count;
}

void CFtdiPort::WriteText(const char* text, std::size_t length)
{
    if (!Usable(entries_.FT_Write, "FT_Write") || !ftdiOpen_ || text == nullptr) return;
    // The library is handed a NUL-terminated copy and the text's own length.
    std::string copy(text, ::strnlen(text, length));
    WriteCopy(copy);
}

void CFtdiPort::WriteBytes(const std::uint8_t* bytes, std::size_t length)
{
    if (!Usable(entries_.FT_Write, "FT_Write") || !ftdiOpen_ || length == 0) return;
    std::string copy(reinterpret_cast<const char*>(bytes), length);
    WriteCopy(copy);
}

void CFtdiPort::WriteCopy(std::string& copy)
{
    if (TraceOn()) TraceEvent(TraceKind::Sent, TraceName(), copy);
    d2xx::DWord written = 0;
    const d2xx::Status status =
        entries_.FT_Write(handle_, copy.data(), static_cast<d2xx::DWord>(copy.size()), &written);
    if (TraceOn() && (status != d2xx::kOk || written != copy.size())) {
        TraceBridge(
            TraceName(),
            "FT_Write(" + std::to_string(copy.size()) + " bytes) wrote " + std::to_string(written),
            status);
    }
}

std::string CFtdiPort::TraceName() const
{
    return "usb:" +
           (currentUnit_.serialNumber.empty() ? openDescription_ : currentUnit_.serialNumber);
}

d2xx::Status CFtdiPort::ReadBytes(std::uint8_t* buffer, d2xx::DWord wanted, d2xx::DWord& got)
{
    got = 0;
    if (!Usable(entries_.FT_Read, "FT_Read")) return d2xx::kOtherError;
    if (!ftdiOpen_) return d2xx::kInvalidHandle;
    const d2xx::Status status = entries_.FT_Read(handle_, buffer, wanted, &got);
    if (status == d2xx::kIoError) lost_ = true;
    if (TraceOn() && status != d2xx::kOk) TraceBridge(TraceName(), "FT_Read", status);
    // Never trust a count beyond what was asked for.
    got = std::min(got, wanted);
    return status;
}

void CFtdiPort::FetchReceived()
{
    std::uint8_t scratch[kFetchSize];
    d2xx::DWord got = 0;
    if (ReadBytes(scratch, kFetchSize, got) == d2xx::kOk && got > 0) {
        ring_.Push(scratch, got);
        if (TraceOn()) {
            TraceEvent(TraceKind::Received, TraceName(),
                       std::string_view(reinterpret_cast<const char*>(scratch), got));
        }
    }
}

void CFtdiPort::WaitForInput(TimePoint deadline)
{
    if (!ring_.Empty()) return;
    if (!ftdiOpen_ || entries_.FT_Read == nullptr) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    if (library_->WaitForReceive(handle_, deadline)) return;
    // The library waits only inside FT_Read (up to its read time-out): fetch now. A library that
    // returns at once with nothing gets a short nap, so the waiting never spins.
    const TimePoint start = Now();
    std::uint8_t scratch[kFetchSize];
    d2xx::DWord got = 0;
    const d2xx::Status status = entries_.FT_Read(handle_, scratch, kFetchSize, &got);
    if (status == d2xx::kOk && got > 0) {
        ring_.Push(scratch, std::min(got, kFetchSize));
        if (TraceOn()) {
            TraceEvent(TraceKind::Received, TraceName(),
                       std::string_view(reinterpret_cast<const char*>(scratch),
                                        std::min(got, kFetchSize)));
        }
        return;
    }
    if (status == d2xx::kIoError) lost_ = true;
    if (TraceOn() && status != d2xx::kOk) TraceBridge(TraceName(), "FT_Read", status);
    const TimePoint nap = start + 1ms;
    if (Now() < nap) std::this_thread::sleep_until(std::min(deadline, nap));
}

}  // namespace krv
