#include "sim/SimD2xx.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace krv::sim {

namespace {

using namespace d2xx;

// The library's functions take no context, so they find the bus and the open devices here.
struct Registry {
    std::mutex mutex;
    SimBridgeBus* bus = nullptr;
    std::vector<std::shared_ptr<SimBridge>> bridges;  // of `bus`
    std::map<std::uintptr_t, std::shared_ptr<SimBridge>> open;
    std::uintptr_t nextHandle = 1;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

std::shared_ptr<SimBridge> BridgeOf(Handle handle)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.open.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == r.open.end() ? nullptr : it->second;
}

// Runs `f` on the bridge of an open handle; an unknown one gives kInvalidHandle. The registry's
// lock is not held meanwhile: reads and waits may take a while.
template <typename F>
Status WithBridge(Handle handle, F&& f)
{
    const std::shared_ptr<SimBridge> bridge = BridgeOf(handle);
    if (!bridge) return kInvalidHandle;
    return f(*bridge);
}

// Copies a text into a caller's 64-byte buffer: at most 63 bytes, always NUL-terminated.
void CopyText(const std::string& text, void* buffer)
{
    const std::size_t n = std::min(text.size(), kTextBufferSize - 1);
    auto* out = static_cast<char*>(buffer);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

Status Register(Registry& r, const std::shared_ptr<SimBridge>& bridge, Handle* handle)
{
    if (!bridge->Open()) return kDeviceNotOpened;
    const std::uintptr_t id = r.nextHandle++;
    r.open.emplace(id, bridge);
    *handle = reinterpret_cast<Handle>(id);
    return kOk;
}

Status FT_Write(Handle handle, void* buffer, DWord toWrite, DWord* written)
{
    if (written != nullptr) *written = 0;
    if (buffer == nullptr && toWrite > 0) return kInvalidParameter;
    return WithBridge(handle, [&](SimBridge& bridge) {
        const std::size_t n = bridge.Write(static_cast<const std::uint8_t*>(buffer), toWrite);
        if (written != nullptr) *written = static_cast<DWord>(n);
        return kOk;
    });
}

Status FT_Read(Handle handle, void* buffer, DWord toRead, DWord* read)
{
    if (read != nullptr) *read = 0;
    if (buffer == nullptr && toRead > 0) return kInvalidParameter;
    return WithBridge(handle, [&](SimBridge& bridge) {
        const std::size_t n = bridge.Read(static_cast<std::uint8_t*>(buffer), toRead);
        if (read != nullptr) *read = static_cast<DWord>(n);
        return kOk;
    });
}

Status FT_Open(int deviceNumber, Handle* handle)
{
    if (handle == nullptr) return kInvalidParameter;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (deviceNumber < 0 || static_cast<std::size_t>(deviceNumber) >= r.bridges.size()) {
        return kDeviceNotFound;
    }
    return Register(r, r.bridges[static_cast<std::size_t>(deviceNumber)], handle);
}

Status FT_OpenEx(void* arg, DWord flags, Handle* handle)
{
    if (handle == nullptr || arg == nullptr) return kInvalidParameter;
    if (flags != kOpenByDescription && flags != kOpenBySerialNumber) return kNotSupported;
    const std::string wanted(static_cast<const char*>(arg));
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    bool matched = false;
    for (const auto& bridge : r.bridges) {
        const BridgeIdentity& id = bridge->Identity();
        if ((flags == kOpenByDescription ? id.description : id.serialNumber) != wanted) continue;
        matched = true;
        if (Register(r, bridge, handle) == kOk) return kOk;
    }
    return matched ? kDeviceNotOpened : kDeviceNotFound;
}

Status FT_ListDevices(void* arg1, void* arg2, DWord flags)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if ((flags & kListNumberOnly) != 0) {
        if (arg1 == nullptr) return kInvalidParameter;
        *static_cast<DWord*>(arg1) = static_cast<DWord>(r.bridges.size());
        return kOk;
    }
    if ((flags & kListByIndex) == 0 || arg2 == nullptr) return kNotSupported;
    const bool bySerial = (flags & kOpenBySerialNumber) != 0;
    if (bySerial == ((flags & kOpenByDescription) != 0)) return kInvalidParameter;
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    if (index >= r.bridges.size()) return kDeviceNotFound;
    const BridgeIdentity& id = r.bridges[index]->Identity();
    CopyText(bySerial ? id.serialNumber : id.description, arg2);
    return kOk;
}

Status FT_Close(Handle handle)
{
    std::shared_ptr<SimBridge> bridge;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        const auto it = r.open.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == r.open.end()) return kInvalidHandle;
        bridge = it->second;
        r.open.erase(it);
    }
    bridge->Close();
    return kOk;
}

Status FT_ResetDevice(Handle handle)
{
    return WithBridge(handle, [](SimBridge& b) {
        b.ResetDevice();
        return kOk;
    });
}

Status FT_Purge(Handle handle, ULong mask)
{
    return WithBridge(handle, [mask](SimBridge& b) {
        b.Purge((mask & kPurgeRx) != 0, (mask & kPurgeTx) != 0);
        return kOk;
    });
}

