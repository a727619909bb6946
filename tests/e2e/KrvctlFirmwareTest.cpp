// krvctl firmware: packing an S-record file, looking into the image file, unpacking it, and the
// whole update of an in-process virtual unit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "firmware/ProgramUnit.h"
#include "support/HostileFirmware.h"
#include "support/Process.h"
#include "support/SimProcess.h"
#include "support/Text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using test::kKrvctl;
using test::RunCommand;

using test::Contains;

using test::FileBytes;

class KrvctlFirmwareTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/krvctl-firmware-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        // Eight blocks in records of 48 bytes (the last one of each block shorter), block 1
        // holding the firmware's version line, and the end record.
        std::string text = "S00600004844521B\n";
        for (int block = 0; block < 8; ++block) {
            std::vector<std::uint8_t> data(256);
            for (int i = 0; i < 256; ++i) data[i] = static_cast<std::uint8_t>(block * 11 + i);
            if (block == 1) {
                const std::string line = "VER020100\r\n";
                std::copy(line.begin(), line.end(), data.begin() + 40);
            }
            for (std::size_t at = 0; at < 256; at += 48) {
                const std::uint32_t address =
                    0xFFFE0000 + block * 256 + static_cast<std::uint32_t>(at);
                text += SRecordLine('3', address, data.data() + at,
                                    std::min<std::size_t>(48, 256 - at)) +
                        "\n";
            }
        }
        text += SRecordLine('7', 0xFFFE0000, nullptr, 0) + "\n";
        std::ofstream(dir / "fw.srec") << text;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name) const { return (dir / name).string(); }

    fs::path dir;
};

