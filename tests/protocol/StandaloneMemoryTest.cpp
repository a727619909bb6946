// Standalone-memory frames, error texts and transfers against a scripted unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>

#include "link/DeviceLink.h"
#include "platform/Clock.h"
#include "protocol/CommandFrame.h"
#include "protocol/StandaloneMemory.h"
#include "support/RecordingUi.h"
#include "support/ScriptedUnit.h"
#include "support/TracedTimeouts.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

std::string Checked(const std::string& body)
{
    return CommandFrame::Framed(body).WithEtxAndChecksum();
}

// The unit's reply to a read of `offset`: the 32 bytes of `image` there.
std::string ReadReply(const MemoryImage& image, std::size_t offset)
{
    CommandFrame f = CommandFrame::Framed("PR");
    f.Hex8(static_cast<std::uint32_t>(offset));
    for (std::size_t k = 0; k < kMemoryBlockSize; ++k) {
        f.Hex2(offset + k < image.size() ? image[offset + k] : 0);
    }
    return f.WithEtxAndChecksum();
}

// The offset a read frame asks for.
std::size_t OffsetOf(const std::string& frame)
{
    return std::stoul(frame.substr(3, 8), nullptr, 16);
}

TEST(DeviceErrorTextTest, EveryCodeHasItsText)
{
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {0x00, "エラー無し"},
        {0x01, "書式異常"},
        {0x02, "チャネル番号異常"},
        {0x03, "出力レンジ異常"},
        {0x04, "出力状態異常"},
        {0x05, "出力値異常"},
        {0x06, ""},
        {0x20, "タイムアウト"},
        {0x30, "E2-0 イレーズ異常"},
        {0x37, "E2-7 イレーズ異常"},
        {0x38, "E2-0 ブランク異常"},
        {0x3A, "E2-2 ブランク異常"},
        {0x40, "E2-0 書込異常"},
        {0x47, "E2-7 書込異常"},
        {0x48, "E2-0 照合異常"},
        {0x4F, "E2-7 照合異常"},
        {0x50, ""},
        {-1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DeviceErrorText(c.code), c.text) << c.code;
}

TEST(MemoryFrameTest, FramesAreByteExact)
{
    MemoryImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
    const std::string block =
        "PS0400"
        "000102030405060708090A0B0C0D0E0F"
        "101112131415161718191A1B1C1D1E1F";
    std::string tail = "PS08E0";  // 2272: 24 image bytes, then 8 beyond it sent as 00
    for (std::size_t i = 2272; i < 2304; ++i) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const unsigned b = i < image.size() ? image[i] : 0;
        tail += kDigits[b >> 4];
        tail += kDigits[b & 0xF];
    }
    const struct {
        std::string frame;
        std::string expected;
    } cases[] = {
        {EraseMemoryFrame(0),
         "\x02PE0\x03"
         "C8\r\n"},
        {EraseMemoryFrame(2), Checked("PE2")},
        {EraseMemoryFrame(7), Checked("PE0")},
        {WriteMemoryFrame(1), Checked("PW1")},
        {LoadMemoryFrame(-1), Checked("PM0")},
        {ReadMemoryFrame(2272), Checked("PR000008E0")},
        {MoveMemoryFrame(), "\x02PI\x03\r\n"},
        {StoreMemoryFrame(1024, image), Checked(block)},
        {StoreMemoryFrame(2272, image), Checked(tail)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.frame, c.expected);
    EXPECT_EQ(StoreMemoryFrame(0, image).size(), 76u);
}

class MemoryExchangeTest : public ::testing::Test {
  protected:
    void Connect(test::ScriptedUnit& unit)
    {
        link.SetPortName(unit.PortName());
        ASSERT_TRUE(link.OpenPort());
    }
    void TearDown() override { link.ClosePort(); }

    test::RecordingUi ui;
    DeviceLink link{ui};
};

TEST_F(MemoryExchangeTest, EraseAndWriteReturnTheUnitsCode)
{
    test::ScriptedUnit unit([](const std::string& line, int) {
        if (line == Checked("PE0")) return std::string("NG3A\r\n");
        if (line == Checked("PE1")) return std::string("OK\r\n");
        if (line == Checked("PW2")) return std::string("NG4 1\r\n");
        if (line == Checked("PW1")) return std::string("NG\r\n");
        return std::string();
    });
    Connect(unit);
    EXPECT_EQ(EraseMemoryArea(link, 0), 0x3A);
    EXPECT_EQ(DeviceErrorText(0x3A), "E2-2 ブランク異常");
    EXPECT_EQ(EraseMemoryArea(link, 1), 0);
    // A refusal whose code cannot be read is still a refusal, never "no error".
    EXPECT_EQ(WriteMemoryArea(link, 2), kDeviceCodeUnreadable);
    EXPECT_EQ(WriteMemoryArea(link, 1), kDeviceCodeUnreadable);
    EXPECT_EQ(unit.Lines().size(), 4u);
}

