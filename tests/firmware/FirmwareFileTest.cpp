// Firmware image files: the substitution tables, the reader's record arithmetic and S-record
// handling, and the packer, whose files must read back as the S-records they came from.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "firmware/RecordCipherTable.h"
#include "support/HostileFirmware.h"

namespace krv {
namespace {

constexpr std::uint8_t kLeads[] = {'X', 'Y', 'Z'};

// A file: header byte, version 02 01 00, then the stored records.
std::string File(const std::vector<std::string>& storedRecords)
{
    std::string file = "\x07\x02\x01";
    file.push_back('\0');
    for (const std::string& r : storedRecords) file += r;
    return file;
}

std::string DataLine(std::uint32_t address, const std::vector<std::uint8_t>& data)
{
    return SRecordLine('3', address, data.data(), data.size());
}

struct Reading {
    FirmwareReadResult result;
    FirmwareHeader header;
    FirmwareImage image;
    FirmwareRecordCounts counts;
};

Reading Read(const std::string& bytes)
{
    Reading r;
    r.result = ReadFirmwareBytes(bytes, r.header, r.image, r.counts);
    return r;
}

TEST(RecordCipherTableTest, EachTableTurnsItsLeadIntoSAndCanBeInverted)
{
    for (const std::uint8_t lead : kLeads) {
        SCOPED_TRACE(static_cast<char>(lead));
        EXPECT_EQ(SubstituteRecordChar(lead, lead), 'S');
        std::set<std::uint8_t> images;
        for (const char digit : std::string("0123456789ABCDEF")) {
            const auto from = InverseRecordChar(lead, static_cast<std::uint8_t>(digit));
            ASSERT_TRUE(from.has_value());
            EXPECT_EQ(SubstituteRecordChar(lead, *from), digit);
            images.insert(*from);
        }
        EXPECT_EQ(images.size(), 16u) << "one-to-one";
        // Outside "0" to "Z" everything passes unchanged.
        for (const std::uint8_t c : {0x00, 0x2F, 0x5B, 0x7A, 0xFF}) {
            EXPECT_EQ(SubstituteRecordChar(lead, c), c);
        }
        EXPECT_FALSE(InverseRecordChar(lead, 'S').has_value());
    }
    // The "Y" table ends at "Y"; any lead other than "Y" and "Z" uses the third table.
    EXPECT_EQ(SubstituteRecordChar('Y', 'Z'), 'Z');
    EXPECT_EQ(SubstituteRecordChar('Q', '5'), SubstituteRecordChar('X', '5'));
    EXPECT_NE(SubstituteRecordChar('Y', '5'), SubstituteRecordChar('Z', '5'));
}

TEST(FirmwareFileTest, LengthByteGivesTheBodyLength)
{
    struct Case {
        std::uint8_t length;
        int body;
    };
    // n = (L - 9) / 2 - 7 (L signed, truncating); k = (n - 3) / 2, plus 1 for an even n.
    for (const Case& c :
         {Case{127, 25}, Case{27 + 4 * 6, 6}, Case{27 + 4 * 21, 21}, Case{30, 0}, Case{31, 1},
          Case{27, 1}, Case{26, -1}, Case{9, -5}, Case{0, -7}, Case{0x80, -39}, Case{0xFF, -6}}) {
        EXPECT_EQ(RecordBodyLength(c.length), c.body) << int{c.length};
    }
    // What the packer writes: the shortest length byte for every body a record can have.
    for (int k = 1; k <= kMaxRecordBody; ++k) {
        EXPECT_EQ(RecordBodyLength(static_cast<std::uint8_t>(4 * k + 27)), k);
    }
}

TEST(FirmwareFileTest, HeaderOnlyFileLeavesTheWholeImageErased)
{
    const Reading r = Read(File({}));
    EXPECT_EQ(r.result, FirmwareReadResult::Read);
    EXPECT_EQ(r.header.version, "020100");
    EXPECT_EQ(r.counts.records, 0u);
    EXPECT_EQ(std::count(r.image.Bytes().begin(), r.image.Bytes().end(), 0xFF),
              static_cast<long>(FirmwareImage::kSize));

    // Versions are written in upper-case digits.
    FirmwareHeader header;
    EXPECT_EQ(ReadFirmwareHeader(std::string("\x00\xAB\x0c\xFF", 4), header),
              FirmwareReadResult::Read);
    EXPECT_EQ(header.version, "AB0CFF");
    EXPECT_EQ(ReadFirmwareHeader("", header), FirmwareReadResult::Empty);
    EXPECT_EQ(ReadFirmwareHeader("\x01\x02", header), FirmwareReadResult::Truncated);
}

TEST(FirmwareFileTest, RecordsAreCheckedAndStoredByTheirAddress)
{
    const std::string good = DataLine(0xFFFE0010, {1, 2, 3, 4});
    std::string offByOne = DataLine(0xFFFE0100, {9, 9});
    offByOne.back() = offByOne.back() == 'F' ? 'E' : static_cast<char>(offByOne.back() + 1);
    const Reading r = Read(File({
        StoreRecord(good, 'X'),
        StoreRecord(offByOne, 'Y'),
        StoreRecord(DataLine(0xFFFE0012, {0xAA}), 'Z'),  // later: wins over byte 3
        StoreRecord("S9030000FC", 'X'),                  // 16-bit end record: ignored
        StoreRecord(DataLine(0x00000000, {0x5A}), 'Y'),  // beyond the flash window, still imaged
        StoreRecord(DataLine(0xFFFFFFFF, {0x11, 0x22}), 'Z'),  // wraps to 0x00000000
        StoreRecord(DataLine(0x000007FF, {0x33, 0x44}), 'X'),  // second byte outside the image
        StoreRecord(SRecordLine('7', 0xFFFE0000, nullptr, 0), 'Y'),
    }));
    ASSERT_EQ(r.result, FirmwareReadResult::Read);
    EXPECT_EQ(r.image[0x10], 1);
    EXPECT_EQ(r.image[0x11], 2);
    EXPECT_EQ(r.image[0x12], 0xAA);
    EXPECT_EQ(r.image[0x13], 4);
    EXPECT_EQ(r.image[0x100], 0xFF) << "a record off by one in its checksum stays out";
    EXPECT_EQ(r.image[0x101], 0xFF);
    EXPECT_EQ(r.image[0x1FFFF], 0x11);
    EXPECT_EQ(r.image[0x20000], 0x22);
    EXPECT_EQ(r.image[0x207FF], 0x33);
    EXPECT_EQ(r.counts.records, 8u);
    EXPECT_EQ(r.counts.byType.at('3'), 6u);
    EXPECT_EQ(r.counts.byType.at('7'), 1u);
    EXPECT_EQ(r.counts.byType.at('9'), 1u);
    EXPECT_EQ(r.counts.badChecksum, 1u);
    EXPECT_EQ(r.counts.bytesOutside, 1u);
    EXPECT_EQ(r.counts.lowest, 0x00000000u);
    EXPECT_EQ(r.counts.highest, 0xFFFFFFFFu);
    // Nothing but the bytes named was touched.
    EXPECT_EQ(std::count(r.image.Bytes().begin(), r.image.Bytes().end(), 0xFF),
              static_cast<long>(FirmwareImage::kSize) - 7);
}

TEST(FirmwareFileTest, DamagedRecordsNeverReachPastTheirBuffers)
{
    // Length bytes with a negative count, a record without a body, leads that make no S-record,
    // and a last record cut off by the end of the file.
    std::string file = File({});
    for (const std::uint8_t length : {0x80, 0xFF, 0x00, 0x1B, 0x7F}) {
        file.push_back(static_cast<char>(length));
        file += std::string("\x00Y", 2);
        file.push_back(static_cast<char>(*InverseRecordChar('Y', '3')));
        for (int i = 0; i < std::max(0, RecordBodyLength(length)); ++i) file.push_back('\x5A');
    }
    file += StoreRecord(DataLine(0xFFFE0000, {0x42}), 'Z');
    const std::string whole = StoreRecord(DataLine(0xFFFE0004, {1, 2, 3}), 'X');
    file += whole.substr(0, whole.size() - 2);

    const Reading r = Read(file);
    EXPECT_EQ(r.result, FirmwareReadResult::Read);
    EXPECT_EQ(r.counts.records, 7u);
    EXPECT_EQ(r.counts.truncated, 1u);
    EXPECT_EQ(r.counts.malformed, 4u) << "the records without a body are too short";
    EXPECT_EQ(r.image[0], 0x42);
    EXPECT_EQ(r.image[4], 0xFF);

    // Straight S-record lines: too short, not hexadecimal, odd.
    FirmwareImage image;
    FirmwareRecordCounts counts;
    EXPECT_EQ(HandleRecordLine("S3", image, counts), RecordVerdict::Malformed);
    EXPECT_EQ(HandleRecordLine("S305FFFE00", image, counts), RecordVerdict::Malformed);
    EXPECT_EQ(HandleRecordLine("S306FFFE00G0FF", image, counts), RecordVerdict::Malformed);
    EXPECT_EQ(HandleRecordLine("S306FFFE00000", image, counts), RecordVerdict::Malformed);
    EXPECT_EQ(HandleRecordLine("", image, counts), RecordVerdict::Ignored);
    EXPECT_EQ(HandleRecordLine(DataLine(0xFFFE0000, {7}), image, counts), RecordVerdict::Stored);
}

TEST(FirmwareFileTest, OnlyAWholeImageIsUsable)
{
    const std::array<std::uint8_t, 3> version = {2, 1, 0};
    std::vector<SRecord> records = test::WholeFirmwareRecords();
    FirmwareImage image;
    FirmwareRecordCounts counts;
    const FirmwareFileCheck whole =
        CheckFirmwareBytes(PackFirmware(records, version), &image, &counts);
    EXPECT_TRUE(whole.Usable()) << whole.Reason();
    EXPECT_EQ(whole.Reason(), "");
    EXPECT_EQ(whole.header.version, "020100");
    EXPECT_EQ(image[5], 25) << "the image is built as the file is checked";
    EXPECT_EQ(counts.records, 65u);
    // Data for the addresses the image holds beyond the window is taken (never sent), and the
    // header and count records our packer leaves out are allowed.
    records.insert(records.begin(), SRecord{'3', 0x00000100, {9}});
    std::string withExtras = PackFirmware(records, version);
    withExtras.insert(4, StoreRecord("S00600004844521B", 'Y'));
    EXPECT_TRUE(CheckFirmwareBytes(withExtras).Usable());

    for (const test::HostileFirmware& file : test::HostileFirmwareFiles()) {
        SCOPED_TRACE(file.name);
        const FirmwareFileCheck check = CheckFirmwareBytes(file.bytes);
        EXPECT_FALSE(check.Usable());
        EXPECT_FALSE(check.Reason().empty());
        if (!file.reason.empty()) {
            EXPECT_EQ(check.Reason(), file.reason);
        }
    }
    EXPECT_EQ(CheckFirmwareBytes("").fault, FirmwareFault::Empty);
    const FirmwareFileCheck cut = CheckFirmwareBytes("\x01\x02");
    EXPECT_EQ(cut.fault, FirmwareFault::HeaderCut);
    EXPECT_EQ(cut.Reason(), "ヘッダーの途中、2バイトで切れています");
    EXPECT_EQ(CheckFirmwareFile("/nonexistent/f.cya").fault, FirmwareFault::CannotOpen);
}

TEST(FirmwarePackerTest, PackedFileReadsBackAsItsSRecords)
{
    std::mt19937 random(7);
    const auto Byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    std::vector<SRecord> records = {{'0', 0, {'k', 'r', 'v'}}};
    FirmwareImage expected;
    std::size_t chunks = 0;
    for (int i = 0; i < 60; ++i) {
        SRecord record;
        record.type = "123"[i % 3];
        const std::uint32_t window = record.type == '3' ? 0xFFFE0000 : 0;
        const std::uint32_t span = record.type == '3' ? 0x1FF00 : 0x700;
        record.address = window + static_cast<std::uint32_t>(random() % span);
        record.data.resize(random() % 70);
        for (auto& b : record.data) b = Byte();
        for (std::size_t d = 0; d < record.data.size(); ++d) {
            expected[*FirmwareImage::IndexOf(record.address + static_cast<std::uint32_t>(d))] =
                record.data[d];
        }
        chunks += std::max<std::size_t>(1, (record.data.size() + 15) / 16);
        records.push_back(std::move(record));
    }
    records.push_back({'5', 60, {}});
    records.push_back({'9', 0x1234, {}});

    PackSummary summary;
    const std::string file = PackFirmware(records, {0x02, 0x01, 0x00}, &summary);
    EXPECT_EQ(summary.recordsIn, records.size());
    EXPECT_EQ(summary.leftOut, 2u);
    EXPECT_EQ(summary.recordsOut, chunks + 1);

    const Reading r = Read(file);
    ASSERT_EQ(r.result, FirmwareReadResult::Read);
    EXPECT_EQ(r.header.version, "020100");
    EXPECT_EQ(r.counts.records, chunks + 1);
    EXPECT_EQ(r.counts.byType.at('3'), chunks);
    EXPECT_EQ(r.counts.byType.at('7'), 1u);
    EXPECT_EQ(r.counts.badChecksum + r.counts.malformed + r.counts.truncated, 0u);
    EXPECT_TRUE(r.image.Bytes() == expected.Bytes());

    // The stored records take the three tables in turn and fit the format's length byte.
    std::set<char> leads;
    for (std::size_t at = 4; at < file.size();) {
        const auto length = static_cast<std::uint8_t>(file[at]);
        EXPECT_LE(length, 127);
        leads.insert(file[at + 2]);
        at += 4 + static_cast<std::size_t>(RecordBodyLength(length));
    }
    EXPECT_EQ(leads, (std::set<char>{'X', 'Y', 'Z'}));
}

TEST(FirmwarePackerTest, SRecordFilesAreCheckedLineByLine)
{
    struct Case {
        const char* text;
        const char* error;  // empty: accepted
    };
    for (const Case c : {
             Case{"S00600004844521B\r\nS1070000010203FFF3\r\n\r\nS9030000FC  \n", ""},
             Case{"S207010000010203F1\nS804010000FA", ""},
             Case{"S30AFFFE00000102030405E9", ""},
             Case{"s1070000010203FFF3", "line 1: not an S-record"},
             Case{"S9030000FC\nS1070000010203FFF4", "line 2: wrong checksum"},
             Case{"S1080000010203FFF3", "line 1: the count does not match the record's length"},
             Case{"S404000000FB", "line 1: no record type S4"},
             Case{"S107000001020XFFF3", "line 1: not hexadecimal"},
             Case{"S107000001020FFF3", "line 1: odd number of digits"},
             Case{"S304000000FB", "line 1: too short for its address"},
         }) {
        std::vector<SRecord> records;
        std::string error;
        EXPECT_EQ(ParseSRecords(c.text, records, error), *c.error == '\0') << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::vector<SRecord> records;
    std::string error;
    ASSERT_TRUE(ParseSRecords("S207010000010203F1\nS804010000FA", records, error));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].address, 0x010000u);
    EXPECT_EQ(records[0].data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(records[1].type, '8');

    EXPECT_EQ(ParseFirmwareVersion("020100"), (std::array<std::uint8_t, 3>{2, 1, 0}));
    EXPECT_EQ(ParseFirmwareVersion("0a0BfF"), (std::array<std::uint8_t, 3>{0x0A, 0x0B, 0xFF}));
    for (const char* bad : {"", "02010", "0201000", "02 100", "0x0201"}) {
        EXPECT_FALSE(ParseFirmwareVersion(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace krv
