#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "firmware/RecordCipherTable.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

int UpperHexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a file already in memory.
class MemorySource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool Next(std::uint8_t& byte)
    {
        if (pos_ >= bytes_.size()) return false;
        byte = static_cast<std::uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool Failed() const { return false; }
    std::uint64_t Position() const { return pos_; }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The bytes of a regular file, read a buffer at a time.
class FileSource {
  public:
    explicit FileSource(const std::filesystem::path& path)
    {
        // Non-blocking, so that opening a pipe by mistake does not wait for a writer; only
        // regular files are read after that.
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        struct stat info {};
        if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
        fd_ = std::move(fd);
    }
    bool Opened() const { return fd_.Valid(); }
    bool Next(std::uint8_t& byte)
    {
        if (pos_ == end_ && !Refill()) return false;
        byte = buffer_[pos_++];
        ++consumed_;
        return true;
    }
    bool Failed() const { return failed_; }
    std::uint64_t Position() const { return consumed_; }

  private:
    bool Refill()
    {
        if (!fd_.Valid() || failed_) return false;
        for (;;) {
            const ssize_t got = ::read(fd_.Get(), buffer_.data(), buffer_.size());
            if (got > 0) {
                pos_ = 0;
                end_ = static_cast<std::size_t>(got);
                return true;
            }
            if (got < 0 && errno == EINTR) continue;
            failed_ = got < 0;
            return false;
        }
    }

    UniqueFd fd_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(65536);
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
    bool failed_ = false;
};

template <typename Source>
FirmwareReadResult ReadHeader(Source& source, FirmwareHeader& header)
{
    std::uint8_t first = 0;
    if (!source.Next(first))
        return source.Failed() ? FirmwareReadResult::CannotOpen : FirmwareReadResult::Empty;
    std::string version;
    for (int i = 0; i < 3; ++i) {
        std::uint8_t byte = 0;
        if (!source.Next(byte)) {
            return source.Failed() ? FirmwareReadResult::CannotOpen : FirmwareReadResult::Truncated;
        }
        version.push_back(kUpperHexDigits[byte >> 4]);
        version.push_back(kUpperHexDigits[byte & 0xF]);
    }
    header.headerByte = first;
    header.version = version;
    return FirmwareReadResult::Read;
}

// What a record's text is when judged strictly (see FirmwareFault); the reading itself is
// lenient and only skips what it cannot use.
struct RecordShape {
    FirmwareFault fault = FirmwareFault::None;
    char type = '\0';
    std::uint32_t address = 0;
    std::size_t dataBytes = 0;
};

enum class RecordBytes { Read, NotHex, BadSum };

// The byte values of a record's hexadecimal pairs (count, address, data, checksum), checked
// against the checksum: every byte, the checksum included, must add up to 0xFF.
RecordBytes ReadRecordBytes(std::string_view pairs, std::vector<std::uint8_t>& values)
{
    values.assign(pairs.size() / 2, 0);
    unsigned sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int high = UpperHexValue(pairs[2 * i]);
        const int low = UpperHexValue(pairs[2 * i + 1]);
        if (high < 0 || low < 0) return RecordBytes::NotHex;
        values[i] = static_cast<std::uint8_t>(high * 16 + low);
        sum += values[i];
    }
    return (sum & 0xFF) == 0xFF ? RecordBytes::Read : RecordBytes::BadSum;
}

