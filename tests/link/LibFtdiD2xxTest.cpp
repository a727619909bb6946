// The built-in provider of the D2XX calls over libftdi1, against a fake of the libftdi calls it
// makes: the fake records every call and its order. No USB device is involved.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "link/LibFtdiD2xx.h"
#include "protocol/Identification.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

struct FakeFtdi {
    struct Device {
        std::string serial;
        std::string description;
    };
    std::vector<std::string> calls;
    std::vector<std::unique_ptr<ftdi_context>> contexts;
    std::map<const ftdi_context*, int> names;
    std::vector<std::unique_ptr<ftdi_device_list>> nodes;
    std::vector<Device> devices;
    std::deque<std::string> reads;  // one chunk per ftdi_read_data; "<ERR>" fails the read
    std::string written;
    int openResult = 0;
    int freed = 0;
    int detachModeAtOpen = -1;
    bool answerVersion = false;

    std::string Name(const ftdi_context* ftdi) { return "ctx" + std::to_string(names[ftdi]); }
};

FakeFtdi* fake = nullptr;

std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : ",") + p;
    return text;
}

void Record(const std::string& name, std::initializer_list<std::string> args)
{
    fake->calls.push_back(name + "(" + Join(args) + ")");
}

ftdi_context* New()
{
    auto ftdi = std::make_unique<ftdi_context>();
    ftdi->usb_read_timeout = 5000;
    ftdi->usb_write_timeout = 5000;
    ftdi_context* raw = ftdi.get();
    fake->contexts.push_back(std::move(ftdi));
    fake->names[raw] = static_cast<int>(fake->contexts.size());
    Record("New", {fake->Name(raw)});
    return raw;
}
void Free(ftdi_context* ftdi)
{
    Record("Free", {fake->Name(ftdi)});
    ++fake->freed;
}
int OpenDesc(ftdi_context* ftdi, int vendor, int product, const char* description,
             const char* serial)
{
    Record("OpenDesc", {fake->Name(ftdi), std::to_string(vendor), std::to_string(product),
                        description ? description : "null", serial ? serial : "null"});
    fake->detachModeAtOpen = ftdi->module_detach_mode;
    return fake->openResult;
}
int Close(ftdi_context* ftdi)
{
    Record("Close", {fake->Name(ftdi)});
    return 0;
}
int Reset(ftdi_context* ftdi)
{
    Record("Reset", {fake->Name(ftdi)});
    return 0;
}
int FlushRx(ftdi_context* ftdi)
{
    Record("FlushRx", {fake->Name(ftdi)});
    return 0;
}
int FlushTx(ftdi_context* ftdi)
{
    Record("FlushTx", {fake->Name(ftdi)});
    return 0;
}
int SetBaudrate(ftdi_context* ftdi, int rate)
{
    // libftdi would multiply the rate by four while bit-bang is on.
    Record("SetBaudrate", {fake->Name(ftdi), std::to_string(rate),
                           "bitbang=" + std::to_string(ftdi->bitbang_enabled)});
    return 0;
}
int SetLineProperty(ftdi_context* ftdi, ftdi_bits_type bits, ftdi_stopbits_type stop,
                    ftdi_parity_type parity)
{
    Record("SetLineProperty",
           {fake->Name(ftdi), std::to_string(bits), std::to_string(stop), std::to_string(parity)});
    return 0;
}
int SetBitmode(ftdi_context* ftdi, unsigned char mask, unsigned char mode)
{
    Record("SetBitmode", {fake->Name(ftdi), std::to_string(mask), std::to_string(mode)});
    ftdi->bitbang_enabled = mode == BITMODE_RESET ? 0 : 1;
    return 0;
}
int SetLatencyTimer(ftdi_context* ftdi, unsigned char ms)
{
    Record("SetLatencyTimer", {fake->Name(ftdi), std::to_string(ms)});
    return 0;
}
int ReadData(ftdi_context*, unsigned char* buffer, int size)
{
    if (fake->reads.empty()) return 0;
    std::string chunk = fake->reads.front();
    fake->reads.pop_front();
    if (chunk == "<ERR>") return -1;
    if (static_cast<int>(chunk.size()) > size) {
        fake->reads.push_front(chunk.substr(static_cast<std::size_t>(size)));
        chunk.resize(static_cast<std::size_t>(size));
    }
    std::memcpy(buffer, chunk.data(), chunk.size());
    return static_cast<int>(chunk.size());
}
int WriteData(ftdi_context* ftdi, const unsigned char* buffer, int size)
{
    Record("WriteData", {fake->Name(ftdi), std::to_string(size)});
    fake->written.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    if (fake->answerVersion && fake->written.ends_with("VER\r\n")) {
        fake->reads.push_back("VER02");
        fake->reads.push_back(".000\r\n");
    }
    return size;
}
int FindAll(ftdi_context* ftdi, ftdi_device_list** list, int vendor, int product)
{
    Record("FindAll", {fake->Name(ftdi), std::to_string(vendor), std::to_string(product)});
    ftdi_device_list* head = nullptr;
    for (std::size_t i = fake->devices.size(); i-- > 0;) {
        auto node = std::make_unique<ftdi_device_list>();
        node->next = head;
        node->dev = reinterpret_cast<libusb_device*>(i + 1);
        head = node.get();
        fake->nodes.push_back(std::move(node));
    }
    *list = head;
    return static_cast<int>(fake->devices.size());
}
void ListFree(ftdi_device_list** list)
{
    Record("ListFree", {});
    *list = nullptr;
}
// Like libusb's string reads: at most size - 1 characters and a NUL.
void Put(const std::string& text, char* out, int size)
{
    if (out == nullptr || size <= 0) return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}
