#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include "platform/Translate.h"

namespace krv {

class DeviceLink;

// The standalone settings travel as one memory image, in three areas of 1024 bytes (the last one
// only partly used) and in blocks of 32 bytes.
inline constexpr std::size_t kStandaloneImageSize = 2296;
inline constexpr std::size_t kMemoryAreaSize = 1024;
inline constexpr int kMemoryAreaCount = 3;
inline constexpr std::size_t kMemoryBlockSize = 32;
// The first bytes of the image are always stored, whatever they hold.
inline constexpr std::size_t kAlwaysStoredBytes = 312;

using MemoryImage = std::array<std::uint8_t, kStandaloneImageSize>;

// Device error codes; the time-out code is the host's own.
inline constexpr int kDeviceNoError = 0x00;
inline constexpr int kDeviceTimeout = 0x20;
// Refusals that carry no usable code: "NG00" (a refusal that names no error), and an NG whose
// code is not two hexadecimal digits. Both are failures like any other refusal.
inline constexpr int kDeviceRefusedNoError = 0x100;
inline constexpr int kDeviceCodeUnreadable = 0x101;

// Length of a memory read reply, CR LF included.
inline constexpr std::size_t kMemoryReadReplyLength = 80;

// One memory read reply: the offset it names and its 32 bytes.
struct MemoryReadBlock {
    std::uint32_t offset = 0;
    std::array<std::uint8_t, kMemoryBlockSize> bytes{};
};

// Decodes a memory read data reply (the whole line, CR LF included). Nothing unless it is 80
// bytes long, its ETX is in place, its checksum is right and every digit is hexadecimal.
std::optional<MemoryReadBlock> DecodeMemoryReadReply(std::string_view line);

// Text of a device error code ("E2-2 ブランク異常" for 0x3A); empty for codes without one.
std::string DeviceErrorText(int code);
// What a refusal of a memory command is reported as: DeviceErrorText where the code has a text
// of its own, "NG" and the code where it has none, and kDeviceCodeUnreadableText.
std::string MemoryRefusalText(int code);
inline constexpr const char* kDeviceCodeUnreadableText =
    KRV_TRANSLATE_NOOP("StandaloneMemory", "NG（エラーコード読取不能）");

// The code of an "NG" reply: two hexadecimal digits right after NG and then the line's end.
// kDeviceRefusedNoError for 00, kDeviceCodeUnreadable for anything else than two digits.
int RefusalCode(std::string_view line);

// Frames. An area other than 1 or 2 is sent as 0.
std::string EraseMemoryFrame(int area);
std::string WriteMemoryFrame(int area);
std::string LoadMemoryFrame(int area);
// The block at `address`: 32 image bytes, those beyond the image sent as 00.
std::string StoreMemoryFrame(std::size_t address, const MemoryImage& image);
std::string ReadMemoryFrame(std::size_t offset);
std::string MoveMemoryFrame();

// How a transfer of one area into the unit's buffer ended.
enum class StoreOutcome {
    AreaComplete,  // every block of the area was acknowledged
    DataEnded,     // the rest of the image is blank, so the rest was left out
    Failed,        // the unit stopped acknowledging
};

// Erases an area of the unit's non-volatile memory: 0, the unit's error code (RefusalCode), or
// kDeviceTimeout.
int EraseMemoryArea(DeviceLink& link, int area);
// Stores an area of `image` into the unit's buffer, block by block. Four time-outs in the whole
// area end it as failed. Pending events of the link's user interface run between the blocks.
StoreOutcome StoreMemoryBlock(DeviceLink& link, int area, const MemoryImage& image);
// Writes an area of the buffer into non-volatile memory; the command goes out once and its answer
// is awaited for up to four periods. 0, the unit's error code, or kDeviceTimeout.
int WriteMemoryArea(DeviceLink& link, int area);
// Loads an area of non-volatile memory back into the buffer. A refusal fails at once.
bool LoadMemoryArea(DeviceLink& link, int area);
// Reads the buffer back into `image`, block by block, until the image is full or the unit says
// it has no more. A block that cannot be read after four tries fails the read. Pending events of
// the link's user interface run between the blocks.
bool ReadBackMemory(DeviceLink& link, MemoryImage& image);
// Has the unit take the stored image into use.
bool MoveMemoryImage(DeviceLink& link);

}  // namespace krv
