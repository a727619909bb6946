// The calibration backup file: its text, writing and reading it back, the reader's results, and
// what the unit's serial number is taken to mean.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "firmware/CalibrationBackup.h"
#include "firmware/FirmwareUpdate.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "support/FileContents.h"
#include "support/RecordingUi.h"
#include "support/Text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class CalibrationBackupTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/krv-backup-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    // Distinct values in every entry of the first two channels.
    void Fill(GeneratorState& s)
    {
        for (int ch = 0; ch < 2; ++ch) {
            for (int code = 0; code < kRangeTableSize; ++code) {
                const auto v = static_cast<std::uint16_t>(ch * 100 + code);
                s.channels[ch].makerCalibration[code] = {static_cast<std::uint16_t>(0xFFF0 + code),
                                                         static_cast<std::uint16_t>(0x8000 + v)};
                s.channels[ch].userCalibration[code] = {static_cast<std::uint16_t>(code % 3),
                                                        static_cast<std::uint16_t>(v),
                                                        static_cast<std::uint16_t>(0x7F00 + code)};
            }
        }
    }

    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
    fs::path folder;
};

using test::CrLfLines;

TEST_F(CalibrationBackupTest, OneCircuitUnitGivesElevenLines)
{
    state.circuitCount = 1;
    state.channels[0].makerCalibration[0] = {0xFFFE, 0x8003};
    state.channels[0].userCalibration[0] = {0x0006, 0x0010, 0x7FFF};
    state.channels[0].userCalibration[12] = {0x0002, 0x8000, 0x0000};
    const auto lines = CrLfLines(CalibrationBackupText(state, "KR1A0001"));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "KR1A0001,");
    // Maker zero and gain, user zero and gain as signed numbers, the mode's bits 0-1.
    EXPECT_EQ(lines[1], "1,0,0_5V,-2,3,16,-1,2,");
    EXPECT_EQ(lines[2], "1,10,1_5V,0,0,0,0,0,");
    EXPECT_EQ(lines[10], "1,12,E0_24mA,0,0,-32768,-32768,2,");
    std::vector<std::string> keys;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t third =
            lines[i].find(',', lines[i].find(',', lines[i].find(',') + 1) + 1);
        keys.push_back(lines[i].substr(0, third));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"1,0,0_5V", "1,10,1_5V", "1,1,0_10V", "1,2,-5_5V",
                                              "1,3,-10_10V", "1,5,4_20mA", "1,6,0_20mA",
                                              "1,7,0_24mA", "1,11,E4_20mA", "1,12,E0_24mA"}));
}

// The names of the files in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

using test::ReadAll;

TEST_F(CalibrationBackupTest, SavedFileReadsBackIntoTheSameEntries)
{
    state.circuitCount = 2;
    Fill(state);
    GeneratorState before = state;
    const fs::path sub = folder / "new" / "sub";
    ASSERT_TRUE(SaveCalibrationBackup(state, sub, "KR2A0001"));
    // Saving the same again leaves the one file; no temporary is left beside it.
    fs::path kept = "x";
    ASSERT_TRUE(SaveCalibrationBackup(state, sub, "KR2A0001", nullptr, &kept));
    EXPECT_EQ(Names(sub), (std::vector<std::string>{"KR2A0001_R.txt"}));
    EXPECT_TRUE(kept.empty());

    ClearCalibrationTables(state);
    EXPECT_EQ(state.channels[1].makerCalibration[5], (MakerCalibrationEntry{0, 0x8000}));
    ASSERT_EQ(LoadCalibrationBackup(state, sub, "KR2A0001", 2), kBackupRead);
    EXPECT_TRUE(SameBackedUpCalibration(state, before, 2));
    for (int ch = 0; ch < 2; ++ch) {
        // Codes without a range are not in the file: they keep the cleared values.
        EXPECT_EQ(state.channels[ch].userCalibration[4], (UserCalibrationEntry{0, 0, 0x8000}));
    }
    state.channels[1].userCalibration[12].mode ^= 1;
    EXPECT_FALSE(SameBackedUpCalibration(state, before, 2));
    EXPECT_TRUE(SameBackedUpCalibration(state, before, 1)) << "only channel 1 compared";

    // A folder that cannot be made.
    std::ofstream(folder / "plain") << "x";
    std::string error;
    EXPECT_FALSE(SaveCalibrationBackup(state, folder / "plain", "KR2A0001", &error));
    EXPECT_FALSE(error.empty());
}