Status FT_SetTimeouts(Handle handle, ULong readTimeout, ULong writeTimeout)
{
    return WithBridge(handle, [=](SimBridge& b) {
        b.SetTimeouts(std::chrono::milliseconds(readTimeout),
                      std::chrono::milliseconds(writeTimeout));
        return kOk;
    });
}

Status FT_GetQueueStatus(Handle handle, DWord* queued)
{
    if (queued == nullptr) return kInvalidParameter;
    return WithBridge(handle, [queued](SimBridge& b) {
        *queued = static_cast<DWord>(b.QueueStatus());
        return kOk;
    });
}

Status FT_SetLatencyTimer(Handle handle, UChar milliseconds)
{
    return WithBridge(handle, [milliseconds](SimBridge& b) {
        b.SetLatencyTimer(milliseconds);
        return kOk;
    });
}

Status FT_SetBaudRate(Handle handle, ULong baudRate)
{
    if (baudRate == 0 || baudRate > 3000000) return kInvalidBaudRate;
    return WithBridge(handle, [baudRate](SimBridge& b) {
        b.SetBaudRate(baudRate);
        return kOk;
    });
}

Status FT_SetDivisor(Handle handle, UShort divisor)
{
    // The FT230X's line clock is 3 MHz; 0 and 1 are its special cases for 3 and 2 Mbaud.
    const std::uint32_t rate = divisor == 0 ? 3000000 : divisor == 1 ? 2000000 : 3000000 / divisor;
    return WithBridge(handle, [rate](SimBridge& b) {
        b.SetBaudRate(rate);
        return kOk;
    });
}

Status FT_SetDataCharacteristics(Handle handle, UChar bits, UChar stopBits, UChar parity)
{
    return WithBridge(handle, [=](SimBridge& b) {
        b.SetDataCharacteristics(bits, stopBits, parity);
        return kOk;
    });
}

Status FT_SetUSBParameters(Handle handle, ULong, ULong)
{
    return WithBridge(handle, [](SimBridge&) { return kOk; });
}

Status FT_SetBitMode(Handle handle, UChar mask, UChar mode)
{
    return WithBridge(handle, [=](SimBridge& b) {
        b.SetBitMode(mask, mode);
        return kOk;
    });
}

Status FT_GetComPortNumber(Handle handle, Long* portNumber)
{
    if (portNumber == nullptr) return kInvalidParameter;
    return WithBridge(handle, [portNumber](SimBridge&) {
        *portNumber = -1;  // no COM port number on this system
        return kOk;
    });
}

Status FT_CreateDeviceInfoList(DWord* count)
{
    if (count == nullptr) return kInvalidParameter;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    *count = static_cast<DWord>(r.bridges.size());
    return kOk;
}

Status FT_GetDeviceInfoList(void*, DWord* count)
{
    // The node layout belongs to FTDI's library; nothing of this program reads it.
    if (count != nullptr) *count = 0;
    return kNotSupported;
}

class SimulatedLibrary : public TableLibrary {
  public:
    using TableLibrary::TableLibrary;
    bool WaitForReceive(Handle handle, TimePoint deadline) override
    {
        const std::shared_ptr<SimBridge> bridge = BridgeOf(handle);
        if (!bridge) return false;
        bridge->WaitForReceive(deadline);
        return true;
    }
};

EntryPoints SimulatedEntryPoints()
{
    return KRV_D2XX_FUNCTION_TABLE();
}

// Makes `bus` the one the library sees (null: none). The bridges of the bus before are unplugged:
// their handles stop working and their devices are closed.
void SwitchBus(SimBridgeBus* bus)
{
    Registry& r = TheRegistry();
    std::vector<std::shared_ptr<SimBridge>> unplugged;
    {
        std::lock_guard lock(r.mutex);
        r.bus = bus;
        unplugged.swap(r.bridges);
        r.open.clear();
    }
    for (const auto& bridge : unplugged) bridge->Close();
}

}  // namespace

SimBridgeBus::SimBridgeBus()
{
    SwitchBus(this);
}

SimBridgeBus::~SimBridgeBus()
{
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        if (r.bus != this) return;
    }
    SwitchBus(nullptr);
}

void SimBridgeBus::Plug(std::shared_ptr<SimBridge> bridge)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (r.bus == this && bridge) r.bridges.push_back(std::move(bridge));
}

std::vector<std::shared_ptr<SimBridge>> SimBridgeBus::Bridges() const
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return r.bus == this ? r.bridges : std::vector<std::shared_ptr<SimBridge>>{};
}

std::shared_ptr<d2xx::D2xxLibrary> SimulatedD2xxLibrary()
{
    // The registry exists before any link holds the library, so it outlives the process-wide
    // link, which may still close a device when the process ends.
    TheRegistry();
    static const auto library = std::make_shared<SimulatedLibrary>(
        "simulated bridge (virtual unit)", SimulatedEntryPoints());
    return library;
}

}  // namespace krv::sim
