// The CSV reader and the import of point lists: the splitting and quote rules, line ends, the
// code page, and files that are not what they claim to be.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "input/AutoOutputChecks.h"
#include "platform/CCsvFile.h"
#include "support/TempFolder.h"

namespace krv {
namespace {

using namespace std::string_literals;
using Stop = CCsvFile::Stop;

std::vector<std::string> Fields(CCsvFile& file)
{
    std::vector<std::string> fields;
    std::string field;
    for (int i = 0; file.GetField(i, field); ++i) fields.push_back(field);
    return fields;
}

// The fields of every record up to the first stop.
std::vector<std::vector<std::string>> Records(std::string_view bytes)
{
    CCsvFile file;
    file.OpenBytes(bytes);
    std::vector<std::vector<std::string>> records;
    while (file.ReadRecord()) records.push_back(Fields(file));
    return records;
}

CsvPointImport Import(std::string_view bytes)
{
    CCsvFile file;
    file.OpenBytes(bytes);
    return ReadCsvPoints(file);
}

std::string Lines(int count, const char* end = "\n")
{
    std::string text;
    for (int i = 1; i <= count; ++i) text += std::to_string(i) + ",0.5" + end;
    return text;
}

TEST(CsvFields, CommasSplitAndNothingElse)
{
    using R = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Records("1.5,0.5,1\n"), (R{{"1.5", "0.5", "1"}}));
    EXPECT_EQ(Records(",,,\n"), (R{{"", "", "", ""}}));
    EXPECT_EQ(Records("a b ,\tc\n"), (R{{"a b ", "\tc"}}));
    // Quotes protect nothing: the comma inside splits (and each half loses two characters),
    // doubled quotes stay.
    EXPECT_EQ(Records("\"12,56\",x\n"), (R{{"1", "6", "x"}}));
    EXPECT_EQ(Records("\"a\"\"b\"\n"), (R{{"a\"\"b"}}));
    // A last line without a line end counts.
    EXPECT_EQ(Records("1\n2"), (R{{"1"}, {"2"}}));
}

TEST(CsvFields, OnePairOfEnclosingQuotesIsStripped)
{
    EXPECT_EQ(StripFieldQuotes("\"2.0\""), "2.0");
    EXPECT_EQ(StripFieldQuotes("\"2.0"), "2.");
    EXPECT_EQ(StripFieldQuotes("2.0\""), ".0");
    EXPECT_EQ(StripFieldQuotes("\""), "");
    EXPECT_EQ(StripFieldQuotes("\"\""), "");
    EXPECT_EQ(StripFieldQuotes("\"\"\"\""), "\"\"");
    EXPECT_EQ(StripFieldQuotes(" \"3\" "), " \"3\" ");
    EXPECT_EQ(StripFieldQuotes("2.0"), "2.0");
    EXPECT_EQ(StripFieldQuotes(""), "");
    // Characters go whole, never half a Japanese character.
    EXPECT_EQ(StripFieldQuotes("\"値\""), "値");
    EXPECT_EQ(StripFieldQuotes("\"値"), "");
    EXPECT_EQ(StripFieldQuotes("値\""), "");
    EXPECT_EQ(StripFieldQuotes("\"値値"), "値");
}

TEST(CsvFields, AreReadFromTheWindowsCodePage)
{
    // "値" and an ideographic space in CP932, a quoted "あ", bytes that are no CP932 at all, and a
    // lead byte cut off by a comma.
    const auto records = Records("\x92\x6c,\x81\x40\x33,\"\x82\xa0\",\x80\xff,\x82,x\n");
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].size(), 6u);
    EXPECT_EQ(records[0][0], "値");
    EXPECT_EQ(records[0][1], "　3");
    EXPECT_EQ(records[0][2], "あ");
    EXPECT_FALSE(records[0][3].empty());
    EXPECT_EQ(records[0][4], "\uFFFD");
    EXPECT_EQ(records[0][5], "x");
}

TEST(CsvLines, CrLfAndLfGiveTheSameList)
{
    const CsvPointImport lf = Import(Lines(20, "\n"));
    const CsvPointImport crlf = Import(Lines(20, "\r\n"));
    ASSERT_EQ(lf.rows.size(), 20u);
    ASSERT_EQ(crlf.rows.size(), 20u);
    for (std::size_t i = 0; i < lf.rows.size(); ++i) {
        EXPECT_EQ(crlf.rows[i].value, lf.rows[i].value);
        EXPECT_EQ(crlf.rows[i].interval, lf.rows[i].interval);
        EXPECT_EQ(crlf.rows[i].interval, "0.5");
    }
    // Only the carriage return before the line feed belongs to the line end.
    EXPECT_EQ(Records("1\r\r\n"), (std::vector<std::vector<std::string>>{{"1\r"}}));
}

