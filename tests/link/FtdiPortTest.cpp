// The D2XX link against a recording fake of the library, with holes where a test wants them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/D2xxLibraries.h"
#include "link/DeviceLink.h"
#include "protocol/Identification.h"
#include "support/FakeD2xx.h"
#include "support/PtyPair.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::Fake;
using Args = std::vector<unsigned long long>;

const std::string kDescription = "Holvik KRV FT230X";

// The calls after the first `skip`, as "name(arg,arg)".
std::vector<std::string> CallTexts(std::size_t skip = 0)
{
    std::vector<std::string> texts;
    const auto calls = Fake().Calls();
    for (std::size_t i = skip; i < calls.size(); ++i) {
        std::string text = calls[i].name + "(";
        for (std::size_t k = 0; k < calls[i].args.size(); ++k) {
            text += (k ? "," : "") + std::to_string(calls[i].args[k]);
        }
        texts.push_back(text + ")");
    }
    return texts;
}

class FtdiPortTest : public ::testing::Test {
  protected:
    void Load(std::set<std::string> missing = {})
    {
        link.reset();  // closes what the link before had open, before the fake starts afresh
        link = std::make_unique<DeviceLink>(ui, test::FakeD2xxLibrary(std::move(missing)));
    }
    CFtdiPort& Ftdi() { return link->FtdiPort(); }

    test::RecordingUi ui;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(FtdiPortTest, OpenSetsTheBridgeUpForTheUnitsLine)
{
    Load();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_TRUE(Ftdi().IsFtdiOpen());
    EXPECT_EQ(Ftdi().OpenDescription(), kDescription);
    const auto calls = Fake().Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].text, kDescription);
    EXPECT_EQ(CallTexts(),
              (std::vector<std::string>{"FT_OpenEx(2)", "FT_ResetDevice()", "FT_SetTimeouts(5,5)",
                                        "FT_Purge(1)", "FT_SetBitMode(0,0)", "FT_SetTimeouts(5,5)",
                                        "FT_SetLatencyTimer(5)", "FT_SetBaudRate(19200)",
                                        "FT_SetDataCharacteristics(8,0,0)"}));
    // The bridge is given 200 ms after its bit mode is reset; the window paints meanwhile.
    EXPECT_GE(calls[5].time - calls[4].time, 200ms);
    EXPECT_GT(ui.EventsProcessed(), 0);
    EXPECT_TRUE(ui.Texts().empty());

    Ftdi().CloseFtdiDevice();
    EXPECT_FALSE(Ftdi().IsFtdiOpen());
    EXPECT_EQ(CallTexts().back(), "FT_Close()");
    Ftdi().CloseFtdiDevice();  // closed already: no second FT_Close
    EXPECT_EQ(Fake().Names().size(), calls.size() + 1);
}

TEST_F(FtdiPortTest, AFailedOpenLeavesTheLinkClosed)
{
    Load();
    Fake().openStatus = d2xx::kDeviceNotFound;
    EXPECT_FALSE(Ftdi().OpenFtdiDevice());
    EXPECT_FALSE(Ftdi().IsFtdiOpen());
    EXPECT_EQ(CallTexts(), std::vector<std::string>{"FT_OpenEx(2)"});
    // Nothing is read from or written to a device that is not open.
    EXPECT_EQ(link->ReadLine(LinkKind::Ftdi), kNoLine);
    link->WriteText(LinkKind::Ftdi, "VER\r\n");
    EXPECT_EQ(Fake().Names().size(), 1u);
}

TEST_F(FtdiPortTest, LineSpeedsUseTheRateOrTheDivisor)
{
    const struct {
        std::uint32_t rate;
        std::string call;
    } cases[] = {{19200, "FT_SetBaudRate(19200)"},
                 {9600, "FT_SetBaudRate(9600)"},
                 {1000000, "FT_SetDivisor(3)"}};
    for (const auto& c : cases) {
        Load();
        ASSERT_TRUE(Ftdi().OpenFtdiDevice());
        const std::size_t before = Fake().Calls().size();
        Ftdi().SetFtdiLine(c.rate);
        EXPECT_EQ(CallTexts(before),
                  (std::vector<std::string>{c.call, "FT_SetDataCharacteristics(8,0,0)"}))
            << c.rate;
    }
}

