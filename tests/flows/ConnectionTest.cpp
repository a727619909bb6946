// Connecting to and disconnecting from the virtual unit as the panel does.
#include <gtest/gtest.h>

#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "support/AsNobody.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class ConnectionTest : public test::SimFixture {
  protected:
    ConnectOutcome Connect(ConnectOptions options = {})
    {
        options.circuitCountChanged = [this] { ++relayouts; };
        return ConnectToUnit(link, state, server->PortPath(), ui, options);
    }
    sim::ChannelRegisters Registers(int ch)
    {
        return server->WithUnit([&](sim::VirtualUnit& unit) { return unit.Channel(ch); });
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    int relayouts = 0;
};

TEST_F(ConnectionTest, ConnectingSendsEveryChannelAndRemembersThePort)
{
    StartUnit();
    state.circuitCount = 2;
    state.channels[1].range = kRange4_20mA;
    state.channels[1].outputValue = 12.0;
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(state.firmwareVersion, "020000");
    EXPECT_EQ(app.lastPortName, link.PortName());
    EXPECT_EQ(relayouts, 0);
    ASSERT_TRUE(server->WaitForReceived(7, 2000ms));  // VER, CH, MS, 2 × R, 2 × W
    const sim::ChannelRegisters second = Registers(1);
    EXPECT_EQ(second.range, kRange4_20mA);
    EXPECT_EQ(second.outputCode, 0x8000);
    EXPECT_EQ(second.mainControl & 0x7, 5);
}

TEST_F(ConnectionTest, OtherCircuitCountIsAdoptedWithAWarning)
{
    StartUnit();
    state.circuitCount = 1;
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    EXPECT_EQ(state.circuitCount, 2);
    EXPECT_EQ(app.mainWindowWidth, 482);
    EXPECT_EQ(relayouts, 1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, "表示回路数を切替ます。");
    EXPECT_EQ(ui.Messages()[0].caption, "警告");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
}

TEST_F(ConnectionTest, LookingAtTheUnitTouchesNoOutput)
{
    StartUnit();
    state.circuitCount = 1;
    ConnectOptions options;
    options.takeOverOutputs = false;
    ASSERT_EQ(Connect(options), ConnectOutcome::Connected);
    EXPECT_EQ(state.circuitCount, 2);
    EXPECT_EQ(relayouts, 1);
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(server->WaitForReceived(5, 2000ms));  // VER, CH, MS, R1, R2
    for (const auto& line : server->Received()) EXPECT_NE(line.bytes.substr(0, 2), "\x02W");
}

TEST_F(ConnectionTest, OldFirmwareIsRefusedAndThePortStaysOpen)
{
    sim::UnitConfig unit;
    unit.firmware = "019999";
    StartUnit("", true, unit);
    state.circuitCount = 2;
    EXPECT_EQ(Connect(), ConnectOutcome::FirmwareTooOld);
    EXPECT_EQ(ui.Texts(),
              std::vector<std::string>{"KRVのファームウェアを最新版に更新してください。"});
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(state.firmwareVersion, "019999");

    // The next press disconnects without a message.
    ui.Clear();
    DisconnectFromUnit(link, state);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ConnectionTest, SilentUnitCannotBeConnectedAndThePortIsClosed)
{
    StartUnit("silent");
    EXPECT_EQ(Connect(), ConnectOutcome::Failed);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"接続できません。"});
}

TEST_F(ConnectionTest, UnreadableStatusLeavesThePortOpen)
{
    StartUnit();
    state.circuitCount = 1;
    ConnectOptions options;
    // Once the unit has identified itself, every reply it sends is corrupted: the status replies
    // then fail their checksum.
    options.circuitCountChanged = [this] { server->SetFaults("corrupt"); };
    EXPECT_EQ(ConnectToUnit(link, state, server->PortPath(), ui, options),
              ConnectOutcome::StatusFailed);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"表示回路数を切替ます。", "状態確認に失敗しました。"}));
    EXPECT_EQ(ReceivedCount("\x02R1\r\n"), 4u);
}

TEST_F(ConnectionTest, DisconnectSwitchesOffOnlyWhatThePcDrives)
{
    sim::ServerOptions options;
    options.instant = true;
    StartUnit(options);
    state.circuitCount = 2;
    for (int ch = 0; ch < 2; ++ch) {
        state.channels[ch].range = kRange0_10V;
        state.channels[ch].outputValue = 5.0;
        state.SetOutputOn(ch, true);
    }
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    ASSERT_TRUE(server->WaitForReceived(7, 2000ms));
    EXPECT_NE(Registers(0).mainControl & 0x1000, 0);
    EXPECT_NE(Registers(1).mainControl & 0x1000, 0);

    // The unit runs channel 1 on its own.
    state.unitAutoOutput[0].standaloneMode = kStandaloneFixed;
    server->ClearRecords();
    DisconnectFromUnit(link, state);
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(server->WaitForReceived(3, 2000ms));  // channels 2, 3 and 4
    EXPECT_NE(Registers(0).mainControl & 0x1000, 0);
    EXPECT_EQ(Registers(1).mainControl & 0x1000, 0);
    EXPECT_EQ(server->Received().size(), 3u);
}

TEST_F(ConnectionTest, AnOrdinaryUserConnectsAgainAfterEveryDisconnect)
{
    StartUnit();
    ASSERT_TRUE(test::OpenToEveryone(server->PortPath()));
    state.circuitCount = 2;
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    DisconnectFromUnit(link, state);

    // 接続 → 切断 → 接続 → 切断 → 接続 by a user whom exclusive mode would keep out. The link's
    // reader is a thread; where a forked child may not start one, krvctl's test run as nobody
    // covers the same.
    const int failedAt = !test::kForkedChildMayStartThreads ? 0 : test::RunAsNobody([&] {
        test::RecordingUi childUi;
        for (int i = 1; i <= 3; ++i) {
            if (ConnectToUnit(link, state, server->PortPath(), childUi) !=
                ConnectOutcome::Connected) {
                return i;
            }
            DisconnectFromUnit(link, state);
        }
        return 0;
    });
    EXPECT_EQ(failedAt, 0);

    // While the port is held here, another program, of any user, is told why it cannot have it.
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    const std::string expected =
        link.PortName() + "は使えません\n別のプログラムがこのポートを使用しています";
    const auto refusedAs = [&] {
        test::RecordingUi childUi;
        DeviceLink childLink{childUi};
        AppValues childApp;
        LinkFrameSink childFrames{childLink};
        GeneratorState childState{childApp, &childFrames};
        const ConnectOutcome outcome =
            ConnectToUnit(childLink, childState, server->PortPath(), childUi);
        return outcome == ConnectOutcome::PortUnavailable &&
                       childUi.Texts() == std::vector<std::string>{expected}
                   ? 0
                   : 1;
    };
    EXPECT_EQ(refusedAs(), 0);
    EXPECT_EQ(test::RunAsNobody(refusedAs), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace krv