// A backup with other contents is never replaced without being kept: the newest stays
// SERIAL_R.txt, the earlier ones get their time in their names, each name used once.
TEST_F(CalibrationBackupTest, EarlierBackupsThatDifferAreKept)
{
    state.circuitCount = 1;
    Fill(state);
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR1A0001"));
    const std::string first = CalibrationBackupText(state, "KR1A0001");
    ClearCalibrationTables(state);  // a wiped unit
    fs::path kept;
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR1A0001", nullptr, &kept));
    const std::string second = CalibrationBackupText(state, "KR1A0001");
    state.channels[0].makerCalibration[0].zero = 7;
    fs::path keptAgain;
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR1A0001", nullptr, &keptAgain));

    EXPECT_EQ(ReadAll(folder / "KR1A0001_R.txt"), CalibrationBackupText(state, "KR1A0001"));
    EXPECT_EQ(ReadAll(kept), first);
    EXPECT_EQ(ReadAll(keptAgain), second);
    EXPECT_EQ(Names(folder).size(), 3u);
    EXPECT_NE(kept, keptAgain);
    // SERIAL_R-YYYYMMDDTHHMMSS.txt, then -2, -3 within the same second.
    const std::time_t when = 1797000000;
    const std::string name = KeptBackupName("KR1A0001", when, 1);
    EXPECT_EQ(name.size(), std::string("KR1A0001_R-20261210T061500.txt").size()) << name;
    EXPECT_EQ(name.rfind("KR1A0001_R-", 0), 0u);
    EXPECT_EQ(name[19], 'T');
    EXPECT_EQ(KeptBackupName("KR1A0001", when, 3), name.substr(0, name.size() - 4) + "-3.txt");
}

TEST_F(CalibrationBackupTest, FailedSaveLeavesTheEarlierBackupWholeAndStaleTemporariesGo)
{
    state.circuitCount = 1;
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR2A0001"));
    const std::string earlier = CalibrationBackupText(state, "KR2A0001");
    // A save killed half-way left its temporary; one of a writer still running stays.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string stale = ".KR2A0001_R.txt.tmp-" + std::to_string(child) + "-0-77";
    const std::string running = ".KR2A0001_R.txt.tmp-1-0-77";  // init never ends
    std::ofstream(folder / stale) << "half";
    std::ofstream(folder / running) << "half";
    std::ofstream(folder / (".other.txt.tmp-" + std::to_string(child) + "-0-1")) << "not ours";

    // A disk that fills up in the middle of the new file: files may not grow past 100 bytes.
    state.circuitCount = 2;
    Fill(state);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = SaveCalibrationBackup(state, folder, "KR2A0001");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(folder / "KR2A0001_R.txt"), earlier);
    const auto names = Names(folder);
    EXPECT_EQ(std::count(names.begin(), names.end(), stale), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), running), 1);
    // No part of the new file is left behind: only the earlier backup (and its kept copy).
    for (const std::string& n : names) {
        EXPECT_TRUE(n == running || n.rfind(".other", 0) == 0 || ReadAll(folder / n) == earlier)
            << n;
    }
}

// The whole backup of a unit with `channels` channels, every entry distinct.
std::string Complete(int channels, const std::string& serial = "KR2A0001")
{
    std::string text = serial + ",\r\n";
    for (int ch = 1; ch <= channels; ++ch) {
        for (const OutputRange code : kBackupRangeList) {
            text += std::to_string(ch) + "," + std::to_string(code) + ",key," +
                    std::to_string(code - 5) + "," + std::to_string(ch * 100 + code) + ",-" +
                    std::to_string(code) + ",12," + std::to_string(code % 3) + ",\r\n";
        }
    }
    return text;
}