TEST_F(FtdiPortTest, RestartPulseDrivesTheCbusLevelsTwoHundredMillisecondsApart)
{
    Load();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    const std::size_t before = Fake().Calls().size();
    const int eventsBefore = ui.EventsProcessed();
    const TimePoint start = Now();
    Ftdi().SetFtdiBitMode();
    const TimePoint end = Now();
    EXPECT_EQ(CallTexts(before),
              (std::vector<std::string>{"FT_SetBitMode(49,32)", "FT_SetBitMode(48,32)",
                                        "FT_SetBitMode(0,0)"}));
    const auto calls = Fake().Calls();
    EXPECT_GE(calls[before + 1].time - calls[before].time, 200ms);
    EXPECT_GE(calls[before + 2].time - calls[before + 1].time, 200ms);
    EXPECT_GE(end - calls[before + 2].time, 200ms);
    EXPECT_GE(end - start, 600ms);
    // The window keeps painting through the 600 ms, under the wait cursor.
    EXPECT_GE(ui.EventsProcessed() - eventsBefore, 3);
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    EXPECT_GE(ui.WaitCursorShown(), 1);
}

TEST_F(FtdiPortTest, ListingCountsUnitsAndKeepsTheLastOne)
{
    Load();
    const std::string longText(64, 'Z');  // fills the buffer with no NUL at all
    Fake().devices = {{"KR2A0001", kDescription},
                      {"XY2A0002", kDescription},         // right description, other prefix
                      {"KR1A0003", "FT230X Basic UART"},  // another product
                      {"KR4A0004", kDescription},
                      {longText, longText},
                      {std::string("KR\0X", 4), kDescription}};
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 3);
    EXPECT_FALSE(Ftdi().IsFtdiOpen());  // listing closes the device first
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR");
    EXPECT_TRUE(Ftdi().DeviceEntry(5).found);
    EXPECT_EQ(Ftdi().DeviceEntry(3).serialNumber, "KR4A0004");
    EXPECT_FALSE(IsUnitBridge(Ftdi().DeviceEntry(1)));
    EXPECT_FALSE(IsUnitBridge(Ftdi().DeviceEntry(2)));
    // Texts that fill the buffer end at its last byte.
    EXPECT_EQ(Ftdi().DeviceEntry(4).serialNumber, std::string(63, 'Z'));
    EXPECT_EQ(Ftdi().DeviceEntry(4).description, std::string(63, 'Z'));
    EXPECT_FALSE(Ftdi().DeviceEntry(6).found);
    EXPECT_FALSE(Ftdi().DeviceEntry(300).found);

    // Asked by index, serial number first, until the library says there is no such device.
    const auto calls = Fake().Calls();
    std::vector<Args> lists;
    for (const auto& c : calls) {
        if (c.name == "FT_ListDevices") lists.push_back(c.args);
    }
    ASSERT_EQ(lists.size(), 13u);
    EXPECT_EQ(lists[0], (Args{0, 0x40000001}));
    EXPECT_EQ(lists[1], (Args{0, 0x40000002}));
    EXPECT_EQ(lists[12], (Args{6, 0x40000001}));

    // Two units: the current unit is the one with the higher index.
    Fake().devices = {{"KR2A0001", kDescription}, {"KR2A0002", kDescription}};
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 2);
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR2A0002");
    Fake().devices.clear();
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 0);
    EXPECT_FALSE(Ftdi().DeviceEntry(0).found);
}