RecordShape ExamineRecordLine(std::string_view text)
{
    RecordShape shape;
    shape.type = text.size() >= 2 ? text[1] : '\0';
    // Pairs a record of the type needs: count, address (or record count) and checksum; header,
    // data and end records may carry more.
    std::size_t least = 0;
    bool exact = false;
    switch (shape.type) {
        case '0':
            least = 4;
            break;
        case '3':
        case '7':
            least = 6;
            break;
        case '5':
            least = 4;
            exact = true;
            break;
        case '6':
            least = 5;
            exact = true;
            break;
        default:
            shape.fault = FirmwareFault::NotSRecord;
            return shape;
    }
    const std::string_view pairs = text.substr(2);
    const std::size_t count = pairs.size() / 2;
    if (pairs.size() % 2 != 0 || count < least || (exact && count != least)) {
        shape.fault = FirmwareFault::NotSRecord;
        return shape;
    }
    std::vector<std::uint8_t> values;
    switch (ReadRecordBytes(pairs, values)) {
        case RecordBytes::NotHex:
            shape.fault = FirmwareFault::NotSRecord;
            return shape;
        case RecordBytes::BadSum:
            shape.fault = FirmwareFault::BadChecksum;
            return shape;
        case RecordBytes::Read:
            break;
    }
    if (shape.type == '3' || shape.type == '7') {
        shape.address = (std::uint32_t{values[1]} << 24) | (std::uint32_t{values[2]} << 16) |
                        (std::uint32_t{values[3]} << 8) | values[4];
        shape.dataBytes = count - 6;
    }
    return shape;
}

// Follows the records of a file for its verdict.
class RecordJudge {
  public:
    explicit RecordJudge(FirmwareFileCheck& check) : check_(check) {}

    void Cut(std::size_t record) { Fault(FirmwareFault::RecordCut, record); }
    void Record(std::size_t record, std::string_view text)
    {
        if (check_.fault != FirmwareFault::None) return;
        const RecordShape shape = ExamineRecordLine(text);
        if (shape.fault != FirmwareFault::None) {
            Fault(shape.fault, record);
            return;
        }
        if (shape.type == '7' && firstEnd_ == 0) firstEnd_ = record;
        for (std::size_t d = 0; d < shape.dataBytes; ++d) {
            const std::uint32_t at = shape.address + static_cast<std::uint32_t>(d);
            if (!FirmwareImage::IndexOf(at)) {
                Fault(FirmwareFault::Outside, record);
                check_.address = at;
                return;
            }
            if (at >= FirmwareImage::kProgramStart) ++windowBytes_;
        }
    }
    // After the last record.
    void End(std::size_t records)
    {
        if (check_.fault != FirmwareFault::None) return;
        if (windowBytes_ == 0) {
            check_.fault = FirmwareFault::NoData;
        } else if (firstEnd_ == 0) {
            check_.fault = FirmwareFault::NoEnd;
        } else if (firstEnd_ != records) {
            Fault(FirmwareFault::AfterEnd, firstEnd_);
        }
    }

  private:
    void Fault(FirmwareFault fault, std::size_t record)
    {
        if (check_.fault != FirmwareFault::None) return;
        check_.fault = fault;
        check_.record = record;
    }

    FirmwareFileCheck& check_;
    std::size_t firstEnd_ = 0;
    std::size_t windowBytes_ = 0;
};

template <typename Source>
FirmwareReadResult ReadRecords(Source& source, FirmwareImage& image, FirmwareRecordCounts& counts,
                               RecordJudge* judge = nullptr)
{
    for (;;) {
        StoredRecord record;
        if (!source.Next(record.lengthByte)) break;
        ++counts.records;
        bool complete = true;
        for (std::uint8_t& lead : record.leads) complete = complete && source.Next(lead);
        const int k = RecordBodyLength(record.lengthByte);
        for (int i = 0; complete && i < k; ++i) {
            std::uint8_t byte = 0;
            complete = source.Next(byte);
            if (complete) record.body.push_back(byte);
        }
        if (!complete) {
            // The file ends inside its last record: what there is of it is not a record.
            ++counts.truncated;
            if (judge != nullptr) judge->Cut(counts.records);
            break;
        }
        const std::string text = RecordText(record);
        HandleRecordLine(text, image, counts);
        if (judge != nullptr) judge->Record(counts.records, text);
    }
    if (judge != nullptr) judge->End(counts.records);
    return source.Failed() ? FirmwareReadResult::CannotOpen : FirmwareReadResult::Read;
}