TEST_F(CalibrationBackupTest, ReadingStopsWithItsResult)
{
    struct Case {
        std::string text;
        int channels;
        int result;
    };
    const std::string head = "KR2A0001,\r\n";
    const std::string full = Complete(2);
    const std::string firstLine =
        full.substr(head.size(), full.find("\r\n", head.size()) + 2 - head.size());
    const auto Without = [&](const std::string& line) {
        std::string text = full;
        text.erase(text.find(line), line.size());
        return text;
    };
    // The first line's maker gain (its fifth field, 100) replaced.
    const auto Replacing = [&](const std::string& by) {
        std::string text = full;
        text.replace(text.find(",-5,100,") + 4, 3, by);
        return text;
    };
    for (const Case& c : std::vector<Case>{
             {full, 2, kBackupRead},
             {full, 1, kBackupRead},
             {Complete(1), 1, kBackupRead},
             {"  KR2A0001 ,x\r\n" + full.substr(head.size()), 2, kBackupRead},
             // An empty line ends the reading: what follows is not read.
             {full + "\r\n9,99,junk\r\n", 2, kBackupRead},
             // Entries missing for a channel the unit has, or there twice.
             {head, 1, kBackupIncomplete},
             {Complete(1), 2, kBackupIncomplete},
             {Without("1,12,key,7,112,-12,12,0,\r\n"), 2, kBackupIncomplete},
             {full + firstLine, 2, kBackupDuplicate},
             {head + firstLine + firstLine, 0, kBackupDuplicate},
             // Only plain decimal numbers.
             {Replacing(""), 2, kBackupFormatError},
             {Replacing("0x5"), 2, kBackupFormatError},
             {Replacing("+4"), 2, kBackupFormatError},
             {Replacing(" 4"), 2, kBackupFormatError},
             {Replacing("4 "), 2, kBackupFormatError},
             {Replacing("1.5"), 2, kBackupFormatError},
             {Replacing("-"), 2, kBackupFormatError},
             {Replacing("99999"), 2, kBackupFormatError},
             {"", 1, kBackupFormatError},
             {"\r\n" + full, 2, kBackupFormatError},
             {head + "1,0,0_5V,0,0,0,0\r\n", 1, kBackupFormatError},
             {head + "1 ,0,0_5V,0,0,0,0,0,\r\n", 1, kBackupFormatError},
             {head + "1,0x0,0_5V,0,0,0,0,0,\r\n", 1, kBackupFormatError},
             {"KR2A0002,\r\n" + full.substr(head.size()), 2, kBackupOtherSerial},
             {"KR2A00011\r\n", 1, kBackupOtherSerial},
             {head + "3,0,0_5V,0,0,0,0,0,\r\n", 1, kBackupBadChannel},
             {head + "x,0,0_5V,0,0,0,0,0,\r\n", 1, kBackupBadChannel},
             {head + ",0,0_5V,0,0,0,0,0,\r\n", 1, kBackupBadChannel},
             {head + "01,0,0_5V,0,0,0,0,0,\r\n", 0, kBackupRead},
             {head + "1,16,0_5V,0,0,0,0,0,\r\n", 1, kBackupBadRange},
             {head + "1,-1,0_5V,0,0,0,0,0,\r\n", 1, kBackupBadRange},
             {head + "1,16\r\n", 1, kBackupBadRange},
         }) {
        ClearCalibrationTables(state);
        EXPECT_EQ(LoadCalibrationBackupBytes(state, c.text, "KR2A0001", c.channels), c.result)
            << c.text << " for " << c.channels << " channels";
    }
    // A leading 0 is still decimal; signs are the file's own minus.
    ClearCalibrationTables(state);
    ASSERT_EQ(LoadCalibrationBackupBytes(state, head + "1,05,key,-1,010,16,-4,2,\n", "KR2A0001", 0),
              kBackupRead);
    EXPECT_EQ(state.channels[0].makerCalibration[5], (MakerCalibrationEntry{0xFFFF, 0x800A}));
    EXPECT_EQ(state.channels[0].userCalibration[5], (UserCalibrationEntry{2, 0x10, 0x7FFC}));

    EXPECT_EQ(LoadCalibrationBackup(state, folder, "KR2A0001", 2), kBackupCannotOpen);
    fs::create_directory(folder / "KR2A0001_R.txt");
    EXPECT_EQ(LoadCalibrationBackup(state, folder, "KR2A0001", 2), kBackupCannotOpen);
}

