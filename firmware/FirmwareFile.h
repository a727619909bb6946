#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// The program image of the unit's microcontroller as the firmware file fills it. The byte for
// address A is at index (A + 0x20000) modulo 2^32: indices 0 to 131071 hold the flash window
// 0xFFFE0000 to 0xFFFFFFFF that is programmed; indices 131072 to 133119 hold the addresses
// 0x00000000 to 0x000007FF, which a file may fill but which are never sent.
class FirmwareImage {
  public:
    static constexpr std::size_t kSize = 0x20800;
    static constexpr std::uint32_t kIndexOffset = 0x20000;
    // What the unit's flash holds: the first kProgramSize bytes of the image.
    static constexpr std::size_t kProgramSize = 0x20000;
    static constexpr std::uint32_t kProgramStart = 0xFFFE0000;

    FirmwareImage() : bytes_(kSize, 0xFF) {}

    void Fill(std::uint8_t value) { bytes_.assign(kSize, value); }
    // Index of `address`, or nothing when the address lies outside the image.
    static std::optional<std::size_t> IndexOf(std::uint32_t address);

    std::uint8_t& operator[](std::size_t index) { return bytes_[index]; }
    std::uint8_t operator[](std::size_t index) const { return bytes_[index]; }
    const std::uint8_t* Data() const { return bytes_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// What the first four bytes of a firmware file say.
struct FirmwareHeader {
    std::uint8_t headerByte = 0;
    // The three version bytes as six upper-case hexadecimal digits (0x02 0x01 0x00: "020100").
    std::string version;
};

// What reading a file's records found.
struct FirmwareRecordCounts {
    std::size_t records = 0;             // every record read, whatever became of it
    std::map<char, std::size_t> byType;  // by the record type character of its text
    std::size_t badChecksum = 0;         // type 3 or 7 records refused for their checksum
    std::size_t malformed = 0;           // type 3 or 7 records too short or not hexadecimal
    std::size_t truncated = 0;           // a last record cut off by the end of the file
    std::size_t bytesOutside = 0;        // data bytes dropped: their address is not imaged
    // Lowest and highest address of a data byte that went into the image.
    std::optional<std::uint32_t> lowest;
    std::optional<std::uint32_t> highest;

    bool operator==(const FirmwareRecordCounts&) const = default;
};

// The largest record a file can hold: 25 body bytes, which the text of a data record with 19
// data bytes needs.
inline constexpr int kMaxRecordBody = 25;

// One stored record: its length byte, lead bytes and body (of the length the length byte says).
struct StoredRecord {
    std::uint8_t lengthByte = 0;
    std::array<std::uint8_t, 3> leads{};
    std::vector<std::uint8_t> body;
};

// Body length k that a length byte announces (0 or less: no body).
int RecordBodyLength(std::uint8_t lengthByte);

// The S-record line a stored record stands for: lead 1, lead 2 and the body as hexadecimal
// digits, every character through the substitution table lead 1 selects. A record without a body
// gives the two lead characters only.
std::string RecordText(const StoredRecord& record);

// What became of one S-record line.
enum class RecordVerdict {
    Stored,       // a type 3 or 7 record whose bytes went into the image
    Ignored,      // another type
    BadChecksum,  // refused: its bytes do not add up
    Malformed,    // refused: too short for count, address and checksum, or not hexadecimal
};

// Handles an S-record line: types "3" and "7" are checked and their data bytes stored in `image`
// (bytes whose address lies outside it are dropped and counted); every other type is ignored.
RecordVerdict HandleRecordLine(std::string_view text, FirmwareImage& image,
                               FirmwareRecordCounts& counts);

// How reading a firmware file ended.
enum class FirmwareReadResult {
    Read,        // header and records read
    CannotOpen,  // no such file, not a regular file, or it could not be read
    Empty,       // no byte at all
    Truncated,   // fewer than the four header bytes
};

// Reads the header of a file's bytes: Empty or Truncated when the four bytes are not all there.
FirmwareReadResult ReadFirmwareHeader(std::string_view bytes, FirmwareHeader& header);

// Reads a whole file's bytes: the header, then every record into `image` (which the caller has
// filled). `counts` receives what the records were.
FirmwareReadResult ReadFirmwareBytes(std::string_view bytes, FirmwareHeader& header,
                                     FirmwareImage& image, FirmwareRecordCounts& counts);

// The same from a file, read as it goes (any size). Only regular files are read: a pipe or a
// device could block or never end.
FirmwareReadResult ReadFirmwareFile(const std::filesystem::path& path, FirmwareHeader& header,
                                    FirmwareImage& image, FirmwareRecordCounts& counts);
// Only the header of a file.
FirmwareReadResult ReadFirmwareFileHeader(const std::filesystem::path& path,
                                          FirmwareHeader& header);

// Why a firmware file cannot be programmed. A file is usable only when it is whole: the header,
// then records each complete, of a type our files hold (0 header, 3 data, 5 and 6 count, 7 end),
// in hexadecimal with a fitting checksum, data only at addresses the image holds, at least one
// data byte in the flash window, and the end record as its last record. Anything less would leave
// holes in the flash that the read-back cannot tell from the file's own bytes.
enum class FirmwareFault {
    None,
    CannotOpen,   // no such file, not a regular file, or it could not be read
    Empty,        // no byte at all
    HeaderCut,    // fewer than the four header bytes
    RecordCut,    // the file ends inside a record
    NotSRecord,   // a record that is no S-record of those types, or not hexadecimal
    BadChecksum,  // a record whose bytes do not add up
    Outside,      // a data byte whose address lies outside the image
    NoData,       // no data byte for the flash window
    NoEnd,        // no end record
    AfterEnd,     // records after the end record
};

// The verdict on a firmware file.
struct FirmwareFileCheck {
    FirmwareFault fault = FirmwareFault::CannotOpen;
    FirmwareHeader header;      // once the four header bytes were read
    std::size_t record = 0;     // the record at fault, counted from 1
    std::uint64_t size = 0;     // bytes of the file read
    std::uint32_t address = 0;  // Outside: the first address outside the image

    bool Usable() const { return fault == FirmwareFault::None; }
    // Why the file cannot be used, as one line for the user; empty when it can.
    std::string Reason() const;
};

// Checks a whole file's bytes, and fills `image` (0xFF, then the records) and `counts` as the
// reading does, when given.
FirmwareFileCheck CheckFirmwareBytes(std::string_view bytes, FirmwareImage* image = nullptr,
                                     FirmwareRecordCounts* counts = nullptr);
FirmwareFileCheck CheckFirmwareFile(const std::filesystem::path& path,
                                    FirmwareImage* image = nullptr,
                                    FirmwareRecordCounts* counts = nullptr);

}  // namespace krv