template <typename Source>
FirmwareFileCheck Check(Source& source, FirmwareImage* image, FirmwareRecordCounts* counts)
{
    FirmwareFileCheck check;
    std::optional<FirmwareImage> ownImage;
    FirmwareImage& into = image != nullptr ? *image : ownImage.emplace();
    into.Fill(0xFF);
    FirmwareRecordCounts ownCounts;
    FirmwareRecordCounts& found = counts != nullptr ? *counts : ownCounts;
    found = {};
    switch (ReadHeader(source, check.header)) {
        case FirmwareReadResult::Read:
            check.fault = FirmwareFault::None;
            break;
        case FirmwareReadResult::CannotOpen:
            check.fault = FirmwareFault::CannotOpen;
            break;
        case FirmwareReadResult::Empty:
            check.fault = FirmwareFault::Empty;
            break;
        case FirmwareReadResult::Truncated:
            check.fault = FirmwareFault::HeaderCut;
            break;
    }
    if (check.fault == FirmwareFault::None) {
        RecordJudge judge(check);
        if (ReadRecords(source, into, found, &judge) != FirmwareReadResult::Read) {
            check.fault = FirmwareFault::CannotOpen;
        }
    }
    check.size = source.Position();
    return check;
}

}  // namespace

std::optional<std::size_t> FirmwareImage::IndexOf(std::uint32_t address)
{
    const std::uint32_t index = address + kIndexOffset;  // modulo 2^32
    if (index >= kSize) return std::nullopt;
    return index;
}

int RecordBodyLength(std::uint8_t lengthByte)
{
    // The length byte is signed; both divisions truncate toward zero.
    const int length = static_cast<std::int8_t>(lengthByte);
    const int n = (length - 9) / 2 - 7;
    const int k = (n - 3) / 2;
    return n % 2 != 0 ? k : k + 1;
}

std::string RecordText(const StoredRecord& record)
{
    const std::uint8_t lead = record.leads[1];
    std::string text;
    text.push_back(static_cast<char>(SubstituteRecordChar(lead, record.leads[1])));
    text.push_back(static_cast<char>(SubstituteRecordChar(lead, record.leads[2])));
    // A body never holds more than a length byte can announce.
    const std::size_t count =
        std::min(record.body.size(), static_cast<std::size_t>(kMaxRecordBody));
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = record.body[i];
        text.push_back(static_cast<char>(
            SubstituteRecordChar(lead, static_cast<std::uint8_t>(kUpperHexDigits[byte >> 4]))));
        text.push_back(static_cast<char>(
            SubstituteRecordChar(lead, static_cast<std::uint8_t>(kUpperHexDigits[byte & 0xF]))));
    }
    return text;
}

RecordVerdict HandleRecordLine(std::string_view text, FirmwareImage& image,
                               FirmwareRecordCounts& counts)
{
    const char type = text.size() >= 2 ? text[1] : '\0';
    ++counts.byType[type];
    if (type != '3' && type != '7') return RecordVerdict::Ignored;

    // Count, four address bytes and the checksum at least, as whole hexadecimal pairs.
    const std::string_view pairs = text.substr(2);
    constexpr std::size_t kAddressEnd = 5;  // count and address
    if (pairs.size() % 2 != 0 || pairs.size() / 2 < kAddressEnd + 1) {
        ++counts.malformed;
        return RecordVerdict::Malformed;
    }
    const std::size_t count = pairs.size() / 2;
    std::vector<std::uint8_t> values;
    switch (ReadRecordBytes(pairs, values)) {
        case RecordBytes::NotHex:
            ++counts.malformed;
            return RecordVerdict::Malformed;
        case RecordBytes::BadSum:
            ++counts.badChecksum;
            return RecordVerdict::BadChecksum;
        case RecordBytes::Read:
            break;
    }
    const std::uint32_t address = (std::uint32_t{values[1]} << 24) |
                                  (std::uint32_t{values[2]} << 16) |
                                  (std::uint32_t{values[3]} << 8) | values[4];
    for (std::size_t d = 0; d + kAddressEnd + 1 < count; ++d) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(d);
        const auto index = FirmwareImage::IndexOf(at);
        if (!index) {
            ++counts.bytesOutside;
            continue;
        }
        image[*index] = values[kAddressEnd + d];
        if (!counts.lowest || at < *counts.lowest) counts.lowest = at;
        if (!counts.highest || at > *counts.highest) counts.highest = at;
    }
    return RecordVerdict::Stored;
}

