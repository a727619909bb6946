// The simulated USB bridge in front of the virtual unit, reached through the D2XX link.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>

#include "link/DeviceLink.h"
#include "link/LibFtdiD2xx.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"
#include "protocol/Identification.h"
#include "protocol/StatusReply.h"
#include "sim/Simulation.h"
#include "sim/WireTiming.h"
#include "support/RecordingUi.h"

namespace krv::sim {
namespace {

using namespace std::chrono_literals;

// Sends every byte straight back, at the speed it is told.
class EchoTarget : public BridgeTarget {
  public:
    explicit EchoTarget(std::uint32_t baudRate) : baudRate_(baudRate) {}
    void Receive(std::uint8_t byte, BridgeTime arrival, std::vector<BridgeReply>& replies) override
    {
        replies.push_back({std::string(1, static_cast<char>(byte)), arrival});
    }
    void Restart(bool, BridgeTime, std::vector<BridgeReply>&) override { ++restarts; }
    std::uint32_t BaudRate() const override { return baudRate_; }
    int restarts = 0;

  private:
    std::uint32_t baudRate_;
};

// The output frame that sets channel 1 to range 1 and output code 0x1234.
std::string Range1OutputFrame()
{
    return CommandFrame::Framed("W")
        .Hex1(1)
        .Hex2(1)
        .Hex4(0x1234)
        .Hex4(0x1009)
        .Hex4(8)
        .Text(std::string(24, '0'))
        .Text("0")
        .WithEtxAndChecksum();
}

class SimBridgeTest : public ::testing::Test {
  protected:
    void Start(SimulationOptions options = {})
    {
        simulation = std::make_unique<Simulation>(std::move(options));
        std::string error;
        ASSERT_TRUE(simulation->Start(&error)) << error;
        link = MakeLink();
        link->SetPortName(simulation->Server().PortPath());
    }
    std::unique_ptr<DeviceLink> MakeLink()
    {
        return std::make_unique<DeviceLink>(ui, SimulatedD2xxLibrary());
    }
    void TearDown() override
    {
        link.reset();
        simulation.reset();
    }
    CFtdiPort& Ftdi() { return link->FtdiPort(); }
    // Reads bridge lines for up to `span`; returns the first complete one, or "".
    std::string NextLine(std::chrono::milliseconds span = 1000ms)
    {
        const TimePoint deadline = Now() + span;
        while (Now() < deadline) {
            if (link->ReadLine(LinkKind::Ftdi) == kLineComplete) {
                return std::string(link->ReplyLine());
            }
            link->WaitForInput(LinkKind::Ftdi, deadline);
        }
        return "";
    }
    ChannelRegisters Channel1()
    {
        return simulation->Server().WithUnit([](VirtualUnit& u) { return u.Channel(0); });
    }

    test::RecordingUi ui;
    std::unique_ptr<Simulation> simulation;
    std::unique_ptr<DeviceLink> link;
};

// Both providers built into the program offer every entry point, and each as a function of its
// own: entry points of the same type (FT_SetTimeouts, FT_SetUSBParameters) must not be crossed.
TEST(D2xxProvidersTest, EveryEntryPointIsAFunctionOfItsOwn)
{
    for (const auto& library : {LibFtdiD2xxLibrary(), SimulatedD2xxLibrary()}) {
        SCOPED_TRACE(library->Name());
        std::set<d2xx::AnyFunction> addresses;
        for (std::size_t i = 0; i < d2xx::kEntryPointCount; ++i) {
            const char* name = d2xx::EntryPoints::NameAt(i);
            EXPECT_NE(library->Find(name), nullptr) << name;
            addresses.insert(library->Find(name));
        }
        EXPECT_EQ(addresses.size(), d2xx::kEntryPointCount);
        EXPECT_EQ(library->Find("FT_EE_Read"), nullptr);
    }
}

TEST_F(SimBridgeTest, VersionExchangeOverTheBridgeEndToEnd)
{
    Start();
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 1);
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR2A0001");
    EXPECT_EQ(Ftdi().CurrentUnit().description, "Holvik KRV FT230X");

    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));  // opens the bridge itself
    EXPECT_EQ(version, "020000");
    EXPECT_TRUE(Ftdi().IsFtdiOpen());
    EXPECT_EQ(simulation->Bridge().BaudRate(), 19200u);
    EXPECT_EQ(simulation->Bridge().LatencyTimer(), 5);
    EXPECT_TRUE(ui.Texts().empty());
    // The pty never saw it: the bridge reached the unit directly.
    EXPECT_TRUE(simulation->Server().Received().empty());
}