int GetStrings(ftdi_context* ftdi, libusb_device* device, char*, int, char* description,
               int descriptionSize, char* serial, int serialSize)
{
    const auto index = reinterpret_cast<std::uintptr_t>(device) - 1;
    Record("GetStrings", {fake->Name(ftdi), "dev" + std::to_string(index),
                          description ? "description" : "serial"});
    if (fake->devices[index].serial == "<NO ACCESS>") {
        Put("garbage", description, descriptionSize);
        Put("garbage", serial, serialSize);
        return -4;
    }
    Put(fake->devices[index].description, description, descriptionSize);
    Put(fake->devices[index].serial, serial, serialSize);
    return 0;
}

const LibFtdiCalls kFakeCalls = {
    &New,       &Free,        &OpenDesc,        &Close,      &Reset,           &FlushRx,
    &FlushTx,   &SetBaudrate, &SetLineProperty, &SetBitmode, &SetLatencyTimer, &ReadData,
    &WriteData, &FindAll,     &ListFree,        &GetStrings};

class LibFtdiD2xxTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        fake = &state;
        real = UseLibFtdiCalls(kFakeCalls);
        link = std::make_unique<DeviceLink>(ui, LibFtdiD2xxLibrary());
    }
    void TearDown() override
    {
        link.reset();
        UseLibFtdiCalls(real);
        fake = nullptr;
    }
    std::vector<std::string> CallsFrom(std::size_t first) const
    {
        return {state.calls.begin() + static_cast<std::ptrdiff_t>(first), state.calls.end()};
    }
    CFtdiPort& Ftdi() { return link->FtdiPort(); }

    FakeFtdi state;
    LibFtdiCalls real{};
    test::RecordingUi ui;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(LibFtdiD2xxTest, OpenDrivesLibftdiInTheOrderTheBridgeNeeds)
{
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    EXPECT_EQ(state.calls,
              (std::vector<std::string>{
                  "New(ctx1)", "OpenDesc(ctx1,1027,24597,Holvik KRV FT230X,null)", "Reset(ctx1)",
                  "FlushRx(ctx1)", "SetBitmode(ctx1,0,0)", "SetLatencyTimer(ctx1,5)",
                  "SetBaudrate(ctx1,19200,bitbang=0)", "SetLineProperty(ctx1,8,0,0)"}));
    // The serial driver is given the bridge back when it is closed.
    EXPECT_EQ(state.detachModeAtOpen, AUTO_DETACH_REATACH_SIO_MODULE);
    // A USB transfer may take longer than the 5 ms read time-out, which FT_Read keeps itself.
    EXPECT_GE(state.contexts[0]->usb_read_timeout, 5);
    EXPECT_LE(state.contexts[0]->usb_read_timeout, 5000);
    EXPECT_TRUE(ui.Texts().empty());

    // The restart pulse, and 1000000 baud set while a CBUS bit mode is on: the rate is not
    // multiplied, and the bit mode stays on.
    std::size_t mark = state.calls.size();
    Ftdi().SetFtdiBitMode();
    EXPECT_EQ(CallsFrom(mark),
              (std::vector<std::string>{"SetBitmode(ctx1,49,32)", "SetBitmode(ctx1,48,32)",
                                        "SetBitmode(ctx1,0,0)"}));
    Ftdi().SetBitMode(0x32, 0x20);
    mark = state.calls.size();
    Ftdi().SetFtdiLine(1000000);
    Ftdi().SetFtdiLine(19200);
    EXPECT_EQ(CallsFrom(mark),
              (std::vector<std::string>{
                  "SetBaudrate(ctx1,1000000,bitbang=0)", "SetLineProperty(ctx1,8,0,0)",
                  "SetBaudrate(ctx1,19200,bitbang=0)", "SetLineProperty(ctx1,8,0,0)"}));
    EXPECT_EQ(state.contexts[0]->bitbang_enabled, 1);

    mark = state.calls.size();
    Ftdi().CloseFtdiDevice();
    EXPECT_EQ(CallsFrom(mark), (std::vector<std::string>{"Close(ctx1)", "Free(ctx1)"}));
    EXPECT_EQ(state.freed, 1);
}

