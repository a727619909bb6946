#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/StandaloneMemory.h"

namespace krv {

// The standalone settings of channels 1 and 2 as the unit keeps them: one little-endian memory
// image with a record per channel and a shared table of arbitrary points.

inline constexpr int kStandaloneChannelCount = 2;
inline constexpr int kStandalonePointEntries = 256;
inline constexpr std::size_t kStandaloneRecordOffsets[kStandaloneChannelCount] = {32, 124};
inline constexpr std::size_t kStandaloneRecordSize = 92;
inline constexpr std::size_t kStandalonePointTableOffset = 248;
inline constexpr std::size_t kStandalonePointEntrySize = 8;
inline constexpr std::uint16_t kNoStandalonePoint = 0xFFFF;

// One channel's record.
struct StandaloneChannelRecord {
    // Bits 0-3 standalone mode, bits 4-7 waveform, bit 8 conversion formula on.
    std::uint16_t flags = 0;
    std::int32_t range = 0;
    float scaledMin = 0.0f;
    float scaledMax = 0.0f;
    std::int32_t scaledDigits = 0;
    float fixedValue = 0.0f;
    std::int32_t repeat = 0;
    float start = 0.0f;
    float end = 0.0f;
    float step = 0.0f;
    std::int32_t interval = 0;  // 0.01 s
    std::uint16_t firstPoint = 0;
    std::uint16_t lastPoint = 0;

    int Mode() const { return flags & 0x0F; }
    int Waveform() const { return (flags >> 4) & 0x0F; }
    bool ScalingOn() const { return (flags & 0x0100) != 0; }
};

// One entry of the point table.
struct StandalonePointEntry {
    // Bit 0 in use, bit 1 pause, bits 2-3 channel (0 or 1), bits 8-31 interval (0.01 s).
    std::uint32_t bits = 0;
    float value = 0.0f;

    bool Used() const { return (bits & 0x1) != 0; }
    bool Pause() const { return (bits & 0x2) != 0; }
    int Channel() const { return static_cast<int>((bits >> 2) & 0x3); }
    std::int32_t Interval() const { return static_cast<std::int32_t>(bits >> 8); }
};

class StandaloneImage {
  public:
    MemoryImage bytes{};

    std::uint16_t LinkedFlag() const;
    void SetLinkedFlag(std::uint16_t flag);
    // Channel index 0 or 1.
    StandaloneChannelRecord Record(int k) const;
    void SetRecord(int k, const StandaloneChannelRecord& record);
    // Entry 0 to 255.
    StandalonePointEntry Point(int n) const;
    void SetPoint(int n, const StandalonePointEntry& entry);
    // Sets every point entry to zero.
    void ClearPoints();

    bool operator==(const StandaloneImage&) const = default;
};

// Item codes of the first difference between two images (0 when there is none).
inline constexpr int kImageSame = 0;
inline constexpr int kImageLinked = 16;
inline constexpr int kImageMode = 32;
inline constexpr int kImageWaveform = 33;
inline constexpr int kImageScalingOn = 34;
inline constexpr int kImageRange = 48;
inline constexpr int kImageScaling = 49;
inline constexpr int kImageFixedValue = 50;
inline constexpr int kImageRepeat = 51;
inline constexpr int kImageStart = 52;
inline constexpr int kImageEnd = 53;
inline constexpr int kImageStep = 54;
inline constexpr int kImageInterval = 55;
inline constexpr int kImagePointUsed = 64;
inline constexpr int kImagePointPause = 65;
inline constexpr int kImagePointChannel = 66;
inline constexpr int kImagePointInterval = 67;
inline constexpr int kImagePointValue = 68;

// Compares what the unit holds with what it should hold, field by field in a fixed order; floats
// compare by their stored bits, so a NaN written verifies. Point links and unused bytes are not
// compared.
int CompareStandaloneImage(const StandaloneImage& image, const StandaloneImage& readBack);
// The name of an item code ("照合エラー " + this names the difference); empty for other codes.
std::string ImageItemName(int code);

}  // namespace krv