TEST(RefusalTest, EveryNgIsARefusalWithACodeOrSaysItHasNone)
{
    struct Case {
        const char* line;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"NG3A\r\n", 0x3A, "E2-2 ブランク異常"},
        {"NG3a\r\n", 0x3A, "E2-2 ブランク異常"},
        {"NG01\r\n", 0x01, "書式異常"},
        {"NG4F\r\n", 0x4F, "E2-7 照合異常"},
        {"NG50\r\n", 0x50, "NG50"},  // a code without a text of its own
        {"NG00\r\n", kDeviceRefusedNoError, "NG00"},
        {"NG\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG4 1\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG3Z\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG3\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG3A4\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG 3A\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
        {"NG\x1b\x1b\r\n", kDeviceCodeUnreadable, kDeviceCodeUnreadableText},
    };
    for (const Case& c : cases) {
        const int code = RefusalCode(c.line);
        EXPECT_EQ(code, c.code) << c.line;
        EXPECT_NE(code, kDeviceNoError) << c.line;
        EXPECT_EQ(MemoryRefusalText(code), c.text) << c.line;
    }
    EXPECT_EQ(MemoryRefusalText(kDeviceTimeout), "タイムアウト");
}

TEST_F(MemoryExchangeTest, UnansweredWriteGoesOutOnceAndTimesOutAfterFourPeriods)
{
    test::ScriptedUnit unit([](const std::string&, int) { return std::string(); });
    Connect(unit);
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    const TimePoint start = Now();
    EXPECT_EQ(WriteMemoryArea(link, 0), kDeviceTimeout);
    EXPECT_GE(Now() - start, 4 * 3001ms);
    EXPECT_EQ(timeouts.Count(), 4);
    EXPECT_EQ(unit.Lines(), std::vector<std::string>{Checked("PW0")});
}

TEST_F(MemoryExchangeTest, StoreSendsBlocksUntilTheDataHasEnded)
{
    test::ScriptedUnit unit([](const std::string&, int) { return std::string("OK\r\n"); });
    Connect(unit);

    // Area 2 of an image blank from 2048 on: two blocks, then the data has ended.
    MemoryImage image{};
    image.fill(0);
    image[100] = 1;
    EXPECT_EQ(StoreMemoryBlock(link, 2, image), StoreOutcome::DataEnded);
    auto lines = unit.WaitForLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 7), "\x02PS0800");
    EXPECT_EQ(lines[1].substr(0, 7), "\x02PS0820");

    // Area 0: the first ten blocks always go (up to address 288, which may already count as
    // empty), and the second block ending in zero ends it.
    EXPECT_EQ(StoreMemoryBlock(link, 0, image), StoreOutcome::DataEnded);
    lines = unit.WaitForLines(2 + 11);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[2].substr(0, 7), "\x02PS0000");
    EXPECT_EQ(lines[11].substr(0, 7), "\x02PS0120");  // 288
    EXPECT_EQ(lines[12].substr(0, 7), "\x02PS0140");  // 320
}

// Blocks ending in a zero byte (a point value of 0.0, say) with data after them do not end the
// transfer early: only a blank tail does.
TEST_F(MemoryExchangeTest, ZeroEndedBlocksBeforeMoreDataDoNotEndTheTransfer)
{
    test::ScriptedUnit unit([](const std::string&, int) { return std::string("OK\r\n"); });
    Connect(unit);
    MemoryImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = (i % 32 == 31) ? 0 : 0x11;
    EXPECT_EQ(StoreMemoryBlock(link, 1, image), StoreOutcome::AreaComplete);
    EXPECT_EQ(unit.WaitForLines(32).size(), 32u);

    // Area 2 with data up to 2287 (255 points): every block to 2272, the last one the image has.
    image.fill(0);
    for (std::size_t i = 2048; i < 2288; ++i) image[i] = (i % 32 == 31) ? 0 : 0x22;
    EXPECT_EQ(StoreMemoryBlock(link, 2, image), StoreOutcome::DataEnded);
    const auto lines = unit.WaitForLines(32 + 8);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines.back().substr(0, 7), "\x02PS08E0");  // 2272
}

