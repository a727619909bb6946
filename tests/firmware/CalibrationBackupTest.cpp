// The calibration backup file: its text, writing and reading it back, the reader's results, and
// what the unit's serial number is taken to mean.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/AppValues.h"
#include "document/GeneratorState.h"
#include "firmware/CalibrationBackup.h"
#include "firmware/FirmwareUpdate.h"
#include "support/RecordingUi.h"

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
    DeviceLink link{ui};
    AppValues app;
    GeneratorState state{link, app};
    fs::path folder;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    EXPECT_EQ(at, text.size()) << "every line ends in CR LF";
    return lines;
}

TEST_F(CalibrationBackupTest, OneCircuitUnitGivesElevenLines)
{
    state.circuitCount = 1;
    state.channels[0].makerCalibration[0] = {0xFFFE, 0x8003};
    state.channels[0].userCalibration[0] = {0x0006, 0x0010, 0x7FFF};
    state.channels[0].userCalibration[12] = {0x0002, 0x8000, 0x0000};
    const auto lines = Lines(CalibrationBackupText(state, "KR1A0001"));
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

TEST_F(CalibrationBackupTest, SavedFileReadsBackIntoTheSameEntries)
{
    state.circuitCount = 2;
    Fill(state);
    GeneratorState before = state;
    ASSERT_TRUE(SaveCalibrationBackup(state, folder / "new" / "sub", "KR2A0001"));
    // Writing again replaces the file whole; no temporary is left beside it.
    ASSERT_TRUE(SaveCalibrationBackup(state, folder / "new" / "sub", "KR2A0001"));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(folder / "new" / "sub"), fs::directory_iterator()), 1);

    ClearCalibrationTables(state);
    EXPECT_EQ(state.channels[1].makerCalibration[5], (MakerCalibrationEntry{0, 0x8000}));
    ASSERT_EQ(LoadCalibrationBackup(state, folder / "new" / "sub", "KR2A0001"), kBackupRead);
    for (int ch = 0; ch < 2; ++ch) {
        for (const OutputRange code : kBackupRangeList) {
            SCOPED_TRACE(testing::Message() << "channel " << ch << " code " << code);
            EXPECT_EQ(state.channels[ch].makerCalibration[code],
                      before.channels[ch].makerCalibration[code]);
            EXPECT_EQ(state.channels[ch].userCalibration[code],
                      before.channels[ch].userCalibration[code]);
        }
        // Codes without a range are not in the file: they keep the cleared values.
        EXPECT_EQ(state.channels[ch].userCalibration[4], (UserCalibrationEntry{0, 0, 0x8000}));
    }

    // A folder that cannot be made.
    std::ofstream(folder / "plain") << "x";
    std::string error;
    EXPECT_FALSE(SaveCalibrationBackup(state, folder / "plain", "KR2A0001", &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(CalibrationBackupTest, FailedSaveLeavesTheEarlierBackupWhole)
{
    state.circuitCount = 1;
    ASSERT_TRUE(SaveCalibrationBackup(state, folder, "KR2A0001"));
    const std::string earlier = CalibrationBackupText(state, "KR2A0001");
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
    std::ifstream in(folder / "KR2A0001_R.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), earlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no part of the new file is left behind";
}

TEST_F(CalibrationBackupTest, ReadingStopsWithItsResult)
{
    struct Case {
        const char* text;
        int result;
    };
    const std::string line = "1,5,4_20mA,1,2,3,4,1,\r\n";
    for (const Case c : {
             Case{"KR2A0001,\r\n", kBackupRead},
             Case{"  KR2A0001 ,x\r\n2,0,0_5V,1,2,3,4,2,\r\n", kBackupRead},
             Case{"KR2A0001,\r\n1,0x5,key,-1,010,0X10,+4,2\n", kBackupRead},
             // An empty line ends the reading: what follows is not read.
             Case{"KR2A0001,\r\n\r\n9,99,junk\r\n", kBackupRead},
             Case{"", kBackupFormatError},
             Case{"\r\nKR2A0001,\r\n", kBackupFormatError},
             Case{"KR2A0002,\r\n1,0,0_5V,0,0,0,0,0,\r\n", kBackupOtherSerial},
             Case{"KR2A00011\r\n", kBackupOtherSerial},
             Case{"KR2A0001,\r\n3,0,0_5V,0,0,0,0,0,\r\n", kBackupBadChannel},
             Case{"KR2A0001,\r\nx,0,0_5V,0,0,0,0,0,\r\n", kBackupBadChannel},
             Case{"KR2A0001,\r\n,0,0_5V,0,0,0,0,0,\r\n", kBackupBadChannel},
             Case{"KR2A0001,\r\n1,16,0_5V,0,0,0,0,0,\r\n", kBackupBadRange},
             Case{"KR2A0001,\r\n1,-1,0_5V,0,0,0,0,0,\r\n", kBackupBadRange},
             Case{"KR2A0001,\r\n1,16\r\n", kBackupBadRange},
             Case{"KR2A0001,\r\n1,0,0_5V,0,0,0,0\r\n", kBackupFormatError},
             Case{"KR2A0001,\r\n1,0,0_5V,0,0,0,0,2 ,\r\n", kBackupFormatError},
             Case{"KR2A0001,\r\n1 ,0,0_5V,0,0,0,0,0,\r\n", kBackupFormatError},
             Case{"KR2A0001,\r\n1,0,0_5V,0,1.5,0,0,0,\r\n", kBackupFormatError},
             Case{"KR2A0001,\r\n1,0,0_5V,70000,0,0,0,0,\r\n", kBackupFormatError},
         }) {
        ClearCalibrationTables(state);
        EXPECT_EQ(LoadCalibrationBackupBytes(state, c.text, "KR2A0001"), c.result) << c.text;
    }
    // Numbers read as C reads them: 0x hexadecimal, leading 0 octal, signs.
    ClearCalibrationTables(state);
    ASSERT_EQ(
        LoadCalibrationBackupBytes(state, "KR2A0001,\r\n1,0x5,key,-1,010,0X10,+4,2\n", "KR2A0001"),
        kBackupRead);
    EXPECT_EQ(state.channels[0].makerCalibration[5], (MakerCalibrationEntry{0xFFFF, 0x8008}));
    EXPECT_EQ(state.channels[0].userCalibration[5], (UserCalibrationEntry{2, 0x10, 0x8004}));
    // Reading stops at the first bad line; the lines before it have been taken.
    ClearCalibrationTables(state);
    EXPECT_EQ(LoadCalibrationBackupBytes(state, "KR2A0001,\r\n" + line + "1,99,x\r\n", "KR2A0001"),
              kBackupBadRange);
    EXPECT_EQ(state.channels[0].userCalibration[5].mode, 1);

    EXPECT_EQ(LoadCalibrationBackup(state, folder, "KR2A0001"), kBackupCannotOpen);
    fs::create_directory(folder / "KR2A0001_R.txt");
    EXPECT_EQ(LoadCalibrationBackup(state, folder, "KR2A0001"), kBackupCannotOpen);
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
    long value = 0;
    EXPECT_FALSE(ReadWholeInteger(std::string_view("1\0"
                                                   "2",
                                                   3),
                                  value));
}

}  // namespace
}  // namespace krv
