// Replies the unit sends with a damaged payload: a changed digit in VER or CH, a status reply
// naming a channel that cannot exist in a frame whose checksum fits. The connect and the status
// polling must refuse them and leave the unit's outputs alone.
#include <gtest/gtest.h>

#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "flows/StatusPolling.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class DamagedReplyTest : public test::SimFixture {
  protected:
    AppValues app;
};

TEST_F(DamagedReplyTest, ConnectRefusesDamagedIdentificationAndStatus)
{
    struct Case {
        const char* faults;
        ConnectOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"corrupt=4/31#VER", ConnectOutcome::FirmwareTooOld, kUpdateFirmware},  // VER01.000
        {"corrupt=3/58#VER", ConnectOutcome::FirmwareTooOld, kUpdateFirmware},  // VERX2.000
        {"corrupt=8/58#VER", ConnectOutcome::FirmwareTooOld, kUpdateFirmware},  // VER02.00X
        {"corrupt=2/33#CH", ConnectOutcome::Failed, kCannotConnect},            // CH3
        {"corrupt=2/30#CH", ConnectOutcome::Failed, kCannotConnect},            // CH0
        {"corrupt=2/58#CH", ConnectOutcome::Failed, kCannotConnect},            // CHX
        // Status replies for channel 7 or 0, each with the checksum that fits.
        {"forge=2/37#R", ConnectOutcome::StatusFailed, kStatusCheckFailed},
        {"forge=2/30#R", ConnectOutcome::StatusFailed, kStatusCheckFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        StartUnit(c.faults);
        server->WithUnit([](sim::VirtualUnit& unit) {
            unit.SetStatusBits(0, sim::StatusWord::Main, sim::kMainWatchdog);
        });
        ui.Clear();
        LinkFrameSink frames{link};
        GeneratorState state{app, &frames};
        state.circuitCount = 2;

        EXPECT_EQ(ConnectToUnit(link, state, server->PortPath(), ui, {}), c.outcome);
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{c.message});
        // Nothing of the damaged status was taken, and no output frame went out.
        EXPECT_EQ(state.channels[0].mainStatus, 0);
        EXPECT_TRUE(server->OutputHistory(0).empty());
        EXPECT_TRUE(server->OutputHistory(1).empty());
        if (c.outcome == ConnectOutcome::StatusFailed) {
            EXPECT_EQ(ReceivedCount("\x02R1\r\n"), 4u);  // each refused reply counted as a try
        }
        link.ClosePort();
        server->Stop();
    }
}

// Takes the next line the unit sends as the panel's tick does; false if none came in time.
bool TakeLine(GeneratorState& state, DeviceLink& link)
{
    const TimePoint deadline = Now() + 2s;
    while (Now() < deadline) {
        if (CheckUnsolicitedLine(link, state)) return true;
        link.WaitForInput(LinkKind::Com, deadline);
    }
    return false;
}

TEST_F(DamagedReplyTest, PollingTakesNoStatusForAChannelThatCannotExist)
{
    StartUnit();
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    state.circuitCount = 2;
    ASSERT_EQ(ConnectToUnit(link, state, server->PortPath(), ui, {}), ConnectOutcome::Connected);
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.SetStatusBits(0, sim::StatusWord::Main, sim::kMainWatchdog);
    });

    ASSERT_TRUE(server->SetFaults("forge=2/39#R"));
    WriteStatusRequest(link, 0);
    ASSERT_TRUE(TakeLine(state, link));
    EXPECT_EQ(link.ReplyLine()[2], '9');
    for (const ChannelSettings& channel : state.channels) EXPECT_EQ(channel.mainStatus, 0);

    // The same request answered undamaged shows the alarm.
    ASSERT_TRUE(server->SetFaults(""));
    WriteStatusRequest(link, 0);
    ASSERT_TRUE(TakeLine(state, link));
    EXPECT_EQ(state.channels[0].mainStatus, sim::kMainWatchdog);
}

}  // namespace
}  // namespace krv
