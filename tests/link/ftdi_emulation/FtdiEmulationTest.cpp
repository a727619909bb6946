// The program's bridge code and the real libftdi1 against an FT230X emulated at the USB level
// (EmulatedFt230x.h lists what the emulated chip relies on and where it comes from). libftdi1's
// calls into libusb land in the test's stand-in (UsbStandIn.h); behind the chip's serial line and
// CBUS pins sits the virtual unit, also reachable on its pseudo-terminal.
#include <ftdi.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "EmulatedFt230x.h"
#include "UsbStandIn.h"
#include "firmware/BootProtocol.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/ProgramUnit.h"
#include "flows/Connection.h"
#include "flows/LinkFrameSink.h"
#include "flows/StandaloneFlows.h"
#include "link/LibFtdiD2xx.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "protocol/Identification.h"
#include "sim/Simulation.h"
#include "sim/UnitBridgeTarget.h"
#include "support/FirmwareFixture.h"

namespace krv {
namespace {

using test::ControlRecord;
using test::EmulatedFt230x;
using test::EmulatedUsbBus;

constexpr std::uint8_t kOut = 0x40;
constexpr std::uint8_t kSetBaudRate = 0x03;
constexpr std::uint8_t kSetBitMode = 0x0B;
constexpr std::uint8_t kReset = 0x00;

// What the chip must be sent, worked out by hand from AN232B-05 (3 MHz line clock, divisor
// 3 MHz / baud, integer part in wValue bits 0-13, eighths coded in wValue bits 14-15 and wIndex
// bit 0 with 1/4 coded as 2):
//   19200 baud:   3000000 / 19200 = 156.25 = 156 + 2/8 -> 0x009C | (2 << 14) = 0x809C, wIndex 0
//   1000000 baud: 3000000 / 1000000 = 3                -> 0x0003, wIndex 0
// A rate libftdi multiplied by four (as it does for data-pin bit-bang) would give 39.0625 and
// 0.75, neither of them these.
constexpr ControlRecord k19200Baud{kOut, kSetBaudRate, 0x809C, 0x0000};
constexpr ControlRecord k1MBaud{kOut, kSetBaudRate, 0x0003, 0x0000};

// The unit's wiring of the bridge's CBUS pins: CBUS0 its reset (low holds it), CBUS1 its boot
// select (high while the reset lets go: boot mode). CBUS bit-bang is mode 0x20 with the outputs
// in the mask's high nibble and their levels in the low nibble (FT-X datasheet).
constexpr std::uint8_t kCbusMode = 0x20;
constexpr std::uint8_t kResetPin = 0x01;
constexpr std::uint8_t kBootPin = 0x02;
constexpr std::uint8_t kDriveBoth = (kResetPin | kBootPin) << 4;
constexpr ControlRecord CbusLevels(std::uint8_t levels)
{
    return {kOut, kSetBitMode, static_cast<std::uint16_t>((kCbusMode << 8) | kDriveBoth | levels),
            1};
}
constexpr ControlRecord kBitModeOff{kOut, kSetBitMode, 0x0000, 1};
// Restart: reset released, then held with boot select low, then all let go.
const std::vector<ControlRecord> kRestartPulse = {CbusLevels(kResetPin), CbusLevels(0),
                                                  kBitModeOff};
// Boot mode: both high, then reset held with boot select high, then all let go.
const std::vector<ControlRecord> kBootPulse = {CbusLevels(kResetPin | kBootPin),
                                               CbusLevels(kBootPin), kBitModeOff};

// `count` records of `records` from `first` on (fewer when they end before).
std::vector<ControlRecord> Slice(const std::vector<ControlRecord>& records, std::size_t first,
                                 std::size_t count = 3)
{
    first = std::min(first, records.size());
    const std::size_t end = std::min(records.size(), first + count);
    return {records.begin() + static_cast<std::ptrdiff_t>(first),
            records.begin() + static_cast<std::ptrdiff_t>(end)};
}

// Where the first record equal to `record` is (the size when there is none).
std::size_t IndexOf(const std::vector<ControlRecord>& records, const ControlRecord& record)
{
    return static_cast<std::size_t>(std::find(records.begin(), records.end(), record) -
                                    records.begin());
}

class FtdiEmulationTest : public test::FirmwareFixture {
  protected:
    void SetUp() override
    {
        // libftdi1 must reach the stand-in for every libusb call, or the test means nothing.
        ASSERT_EQ(test::StandInGaps(), std::vector<std::string>{});
        bus().Clear();
        sim::ServerOptions options;
        options.unit.circuits = 2;
        options.instant = true;
        server = std::make_unique<sim::SimServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        target = std::make_shared<sim::UnitBridgeTarget>(*server);
        test::Ft230xConfig config;
        config.serialNumber = sim::DefaultBridgeSerial(2);
        chip = std::make_shared<EmulatedFt230x>(config, target);
        bus().Plug(chip);
        link = std::make_unique<DeviceLink>(ui, LibFtdiD2xxLibrary());
        link->SetPortName(server->PortPath());
        char pattern[] = "/tmp/krv-ftdiemu-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }

    void TearDown() override
    {
        link.reset();
        if (!chip) {  // SetUp stopped early
            if (server) server->Stop();
            test::FirmwareFixture::TearDown();
            return;
        }
        EXPECT_EQ(chip->Anomalies(), std::vector<std::string>{});
        EXPECT_EQ(bus().Anomalies(), std::vector<std::string>{});
        // Every libftdi context and USB handle the provider made is given back.
        EXPECT_EQ(bus().OpenHandles(), 0);
        EXPECT_EQ(bus().OpenContexts(), 0);
        bus().Clear();
        server->Stop();
        test::FirmwareFixture::TearDown();
    }

    static EmulatedUsbBus& bus() { return EmulatedUsbBus::Instance(); }
    CFtdiPort& Ftdi() { return link->FtdiPort(); }
    std::vector<ControlRecord> BitModes() const { return chip->ControlsOf(kSetBitMode); }
    std::vector<ControlRecord> Divisors() const { return chip->ControlsOf(kSetBaudRate); }
    std::vector<std::uint8_t> UnitFlash()
    {
        return server->WithUnit([](sim::VirtualUnit& u) { return u.Flash().Bytes(); });
    }

    std::unique_ptr<sim::SimServer> server;
    std::shared_ptr<sim::UnitBridgeTarget> target;
    std::shared_ptr<EmulatedFt230x> chip;
};

TEST_F(FtdiEmulationTest, IdentificationAt19200BaudThroughLibftdi)
{
    ASSERT_EQ(Ftdi().ListFtdiDevices(), 1);
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR2A0001");
    EXPECT_EQ(Ftdi().CurrentUnit().description, "Holvik KRV FT230X");
    EXPECT_TRUE(chip->KernelDriverBound());

    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    // The bridge is taken from the kernel's serial driver while open.
    EXPECT_FALSE(chip->KernelDriverBound());
    EXPECT_EQ(Divisors().back(), k19200Baud);
    EXPECT_EQ(chip->BaudRate(), 19200u);
    EXPECT_EQ(chip->DataCharacteristics(), 0x0008);  // 8 data bits, no parity, 1 stop bit
    EXPECT_EQ(chip->LatencyTimer(), 5);
    // What waited for the host from before is purged: value 2, the chip's FIFO towards the host.
    const auto resets = chip->ControlsOf(kReset);
    EXPECT_NE(std::find(resets.begin(), resets.end(), ControlRecord{kOut, kReset, 2, 1}),
              resets.end());
    EXPECT_EQ(BitModes(), std::vector<ControlRecord>{kBitModeOff});

    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));
    EXPECT_EQ(version.size(), 6u) << version;
    EXPECT_GT(chip->BulkOutBytes(), 0u);

