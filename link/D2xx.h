#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Clock.h"

// The calls of FTDI's D2XX library that the program makes, as a table of function addresses.
// The table is filled by name from whichever library provides the calls: FTDI's own, the
// built-in one over libftdi1, or the virtual unit's simulated bridge.
namespace krv::d2xx {

// The library's own types, at the sizes its Linux build uses.
using Handle = void*;
using Status = std::uint32_t;
using DWord = std::uint32_t;
using ULong = std::uint32_t;
using Long = std::int32_t;
using UShort = std::uint16_t;
using UChar = std::uint8_t;

inline constexpr Status kOk = 0;
inline constexpr Status kInvalidHandle = 1;
inline constexpr Status kDeviceNotFound = 2;
inline constexpr Status kDeviceNotOpened = 3;
inline constexpr Status kIoError = 4;
inline constexpr Status kInsufficientResources = 5;
inline constexpr Status kInvalidParameter = 6;
inline constexpr Status kInvalidBaudRate = 7;
inline constexpr Status kNotSupported = 17;
inline constexpr Status kOtherError = 18;

// FT_OpenEx and FT_ListDevices flags.
inline constexpr DWord kOpenBySerialNumber = 0x00000001;
inline constexpr DWord kOpenByDescription = 0x00000002;
inline constexpr DWord kListByIndex = 0x40000000;
inline constexpr DWord kListNumberOnly = 0x80000000;
// FT_Purge masks.
inline constexpr ULong kPurgeRx = 1;
inline constexpr ULong kPurgeTx = 2;
// FT_SetBitMode modes.
inline constexpr UChar kBitModeReset = 0x00;
inline constexpr UChar kBitModeCbus = 0x20;
// FT_SetDataCharacteristics values.
inline constexpr UChar kBits8 = 8;
inline constexpr UChar kBits7 = 7;
inline constexpr UChar kStopBits1 = 0;
inline constexpr UChar kStopBits2 = 2;
inline constexpr UChar kParityNone = 0;

// Serial numbers and descriptions are handed over in buffers of this size.
inline constexpr std::size_t kTextBufferSize = 64;

// Any function address, before it is cast to its real type.
using AnyFunction = void (*)();

// The entry points, in the order they are looked up (which fixes the message shown when several
// are missing). X(name, return, parameters...)
#define KRV_D2XX_ENTRY_POINTS(X)                                                                \
    X(FT_Write, Handle handle, void* buffer, DWord toWrite, DWord* written)                     \
    X(FT_Read, Handle handle, void* buffer, DWord toRead, DWord* read)                          \
    X(FT_Open, int deviceNumber, Handle* handle)                                                \
    X(FT_OpenEx, void* arg, DWord flags, Handle* handle)                                        \
    X(FT_ListDevices, void* arg1, void* arg2, DWord flags)                                      \
    X(FT_Close, Handle handle)                                                                  \
    X(FT_ResetDevice, Handle handle)                                                            \
    X(FT_Purge, Handle handle, ULong mask)                                                      \
    X(FT_SetTimeouts, Handle handle, ULong readTimeout, ULong writeTimeout)                     \
    X(FT_GetQueueStatus, Handle handle, DWord* queued)                                          \
    X(FT_SetLatencyTimer, Handle handle, UChar milliseconds)                                    \
    X(FT_SetBaudRate, Handle handle, ULong baudRate)                                            \
    X(FT_SetDivisor, Handle handle, UShort divisor)                                             \
    X(FT_SetDataCharacteristics, Handle handle, UChar wordLength, UChar stopBits, UChar parity) \
    X(FT_SetUSBParameters, Handle handle, ULong inSize, ULong outSize)                          \
    X(FT_SetBitMode, Handle handle, UChar mask, UChar mode)                                     \
    X(FT_GetComPortNumber, Handle handle, Long* portNumber)                                     \
    X(FT_CreateDeviceInfoList, DWord* count)                                                    \
    X(FT_GetDeviceInfoList, void* list, DWord* count)

#define KRV_D2XX_TYPE(name, ...) using name##_Function = Status (*)(__VA_ARGS__);
KRV_D2XX_ENTRY_POINTS(KRV_D2XX_TYPE)
#undef KRV_D2XX_TYPE

#define KRV_D2XX_COUNT(name, ...) +1
inline constexpr std::size_t kEntryPointCount = 0 KRV_D2XX_ENTRY_POINTS(KRV_D2XX_COUNT);
#undef KRV_D2XX_COUNT

// One address per entry point; a missing one is null.
struct EntryPoints {
#define KRV_D2XX_MEMBER(name, ...) name##_Function name = nullptr;
    KRV_D2XX_ENTRY_POINTS(KRV_D2XX_MEMBER)
#undef KRV_D2XX_MEMBER

    // The name of entry point `index` (below kEntryPointCount) in lookup order.
    static const char* NameAt(std::size_t index);
    // Sets entry point `index` from an address found by name (null clears it).
    void Assign(std::size_t index, AnyFunction address);
    // The address of the entry point called `name`, or null (also for names not in the table).
    AnyFunction Find(const char* name) const;
};

// The table of the functions that bear the entry points' names (FT_Write, FT_Read, ...) where the
// macro is used, so that a provider names each function once, at its definition. A function
// missing, or of another type than its entry point, does not compile.
#define KRV_D2XX_TABLE_ENTRY(name, ...) table.name = &name;
#define KRV_D2XX_FUNCTION_TABLE()                   \
    [] {                                            \
        ::krv::d2xx::EntryPoints table;             \
        KRV_D2XX_ENTRY_POINTS(KRV_D2XX_TABLE_ENTRY) \
        return table;                               \
    }()

// Where the entry points come from. Implemented by FTDI's library (loaded by name), the
// built-in provider over libftdi1, the simulated bridge and the tests' fakes.
class D2xxLibrary {
  public:
    virtual ~D2xxLibrary() = default;

    // Said once at start-up, so a user can tell which bridge access is in use.
    virtual std::string Name() const = 0;
    // The entry point of that name, or null when the library lacks it.
    virtual AnyFunction Find(const char* name) const = 0;

    // Sleeps until the open device `handle` has received something, or until `deadline`.
    // Returns false at once when the library has no way of waiting other than FT_Read itself;
    // the link then waits in FT_Read.
    virtual bool WaitForReceive(Handle handle, TimePoint deadline)
    {
        (void)handle;
        (void)deadline;
        return false;
    }
};

// A library whose entry points are functions of this program (the built-in and simulated
// providers, test fakes).
class TableLibrary : public D2xxLibrary {
  public:
    TableLibrary(std::string name, const EntryPoints& entries)
        : name_(std::move(name)), entries_(entries)
    {
    }
    std::string Name() const override { return name_; }
    AnyFunction Find(const char* name) const override { return entries_.Find(name); }

  private:
    std::string name_;
    EntryPoints entries_;
};

}  // namespace krv::d2xx