TEST_F(FtdiPortTest, MissingEntryPointsShowTheirMessagesAndTheRestRunsOn)
{
    // Missing FT_SetDivisor: it and everything after it stay null.
    Load({"FT_SetDivisor"});
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Can't Find FT_SetDivisor"});
    EXPECT_EQ(Ftdi().EntryPoints().FT_SetDataCharacteristics, nullptr);
    EXPECT_EQ(Ftdi().EntryPoints().FT_GetDeviceInfoList, nullptr);
    EXPECT_NE(Ftdi().EntryPoints().FT_SetBaudRate, nullptr);
    ui.Clear();
    EXPECT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"FT_SetSetBitMode is not valid!",
                                                    "FT_SetDataCharacteristics is not valid!"}));
    ui.Clear();
    Ftdi().SetFtdiLine(1000000);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"FT_SetDivisor is not valid!",
                                                    "FT_SetDataCharacteristics is not valid!"}));

    // Missing FT_Write, the first looked up: nothing else is looked up after it.
    ui.Clear();
    Load({"FT_Write"});
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Can't Find FT_Write"});
    ui.Clear();
    EXPECT_FALSE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"FT_OpenEx is not valid!"});
    ui.Clear();
    EXPECT_EQ(link->ReadLine(LinkKind::Ftdi), kNoLine);
    link->WriteText(LinkKind::Ftdi, "VER\r\n");
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 0);
    Ftdi().SetBitMode(0x33, 0x20);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              "FT_Read is not valid!", "FT_Write is not valid!",
                              "FT_ListDevices is not valid!", "FT_SetSetBitMode is not valid!"}));
    EXPECT_TRUE(Fake().Calls().empty());

    // Missing FT_Close (and all after it): every later step of the open names its own entry
    // point, and the open still succeeds.
    ui.Clear();
    Load({"FT_Close"});
    ui.Clear();
    EXPECT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{
                  "FT_ResetDevice is not valid!", "FT_SetTimeouts is not valid!",
                  "FT_Purge is not valid!", "FT_SetSetBitMode is not valid!",
                  "FT_SetTimeouts is not valid!", "FT_SetLatencyTimer is not valid!",
                  "FT_SetBaudRate is not valid!", "FT_SetDataCharacteristics is not valid!"}));
    ui.Clear();
    Ftdi().CloseFtdiDevice();
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"FT_Close is not valid!"});
    EXPECT_FALSE(Ftdi().IsFtdiOpen());

    // No library at all; the serial link does not need it.
    ui.Clear();
    link = std::make_unique<DeviceLink>(ui, nullptr);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Can't Load ft8u245.dll"});
    EXPECT_EQ(Ftdi().Library(), nullptr);
    ui.Clear();
    EXPECT_FALSE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"FT_OpenEx is not valid!"});
}

TEST_F(FtdiPortTest, ExchangesRunOverTheBridge)
{
    Load();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    // The reply comes in pieces, after an unrelated line that counts as a wrong reply.
    Fake().answers = {{"", "OK\r", "\n"}, {"VER02", "", ".00", "0\r\n"}};
    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));
    EXPECT_EQ(version, "020000");
    std::vector<std::string> writes;
    for (const auto& c : Fake().Calls()) {
        if (c.name == "FT_Write") writes.push_back(c.text);
    }
    // Every frame goes out as a NUL-terminated copy with the text's own length; the wrong line
    // made the command go out again.
    EXPECT_EQ(writes, (std::vector<std::string>{"VER\r\n<NUL>", "VER\r\n<NUL>"}));
    for (const auto& c : Fake().Calls()) {
        if (c.name == "FT_Read") {
            EXPECT_EQ(c.args, Args{100});
        }
    }

    // Text after a NUL is not sent; the length bounds the text.
    link->WriteText(LinkKind::Ftdi, std::string_view("AB\0CD", 5));
    link->WriteText(LinkKind::Ftdi, "XYZ", 2);
    const auto calls = Fake().Calls();
    EXPECT_EQ(calls[calls.size() - 2].text, "AB<NUL>");
    EXPECT_EQ(calls.back().text, "XY<NUL>");
}