    Ftdi().CloseFtdiDevice();
    // ... and given back when closed, so the serial port returns.
    EXPECT_TRUE(chip->KernelDriverBound());
    EXPECT_GT(bus().Calls()["libusb_init"], 0);
}

TEST_F(FtdiEmulationTest, RestartAndBootPulsesAndTheFastRateReachTheChipAsEncoded)
{
    ASSERT_EQ(Ftdi().ListFtdiDevices(), 1);
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    const std::size_t mark = BitModes().size();
    Ftdi().SetFtdiBitMode();
    EXPECT_EQ(Slice(BitModes(), mark), kRestartPulse);
    EXPECT_EQ(chip->Line().Restarts(), 1u);
    EXPECT_EQ(chip->Line().BootRestarts(), 0u);

    // The line's rate set while CBUS bit-bang is on (and off) is the rate asked for, not four
    // times it as libftdi would make it for data-pin bit-bang.
    struct Case {
        bool cbusOn;
        std::uint32_t rate;
        ControlRecord expected;
    };
    for (const Case& c : {Case{true, 1000000, k1MBaud}, Case{true, 19200, k19200Baud},
                          Case{false, 1000000, k1MBaud}, Case{false, 19200, k19200Baud}}) {
        Ftdi().SetBitMode(c.cbusOn ? CbusLevels(kResetPin).value & 0xFF : 0,
                          c.cbusOn ? kCbusMode : 0);
        Ftdi().SetFtdiLine(c.rate);
        EXPECT_EQ(Divisors().back(), c.expected) << c.cbusOn << " " << c.rate;
        EXPECT_EQ(chip->BaudRate(), c.rate);
    }
    Ftdi().CloseFtdiDevice();
    EXPECT_EQ(chip->Line().GarbledBytes(), 0u) << chip->Log();
}

TEST_F(FtdiEmulationTest, StandaloneWriteRestartsTheUnitOverTheEmulatedBridge)
{
    ASSERT_EQ(Ftdi().ListFtdiDevices(), 1);
    ASSERT_TRUE(link->OpenPort());
    AppValues app;
    LinkFrameSink frames(*link);
    GeneratorState state(app, &frames);
    FlowContext context{*link, ui};
    StandaloneImage readBack;
    ASSERT_EQ(RunStandaloneWrite(context, {state, {1.5f, 8.0f}, true}, readBack),
              FlowOutcome::Succeeded)
        << testing::PrintToString(ui.Texts());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"書込み正常終了、再起動します"});
    EXPECT_EQ(Slice(BitModes(), IndexOf(BitModes(), kRestartPulse.front())), kRestartPulse);
    EXPECT_EQ(chip->Line().Restarts(), 1u);
    EXPECT_TRUE(chip->KernelDriverBound());
    EXPECT_EQ(chip->Line().GarbledBytes(), 0u) << chip->Log();
}

