// The boot-mode commands byte for byte, and collecting a reply over the simulated bridge: the
// 20 ms periods, the budget, the first byte, and when a failure is reported.
#include <gtest/gtest.h>

#include <numeric>

#include "firmware/BootProtocol.h"
#include "support/FirmwareFixture.h"

namespace krv {
namespace {

using Bytes = std::vector<std::uint8_t>;

unsigned Sum(const Bytes& bytes)
{
    return std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFF;
}

TEST(BootProtocolTest, CommandsAreTheBytesTheMicrocontrollerExpects)
{
    struct Case {
        const char* name;
        BootCommand command;
        Bytes bytes;  // empty: only the checks below
        std::size_t length;
        std::size_t reply;
        std::uint8_t first;
        bool byteByByte;
    };
    std::array<std::uint8_t, 256> data{};
    std::iota(data.begin(), data.end(), 0);
    const std::vector<Case> cases = {
        {"B1", BitRateAdjustment(), Bytes(30, 0), 30, 1, 0x00, true},
        {"B2", AdjustmentEnd(), {0x55}, 1, 1, 0xE6, true},
        {"B3", DeviceInquiry(), {0x20}, 1, 65, 0x30, false},
        {"B4",
         DeviceSelection({'K', 'R', 'V', '1'}),
         {0x10, 0x04, 'K', 'R', 'V', '1', 0xC8},
         7,
         1,
         0x46,
         false},
        {"B5", EraseBlockInquiry(), {0x26}, 1, 29, 0x36, false},
        {"B6",
         NewBitRate(),
         {0x3F, 0x07, 0x27, 0x10, 0x06, 0x40, 0x02, 0x01, 0x01, 0x39},
         10,
         1,
         0x06,
         false},
        {"B7", BitRateConfirmation(), {0x06}, 1, 1, 0x06, false},
        {"B8", ProgrammingStateTransition(), {0x40}, 1, 1, 0x06, false},
        {"B9", ErasureSelection(), {0x48}, 1, 1, 0x06, false},
        {"B10",
         BlockErasure(0xFFFE4000),
         {0x59, 0x04, 0xFF, 0xFE, 0x40, 0x00, 0x66},
         7,
         1,
         0x06,
         false},
        {"B11", StatusInquiry(), {0x4F}, 1, 5, 0x5F, false},
        {"B12", ProgrammingSelection(), {0x43}, 1, 1, 0x06, false},
        {"B13", ProgramBlock(0xFFFFFF00, data), {}, 262, 1, 0x06, false},
        {"B14", EndOfProgramming(), {0x50, 0xFF, 0xFF, 0xFF, 0xFF, 0xB4}, 6, 1, 0x06, false},
        {"B15",
         ReadBlock(0xFFFE0100),
         {0x52, 0x09, 0x01, 0xFF, 0xFE, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0xA5},
         12,
         262,
         0x52,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty()) {
            EXPECT_EQ(c.command.bytes, c.bytes);
        }
        EXPECT_EQ(c.command.bytes.size(), c.length);
        EXPECT_EQ(c.command.replyLength, c.reply);
        EXPECT_EQ(c.command.firstReply, c.first);
        EXPECT_EQ(c.command.byteByByte, c.byteByByte);
        // Every command that carries a checksum adds up to 0.
        if (c.length > 1 && c.name != std::string("B1")) {
            EXPECT_EQ(Sum(c.command.bytes), 0u);
        }
    }
    const BootCommand b13 = ProgramBlock(0xFFFFFF00, data);
    EXPECT_EQ(Bytes(b13.bytes.begin(), b13.bytes.begin() + 5),
              (Bytes{0x50, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), b13.bytes.begin() + 5));
    EXPECT_EQ(BootChecksum(Bytes{}), 0);
    EXPECT_EQ(BootChecksum(Bytes{0x01}), 0xFF);
    EXPECT_EQ(BootChecksum(Bytes{0x80, 0x80}), 0x00);
}

// Answers every byte it receives with the same bytes.
class ScriptedLoader : public sim::BridgeTarget {
  public:
    explicit ScriptedLoader(std::string answer) : answer_(std::move(answer)) {}
    void Receive(std::uint8_t, sim::BridgeTime arrival,
                 std::vector<sim::BridgeReply>& replies) override
    {
        replies.push_back({answer_, arrival});
    }
    void Restart(bool, sim::BridgeTime, std::vector<sim::BridgeReply>&) override {}

  private:
    std::string answer_;
};

using BootReplyTest = test::FirmwareFixture;

TEST_F(BootReplyTest, ReplyMustComeCompleteInTimeAndBeginRight)
{
    struct Case {
        const char* name;
        std::string answer;
        std::size_t length;
        std::uint8_t first;
        bool report;
        bool ok;
    };
    for (const Case& c : {
             Case{"acknowledged", "\x06", 1, 0x06, true, true},
             Case{"refused", "\x15", 1, 0x06, true, false},
             Case{"silent", "", 1, 0x06, true, false},
             Case{"silent, not reported", "", 1, 0x06, false, false},
             Case{"cut short", "\x5F\x02\x01", 5, 0x5F, true, false},
             Case{"complete", "\x5F\x02\x01\x07\xA0", 5, 0x5F, true, true},
         }) {
        SCOPED_TRACE(c.name);
        Start();
        simulation->Target().SetBootLoader(std::make_shared<ScriptedLoader>(c.answer));
        simulation->Server().WithUnit([](sim::VirtualUnit& u) { u.EnterBootMode(); });
        ASSERT_TRUE(link->FtdiPort().OpenFtdiDevice());
        BootSession session(link->FtdiPort(), ui);
        session.reportReplyFailure = c.report;
        const BootCommand command{{0x4F}, c.length, c.first, false};
        const TimePoint start = Now();
        session.SendBootCommand(command);
        EXPECT_EQ(session.AwaitBootReply(command), c.ok);
        if (c.answer.empty()) {
            // A silent unit is given the whole budget, not less.
            EXPECT_GE(Now() - start, BootSession::kReplyBudget * BootSession::kReplyPeriod);
        }
        if (c.ok) {
            EXPECT_TRUE(std::equal(
                c.answer.begin(), c.answer.end(), session.Reply().begin(),
                [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
        }
        const bool reported = !c.ok && c.report;
        EXPECT_EQ(ui.Texts(), reported ? std::vector<std::string>{BootSession::kReplyFailure}
                                       : std::vector<std::string>{});
        Restart();
    }
}

}  // namespace
}  // namespace krv