TEST_F(FtdiPortTest, TheBridgeRingHoldsAtMost4095UnreadBytes)
{
    Load();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    for (int i = 0; i < 41; ++i) Fake().reads.push_back(std::string(100, 'x'));
    for (int i = 0; i < 41; ++i) Ftdi().FetchReceived();
    EXPECT_EQ(Ftdi().Ring().Unread(), 4095u);
    // Opening again empties it, indices back at 0.
    Ftdi().CloseFtdiDevice();
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_TRUE(Ftdi().Ring().Empty());
    EXPECT_EQ(Ftdi().Ring().WriteIndex(), 0);
}

TEST_F(FtdiPortTest, SerialPortAndBridgeAreNeverOpenTogether)
{
    Load();
    test::PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    link->SetPortName(pty.PortName());
    ASSERT_TRUE(link->OpenPort());
    // The bridge is not taken from under the open serial port.
    EXPECT_FALSE(Ftdi().OpenFtdiDevice());
    EXPECT_TRUE(Fake().Calls().empty());
    EXPECT_TRUE(link->IsOpen());
    link->ClosePort();

    ASSERT_TRUE(link->OpenLink(LinkKind::Ftdi));
    EXPECT_FALSE(link->OpenPort());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{pty.PortName() + "は使えません"});
    EXPECT_TRUE(Ftdi().IsFtdiOpen());
    Ftdi().CloseFtdiDevice();
    EXPECT_TRUE(link->OpenLink(LinkKind::Com));
    link->ClosePort();
}

TEST_F(FtdiPortTest, EntryPointsAreLookedUpInTheirFixedOrder)
{
    // Records the names asked for; missing from FT_GetQueueStatus on.
    class Asked : public test::FakeLibrary {
      public:
        Asked() : FakeLibrary({"FT_GetQueueStatus"}) {}
        d2xx::AnyFunction Find(const char* name) const override
        {
            names.push_back(name);
            return FakeLibrary::Find(name);
        }
        mutable std::vector<std::string> names;
    };
    auto library = std::make_shared<Asked>();
    DeviceLink order(ui, library);
    EXPECT_EQ(library->names,
              (std::vector<std::string>{"FT_Write", "FT_Read", "FT_Open", "FT_OpenEx",
                                        "FT_ListDevices", "FT_Close", "FT_ResetDevice", "FT_Purge",
                                        "FT_SetTimeouts", "FT_GetQueueStatus"}));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Can't Find FT_GetQueueStatus"});
    std::vector<std::string> all;
    for (std::size_t i = 0; i < d2xx::kEntryPointCount; ++i) {
        all.push_back(d2xx::EntryPoints::NameAt(i));
    }
    EXPECT_EQ(all, (std::vector<std::string>{
                       "FT_Write", "FT_Read", "FT_Open", "FT_OpenEx", "FT_ListDevices", "FT_Close",
                       "FT_ResetDevice", "FT_Purge", "FT_SetTimeouts", "FT_GetQueueStatus",
                       "FT_SetLatencyTimer", "FT_SetBaudRate", "FT_SetDivisor",
                       "FT_SetDataCharacteristics", "FT_SetUSBParameters", "FT_SetBitMode",
                       "FT_GetComPortNumber", "FT_CreateDeviceInfoList", "FT_GetDeviceInfoList"}));
}

TEST_F(FtdiPortTest, LoadMessagesWaitForAUserInterface)
{
    InstallD2xxLibrary(test::FakeD2xxLibrary({"FT_SetBitMode"}));
    {
        DeviceLink processWide;
        EXPECT_NE(processWide.FtdiPort().Library(), nullptr);
        processWide.SetUserInterface(ui);
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Can't Find FT_SetBitMode"});
        processWide.SetUserInterface(ui);  // said once only
        EXPECT_EQ(ui.Texts().size(), 1u);
    }
    InstallD2xxLibrary(nullptr);
}

}  // namespace
}  // namespace krv