TEST_F(LibFtdiD2xxTest, AFailedOpenFreesItsContext)
{
    for (const int result : {-3, -5, -8}) {
        state.calls.clear();
        state.openResult = result;
        EXPECT_FALSE(Ftdi().OpenFtdiDevice()) << result;
        EXPECT_FALSE(Ftdi().IsFtdiOpen());
        ASSERT_EQ(state.calls.size(), 3u);
        EXPECT_EQ(state.calls[2], "Free(" + state.Name(state.contexts.back().get()) + ")");
    }
    EXPECT_EQ(state.freed, 3);
    EXPECT_TRUE(ui.Texts().empty());
}

TEST_F(LibFtdiD2xxTest, ListingUsesAContextOfItsOwnPerQuestion)
{
    state.devices = {{"KR2A0001", "Holvik KRV FT230X"},
                     {"KR2A0002", "FT230X Basic UART"},
                     {std::string(80, 'S'), std::string(80, 'D')},
                     {"<NO ACCESS>", ""},
                     {"KR1A0004", "Holvik KRV FT230X"}};
    ASSERT_TRUE(Ftdi().OpenFtdiDevice());
    const std::size_t mark = state.calls.size();
    EXPECT_EQ(Ftdi().ListFtdiDevices(), 2);
    EXPECT_EQ(Ftdi().CurrentUnit().serialNumber, "KR1A0004");
    EXPECT_EQ(Ftdi().DeviceEntry(1).description, "FT230X Basic UART");
    EXPECT_EQ(Ftdi().DeviceEntry(2).serialNumber, std::string(63, 'S'));
    EXPECT_EQ(Ftdi().DeviceEntry(2).description, std::string(63, 'D'));
    // A device whose strings cannot be read is listed without them; the listing goes on.
    EXPECT_TRUE(Ftdi().DeviceEntry(3).found);
    EXPECT_EQ(Ftdi().DeviceEntry(3).serialNumber, "");
    EXPECT_FALSE(Ftdi().DeviceEntry(5).found);

    const std::vector<std::string> calls = CallsFrom(mark);
    // The open device is closed first; then every question gets a fresh context, searched for
    // every FTDI product, and freed with its list.
    ASSERT_GE(calls.size(), 7u);
    EXPECT_EQ(calls[0], "Close(ctx1)");
    EXPECT_EQ(calls[1], "Free(ctx1)");
    EXPECT_EQ(
        std::vector<std::string>(calls.begin() + 2, calls.begin() + 7),
        (std::vector<std::string>{"New(ctx2)", "FindAll(ctx2,0,0)", "GetStrings(ctx2,dev0,serial)",
                                  "ListFree()", "Free(ctx2)"}));
    // Five devices asked twice each, and the sixth index once.
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.starts_with("New("); }),
              11);
    EXPECT_EQ(state.freed, static_cast<int>(state.contexts.size()));
    EXPECT_EQ(calls.back(), "Free(ctx12)");
}

TEST_F(LibFtdiD2xxTest, AVersionExchangeRunsOverLibftdi)
{
    state.answerVersion = true;
    std::string version;
    ASSERT_TRUE(QueryVersion(*link, LinkKind::Ftdi, version));
    EXPECT_EQ(version, "020000");
    EXPECT_EQ(state.written, "VER\r\n");

    // A failing read delivers nothing and breaks nothing; the next one carries on.
    state.reads = {"<ERR>", "OK\r\n"};
    EXPECT_EQ(link->ReadLine(LinkKind::Ftdi), kNoLine);
    EXPECT_EQ(link->ReadLine(LinkKind::Ftdi), kLineComplete);
    EXPECT_EQ(link->ReplyLine(), "OK\r\n");
    // Silence: the read gives up at its deadline.
    EXPECT_EQ(link->ReadLine(LinkKind::Ftdi), kNoLine);
}

}  // namespace
}  // namespace krv