TEST_F(CalibrationBackupTest, StartValuesAreTold)
{
    ClearCalibrationTables(state);
    EXPECT_TRUE(HoldsOnlyStartValues(state, 2));
    state.channels[1].userCalibration[4].zero = 3;  // a code the backup does not hold
    EXPECT_TRUE(HoldsOnlyStartValues(state, 2));
    state.channels[1].userCalibration[12].mode = 1;
    EXPECT_TRUE(HoldsOnlyStartValues(state, 1));
    EXPECT_FALSE(HoldsOnlyStartValues(state, 2));
}

TEST_F(CalibrationBackupTest, ModesAboveTwoFailTheCheck)
{
    ClearCalibrationTables(state);
    EXPECT_EQ(CheckCalibrationModes(state, 2), 0);
    state.channels[1].userCalibration[15].mode = 3;
    EXPECT_EQ(CheckCalibrationModes(state, 1), 0) << "channel 2 is not checked for one circuit";
    EXPECT_EQ(CheckCalibrationModes(state, 2), 2);
    state.channels[1].userCalibration[15].mode = 0xFFFF;
    EXPECT_EQ(CheckCalibrationModes(state, 4), 2);
}

TEST(SerialNumberTest, ThirdCharacterGivesTheCircuitsAndTheNameMustBeSafe)
{
    struct Case {
        const char* serial;
        int circuits;
        int message;
    };
    for (const Case c : {
             Case{"KR1A0001", 1, 0},
             Case{"KR2", 2, 0},
             Case{"KR3A0001", 0, 2},
             Case{"KR0A0001", 0, 2},
             Case{"KRAA0001", 0, 1},
             Case{"KR", 0, 2},
             Case{"KR-", 0, 1},
             Case{"KR A0001", 0, 1},
             Case{"KR1/../../etc", 0, 1},
             Case{"KR2..", 0, 1},
             Case{"KR2\\x", 0, 1},
             Case{"KR2A\x01", 0, 1},
             Case{"KR2A\xC3\xA9", 0, 1},
         }) {
        const SerialCircuits got = CircuitsFromSerial(c.serial);
        EXPECT_EQ(got.circuits, c.circuits) << c.serial;
        EXPECT_EQ(got.messageNumber, c.message) << c.serial;
    }
    EXPECT_EQ(CalibrationBackupPath("/a/b", "KR2A0001"), fs::path("/a/b/KR2A0001_R.txt"));

    struct Number {
        const char* text;
        bool whole;
        long value;
    };
    for (const Number n : {Number{"12", true, 12}, Number{"-7", true, -7}, Number{"0x1f", true, 31},
                           Number{"017", true, 15}, Number{"", true, 0}, Number{" 3", true, 3},
                           Number{"3 ", false, 0}, Number{"0x", false, 0}, Number{"+", false, 0},
                           Number{"09", false, 0}, Number{"A", false, 0}}) {
        long value = 0;
        EXPECT_EQ(ReadWholeInteger(n.text, value), n.whole) << n.text;
        if (n.whole) {
            EXPECT_EQ(value, n.value) << n.text;
        }
    }
    for (const Number n :
         {Number{"12", true, 12}, Number{"-7", true, -7}, Number{"010", true, 10},
          Number{"-0", true, 0}, Number{"999999999", true, 999999999}, Number{"", false, 0},
          Number{"-", false, 0}, Number{"+1", false, 0}, Number{"0x1f", false, 0},
          Number{" 3", false, 0}, Number{"3 ", false, 0}, Number{"1000000000", false, 0}}) {
        long value = 0;
        EXPECT_EQ(ReadDecimal(n.text, value), n.whole) << n.text;
        if (n.whole) {
            EXPECT_EQ(value, n.value) << n.text;
        }
    }
    long value = 0;
    EXPECT_FALSE(ReadWholeInteger(std::string_view("1\0"
                                                   "2",
                                                   3),
                                  value));
}

}  // namespace
}  // namespace krv
