#include "link/LibFtdiD2xx.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "platform/DebugTrace.h"

namespace krv {

namespace {

using namespace std::chrono_literals;
using namespace d2xx;

// Each USB transfer gets at least this long: the bridge answers every latency period (5 ms) even
// when it has nothing, so a transfer only waits this long for a device that has stopped talking.
// The D2XX read time-out itself is kept by FT_Read's own deadline.
constexpr int kMinUsbTimeoutMs = 100;

struct OpenDevice {
    ftdi_context* context = nullptr;
    std::chrono::milliseconds readTimeout{0};
};

// All provider state. The D2XX entry points are plain functions without a context argument, so
// they reach it through one instance; its lock also keeps the calls of several threads apart.
struct Provider {
    std::mutex mutex;
    LibFtdiCalls calls = RealLibFtdiCalls();
    std::map<std::uintptr_t, OpenDevice> devices;
    std::uintptr_t nextHandle = 1;

    OpenDevice* Find(Handle handle)
    {
        const auto it = devices.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == devices.end() ? nullptr : &it->second;
    }

    void CloseAll()
    {
        for (auto& [id, device] : devices) {
            calls.Close(device.context);
            calls.Free(device.context);
        }
        devices.clear();
    }
};

Provider& TheProvider()
{
    static Provider provider;
    return provider;
}

// Runs `f` on the open device of `handle`; an unknown handle gives kInvalidHandle.
template <typename F>
Status WithDevice(Handle handle, F&& f)
{
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    OpenDevice* device = p.Find(handle);
    if (device == nullptr) return kInvalidHandle;
    return f(p.calls, *device);
}

Status IoResult(int result)
{
    return result < 0 ? kIoError : kOk;
}

// libftdi multiplies a rate by four while any bit mode is on, as the data pins' bit-bang needs;
// CBUS bit-bang leaves the line's clock alone, so the rate is set as if bit mode were off.
Status SetRate(const LibFtdiCalls& calls, OpenDevice& device, int baudRate)
{
    ftdi_context* ftdi = device.context;
    const unsigned char bitbang = ftdi->bitbang_enabled;
    ftdi->bitbang_enabled = 0;
    const int result = calls.SetBaudrate(ftdi, baudRate);
    ftdi->bitbang_enabled = bitbang;
    return result < 0 ? kInvalidBaudRate : kOk;
}

// Walks libftdi's device list to entry `index`, with a context of its own (reading a device's
// strings closes whatever device the context holds open).
template <typename F>
Status WithListedDevice(const LibFtdiCalls& calls, std::size_t index, F&& f)
{
    ftdi_context* ftdi = calls.New();
    if (ftdi == nullptr) return kInsufficientResources;
    ftdi_device_list* list = nullptr;
    Status status = kDeviceNotFound;
    const int found = calls.FindAll(ftdi, &list, 0, 0);  // 0, 0: every FTDI product
    if (found > 0) {
        ftdi_device_list* entry = list;
        for (std::size_t i = 0; entry != nullptr && i < index; ++i) entry = entry->next;
        if (entry != nullptr) status = f(ftdi, entry->dev);
    }
    if (list != nullptr) calls.ListFree(&list);
    calls.Free(ftdi);
    return status;
}

Status CountDevices(const LibFtdiCalls& calls, DWord& count)
{
    ftdi_context* ftdi = calls.New();
    if (ftdi == nullptr) return kInsufficientResources;
    ftdi_device_list* list = nullptr;
    const int found = calls.FindAll(ftdi, &list, 0, 0);
    count = found > 0 ? static_cast<DWord>(found) : 0;
    if (list != nullptr) calls.ListFree(&list);
    calls.Free(ftdi);
    return found < 0 ? kIoError : kOk;
}

Status FT_Write(Handle handle, void* buffer, DWord toWrite, DWord* written)
{
    if (written != nullptr) *written = 0;
    if (buffer == nullptr && toWrite > 0) return kInvalidParameter;
    return WithDevice(handle, [&](const LibFtdiCalls& calls, OpenDevice& device) {
        const int size = static_cast<int>(std::min<DWord>(toWrite, INT32_MAX));
        const int n = calls.WriteData(device.context, static_cast<unsigned char*>(buffer), size);
        if (n < 0) return kIoError;
        if (written != nullptr) *written = static_cast<DWord>(n);
        return kOk;
    });
}

Status FT_Read(Handle handle, void* buffer, DWord toRead, DWord* read)
{
    if (read != nullptr) *read = 0;
    if (buffer == nullptr && toRead > 0) return kInvalidParameter;
    return WithDevice(handle, [&](const LibFtdiCalls& calls, OpenDevice& device) {
        auto* bytes = static_cast<unsigned char*>(buffer);
        const int wanted = static_cast<int>(std::min<DWord>(toRead, INT32_MAX));
        const TimePoint deadline = Now() + device.readTimeout;
        int got = 0;
        // ftdi_read_data returns what the bridge's next packet holds, 0 when it holds nothing.
        // Read until the request is met, the line goes quiet after some bytes, or the deadline.
        while (got < wanted) {
            int n = calls.ReadData(device.context, bytes + got, wanted - got);
            if (n == LIBUSB_ERROR_TIMEOUT) n = 0;
            if (n < 0) {
                if (read != nullptr) *read = static_cast<DWord>(got);
                return kIoError;
            }
            got += std::min(n, wanted - got);
            if (got >= wanted || (n == 0 && got > 0)) break;
            const TimePoint now = Now();
            if (now >= deadline) break;
            if (n == 0) std::this_thread::sleep_for(std::min<Duration>(1ms, deadline - now));
        }
        if (read != nullptr) *read = static_cast<DWord>(got);
        return kOk;
    });
}

Status FT_Open(int, Handle* handle)
{
    // Opening by index is not offered: the program opens its bridge by description.
    if (handle != nullptr) *handle = nullptr;
    return kNotSupported;
}

Status FT_OpenEx(void* arg, DWord flags, Handle* handle)
{
    if (handle == nullptr || arg == nullptr) return kInvalidParameter;
    const char* text = static_cast<const char*>(arg);
    const char* description = nullptr;
    const char* serial = nullptr;
    if (flags == kOpenByDescription) {
        description = text;
    } else if (flags == kOpenBySerialNumber) {
        serial = text;
    } else {
        return kNotSupported;
    }
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    ftdi_context* ftdi = p.calls.New();
    if (ftdi == nullptr) return kInsufficientResources;
    // Give the bridge back to the kernel's serial driver on close, so its port reappears.
    ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    const int result = p.calls.OpenDesc(ftdi, kFtdiVendorId, kFt230xProductId, description, serial);
    if (result < 0) {
        p.calls.Free(ftdi);
        return result == -3 ? kDeviceNotFound : kDeviceNotOpened;
    }
    const std::uintptr_t id = p.nextHandle++;
    OpenDevice device;
    device.context = ftdi;
    device.readTimeout = std::chrono::milliseconds(std::max(ftdi->usb_read_timeout, 0));
    p.devices.emplace(id, device);
    *handle = reinterpret_cast<Handle>(id);
    return kOk;
}

Status FT_ListDevices(void* arg1, void* arg2, DWord flags)
{
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    if ((flags & kListNumberOnly) != 0) {
        if (arg1 == nullptr) return kInvalidParameter;
        return CountDevices(p.calls, *static_cast<DWord*>(arg1));
    }
    if ((flags & kListByIndex) == 0 || arg2 == nullptr) return kNotSupported;
    const bool bySerial = (flags & kOpenBySerialNumber) != 0;
    const bool byDescription = (flags & kOpenByDescription) != 0;
    if (bySerial == byDescription) return kInvalidParameter;
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    char* out = static_cast<char*>(arg2);
    return WithListedDevice(p.calls, index, [&](ftdi_context* ftdi, libusb_device* device) {
        char text[kTextBufferSize] = {};
        const int size = static_cast<int>(sizeof text);
        const int result =
            bySerial ? p.calls.GetStrings(ftdi, device, nullptr, 0, nullptr, 0, text, size)
                     : p.calls.GetStrings(ftdi, device, nullptr, 0, text, size, nullptr, 0);
        if (result < 0) {
            // The device is there all the same: an empty text keeps the listing going past it
            // (a non-zero status would end it as if no devices followed).
            DebugTrace("libftdi1: cannot read the strings of FTDI device " + std::to_string(index) +
                       " (no access to the USB device?)\n");
            text[0] = '\0';
        }
        // Whatever the device reported, the caller gets a NUL-terminated text of at most 63.
        text[kTextBufferSize - 1] = '\0';
        std::memcpy(out, text, ::strnlen(text, kTextBufferSize) + 1);
        return kOk;
    });
}

Status FT_Close(Handle handle)
{
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    const auto it = p.devices.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == p.devices.end()) return kInvalidHandle;
    const int result = p.calls.Close(it->second.context);
    p.calls.Free(it->second.context);
    p.devices.erase(it);
    return IoResult(result);
}

Status FT_ResetDevice(Handle handle)
{
    return WithDevice(handle, [](const LibFtdiCalls& calls, OpenDevice& device) {
        return IoResult(calls.Reset(device.context));
    });
}

Status FT_Purge(Handle handle, ULong mask)
{
    return WithDevice(handle, [mask](const LibFtdiCalls& calls, OpenDevice& device) {
        int result = 0;
        if ((mask & kPurgeRx) != 0) result = std::min(result, calls.FlushRx(device.context));
        if ((mask & kPurgeTx) != 0) result = std::min(result, calls.FlushTx(device.context));
        return IoResult(result);
    });
}

Status FT_SetTimeouts(Handle handle, ULong readTimeout, ULong writeTimeout)
{
    return WithDevice(handle, [&](const LibFtdiCalls&, OpenDevice& device) {
        device.readTimeout = std::chrono::milliseconds(readTimeout);
        ftdi_context* ftdi = device.context;
        ftdi->usb_read_timeout = static_cast<int>(std::max<ULong>(readTimeout, kMinUsbTimeoutMs));
        ftdi->usb_write_timeout = static_cast<int>(std::max<ULong>(writeTimeout, kMinUsbTimeoutMs));
        return kOk;
    });
}

Status FT_GetQueueStatus(Handle handle, DWord* queued)
{
    // Not offered: libftdi has no count of what waits on the device. The program never asks.
    if (queued != nullptr) *queued = 0;
    return WithDevice(handle, [](const LibFtdiCalls&, OpenDevice&) { return kNotSupported; });
}

Status FT_SetLatencyTimer(Handle handle, UChar milliseconds)
{
    return WithDevice(handle, [milliseconds](const LibFtdiCalls& calls, OpenDevice& device) {
        const unsigned char latency = std::max<UChar>(milliseconds, 1);
        return IoResult(calls.SetLatencyTimer(device.context, latency));
    });
}

Status FT_SetBaudRate(Handle handle, ULong baudRate)
{
    if (baudRate == 0 || baudRate > 3000000) return kInvalidBaudRate;
    return WithDevice(handle, [baudRate](const LibFtdiCalls& calls, OpenDevice& device) {
        return SetRate(calls, device, static_cast<int>(baudRate));
    });
}

Status FT_SetDivisor(Handle handle, UShort divisor)
{
    // The FT230X's line clock is 3 MHz: divisor 3 gives 1000000 baud; 0 and 1 are the chip's
    // special cases for 3 and 2 Mbaud.
    const int baudRate = divisor == 0 ? 3000000 : divisor == 1 ? 2000000 : 3000000 / divisor;
    return WithDevice(handle, [baudRate](const LibFtdiCalls& calls, OpenDevice& device) {
        return SetRate(calls, device, baudRate);
    });
}

Status FT_SetDataCharacteristics(Handle handle, UChar wordLength, UChar stopBits, UChar parity)
{
    if ((wordLength != kBits7 && wordLength != kBits8) || stopBits > 2 || parity > 4) {
        return kInvalidParameter;
    }
    return WithDevice(handle, [&](const LibFtdiCalls& calls, OpenDevice& device) {
        const ftdi_bits_type bits = wordLength == kBits7 ? BITS_7 : BITS_8;
        const ftdi_stopbits_type stop = stopBits == 0   ? STOP_BIT_1
                                        : stopBits == 1 ? STOP_BIT_15
                                                        : STOP_BIT_2;
        static constexpr ftdi_parity_type kParities[] = {NONE, ODD, EVEN, MARK, SPACE};
        return IoResult(calls.SetLineProperty(device.context, bits, stop, kParities[parity]));
    });
}

Status FT_SetUSBParameters(Handle handle, ULong, ULong)
{
    // Transfer sizes are libftdi's own business; the hint is accepted and left alone.
    return WithDevice(handle, [](const LibFtdiCalls&, OpenDevice&) { return kOk; });
}

Status FT_SetBitMode(Handle handle, UChar mask, UChar mode)
{
    return WithDevice(handle, [mask, mode](const LibFtdiCalls& calls, OpenDevice& device) {
        // The D2XX mode values are libftdi's (0x00 off, 0x20 CBUS bit-bang, ...).
        return IoResult(calls.SetBitmode(device.context, mask, mode));
    });
}

Status FT_GetComPortNumber(Handle handle, Long* portNumber)
{
    if (portNumber != nullptr) *portNumber = -1;
    return WithDevice(handle, [](const LibFtdiCalls&, OpenDevice&) { return kNotSupported; });
}

Status FT_CreateDeviceInfoList(DWord* count)
{
    if (count == nullptr) return kInvalidParameter;
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    return CountDevices(p.calls, *count);
}

Status FT_GetDeviceInfoList(void*, DWord* count)
{
    // The node layout belongs to FTDI's library; nothing of this program reads it.
    if (count != nullptr) *count = 0;
    return kNotSupported;
}

EntryPoints BuiltInEntryPoints()
{
    return KRV_D2XX_FUNCTION_TABLE();
}

}  // namespace