TEST(CsvLines, AnEmptyLineEndsTheData)
{
    const CsvPointImport third = Import("1,1\n2,1\n\n4,1\n");
    EXPECT_EQ(third.rows.size(), 2u);
    EXPECT_EQ(CsvStopMessage(third.stop), "");
    EXPECT_EQ(Import("\r\n1,1\n").rows.size(), 0u);

    // The reader itself reads on after an empty line when asked to.
    CCsvFile file;
    file.OpenBytes("a\n\nb\n");
    EXPECT_TRUE(file.ReadRecord());
    EXPECT_FALSE(file.ReadRecord());
    EXPECT_EQ(file.StopReason(), Stop::EmptyLine);
    EXPECT_EQ(file.FieldCount(), 0);
    EXPECT_TRUE(file.ReadRecord());
    EXPECT_EQ(Fields(file), std::vector<std::string>{"b"});
    EXPECT_FALSE(file.ReadRecord());
    EXPECT_EQ(file.StopReason(), Stop::EndOfFile);
}

TEST(CsvLines, CtrlZEndsTheFile)
{
    const CsvPointImport imported = Import("1,1\n2,1\n\x1a\n3,1\n");
    EXPECT_EQ(imported.rows.size(), 2u);
    EXPECT_EQ(Import("1,1\x1a,2\n").rows[0].interval, "1");
}

TEST(CsvImport, FillsValueIntervalAndPause)
{
    const CsvPointImport imported =
        Import("1.5,0.5,1\n\"2.0\",\"1\"\n\"2.0,2.0\"\n 3 , \"3\" \n1,,1,extra,fields\n");
    ASSERT_EQ(imported.rows.size(), 5u);
    const auto& rows = imported.rows;
    EXPECT_EQ(rows[0].value, "1.5");
    EXPECT_EQ(rows[0].interval, "0.5");
    EXPECT_EQ(rows[0].pause, "1");
    EXPECT_EQ(rows[1].value, "2.0");
    EXPECT_EQ(rows[1].interval, "1");
    EXPECT_EQ(rows[1].pause, "");
    EXPECT_EQ(rows[2].value, "2.");
    EXPECT_EQ(rows[2].interval, ".0");
    EXPECT_EQ(rows[3].value, "3");
    EXPECT_EQ(rows[3].interval, "\"3\"");  // blanks outside the quotes: the quotes stay
    EXPECT_EQ(rows[4].value, "1");
    EXPECT_EQ(rows[4].interval, "");
    EXPECT_EQ(rows[4].pause, "1");

    const RangeLimits limits{0.0, 10.0, 3};
    const PointListCheckResult check = CheckPointList(rows, limits);
    EXPECT_EQ(check.message, kPointIntervalOutOfRange);  // ".0" seconds
    EXPECT_EQ(check.row, 2);
    EXPECT_EQ(CheckPointList(Import(" 3 , \"3\" \n").rows, limits).message, kPointNotNumber);
    EXPECT_EQ(CheckPointList(Import("1,,1\n").rows, limits).message, kPointIntervalOutOfRange);
    EXPECT_EQ(CheckPointList(Import("値,間隔\n1,1\n").rows, limits).message, kPointNotNumber);
    EXPECT_EQ(CheckPointList(Import(",間隔\n1,1\n").rows, limits).message, kPointMissing);
}

TEST(CsvImport, StopsWhenTheListIsFull)
{
    const CsvPointImport imported = Import(Lines(1200));
    ASSERT_EQ(imported.rows.size(), 1000u);
    EXPECT_EQ(imported.rows[999].value, "1000");
    EXPECT_EQ(CsvStopMessage(imported.stop), "");
    EXPECT_EQ(Import(Lines(1000)).rows.size(), 1000u);
}

