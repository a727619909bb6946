#include "firmware/FirmwarePacker.h"

#include <algorithm>

#include "firmware/FirmwareFile.h"
#include "firmware/RecordCipherTable.h"

namespace krv {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
// The header byte our files carry (the reader takes any).
constexpr std::uint8_t kHeaderByte = 0x01;
constexpr std::uint8_t kLeads[] = {kCipherLeadOther, kCipherLeadY, kCipherLeadZ};

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Address bytes of each record type; 0 for the reserved type 4.
int AddressBytes(char type)
{
    switch (type) {
        case '0':
        case '1':
        case '5':
        case '9':
            return 2;
        case '2':
        case '6':
        case '8':
            return 3;
        case '3':
        case '7':
            return 4;
        default:
            return 0;
    }
}

bool Fail(std::string& error, std::size_t line, const std::string& why)
{
    error = "line " + std::to_string(line) + ": " + why;
    return false;
}

void AppendHex(std::string& text, std::uint8_t byte)
{
    text.push_back(kUpperHex[byte >> 4]);
    text.push_back(kUpperHex[byte & 0xF]);
}

}  // namespace

bool ParseSRecords(std::string_view text, std::vector<SRecord>& records, std::string& error)
{
    std::vector<SRecord> parsed;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.empty()) continue;
        if (line.size() < 2 || line[0] != 'S') return Fail(error, number, "not an S-record");
        const char type = line[1];
        const int addressBytes = AddressBytes(type);
        if (addressBytes == 0) {
            return Fail(error, number, std::string("no record type S") + type);
        }
        const std::string_view digits = line.substr(2);
        if (digits.size() % 2 != 0) return Fail(error, number, "odd number of digits");
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            const int high = HexDigitValue(digits[i]);
            const int low = HexDigitValue(digits[i + 1]);
            if (high < 0 || low < 0) return Fail(error, number, "not hexadecimal");
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
        if (bytes.empty() || bytes[0] + 1u != bytes.size()) {
            return Fail(error, number, "the count does not match the record's length");
        }
        if (bytes.size() < static_cast<std::size_t>(addressBytes) + 2) {
            return Fail(error, number, "too short for its address");
        }
        unsigned sum = 0;
        for (const std::uint8_t b : bytes) sum += b;
        if ((sum & 0xFF) != 0xFF) return Fail(error, number, "wrong checksum");
        SRecord record;
        record.type = type;
        for (int i = 0; i < addressBytes; ++i) {
            record.address = (record.address << 8) | bytes[1 + static_cast<std::size_t>(i)];
        }
        record.data.assign(bytes.begin() + 1 + addressBytes, bytes.end() - 1);
        parsed.push_back(std::move(record));
    }
    records = std::move(parsed);
    return true;
}

std::optional<std::array<std::uint8_t, 3>> ParseFirmwareVersion(std::string_view text)
{
    if (text.size() != 6) return std::nullopt;
    std::array<std::uint8_t, 3> version{};
    for (std::size_t i = 0; i < 3; ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        version[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return version;
}

std::string SRecordLine(char type, std::uint32_t address, const std::uint8_t* data,
                        std::size_t length)
{
    std::string line = "S";
    line.push_back(type);
    const auto count = static_cast<std::uint8_t>(4 + length + 1);
    unsigned sum = count;
    AppendHex(line, count);
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(address >> shift);
        sum += byte;
        AppendHex(line, byte);
    }
    for (std::size_t i = 0; i < length; ++i) {
        sum += data[i];
        AppendHex(line, data[i]);
    }
    AppendHex(line, static_cast<std::uint8_t>(~sum & 0xFF));
    return line;
}

std::string StoreRecord(std::string_view line, std::uint8_t lead)
{
    const auto Inverse = [lead](char c) {
        return *InverseRecordChar(lead, static_cast<std::uint8_t>(c));
    };
    const std::size_t body = (line.size() - 2) / 2;
    std::string stored;
    // The shortest length byte that announces `body` bytes (the reader's arithmetic backwards).
    stored.push_back(static_cast<char>(4 * body + 27));
    stored.push_back('\0');  // lead 0: not read
    stored.push_back(static_cast<char>(lead));
    stored.push_back(static_cast<char>(Inverse(line[1])));
    for (std::size_t i = 0; i < body; ++i) {
        const int high = HexDigitValue(static_cast<char>(Inverse(line[2 + 2 * i])));
        const int low = HexDigitValue(static_cast<char>(Inverse(line[3 + 2 * i])));
        stored.push_back(static_cast<char>(high * 16 + low));
    }
    return stored;
}

std::string PackFirmware(const std::vector<SRecord>& records,
                         const std::array<std::uint8_t, 3>& version, PackSummary* summary)
{
    PackSummary counts;
    std::string file;
    file.push_back(static_cast<char>(kHeaderByte));
    for (const std::uint8_t byte : version) file.push_back(static_cast<char>(byte));
    std::size_t turn = 0;
    const auto Store = [&](const std::string& line) {
        file += StoreRecord(line, kLeads[turn++ % std::size(kLeads)]);
        ++counts.recordsOut;
    };
    for (const SRecord& record : records) {
        ++counts.recordsIn;
        switch (record.type) {
            case '1':
            case '2':
            case '3': {
                if (record.data.empty()) {
                    Store(SRecordLine('3', record.address, nullptr, 0));
                    break;
                }
                for (std::size_t at = 0; at < record.data.size(); at += kPackedDataPerRecord) {
                    const std::size_t length =
                        std::min(kPackedDataPerRecord, record.data.size() - at);
                    Store(SRecordLine('3', record.address + static_cast<std::uint32_t>(at),
                                      record.data.data() + at, length));
                }
                break;
            }
            case '7':
            case '8':
            case '9':
                Store(SRecordLine('7', record.address, nullptr, 0));
                break;
            default:
                ++counts.leftOut;
                break;
        }
    }
    if (summary != nullptr) *summary = counts;
    return file;
}

}  // namespace krv