TEST_F(FtdiEmulationTest, SerialPortThatComesBackLateAfterTheBridgeIsLetGoIsWaitedFor)
{
    using namespace std::chrono_literals;
    // The kernel's serial device of the chip is gone while libftdi holds the chip and is made
    // again some time after libftdi lets it go (or, broken, never).
    struct Case {
        const char* what;
        bool firmwareUpdate;  // else a standalone write, which restarts the unit
        std::chrono::milliseconds portReturn;
        bool back;
    };
    for (const Case& c : {Case{"write, back after 1.5 s", false, 1500ms, true},
                          Case{"write, never back", false, -1ms, false},
                          Case{"update then connect, back after 1.5 s", true, 1500ms, true}}) {
        SCOPED_TRACE(c.what);
        test::ReturningSerialDevice device(*chip, (folder / "ttyUSB0").string(), server->PortPath(),
                                           c.portReturn);
        link->SetPortName(device.Path());
        ui.Reset();
        AppValues app;
        LinkFrameSink frames(*link);
        GeneratorState state(app, &frames);
        if (c.firmwareUpdate) {
            const auto file = WriteFirmware({"020100", 8});
            FirmwareContext context = Context();
            ASSERT_EQ(RunFirmwareUpdate(context, state, {file, folder}).outcome,
                      FirmwareUpdateOutcome::Succeeded)
                << testing::PrintToString(ui.Texts());
            // The user connects at once: the port is not there yet, and is waited for.
            EXPECT_FALSE(device.Present());
            ui.Reset();
            EXPECT_EQ(ConnectToUnit(*link, state, device.Path(), ui), ConnectOutcome::Connected)
                << testing::PrintToString(ui.Texts());
            EXPECT_EQ(state.firmwareVersion, "020100");
        } else {
            ASSERT_TRUE(link->OpenPort());
            FlowContext context{*link, ui};
            context.portReturnBudget = c.back ? kPortReturnBudget : 300ms;
            StandaloneImage readBack;
            const FlowOutcome outcome =
                RunStandaloneWrite(context, {state, {1.5f, 8.0f}, true}, readBack);
            EXPECT_EQ(outcome, c.back ? FlowOutcome::Succeeded : FlowOutcome::RestartFailed);
            std::vector<std::string> expected = {"書込み正常終了、再起動します"};
            if (!c.back) expected.push_back(device.Path() + "は使えません");
            EXPECT_EQ(ui.Texts(), expected);
        }
        EXPECT_EQ(link->IsOpen(), c.back);
        EXPECT_EQ(device.Present(), c.back);
        link->ClosePort();
    }
}