TEST_F(MemoryExchangeTest, StoreReportsAFailedTransfer)
{
    // The unit acknowledges two blocks, then falls silent: four time-outs end the area.
    test::ScriptedUnit unit(
        [](const std::string&, int index) { return index < 2 ? std::string("OK\r\n") : ""; });
    Connect(unit);
    MemoryImage image{};
    image.fill(0x55);
    EXPECT_EQ(StoreMemoryBlock(link, 0, image), StoreOutcome::Failed);
    const auto lines = unit.WaitForLines(6);
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = 2; i < 6; ++i) EXPECT_EQ(lines[i].substr(0, 7), "\x02PS0040");
}

TEST_F(MemoryExchangeTest, ReadBackFillsTheImageBlockByBlock)
{
    MemoryImage source{};
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 7);
    test::ScriptedUnit unit(
        [&](const std::string& line, int) { return ReadReply(source, OffsetOf(line)); });
    Connect(unit);
    MemoryImage image{};
    EXPECT_TRUE(ReadBackMemory(link, image));
    EXPECT_EQ(image, source);
    const auto lines = unit.Lines();
    ASSERT_EQ(lines.size(), 72u);
    EXPECT_EQ(lines.back(), Checked("PR000008E0"));
}

TEST_F(MemoryExchangeTest, EarlyEndLeavesTheRestOfTheImage)
{
    MemoryImage source{};
    source.fill(0xA5);
    test::ScriptedUnit unit([&](const std::string& line, int) {
        const std::size_t offset = OffsetOf(line);
        return offset < 64 ? ReadReply(source, offset) : std::string("\x02PREND\r\n");
    });
    Connect(unit);
    MemoryImage image{};
    image.fill(0x11);
    EXPECT_TRUE(ReadBackMemory(link, image));
    EXPECT_EQ(unit.Lines().size(), 3u);
    EXPECT_EQ(image[63], 0xA5);
    EXPECT_EQ(image[64], 0x11);
    EXPECT_EQ(image[2295], 0x11);
}

// A damaged reply is a failed try: the block is asked for again and the image holds only what
// arrived intact. Replies for another block are passed over and never write outside the image.
TEST_F(MemoryExchangeTest, DamagedOrStrayRepliesAreNotStored)
{
    MemoryImage source{};
    source.fill(0x3C);
    int damaged = 0;
    test::ScriptedUnit unit([&](const std::string& line, int) {
        const std::size_t offset = OffsetOf(line);
        std::string reply = ReadReply(source, offset);
        if (offset == 320 && damaged++ == 0) {
            reply[20] = reply[20] == '0' ? '1' : '0';  // a data digit: the checksum no longer fits
            return reply;
        }
        if (offset == 640) {
            MemoryImage stray{};
            stray.fill(0xEE);
            // Claims the last offset a field can name; must not land anywhere.
            CommandFrame f = CommandFrame::Framed("PR").Hex8(0xFFFFFFE0u);
            for (int k = 0; k < 32; ++k) f.Hex2(0xEE);
            return f.WithEtxAndChecksum() + reply;
        }
        return reply;
    });
    Connect(unit);
    MemoryImage image{};
    EXPECT_TRUE(ReadBackMemory(link, image));
    EXPECT_EQ(image, source);
    EXPECT_EQ(unit.Lines().size(), 73u);  // block 320 twice
}

TEST_F(MemoryExchangeTest, ReadBackFailsWhenABlockNeverArrivesIntact)
{
    test::ScriptedUnit unit([](const std::string& line, int) {
        MemoryImage zero{};
        std::string reply = ReadReply(zero, OffsetOf(line));
        reply[76] = 'X';  // checksum character
        return reply;
    });
    Connect(unit);
    MemoryImage image{};
    EXPECT_FALSE(ReadBackMemory(link, image));
    EXPECT_EQ(unit.WaitForLines(4).size(), 4u);
}

TEST_F(MemoryExchangeTest, MoveAndLoad)
{
    test::ScriptedUnit unit([](const std::string& line, int index) {
        if (line == "\x02PI\x03\r\n") return std::string(index == 0 ? "OK\r\n" : "NG\r\n");
        if (line == Checked("PM2")) return std::string("NG01\r\n");
        return line == Checked("PM1") ? std::string("OK\r\n") : std::string();
    });
    Connect(unit);
    test::TracedTimeouts timeouts;
    ASSERT_TRUE(timeouts.Started());
    EXPECT_TRUE(MoveMemoryImage(link));
    EXPECT_FALSE(MoveMemoryImage(link));  // refused at once
    EXPECT_TRUE(LoadMemoryArea(link, 1));
    EXPECT_FALSE(LoadMemoryArea(link, 2));  // refused at once: sent once, not four times
    EXPECT_EQ(unit.Lines().size(), 4u);
    EXPECT_EQ(timeouts.Count(), 0);
}

}  // namespace
}  // namespace krv
