// krvctl firmware: packing an S-record file, looking into the image file, unpacking it, and the
// whole update of an in-process virtual unit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "support/Process.h"
#include "support/SimProcess.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using test::kKrvctl;
using test::RunCommand;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
              "\"span\":{\"first\":\"FFFE0000\",\"last\":\"FFFE07FF\"}}\n");
    const auto text = RunCommand({kKrvctl, "firmware", "info", Path("fw.cya")});
    EXPECT_EQ(text.out,
              "version 020100\nrecords 129\n  S3 128\n  S7 1\nbad checksum 0\nmalformed 0\n"
              "bytes outside the image 0\nspan FFFE0000-FFFE07FF\n");

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
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kKrvctl};
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
    EXPECT_TRUE(Contains(update.out, "更新しますか？ [OK]\n")) << update.out;
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
    EXPECT_EQ(bad.err, "Memory read Error\n");
    EXPECT_TRUE(Contains(bad.out, " 81% キャンセルしました\n")) << bad.out;
    const auto unanswered = RunCommand({kKrvctl, "--simulate=2", "firmware", "update",
                                        Path("fw.cya"), "--backup-dir", Path("backups")});
    EXPECT_EQ(unanswered.status, 1);
    EXPECT_EQ(unanswered.err, "更新しますか？ [Cancel: --yes answers OK]\n");
    const auto refused = RunCommand({kKrvctl, "--simulate=2", "--bridge-serial", "KR3A0001",
                                     "firmware", "update", Path("fw.cya"), "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "FTDIシリアル番号が異常です(2)\nKR3A0001\n");
}

}  // namespace
}  // namespace krv