TEST_F(FtdiEmulationTest, FirmwareUpdateEntersBootModeAndProgramsAt1MBaud)
{
    const auto file = WriteFirmware({"020100", 8});
    AppValues app;
    GeneratorState state{app};
    FirmwareContext context = Context();
    const FirmwareUpdateResult result = RunFirmwareUpdate(context, state, {file, folder});
    ASSERT_EQ(result.outcome, FirmwareUpdateOutcome::Succeeded)
        << testing::PrintToString(ui.Texts());
    EXPECT_EQ(result.unitSerial, "KR2A0001");

    const auto modes = BitModes();
    EXPECT_EQ(Slice(modes, IndexOf(modes, kBootPulse.front())), kBootPulse);
    EXPECT_EQ(chip->Line().BootRestarts(), 1u);
    // Only the greeting the unit sends after its last restart out of boot mode is lost: it comes
    // while the line still runs at 1000000 baud, and the program starts it again at 19200.
    EXPECT_EQ(chip->Line().GarbledBytes(), sim::kResendRequest.size()) << chip->Log();
    const auto divisors = Divisors();
    EXPECT_NE(std::find(divisors.begin(), divisors.end(), k1MBaud), divisors.end());
    // Every rate the program set is one of the two the unit speaks (libftdi's own 9600 at open
    // aside, which comes before the program's).
    for (const ControlRecord& d : divisors) {
        if (d.value == 0x4138) continue;  // 312.5: 9600 baud
        EXPECT_TRUE(d == k19200Baud || d == k1MBaud) << std::hex << d.value << "/" << d.index;
    }
    const auto flash = UnitFlash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), expected.Bytes().begin()));
    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Com, version));
    EXPECT_EQ(version, "020100");
}

TEST_F(FtdiEmulationTest, ABridgeThatVanishesMidUpdateEndsInACleanFailure)
{
    const auto file = WriteFirmware({"020100", 8});
    // Pulled out while the program's blocks go over the wire.
    chip->UnplugAfterBulkOut(1500);
    AppValues app;
    GeneratorState state{app};
    FirmwareContext context = Context();
    const FirmwareUpdateResult result = RunFirmwareUpdate(context, state, {file, folder});
    EXPECT_EQ(result.outcome, FirmwareUpdateOutcome::Failed);
    EXPECT_FALSE(chip->Present());
    // The update stops at the block that could not be sent, as a cancelled one does: one
    // message, not one for every block left, and it names the backup for the rerun.
    const std::vector<std::string> texts = ui.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind(kAskUpdate, 0), 0u);
    EXPECT_EQ(texts[1].rfind(kCancelledRestart, 0), 0u);
    EXPECT_NE(texts[1].find("_R.txt"), std::string::npos);
    EXPECT_EQ(Statuses().back(), kStatusCancelled);
    link->FtdiPort().CloseFtdiDevice();
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 0);
}

int frameWrites = 0;

TEST_F(FtdiEmulationTest, ABridgeThatVanishesBeforeAReplyFailsTheExchangeAndCloses)
{
    // Counts the frames handed to libftdi.
    LibFtdiCalls counting = RealLibFtdiCalls();
    counting.WriteData = [](ftdi_context* ftdi, const unsigned char* bytes, int size) {
        ++frameWrites;
        return ftdi_write_data(ftdi, bytes, size);
    };
    const LibFtdiCalls before = UseLibFtdiCalls(counting);
    ASSERT_EQ(Ftdi().ListFtdiDevices(), 1);
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_FALSE(Ftdi().BridgeLost());
    chip->Unplug();
    std::string version;
    frameWrites = 0;
    EXPECT_FALSE(QueryVersion(*link, LinkKind::Ftdi, version));
    EXPECT_TRUE(Ftdi().BridgeLost());
    // Once its reads fail outright, the gone bridge is not sent the question again.
    EXPECT_EQ(frameWrites, 1);
    UseLibFtdiCalls(before);
    Ftdi().CloseFtdiDevice();
    EXPECT_FALSE(Ftdi().IsFtdiOpen());
    EXPECT_FALSE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 0);
}

TEST_F(FtdiEmulationTest, LibftdiReadsTheEepromWithTheCbusPinsAsIo)
{
    ftdi_context* ftdi = ftdi_new();
    ASSERT_NE(ftdi, nullptr);
    ASSERT_EQ(ftdi_usb_open_desc(ftdi, 0x0403, 0x6015, "Holvik KRV FT230X", nullptr), 0)
        << ftdi_get_error_string(ftdi);
    EXPECT_EQ(ftdi->type, TYPE_230X);
    ASSERT_EQ(ftdi_read_eeprom(ftdi), 0) << ftdi_get_error_string(ftdi);
    ASSERT_EQ(ftdi_eeprom_decode(ftdi, 0), 0) << ftdi_get_error_string(ftdi);
    for (const ftdi_eeprom_value pin : {CBUS_FUNCTION_0, CBUS_FUNCTION_1}) {
        int function = -1;
        ASSERT_EQ(ftdi_get_eeprom_value(ftdi, pin, &function), 0);
        EXPECT_EQ(function, CBUSX_IOMODE);
    }
    ftdi_usb_close(ftdi);
    ftdi_free(ftdi);
}

}  // namespace
}  // namespace krv