TEST_F(SimBridgeTest, PtyAndBridgeReachTheSameUnit)
{
    Start();
    ASSERT_TRUE(link->OpenPort());
    link->WriteText(LinkKind::Com, Range1OutputFrame());
    ASSERT_TRUE(simulation->Server().WaitForReceived(1, 5000ms));
    link->ClosePort();

    ExchangeSettings settings;
    settings.link = LinkKind::Ftdi;
    const ExchangeResult result =
        RunExchange(*link, settings, StatusRequestFrame(0), [](std::string_view line) {
            return DecodeStatusReply(line) ? LineVerdict::Match : LineVerdict::Ignore;
        });
    ASSERT_EQ(result, ExchangeResult::Success);
    const auto report = DecodeStatusReply(link->ReplyLine());
    ASSERT_TRUE(report);
    EXPECT_EQ(report->outputCode, 0x1234);
    EXPECT_EQ(report->range, 1u);

    // And the other way round: a frame written on the bridge reaches the unit the pty serves,
    // also when the bridge is closed right after.
    simulation->Server().WithUnit([](VirtualUnit& u) { u.PowerCycle(); });
    link->WriteText(LinkKind::Ftdi, Range1OutputFrame());
    Ftdi().CloseFtdiDevice();
    EXPECT_EQ(Channel1().outputCode, 0x1234);
    EXPECT_EQ(Channel1().framesAccepted, 1u);
}

TEST_F(SimBridgeTest, RestartPulseDropsTheUnitsRunTimeState)
{
    Start();
    simulation->Server().WithUnit([](VirtualUnit& u) {
        u.HandleLine(Range1OutputFrame());
        u.SetStatusBits(0, StatusWord::Main, kMainWatchdog);
    });
    ASSERT_EQ(Channel1().outputCode, 0x1234);
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    Ftdi().SetFtdiBitMode();

    EXPECT_EQ(Channel1().outputCode, 0);
    EXPECT_EQ(Channel1().mainStatus, 0);
    EXPECT_EQ(Channel1().framesAccepted, 0u);
    EXPECT_FALSE(simulation->Target().InBootMode());
    EXPECT_EQ(simulation->Bridge().Restarts(), 1u);
    EXPECT_EQ(simulation->Bridge().BootRestarts(), 0u);
    const auto history = simulation->Bridge().CbusHistory();
    ASSERT_GE(history.size(), 3u);
    const auto last = history.end() - 3;
    EXPECT_EQ(last[0].mask, 0x31);
    EXPECT_EQ(last[0].mode, 0x20);
    EXPECT_EQ(last[1].mask, 0x30);
    EXPECT_EQ(last[2].mode, 0x00);
    EXPECT_GE(last[2].time - last[0].time, 400ms);
    // Started again, the unit asks for its outputs.
    EXPECT_EQ(NextLine(),
              "\x02"
              "A\r\n");
    std::string version;
    EXPECT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));
}

TEST_F(SimBridgeTest, BootPulsePutsTheUnitIntoBootModeUntilTheNextRestart)
{
    Start();
    auto loader = std::make_shared<EchoTarget>(19200);
    simulation->Target().SetBootLoader(loader);
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    // The bridge takes each change of the pins at once; no pulse needs a length of its own.
    Ftdi().SetBitMode(0x33, 0x20);
    Ftdi().SetBitMode(0x32, 0x20);
    EXPECT_TRUE(simulation->Bridge().ResetHeld());
    Ftdi().SetBitMode(0, 0);
    EXPECT_TRUE(simulation->Target().InBootMode());
    EXPECT_EQ(simulation->Bridge().BootRestarts(), 1u);
    EXPECT_EQ(loader->restarts, 1);

    // The boot loader has the line now; the unit's firmware answers nothing, on either path.
    link->WriteText(LinkKind::Ftdi, "VER\r\n");
    EXPECT_EQ(NextLine(), "VER\r\n");
    EXPECT_TRUE(simulation->Server()
                    .WithUnit([](VirtualUnit& u) { return u.HandleLine("VER\r\n"); })
                    .empty());

    Ftdi().SetFtdiBitMode();
    EXPECT_FALSE(simulation->Target().InBootMode());
    std::string version;
    EXPECT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));
}

