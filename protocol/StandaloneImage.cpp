#include "protocol/StandaloneImage.h"
#include "platform/Translate.h"

#include <bit>

namespace krv {

namespace {

// Field offsets inside a channel record.
constexpr std::size_t kFlagsAt = 0;
constexpr std::size_t kRangeAt = 4;
constexpr std::size_t kScaledMinAt = 8;
constexpr std::size_t kScaledMaxAt = 12;
constexpr std::size_t kScaledDigitsAt = 16;
constexpr std::size_t kFixedValueAt = 20;
constexpr std::size_t kRepeatAt = 24;
constexpr std::size_t kStartAt = 28;
constexpr std::size_t kEndAt = 32;
constexpr std::size_t kStepAt = 36;
constexpr std::size_t kIntervalAt = 40;
constexpr std::size_t kFirstPointAt = 44;
constexpr std::size_t kLastPointAt = 46;

std::uint32_t Load(const MemoryImage& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

void Store(MemoryImage& bytes, std::size_t at, int size, std::uint32_t value)
{
    for (int i = 0; i < size; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

float LoadFloat(const MemoryImage& bytes, std::size_t at)
{
    return std::bit_cast<float>(Load(bytes, at, 4));
}

void StoreFloat(MemoryImage& bytes, std::size_t at, float value)
{
    Store(bytes, at, 4, std::bit_cast<std::uint32_t>(value));
}

std::int32_t LoadInt(const MemoryImage& bytes, std::size_t at)
{
    return static_cast<std::int32_t>(Load(bytes, at, 4));
}

void StoreInt(MemoryImage& bytes, std::size_t at, std::int32_t value)
{
    Store(bytes, at, 4, static_cast<std::uint32_t>(value));
}

std::size_t RecordAt(int k)
{
    return kStandaloneRecordOffsets[k == 1 ? 1 : 0];
}

std::size_t PointAt(int n)
{
    return kStandalonePointTableOffset + static_cast<std::size_t>(n) * kStandalonePointEntrySize;
}

bool ValidPoint(int n)
{
    return n >= 0 && n < kStandalonePointEntries;
}

}  // namespace

std::uint16_t StandaloneImage::LinkedFlag() const
{
    return static_cast<std::uint16_t>(Load(bytes, 0, 2));
}

void StandaloneImage::SetLinkedFlag(std::uint16_t flag)
{
    Store(bytes, 0, 2, flag);
}

StandaloneChannelRecord StandaloneImage::Record(int k) const
{
    const std::size_t at = RecordAt(k);
    StandaloneChannelRecord r;
    r.flags = static_cast<std::uint16_t>(Load(bytes, at + kFlagsAt, 2));
    r.range = LoadInt(bytes, at + kRangeAt);
    r.scaledMin = LoadFloat(bytes, at + kScaledMinAt);
    r.scaledMax = LoadFloat(bytes, at + kScaledMaxAt);
    r.scaledDigits = LoadInt(bytes, at + kScaledDigitsAt);
    r.fixedValue = LoadFloat(bytes, at + kFixedValueAt);
    r.repeat = LoadInt(bytes, at + kRepeatAt);
    r.start = LoadFloat(bytes, at + kStartAt);
    r.end = LoadFloat(bytes, at + kEndAt);
    r.step = LoadFloat(bytes, at + kStepAt);
    r.interval = LoadInt(bytes, at + kIntervalAt);
    r.firstPoint = static_cast<std::uint16_t>(Load(bytes, at + kFirstPointAt, 2));
    r.lastPoint = static_cast<std::uint16_t>(Load(bytes, at + kLastPointAt, 2));
    return r;
}

void StandaloneImage::SetRecord(int k, const StandaloneChannelRecord& r)
{
    const std::size_t at = RecordAt(k);
    Store(bytes, at + kFlagsAt, 2, r.flags);
    StoreInt(bytes, at + kRangeAt, r.range);
    StoreFloat(bytes, at + kScaledMinAt, r.scaledMin);
    StoreFloat(bytes, at + kScaledMaxAt, r.scaledMax);
    StoreInt(bytes, at + kScaledDigitsAt, r.scaledDigits);
    StoreFloat(bytes, at + kFixedValueAt, r.fixedValue);
    StoreInt(bytes, at + kRepeatAt, r.repeat);
    StoreFloat(bytes, at + kStartAt, r.start);
    StoreFloat(bytes, at + kEndAt, r.end);
    StoreFloat(bytes, at + kStepAt, r.step);
    StoreInt(bytes, at + kIntervalAt, r.interval);
    Store(bytes, at + kFirstPointAt, 2, r.firstPoint);
    Store(bytes, at + kLastPointAt, 2, r.lastPoint);
}

StandalonePointEntry StandaloneImage::Point(int n) const
{
    if (!ValidPoint(n)) return {};
    return {Load(bytes, PointAt(n), 4), LoadFloat(bytes, PointAt(n) + 4)};
}

void StandaloneImage::SetPoint(int n, const StandalonePointEntry& entry)
{
    if (!ValidPoint(n)) return;
    Store(bytes, PointAt(n), 4, entry.bits);
    StoreFloat(bytes, PointAt(n) + 4, entry.value);
}

void StandaloneImage::ClearPoints()
{
    for (std::size_t i = kStandalonePointTableOffset; i < bytes.size(); ++i) bytes[i] = 0;
}

namespace {

// The unit keeps floats as the bytes it was sent, so what was written reads back bit for bit; a
// comparison as numbers would fail on every NaN and pass a changed sign of zero.
bool Same(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

}  // namespace

int CompareStandaloneImage(const StandaloneImage& image, const StandaloneImage& readBack)
{
    if (image.LinkedFlag() != readBack.LinkedFlag()) return kImageLinked;
    for (int k = 0; k < kStandaloneChannelCount; ++k) {
        const StandaloneChannelRecord a = image.Record(k);
        const StandaloneChannelRecord b = readBack.Record(k);
        if ((a.flags & 0x000F) != (b.flags & 0x000F)) return kImageMode;
        if ((a.flags & 0x00F0) != (b.flags & 0x00F0)) return kImageWaveform;
        if ((a.flags & 0x0100) != (b.flags & 0x0100)) return kImageScalingOn;
        if (a.range != b.range) return kImageRange;
        if (!Same(a.scaledMin, b.scaledMin) || !Same(a.scaledMax, b.scaledMax) ||
            a.scaledDigits != b.scaledDigits) {
            return kImageScaling;
        }
        if (!Same(a.fixedValue, b.fixedValue)) return kImageFixedValue;
        if (a.repeat != b.repeat) return kImageRepeat;
        if (!Same(a.start, b.start)) return kImageStart;
        if (!Same(a.end, b.end)) return kImageEnd;
        if (!Same(a.step, b.step)) return kImageStep;
        if (a.interval != b.interval) return kImageInterval;
    }
    for (int n = 0; n < kStandalonePointEntries; ++n) {
        const StandalonePointEntry a = image.Point(n);
        const StandalonePointEntry b = readBack.Point(n);
        if ((a.bits & 0x1) != (b.bits & 0x1)) return kImagePointUsed;
        if ((a.bits & 0x2) != (b.bits & 0x2)) return kImagePointPause;
        if ((a.bits & 0xC) != (b.bits & 0xC)) return kImagePointChannel;
        if ((a.bits & 0xFFFFFF00u) != (b.bits & 0xFFFFFF00u)) return kImagePointInterval;
        if (!Same(a.value, b.value)) return kImagePointValue;
    }
    return kImageSame;
}

std::string ImageItemName(int code)
{
    switch (code) {
        case kImageSame:
            return Tr("StandaloneImage", "エラー無し");
        case kImageLinked:
            return Tr("StandaloneImage", "連動動作");
        case kImageMode:
            return Tr("StandaloneImage", "PCレス");
        case kImageWaveform:
            return Tr("StandaloneImage", "自動出力モード");
        case kImageScalingOn:
            return Tr("StandaloneImage", "換算モード");
        case kImageRange:
            return Tr("StandaloneImage", "出力レンジ");
        case kImageScaling:
            return Tr("StandaloneImage", "換算式");
        case kImageFixedValue:
            return Tr("StandaloneImage", "固定出力値");
        case kImageRepeat:
            return Tr("StandaloneImage", "繰返し値");
        case kImageStart:
            return Tr("StandaloneImage", "開始値");
        case kImageEnd:
            return Tr("StandaloneImage", "終了値");
        case kImageStep:
            return Tr("StandaloneImage", "変化量");
        case kImageInterval:
            return Tr("StandaloneImage", "更新間隔");
        case kImagePointUsed:
            return Tr("StandaloneImage", "任意波　データ有無");
        case kImagePointPause:
            return Tr("StandaloneImage", "任意波　一時停止");
        case kImagePointChannel:
            return Tr("StandaloneImage", "任意波　チャネル");
        case kImagePointInterval:
            return Tr("StandaloneImage", "任意波　更新間隔");
        case kImagePointValue:
            return Tr("StandaloneImage", "任意波　値");
        default:
            return {};
    }
}

}  // namespace krv