TEST_F(KrvctlFirmwareTest, PackInfoAndUnpack)
{
    const auto pack = RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version",
                                  "020100", "-o", Path("fw.cya")});
    ASSERT_EQ(pack.status, 0) << pack.err;
    // A block's five records of 48 bytes become three of 16 each, its sixth (16 bytes) one; the
    // header record is left out.
    EXPECT_EQ(pack.out,
              Path("fw.cya") + ": version 020100, 129 records (from 50 S-records, 1 left out)\n");

    const auto json = RunCommand({kKrvctl, "firmware", "info", Path("fw.cya"), "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"version\":\"020100\",\"records\":129,\"types\":{\"3\":128,\"7\":1},"
              "\"badChecksum\":0,\"malformed\":0,\"truncated\":0,\"bytesOutside\":0,"
              "\"span\":{\"first\":\"FFFE0000\",\"last\":\"FFFE07FF\"},"
              "\"usable\":true,\"reason\":\"\"}\n");
    const auto text = RunCommand({kKrvctl, "firmware", "info", Path("fw.cya")});
    EXPECT_EQ(text.out,
              "version 020100\nrecords 129\n  S3 128\n  S7 1\nbad checksum 0\nmalformed 0\n"
              "bytes outside the image 0\nspan FFFE0000-FFFE07FF\nusable yes\n");

    const auto unpack =
        RunCommand({kKrvctl, "firmware", "unpack", Path("fw.cya"), "-o", Path("image.bin")});
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    const std::string image = FileBytes(dir / "image.bin");
    ASSERT_EQ(image.size(), FirmwareImage::kSize);
    EXPECT_EQ(static_cast<std::uint8_t>(image[3 * 256 + 5]), 3 * 11 + 5);
    EXPECT_EQ(image.substr(256 + 40, 11), "VER020100\r\n");
    EXPECT_EQ(static_cast<std::uint8_t>(image[8 * 256]), 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(image.back()), 0xFF);

    // An empty file and a missing one: the unit's own messages.
    std::ofstream(dir / "empty.cya");
    const auto empty = RunCommand({kKrvctl, "firmware", "info", Path("empty.cya")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "転送ファイルに誤りがあります \n");
    const auto missing =
        RunCommand({kKrvctl, "firmware", "unpack", Path("none.cya"), "-o", Path("x")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "ファイルが開けません\n");
    EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST_F(KrvctlFirmwareTest, OutputGoesIntoWhatItNames)
{
    ASSERT_EQ(RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o",
                          Path("fw.cya")})
                  .status,
              0);
    const std::string packed = FileBytes(dir / "fw.cya");

    // Standard output, by its two names: the bytes alone there, the report on standard error.
    for (const std::string name : {"-", "/dev/stdout"}) {
        const auto pack = RunCommand(
            {kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o", name});
        ASSERT_EQ(pack.status, 0) << pack.err;
        EXPECT_EQ(pack.out, packed) << name;
        EXPECT_TRUE(Contains(pack.err, ": version 020100, 129 records")) << pack.err;
        const auto unpack = RunCommand({kKrvctl, "firmware", "unpack", Path("fw.cya"), "-o", name});
        ASSERT_EQ(unpack.status, 0) << unpack.err;
        EXPECT_EQ(unpack.out.size(), FirmwareImage::kSize) << name;
    }
    EXPECT_EQ(fs::symlink_status("/dev/stdout").type(), fs::file_type::symlink);

    // Through a link the file it points to is replaced; the link stays.
    std::ofstream(dir / "old.bin") << "old";
    fs::create_symlink("old.bin", dir / "image.bin");
    ASSERT_EQ(
        RunCommand({kKrvctl, "firmware", "unpack", Path("fw.cya"), "-o", Path("image.bin")}).status,
        0);
    EXPECT_TRUE(fs::is_symlink(dir / "image.bin"));
    EXPECT_EQ(fs::file_size(dir / "old.bin"), FirmwareImage::kSize);

    // A device is written into, not replaced; one that takes nothing is reported.
    const auto full =
        RunCommand({kKrvctl, "firmware", "unpack", Path("fw.cya"), "-o", "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(Contains(full.err, "No space left on device")) << full.err;
    EXPECT_EQ(fs::status("/dev/full").type(), fs::file_type::character);
}

TEST_F(KrvctlFirmwareTest, WrongWordsAreUsageErrors)
{
    struct Case {
        std::vector<std::string> words;
        int status;
        const char* err;  // a part of it
    };
    std::ofstream(dir / "bad.srec") << "S1070000010203FFF4\n";
    std::ofstream(dir / "nodata.srec") << "S00600004844521B\nS70500000000FA\n";
    const std::uint8_t three[] = {1, 2, 3};
    std::ofstream(dir / "noend.srec") << SRecordLine('3', 0xFFFE0000, three, 3) << "\n";
    const std::vector<Case> cases = {
        {{"firmware"}, 2, "firmware needs pack, info, unpack or update"},
        {{"firmware", "flash"}, 2, "unknown firmware command 'flash'"},
        {{"firmware", "pack", Path("fw.srec"), "-o", Path("a.cya")}, 2, "needs --version"},
        {{"firmware", "pack", Path("fw.srec"), "--version", "2.1.0", "-o", Path("a.cya")},
         2,
         "--version takes six hexadecimal digits"},
        {{"firmware", "pack", Path("fw.srec"), "--version", "020100"}, 2, "needs -o FILE.cya"},
        {{"firmware", "info", Path("fw.srec"), "--yes"}, 2, "firmware info takes no --yes"},
        {{"firmware", "unpack", Path("fw.srec")}, 2, "needs -o IMAGE"},
        {{"firmware", "update"}, 2, "firmware update takes one FILE.cya"},
        {{"--port", "pts/0", "firmware", "update", "x.cya"}, 2, "not --port"},
        {{"firmware", "pack", Path("bad.srec"), "--version", "020100", "-o", Path("a.cya")},
         1,
         "bad.srec: line 1: wrong checksum"},
        {{"firmware", "pack", Path("none.srec"), "--version", "020100", "-o", Path("a.cya")},
         1,
         "cannot read"},
        {{"firmware", "pack", Path("nodata.srec"), "--version", "020100", "-o", Path("a.cya")},
         1,
         "nodata.srec: no data records"},
        {{"firmware", "pack", Path("noend.srec"), "--version", "020100", "-o", Path("a.cya")},
         1,
         "noend.srec: would not make a whole image file: There is no end record"},
        {{"firmware", "update", Path("fw.srec"), "--boot-tries", "0"},
         2,
         "--boot-tries takes a number from 1 to 1000"},
        {{"firmware", "info", Path("fw.srec"), "--boot-tries", "3"},
         2,
         "firmware info takes no --boot-tries"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kKrvctl, "--lang", "en"};
        argv.insert(argv.end(), c.words.begin(), c.words.end());
        const auto result = RunCommand(argv);
        EXPECT_EQ(result.status, c.status) << c.err;
        EXPECT_TRUE(Contains(result.err, c.err)) << result.err;
    }
    EXPECT_FALSE(fs::exists(dir / "a.cya"));
}

TEST_F(KrvctlFirmwareTest, UpdatesTheSimulatedUnit)
{
    ASSERT_EQ(RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o",
                          Path("fw.cya")})
                  .status,
              0);
    const auto update = RunCommand({kKrvctl, "--simulate=2", "firmware", "update", Path("fw.cya"),
                                    "--yes", "--backup-dir", Path("backups")});
    ASSERT_EQ(update.status, 0) << update.err;
    EXPECT_TRUE(Contains(update.out, "更新しますか？\n発生器 020000 → ファイル 020100 [OK]\n"))
        << update.out;
    EXPECT_TRUE(Contains(update.out, " 81% プログラム照合中\n")) << update.out;
    const std::string backup = Path("backups") + "/KR2A0001_R.txt";
    EXPECT_TRUE(Contains(
        update.out, "100% 更新正常終了\n更新が終了しました\ncalibration backup " + backup + "\n"))
        << update.out;
    const std::string saved = FileBytes(backup);
    EXPECT_EQ(saved.rfind("KR2A0001,\r\n1,0,0_5V,0,0,0,0,1,\r\n", 0), 0u) << saved;
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 21);

    // Faults of the boot loader, and questions nobody answers.
    const auto bad =
        RunCommand({kKrvctl, "--simulate=2", "--unit-fault", "b15-bad=300", "firmware", "update",
                    Path("fw.cya"), "--yes", "--backup-dir", Path("backups")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Memory read Error\n" + ErasedUnitNote(backup) + "\n");
    EXPECT_TRUE(Contains(bad.out, " 81% キャンセルしました\n")) << bad.out;
    const auto unanswered = RunCommand({kKrvctl, "--simulate=2", "firmware", "update",
                                        Path("fw.cya"), "--backup-dir", Path("backups")});
    EXPECT_EQ(unanswered.status, 1);
    EXPECT_EQ(
        unanswered.err,
        "更新しますか？\n発生器 020000 → ファイル 020100 [キャンセル: --yes で OK と答えます]\n");
    const auto refused = RunCommand({kKrvctl, "--simulate=2", "--bridge-serial", "KR3A0001",
                                     "firmware", "update", Path("fw.cya"), "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "FTDIシリアル番号が異常です(2)\nKR3A0001\n");
}

// A backup with other values is kept beside the new one; a backup that is not whole is refused
// before the unit is touched.
TEST_F(KrvctlFirmwareTest, EarlierBackupsAreKeptAndBadOnesRefused)
{
    ASSERT_EQ(RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o",
                          Path("fw.cya")})
                  .status,
              0);
    fs::create_directory(Path("backups"));
    const std::string backup = Path("backups") + "/KR1A0001_R.txt";
    std::string earlier = "KR1A0001,\r\n";
    for (const char* code : {"0", "10", "1", "2", "3", "5", "6", "7", "11", "12"}) {
        earlier += std::string("1,") + code + ",key,4,-4,0,0,1,\r\n";
    }
    std::ofstream(backup, std::ios::binary) << earlier;
    const auto update = RunCommand({kKrvctl, "--simulate=1", "firmware", "update", Path("fw.cya"),
                                    "--yes", "--backup-dir", Path("backups")});
    ASSERT_EQ(update.status, 0) << update.err;
    const std::string kept =
        "earlier calibration backup kept as " + backup.substr(0, backup.size() - 4) + "-";
    EXPECT_TRUE(Contains(update.out, kept)) << update.out;
    std::size_t backups = 0;
    for (const auto& entry : fs::directory_iterator(Path("backups"))) {
        ++backups;
        if (entry.path() != backup) {
            EXPECT_EQ(FileBytes(entry.path()), earlier);
        }
    }
    EXPECT_EQ(backups, 2u);

    // The unit cannot be read, and its backup holds only its first line.
    std::ofstream(backup, std::ios::binary) << "KR1A0001,\r\n";
    const auto refused =
        RunCommand({kKrvctl, "--simulate=1", "--unit-fault", "silent-after=0", "firmware", "update",
                    Path("fw.cya"), "--yes", "--backup-dir", Path("backups")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "パソコン内補正ファイル内容が異常です\n更新できません\nメーカーに連絡してください\n"
              "シリアル番号:KR1A0001\n");
    EXPECT_FALSE(Contains(refused.out, "メモリ消去中")) << refused.out;
}

// An update killed while it programs, run again against the same unit: a krvctl sim that
// outlives its clients lends them its bridge. The unit then runs the new firmware and has its
// calibration back.
TEST_F(KrvctlFirmwareTest, KilledUpdateIsRepairedByTheNextRun)
{
    ASSERT_EQ(RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o",
                          Path("fw.cya")})
                  .status,
              0);
    const std::string socket = Path("bridge");
    test::SimProcess sim({"--circuits", "1", "--instant", "--wiped-calibration", "start",
                          "--bridge-socket", socket});
    ASSERT_FALSE(sim.Path().empty());
    ASSERT_EQ(RunCommand({kKrvctl, "--port", sim.Path(), "calibration", "set", "1", "--range",
                          "0_10V", "--mode", "user", "--zero", "5", "--gain", "-3", "--save"})
                  .status,
              0);
    const auto Entries = [&] {
        const std::string json =
            RunCommand({kKrvctl, "--port", sim.Path(), "calibration", "show", "--json"}).out;
        return json.substr(std::min(json.find("\"entries\""), json.size()));
    };
    const std::string before = Entries();
    ASSERT_TRUE(Contains(before, "\"userZero\":5,\"userGain\":-3,\"mode\":2")) << before;

    const std::vector<std::string> update = {kKrvctl,    "--sim-bridge", socket,
                                             "firmware", "update",       Path("fw.cya"),
                                             "--yes",    "--backup-dir", Path("backups")};
    {
        test::Process killed(update);
        std::string line;
        do {
            line = killed.ReadLine(std::chrono::seconds(60));
        } while (!line.empty() && !Contains(line, "プログラム転送中"));
        ASSERT_TRUE(Contains(line, "プログラム転送中"));
        killed.Signal(SIGKILL);
        EXPECT_EQ(killed.Wait(), 128 + SIGKILL);
    }
    const auto again = RunCommand(update);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(Contains(again.out, "接続できません\nパソコン内ファイルを検索しますか。 [OK]\n"))
        << again.out;
    const auto info = RunCommand({kKrvctl, "--port", sim.Path(), "info"});
    EXPECT_EQ(info.out, "firmware 020100\ncircuits 1\n");
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(KrvctlFirmwareTest, FileThatIsNotAWholeImageIsRefusedBeforeTheUnitIsTouched)
{
    for (const test::HostileFirmware& hostile : test::HostileFirmwareFiles()) {
        SCOPED_TRACE(hostile.name);
        std::ofstream(dir / "hostile.cya", std::ios::binary) << hostile.bytes;
        const auto update =
            RunCommand({kKrvctl, "--simulate=2", "firmware", "update", Path("hostile.cya"), "--yes",
                        "--backup-dir", Path("backups")});
        EXPECT_EQ(update.status, 1);
        EXPECT_EQ(update.err.rfind("転送ファイルに誤りがあります \n", 0), 0u) << update.err;
        if (!hostile.reason.empty()) {
            EXPECT_EQ(update.err, "転送ファイルに誤りがあります \n" + hostile.reason + "\n");
        }
        // No step was taken: no question, no progress, no calibration read or saved.
        EXPECT_EQ(update.out, "");
        EXPECT_FALSE(fs::exists(dir / "backups"));
        // info and unpack still say what they find.
        const auto info = RunCommand({kKrvctl, "firmware", "info", Path("hostile.cya")});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_TRUE(Contains(info.out, "usable no: ")) << info.out;
    }
}

TEST_F(KrvctlFirmwareTest, UnitThatNeverAnswersIsGivenUpOrCancelledWithCtrlC)
{
    ASSERT_EQ(RunCommand({kKrvctl, "firmware", "pack", Path("fw.srec"), "--version", "020100", "-o",
                          Path("fw.cya")})
                  .status,
              0);
    const auto tries =
        RunCommand({kKrvctl, "--simulate=2", "--unit-fault", "b1-from=1000", "firmware", "update",
                    Path("fw.cya"), "--yes", "--backup-dir", Path("backups"), "--boot-tries", "2"});
    EXPECT_EQ(tries.status, 1);
    EXPECT_EQ(tries.err, std::string(kBootNotAnswered) + "\n");
    std::size_t restarts = 0;
    for (std::size_t at = 0;
         (at = tries.out.find("発生器を再起動しています", at)) != std::string::npos; ++at) {
        ++restarts;
    }
    EXPECT_EQ(restarts, 2u) << tries.out;

    // Ctrl-C: a cancel at the next step.
    test::Process update({kKrvctl, "--simulate=2", "--unit-fault", "b1-from=100000", "firmware",
                          "update", Path("fw.cya"), "--yes", "--backup-dir", Path("backups"),
                          "--boot-tries", "1000"});
    ASSERT_TRUE(update.Started());
    bool adjusting = false;
    for (int line = 0; line < 100 && !adjusting; ++line) {
        adjusting = Contains(update.ReadLine(std::chrono::seconds(30)), "ビットレート自動調整中");
    }
    ASSERT_TRUE(adjusting);
    update.Signal(SIGINT);
    update.Out();
    const std::string err = update.Err();
    EXPECT_EQ(update.Wait(), 1);
    EXPECT_TRUE(Contains(err, std::string(kCancelledRestart) + "\n")) << err;
}

}  // namespace
}  // namespace krv
