#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "link/D2xx.h"
#include "platform/Clock.h"

namespace krv::test {

// A D2XX library made of plain recording functions, with holes where a test wants them. The
// entry points are plain functions, so the fake's state is one per process; FakeD2xxLibrary()
// starts it afresh.
struct FakeD2xx {
    struct Call {
        std::string name;
        std::vector<unsigned long long> args;  // numeric arguments in order
        std::string text;                      // the text passed (FT_OpenEx, FT_Write)
        TimePoint time;
    };
    // One listed device: the bytes FT_ListDevices writes into the caller's 64-byte buffer
    // (written as given, up to 64 bytes, with no NUL added).
    struct Device {
        std::string serial;
        std::string description;
    };

    std::mutex mutex;
    std::vector<Call> calls;
    std::vector<Device> devices;
    d2xx::Status openStatus = d2xx::kOk;
    std::deque<std::string> reads;  // what each FT_Read delivers, one entry per call
    // What each FT_Write makes the device answer: the chunks are added to `reads`.
    std::deque<std::vector<std::string>> answers;
    bool open = false;

    std::vector<std::string> Names()
    {
        std::lock_guard lock(mutex);
        std::vector<std::string> names;
        for (const Call& c : calls) names.push_back(c.name);
        return names;
    }
    std::vector<Call> Calls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }
    void Record(const char* name, std::vector<unsigned long long> args, std::string text = {})
    {
        std::lock_guard lock(mutex);
        calls.push_back({name, std::move(args), std::move(text), Now()});
    }
};

inline FakeD2xx& Fake()
{
    static FakeD2xx fake;
    return fake;
}

namespace fake {

using namespace d2xx;

inline Handle TheHandle()
{
    return reinterpret_cast<Handle>(std::uintptr_t{0x4B52});
}

inline Status FT_Write(Handle, void* buffer, DWord n, DWord* written)
{
    const char* bytes = static_cast<const char*>(buffer);
    // The link hands over a NUL-terminated copy: keep the terminator to show it is there.
    Fake().Record("FT_Write", {n}, std::string(bytes, n) + (bytes[n] == '\0' ? "<NUL>" : "<?>"));
    *written = n;
    std::lock_guard lock(Fake().mutex);
    if (!Fake().answers.empty()) {
        for (const std::string& chunk : Fake().answers.front()) Fake().reads.push_back(chunk);
        Fake().answers.pop_front();
    }
    return kOk;
}
inline Status FT_Read(Handle, void* buffer, DWord n, DWord* read)
{
    Fake().Record("FT_Read", {n});
    std::lock_guard lock(Fake().mutex);
    *read = 0;
    if (Fake().reads.empty()) return kOk;
    const std::string chunk = Fake().reads.front().substr(0, n);
    Fake().reads.pop_front();
    std::memcpy(buffer, chunk.data(), chunk.size());
    *read = static_cast<DWord>(chunk.size());
    return kOk;
}
inline Status FT_Open(int, Handle*)
{
    return kNotSupported;
}
inline Status FT_OpenEx(void* arg, DWord flags, Handle* handle)
{
    Fake().Record("FT_OpenEx", {flags}, static_cast<const char*>(arg));
    if (Fake().openStatus != kOk) return Fake().openStatus;
    Fake().open = true;
    *handle = TheHandle();
    return kOk;
}
inline Status FT_ListDevices(void* arg1, void* arg2, DWord flags)
{
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    Fake().Record("FT_ListDevices", {index, flags});
    std::lock_guard lock(Fake().mutex);
    if (index >= Fake().devices.size()) return kDeviceNotFound;
    const FakeD2xx::Device& d = Fake().devices[index];
    const std::string& text = (flags & kOpenBySerialNumber) != 0 ? d.serial : d.description;
    std::memcpy(arg2, text.data(), std::min(text.size(), kTextBufferSize));
    return kOk;
}
inline Status FT_Close(Handle)
{
    Fake().Record("FT_Close", {});
    Fake().open = false;
    return kOk;
}
inline Status FT_ResetDevice(Handle)
{
    Fake().Record("FT_ResetDevice", {});
    return kOk;
}
inline Status FT_Purge(Handle, ULong mask)
{
    Fake().Record("FT_Purge", {mask});
    return kOk;
}
inline Status FT_SetTimeouts(Handle, ULong r, ULong w)
{
    Fake().Record("FT_SetTimeouts", {r, w});
    return kOk;
}
inline Status FT_GetQueueStatus(Handle, DWord*)
{
    Fake().Record("FT_GetQueueStatus", {});
    return kOk;
}
inline Status FT_SetLatencyTimer(Handle, UChar ms)
{
    Fake().Record("FT_SetLatencyTimer", {ms});
    return kOk;
}
inline Status FT_SetBaudRate(Handle, ULong rate)
{
    Fake().Record("FT_SetBaudRate", {rate});
    return kOk;
}
inline Status FT_SetDivisor(Handle, UShort divisor)
{
    Fake().Record("FT_SetDivisor", {divisor});
    return kOk;
}
inline Status FT_SetDataCharacteristics(Handle, UChar bits, UChar stop, UChar parity)
{
    Fake().Record("FT_SetDataCharacteristics", {bits, stop, parity});
    return kOk;
}
inline Status FT_SetUSBParameters(Handle, ULong, ULong)
{
    Fake().Record("FT_SetUSBParameters", {});
    return kOk;
}
inline Status FT_SetBitMode(Handle, UChar mask, UChar mode)
{
    Fake().Record("FT_SetBitMode", {mask, mode});
    return kOk;
}
inline Status FT_GetComPortNumber(Handle, Long*)
{
    Fake().Record("FT_GetComPortNumber", {});
    return kOk;
}
inline Status FT_CreateDeviceInfoList(DWord*)
{
    Fake().Record("FT_CreateDeviceInfoList", {});
    return kOk;
}
inline Status FT_GetDeviceInfoList(void*, DWord*)
{
    Fake().Record("FT_GetDeviceInfoList", {});
    return kOk;
}

}  // namespace fake

// A library with every entry point but those named in `missing`.
class FakeLibrary : public d2xx::TableLibrary {
  public:
    explicit FakeLibrary(std::set<std::string> missing)
        : TableLibrary("fake", Entries()), missing_(std::move(missing))
    {
    }
    d2xx::AnyFunction Find(const char* name) const override
    {
        return missing_.count(name) != 0 ? nullptr : TableLibrary::Find(name);
    }

  private:
    static d2xx::EntryPoints Entries()
    {
        using namespace fake;
        return KRV_D2XX_FUNCTION_TABLE();
    }
    std::set<std::string> missing_;
};

// Resets the fake and returns a library over it with the `missing` entry points left out.
inline std::shared_ptr<d2xx::D2xxLibrary> FakeD2xxLibrary(std::set<std::string> missing = {})
{
    FakeD2xx& f = Fake();
    {
        std::lock_guard lock(f.mutex);
        f.calls.clear();
        f.devices.clear();
        f.reads.clear();
        f.answers.clear();
        f.openStatus = d2xx::kOk;
        f.open = false;
    }
    return std::make_shared<FakeLibrary>(std::move(missing));
}

}  // namespace krv::test