FirmwareReadResult ReadFirmwareHeader(std::string_view bytes, FirmwareHeader& header)
{
    MemorySource source(bytes);
    return ReadHeader(source, header);
}

FirmwareReadResult ReadFirmwareBytes(std::string_view bytes, FirmwareHeader& header,
                                     FirmwareImage& image, FirmwareRecordCounts& counts)
{
    MemorySource source(bytes);
    if (const FirmwareReadResult result = ReadHeader(source, header);
        result != FirmwareReadResult::Read) {
        return result;
    }
    return ReadRecords(source, image, counts);
}

FirmwareReadResult ReadFirmwareFile(const std::filesystem::path& path, FirmwareHeader& header,
                                    FirmwareImage& image, FirmwareRecordCounts& counts)
{
    FileSource source(path);
    if (!source.Opened()) return FirmwareReadResult::CannotOpen;
    if (const FirmwareReadResult result = ReadHeader(source, header);
        result != FirmwareReadResult::Read) {
        return result;
    }
    return ReadRecords(source, image, counts);
}

FirmwareReadResult ReadFirmwareFileHeader(const std::filesystem::path& path, FirmwareHeader& header)
{
    FileSource source(path);
    if (!source.Opened()) return FirmwareReadResult::CannotOpen;
    return ReadHeader(source, header);
}

std::string FirmwareFileCheck::Reason() const
{
    const std::string n = std::to_string(record);
    switch (fault) {
        case FirmwareFault::None:
            return {};
        case FirmwareFault::CannotOpen:
            return "ファイルを読み込めません";
        case FirmwareFault::Empty:
            return "ファイルが空です";
        case FirmwareFault::HeaderCut:
            return "ヘッダーの途中、" + std::to_string(size) + "バイトで切れています";
        case FirmwareFault::RecordCut:
            return "レコード" + n + "の途中、" + std::to_string(size) + "バイトで切れています";
        case FirmwareFault::NotSRecord:
            return "レコード" + n + "の形式が正しくありません";
        case FirmwareFault::BadChecksum:
            return "レコード" + n + "のチェックサムが合いません";
        case FirmwareFault::Outside: {
            char text[16];
            std::snprintf(text, sizeof text, "%08X", address);
            return "レコード" + n + "のデータが範囲外です(アドレス" + text + ")";
        }
        case FirmwareFault::NoData:
            return "データレコードがありません";
        case FirmwareFault::NoEnd:
            return "終了レコードがありません";
        case FirmwareFault::AfterEnd:
            return "終了レコード(レコード" + n + ")の後にレコードがあります";
    }
    return {};
}

FirmwareFileCheck CheckFirmwareBytes(std::string_view bytes, FirmwareImage* image,
                                     FirmwareRecordCounts* counts)
{
    MemorySource source(bytes);
    return Check(source, image, counts);
}

FirmwareFileCheck CheckFirmwareFile(const std::filesystem::path& path, FirmwareImage* image,
                                    FirmwareRecordCounts* counts)
{
    FileSource source(path);
    if (!source.Opened()) return {};
    return Check(source, image, counts);
}

}  // namespace krv