const LibFtdiCalls& RealLibFtdiCalls()
{
    static const LibFtdiCalls calls = {
        &ftdi_new,
        &ftdi_free,
        &ftdi_usb_open_desc,
        &ftdi_usb_close,
        &ftdi_usb_reset,
        &ftdi_tciflush,
        &ftdi_tcoflush,
        &ftdi_set_baudrate,
        &ftdi_set_line_property,
        &ftdi_set_bitmode,
        &ftdi_set_latency_timer,
        &ftdi_read_data,
        &ftdi_write_data,
        &ftdi_usb_find_all,
        &ftdi_list_free,
        &ftdi_usb_get_strings,
    };
    return calls;
}

LibFtdiCalls UseLibFtdiCalls(const LibFtdiCalls& calls)
{
    Provider& p = TheProvider();
    std::lock_guard lock(p.mutex);
    p.CloseAll();
    const LibFtdiCalls before = p.calls;
    p.calls = calls;
    return before;
}

std::shared_ptr<d2xx::D2xxLibrary> LibFtdiD2xxLibrary()
{
    // The state exists before any link holds the library, so it outlives the process-wide link,
    // which may still close a device when the process ends.
    TheProvider();
    static const auto library =
        std::make_shared<TableLibrary>("libftdi1 (built in)", BuiltInEntryPoints());
    return library;
}

}  // namespace krv
