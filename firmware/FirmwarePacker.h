#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// Makes firmware image files from Motorola S-record files, with our substitution tables. The
// reader knows only data records with 32-bit addresses (type 3) and their end record (type 7), of
// at most 19 data bytes each, so the packer turns every data record into such records and every
// end record into a type 7 one; header and count records (types 0, 5, 6) carry nothing the unit
// needs and are left out.

// One record of an S-record file, its address widened to 32 bits.
struct SRecord {
    char type = '3';  // '0' to '9' as in the file
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
};

// Reads S-record text: one record a line (CR LF or LF), blank lines allowed, hexadecimal digits in
// either case. Every line must be a well-formed record: "S", a type other than 4, a count that
// matches the line, and a checksum that fits. False with the line and the reason in `error`.
bool ParseSRecords(std::string_view text, std::vector<SRecord>& records, std::string& error);

// "020100" → {0x02, 0x01, 0x00}: exactly six hexadecimal digits.
std::optional<std::array<std::uint8_t, 3>> ParseFirmwareVersion(std::string_view text);

// The data bytes the packer puts into one stored record.
inline constexpr std::size_t kPackedDataPerRecord = 16;

// The S-record line of a type 3 or 7 record (upper-case digits, no line end).
std::string SRecordLine(char type, std::uint32_t address, const std::uint8_t* data,
                        std::size_t length);

// One stored record of `line` scrambled through the table of `lead`: length byte, lead bytes,
// body. `line` must be "S", a hexadecimal type digit and hexadecimal pairs, at most 25 of them.
std::string StoreRecord(std::string_view line, std::uint8_t lead);

struct PackSummary {
    std::size_t recordsIn = 0;   // records of the S-record file
    std::size_t recordsOut = 0;  // records stored in the image file
    std::size_t leftOut = 0;     // header and count records
};

// The whole image file: a header byte, the version, then the records. The stored records take
// the three tables in turn.
std::string PackFirmware(const std::vector<SRecord>& records,
                         const std::array<std::uint8_t, 3>& version,
                         PackSummary* summary = nullptr);

}  // namespace krv