TEST(CsvFile, OpensOnlyRegularFiles)
{
    test::TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    CCsvFile file;
    EXPECT_FALSE(file.Open(folder.Path("missing.csv")));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.ReadRecord());
    EXPECT_EQ(file.StopReason(), Stop::NotOpen);
    EXPECT_FALSE(file.Open(folder.Path("")));  // the folder itself
    // A FIFO without a writer would block a plain open for good.
    ASSERT_EQ(::mkfifo(folder.Path("fifo.csv").c_str(), 0600), 0);
    EXPECT_FALSE(file.Open(folder.Path("fifo.csv")));
    EXPECT_FALSE(file.Open("/dev/zero"));

    const std::string path = folder.Write("points.csv", "1,1\r\n2,2\r\n");
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(ReadCsvPoints(file).rows.size(), 2u);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.ReadRecord());
}

TEST(CsvHostile, AnOverlongLineStopsTheReading)
{
    const std::string longLine(CCsvFile::kMaxLineBytes + 1, '7');
    const CsvPointImport imported = Import("1,1\n2,1\n" + longLine + "\n4,1\n");
    EXPECT_EQ(imported.rows.size(), 2u);
    EXPECT_EQ(imported.stop, Stop::LineTooLong);
    EXPECT_EQ(CsvStopMessage(imported.stop), kCsvLineTooLong);

    // The longest line allowed, with or without a carriage return, is read whole.
    const std::string longest(CCsvFile::kMaxLineBytes, '8');
    for (const char* end : {"\n", "\r\n", ""}) {
        const CsvPointImport full = Import(longest + end);
        ASSERT_EQ(full.rows.size(), 1u);
        EXPECT_EQ(full.rows[0].value.size(), CCsvFile::kMaxLineBytes);
    }
    // Once stopped, the reader stays stopped.
    CCsvFile file;
    file.OpenBytes(longLine + "\n1\n");
    EXPECT_FALSE(file.ReadRecord());
    EXPECT_FALSE(file.ReadRecord());
    EXPECT_EQ(file.StopReason(), Stop::LineTooLong);
}

TEST(CsvHostile, BinaryBytesAndNulsAreJustText)
{
    const CsvPointImport nuls = Import("1\0002,3\0\n\0\0\0\n"s);
    ASSERT_EQ(nuls.rows.size(), 2u);
    EXPECT_EQ(nuls.rows[0].value, "1\0002"s);
    EXPECT_EQ(CheckPointList(nuls.rows, {0.0, 10.0, 3}).message, kPointNotNumber);

    std::mt19937 random(1234);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(256 * 1024, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        const CsvPointImport imported = Import(bytes);
        EXPECT_LE(imported.rows.size(), 1000u);
        for (const PointRowTexts& row : imported.rows) {
            // At most three UTF-8 bytes for every byte of the line.
            EXPECT_LE(row.value.size() + row.interval.size() + row.pause.size(),
                      3 * CCsvFile::kMaxLineBytes);
        }
        CheckPointList(imported.rows, {0.0, 10.0, 3});
    }
}

TEST(CsvHostile, AHundredMegabyteFileIsNotReadToItsEnd)
{
    test::TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    constexpr std::size_t kSize = 100u * 1024 * 1024;
    constexpr std::size_t kBlock = 1024 * 1024;
    // One file without any line end and one of short lines, written in big blocks, and one of
    // NULs made by extending an empty file.
    const std::pair<const char*, std::string> patterns[] = {
        {"one-line.csv", std::string(kBlock, 'A')},
        {"lines.csv",
         [] {
             std::string block;
             while (block.size() < kBlock) block += "12.5,0.1,1\r\n";
             return block;
         }()},
        {"nuls.csv", std::string()},
    };
    for (const auto& [name, block] : patterns) {
        const std::string path = folder.Path(name);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(out);
        if (block.empty()) {
            ASSERT_EQ(::ftruncate(::fileno(out), static_cast<off_t>(kSize)), 0);
        }
        for (std::size_t written = 0; !block.empty() && written < kSize; written += block.size()) {
            ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), out), block.size());
        }
        std::fclose(out);

        CCsvFile file;
        ASSERT_TRUE(file.Open(path)) << name;
        const CsvPointImport imported = ReadCsvPoints(file);
        EXPECT_LE(imported.rows.size(), 1000u) << name;
        if (std::string(name) == "lines.csv") {
            EXPECT_EQ(imported.rows.size(), 1000u);
            EXPECT_EQ(imported.stop, Stop::None);
        } else {
            EXPECT_EQ(imported.stop, Stop::LineTooLong) << name;
        }
        std::remove(path.c_str());
    }
}

}  // namespace
}  // namespace krv