TEST_F(SimBridgeTest, LineSpeedFollowsTheLinksSetting)
{
    Start();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    Ftdi().SetFtdiLine(1000000);
    EXPECT_EQ(simulation->Bridge().BaudRate(), 1000000u);
    // The unit listens at 19200 baud: what comes at another speed is garbage to it.
    link->WriteText(LinkKind::Ftdi, "VER\r\n");
    EXPECT_EQ(NextLine(100ms), "");
    EXPECT_EQ(simulation->Bridge().GarbledBytes(), 5u);
    Ftdi().SetFtdiLine(19200);
    std::string version;
    EXPECT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));

    EXPECT_EQ(WireTimeAt(1000000, 1), 10us);
    EXPECT_EQ(WireTimeAt(19200, 16), std::chrono::nanoseconds(8'333'333));
}

TEST_F(SimBridgeTest, BytesTakeTheirWireTimeAtEitherSpeed)
{
    for (const std::uint32_t rate : {19200u, 1000000u}) {
        SimBridgeBus bus;
        auto bridge = std::make_shared<SimBridge>(BridgeIdentity{"Echo", "EC0001"},
                                                  std::make_shared<EchoTarget>(rate));
        bus.Plug(bridge);
        ASSERT_TRUE(bridge->Open());
        bridge->SetBaudRate(rate);
        bridge->SetTimeouts(5ms, 5ms);
        const std::string bytes(40, 'e');
        const TimePoint start = Now();
        ASSERT_EQ(bridge->Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), 40), 40u);
        std::size_t got = 0;
        std::uint8_t buffer[100];
        while (got < 40) {
            bridge->WaitForReceive(start + 10s);
            got += bridge->Read(buffer, sizeof buffer);
        }
        // Out and back: the echo of the last byte cannot come before 41 byte times.
        EXPECT_GE(Now() - start, WireTimeAt(rate, 41)) << rate;
    }
}

TEST_F(SimBridgeTest, ExtraBridgesAreListedAndOnlyUnitsCounted)
{
    SimulationOptions options;
    options.server.unit.circuits = 4;
    options.extraBridges = {{"KR2A0002"},
                            {"XY2A0003"},
                            {"KR2A0004", "FT230X Basic UART"},
                            {"KR" + std::string(98, 'X'), std::string(100, 'D')}};
    Start(options);
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 2);
    EXPECT_EQ(Ftdi().DeviceEntry(0).serialNumber, "KR4A0001");
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR2A0002");
    EXPECT_EQ(Ftdi().DeviceEntry(4).serialNumber.size(), 63u);
    EXPECT_EQ(Ftdi().DeviceEntry(4).description, std::string(63, 'D'));
    EXPECT_FALSE(Ftdi().DeviceEntry(5).found);
}

TEST_F(SimBridgeTest, ASecondOpenFailsCleanly)
{
    Start();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    auto other = MakeLink();
    other->SetPortName(simulation->Server().PortPath());
    EXPECT_FALSE(other->FtdiPort().OpenFtdiDevice());  // the bridge is taken
    std::string version;
    EXPECT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));

    Ftdi().CloseFtdiDevice();
    ASSERT_TRUE(other->OpenPort());
    EXPECT_FALSE(other->FtdiPort().OpenFtdiDevice());  // not from under its own serial port
    EXPECT_TRUE(QueryVersion(*other, LinkKind::Com, version));
    other->ClosePort();
    EXPECT_TRUE(other->FtdiPort().OpenFtdiDevice());
    EXPECT_TRUE(QueryVersion(*other, LinkKind::Ftdi, version));
}

}  // namespace
}  // namespace krv::sim
