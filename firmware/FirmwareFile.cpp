#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "firmware/RecordCipherTable.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

int HexValue(char c)
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
        return true;
    }
    bool Failed() const { return failed_; }

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
        version.push_back(kUpperHex[byte >> 4]);
        version.push_back(kUpperHex[byte & 0xF]);
    }
    header.headerByte = first;
    header.version = version;
    return FirmwareReadResult::Read;
}

template <typename Source>
FirmwareReadResult ReadRecords(Source& source, FirmwareImage& image, FirmwareRecordCounts& counts)
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
            break;
        }
        HandleRecordLine(RecordText(record), image, counts);
    }
    return source.Failed() ? FirmwareReadResult::CannotOpen : FirmwareReadResult::Read;
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
            SubstituteRecordChar(lead, static_cast<std::uint8_t>(kUpperHex[byte >> 4]))));
        text.push_back(static_cast<char>(
            SubstituteRecordChar(lead, static_cast<std::uint8_t>(kUpperHex[byte & 0xF]))));
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
    std::vector<std::uint8_t> values(count);
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int high = HexValue(pairs[2 * i]);
        const int low = HexValue(pairs[2 * i + 1]);
        if (high < 0 || low < 0) {
            ++counts.malformed;
            return RecordVerdict::Malformed;
        }
        values[i] = static_cast<std::uint8_t>(high * 16 + low);
        sum += values[i];
    }
    if ((sum & 0xFF) != 0xFF) {
        ++counts.badChecksum;
        return RecordVerdict::BadChecksum;
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

}  // namespace krv
