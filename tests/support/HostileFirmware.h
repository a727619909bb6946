#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "firmware/FirmwarePacker.h"

namespace krv::test {

// Files that are not whole firmware images, each with the reason the check gives (empty: any
// reason will do, the bytes decide which record fails first).
struct HostileFirmware {
    const char* name;
    std::string bytes;
    std::string reason;
};

// A whole image file of `blocks` 256-byte blocks at the start of the flash window, packed 16
// data bytes a record (26 bytes each in the file, after the 4 header bytes), then its end record.
inline std::vector<SRecord> WholeFirmwareRecords(int blocks = 4)
{
    std::vector<SRecord> records;
    SRecord data;
    data.address = 0xFFFE0000;
    for (int i = 0; i < blocks * 256; ++i) data.data.push_back(static_cast<std::uint8_t>(i * 5));
    records.push_back(data);
    records.push_back({'7', 0xFFFE0000, {}});
    return records;
}

inline std::vector<HostileFirmware> HostileFirmwareFiles()
{
    constexpr std::array<std::uint8_t, 3> kVersion = {2, 1, 0};
    constexpr std::size_t kRecordBytes = 26;  // a stored record of 16 data bytes
    std::vector<SRecord> records = WholeFirmwareRecords();
    const std::string whole = PackFirmware(records, kVersion);  // 64 data records and the end
    std::vector<HostileFirmware> files;

    std::mt19937 random(18);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    files.push_back({"random bytes", noise, ""});
    std::string text;
    for (int i = 0; i < 40; ++i) text += "garbage, not firmware\n";
    files.push_back({"text", text, ""});
    std::string srec;
    for (const SRecord& r : records) {
        for (std::size_t at = 0; at < std::max<std::size_t>(r.data.size(), 1); at += 16) {
            const std::size_t n =
                std::min<std::size_t>(16, r.data.size() - std::min(at, r.data.size()));
            srec += SRecordLine(r.type, r.address + static_cast<std::uint32_t>(at),
                                r.data.data() + std::min(at, r.data.size()), n) +
                    "\r\n";
        }
    }
    files.push_back({"the S-record text", srec, ""});
    files.push_back({"header only", whole.substr(0, 4), "データレコードがありません"});
    // Cut inside record 26 of 65: 40 % of the records and ten bytes of the next.
    const std::size_t cut = 4 + 25 * kRecordBytes + 10;
    files.push_back({"cut at 40 %", whole.substr(0, cut),
                     "レコード26の途中、" + std::to_string(cut) + "バイトで切れています"});
    std::string changed = whole;
    changed[4 + 4 * kRecordBytes + 12] ^= 0x01;  // one digit of a data byte of record 5
    files.push_back({"one character changed", changed, "レコード5のチェックサムが合いません"});
    files.push_back(
        {"only ignored records",
         whole.substr(0, 4) + StoreRecord("S00600004844521B", 'X') + StoreRecord("S5030010EC", 'Y'),
         "データレコードがありません"});
    files.push_back(
        {"no end record", whole.substr(0, whole.size() - 10), "終了レコードがありません"});
    std::vector<SRecord> outside = records;
    outside.insert(outside.end() - 1, SRecord{'3', 0x00001000, {1, 2, 3}});
    files.push_back({"data outside the image", PackFirmware(outside, kVersion),
                     "レコード65のデータが範囲外です(アドレス00001000)"});
    files.push_back(
        {"records after the end record",
         whole + StoreRecord(SRecordLine('3', 0xFFFE8000, records[0].data.data(), 4), 'Z'),
         "終了レコード(レコード65)の後にレコードがあります"});
    files.push_back({"a record type the unit's files do not hold",
                     whole.substr(0, 4) + StoreRecord("S1060000010203F3", 'X') + whole.substr(4),
                     "レコード1の形式が正しくありません"});
    return files;
}

}  // namespace krv::test
