#include "protocol/StandaloneMemory.h"

#include <cstdio>
#include <optional>

#include "link/DeviceLink.h"
#include "platform/Translate.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"
#include "protocol/HexText.h"

namespace krv {

namespace {

unsigned AreaDigit(int area)
{
    return area == 1 || area == 2 ? static_cast<unsigned>(area) : 0u;
}

std::uint8_t ImageByte(const MemoryImage& image, std::size_t index)
{
    return index < image.size() ? image[index] : 0;
}

// True when nothing but zero bytes lie in the image from `from` on.
bool BlankFrom(const MemoryImage& image, std::size_t from)
{
    for (std::size_t i = from; i < image.size(); ++i) {
        if (image[i] != 0) return false;
    }
    return true;
}

ExchangeSettings MemorySettings(std::chrono::milliseconds timeout)
{
    ExchangeSettings settings;
    settings.link = LinkKind::Com;
    settings.timeout = timeout;
    settings.waitCursor = true;
    return settings;
}

bool IsOk(std::string_view line)
{
    return line.substr(0, 2) == "OK";
}

bool IsNg(std::string_view line)
{
    return line.substr(0, 2) == "NG";
}

// Erase and write: OK gives 0, a refusal its error code at once, no answer the time-out code.
int CodedExchange(DeviceLink& link, const ExchangeSettings& settings, const std::string& frame)
{
    int code = kDeviceNoError;
    const ExchangeResult result = RunExchange(link, settings, frame, [&](std::string_view line) {
        if (IsOk(line)) return LineVerdict::Match;
        if (IsNg(line)) {
            code = RefusalCode(line);
            return LineVerdict::Fail;
        }
        return LineVerdict::Ignore;
    });
    switch (result) {
        case ExchangeResult::Success:
            return kDeviceNoError;
        case ExchangeResult::Refused:
            return code;
        case ExchangeResult::GaveUp:
            break;
    }
    return kDeviceTimeout;
}

bool StrictHex(std::string_view text, std::size_t pos, std::size_t width, std::uint32_t& value)
{
    value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

std::optional<MemoryReadBlock> DecodeMemoryReadReply(std::string_view line)
{
    constexpr std::size_t kOffsetAt = 3;
    constexpr std::size_t kDataAt = 11;
    constexpr std::size_t kEtxAt = kDataAt + 2 * kMemoryBlockSize;
    if (line.size() != kMemoryReadReplyLength || line[kEtxAt] != kEtx) return std::nullopt;
    if (line.find(kEtx, 1) != kEtxAt) return std::nullopt;
    const std::uint8_t sum = ChecksumOf(line.substr(1, kEtxAt));
    std::uint32_t written = 0;
    if (!StrictHex(line, kEtxAt + 1, 2, written) || written != sum) return std::nullopt;
    // Upper-case digits only, as the unit writes them.
    for (std::size_t i = kEtxAt + 1; i < kEtxAt + 3; ++i) {
        if (line[i] >= 'a' && line[i] <= 'f') return std::nullopt;
    }
    MemoryReadBlock block;
    if (!StrictHex(line, kOffsetAt, 8, block.offset)) return std::nullopt;
    for (std::size_t k = 0; k < kMemoryBlockSize; ++k) {
        std::uint32_t byte = 0;
        if (!StrictHex(line, kDataAt + 2 * k, 2, byte)) return std::nullopt;
        block.bytes[k] = static_cast<std::uint8_t>(byte);
    }
    return block;
}

std::string DeviceErrorText(int code)
{
    switch (code) {
        case 0x00:
            return Tr("StandaloneMemory", "エラー無し");
        case 0x01:
            return Tr("StandaloneMemory", "書式異常");
        case 0x02:
            return Tr("StandaloneMemory", "チャネル番号異常");
        case 0x03:
            return Tr("StandaloneMemory", "出力レンジ異常");
        case 0x04:
            return Tr("StandaloneMemory", "出力状態異常");
        case 0x05:
            return Tr("StandaloneMemory", "出力値異常");
        case kDeviceTimeout:
            return Tr("StandaloneMemory", "タイムアウト");
        default:
            break;
    }
    if (code >= 0x30 && code <= 0x4F) {
        static constexpr const char* kKinds[] = {
            KRV_TRANSLATE_NOOP("StandaloneMemory", "イレーズ異常"),
            KRV_TRANSLATE_NOOP("StandaloneMemory", "ブランク異常"),
            KRV_TRANSLATE_NOOP("StandaloneMemory", "書込異常"),
            KRV_TRANSLATE_NOOP("StandaloneMemory", "照合異常")};
        const int n = code & 0x07;
        return "E2-" + std::to_string(n) + " " +
               TrMarked("StandaloneMemory", kKinds[(code - 0x30) / 8]);
    }
    return {};
}

std::string MemoryRefusalText(int code)
{
    if (code == kDeviceCodeUnreadable)
        return TrMarked("StandaloneMemory", kDeviceCodeUnreadableText);
    const int shown = code == kDeviceRefusedNoError ? 0 : code;
    if (code != kDeviceRefusedNoError) {
        if (std::string text = DeviceErrorText(code); !text.empty()) return text;
    }
    char text[16];
    std::snprintf(text, sizeof text, "NG%02X", static_cast<unsigned>(shown) & 0xFFu);
    return text;
}

int RefusalCode(std::string_view line)
{
    // Exactly "NG", two digits, CR LF: a reply in any other shape cannot say which error it is,
    // and reading it leniently would turn it into code 0, no error.
    if (line.size() != 6 || !IsNg(line) || line.substr(4) != "\r\n") return kDeviceCodeUnreadable;
    const int high = HexDigitValue(line[2]);
    const int low = HexDigitValue(line[3]);
    if (high < 0 || low < 0) return kDeviceCodeUnreadable;
    const int code = high * 16 + low;
    return code == kDeviceNoError ? kDeviceRefusedNoError : code;
}

std::string EraseMemoryFrame(int area)
{
    return CommandFrame::Framed("PE").Hex1(AreaDigit(area)).WithEtxAndChecksum();
}

std::string WriteMemoryFrame(int area)
{
    return CommandFrame::Framed("PW").Hex1(AreaDigit(area)).WithEtxAndChecksum();
}

std::string LoadMemoryFrame(int area)
{
    return CommandFrame::Framed("PM").Hex1(AreaDigit(area)).WithEtxAndChecksum();
}

std::string StoreMemoryFrame(std::size_t address, const MemoryImage& image)
{
    CommandFrame frame = CommandFrame::Framed("PS");
    frame.Hex4(static_cast<unsigned>(address & 0xFFFF));
    for (std::size_t k = 0; k < kMemoryBlockSize; ++k) frame.Hex2(ImageByte(image, address + k));
    return frame.WithEtxAndChecksum();
}

std::string ReadMemoryFrame(std::size_t offset)
{
    return CommandFrame::Framed("PR").Hex8(static_cast<std::uint32_t>(offset)).WithEtxAndChecksum();
}

std::string MoveMemoryFrame()
{
    return CommandFrame::Framed("PI").WithEtx();
}

int EraseMemoryArea(DeviceLink& link, int area)
{
    return CodedExchange(link, MemorySettings(kMemoryTimeout), EraseMemoryFrame(area));
}

int WriteMemoryArea(DeviceLink& link, int area)
{
    ExchangeSettings settings = MemorySettings(kMemoryTimeout);
    settings.resendOnTimeout = false;
    return CodedExchange(link, settings, WriteMemoryFrame(area));
}

bool LoadMemoryArea(DeviceLink& link, int area)
{
    return RunExchange(link, MemorySettings(kMemoryTimeout), LoadMemoryFrame(area),
                       [](std::string_view line) {
                           if (IsOk(line)) return LineVerdict::Match;
                           return IsNg(line) ? LineVerdict::Fail : LineVerdict::Ignore;
                       }) == ExchangeResult::Success;
}

StoreOutcome StoreMemoryBlock(DeviceLink& link, int area, const MemoryImage& image)
{
    std::size_t address = AreaDigit(area) * kMemoryAreaSize;
    const std::size_t end = address + kMemoryAreaSize;
    int emptyFrames = 0;
    // Time-outs count against the whole area, not against each block.
    int tries = 0;
    ExchangeSettings settings = MemorySettings(kShortTimeout);
    settings.sharedTries = &tries;
    for (bool first = true;; first = false) {
        if (!first) link.Ui().ProcessPendingEvents();
        const bool lastByteSet = ImageByte(image, address + kMemoryBlockSize - 1) != 0;
        const std::size_t after = address + kMemoryBlockSize;
        const ExchangeResult result = RunExchange(
            link, settings, StoreMemoryFrame(address, image), [](std::string_view line) {
                return IsOk(line) ? LineVerdict::Match : LineVerdict::Ignore;
            });
        if (result != ExchangeResult::Success) return StoreOutcome::Failed;
        address = after;
        if (address >= end) return StoreOutcome::AreaComplete;
        if (after <= kAlwaysStoredBytes || lastByteSet) continue;
        // A block ending in a zero byte suggests the data has ended; two of them end the transfer
        // only when nothing but zeros really follows (a point value of 0.0 also ends in zero).
        if (++emptyFrames >= 2 && BlankFrom(image, address)) return StoreOutcome::DataEnded;
    }
}

bool ReadBackMemory(DeviceLink& link, MemoryImage& image)
{
    const ExchangeSettings settings = MemorySettings(kShortTimeout);
    for (std::size_t offset = 0; offset < image.size(); offset += kMemoryBlockSize) {
        if (offset != 0) link.Ui().ProcessPendingEvents();
        bool ended = false;
        const ExchangeResult result =
            RunExchange(link, settings, ReadMemoryFrame(offset), [&](std::string_view line) {
                if (line.size() < 3 || line.substr(1, 2) != "PR") return LineVerdict::Ignore;
                if (line.substr(3, 3) == "END") {
                    ended = true;
                    return LineVerdict::Match;
                }
                // A damaged block is asked for again rather than passed over, so a read that
                // succeeds holds nothing but what the unit sent.
                const std::optional<MemoryReadBlock> block = DecodeMemoryReadReply(line);
                if (!block) return LineVerdict::WrongLine;
                // A late answer to an earlier request is not the block asked for.
                if (block->offset != offset) return LineVerdict::Ignore;
                for (std::size_t k = 0; k < kMemoryBlockSize; ++k) {
                    if (offset + k < image.size()) image[offset + k] = block->bytes[k];
                }
                return LineVerdict::Match;
            });
        if (result != ExchangeResult::Success) return false;
        if (ended) return true;
    }
    return true;
}

bool MoveMemoryImage(DeviceLink& link)
{
    return RunExchange(link, MemorySettings(kShortTimeout), MoveMemoryFrame(),
                       [](std::string_view line) {
                           if (IsOk(line)) return LineVerdict::Match;
                           return IsNg(line) ? LineVerdict::Fail : LineVerdict::Ignore;
                       }) == ExchangeResult::Success;
}

}  // namespace krv
