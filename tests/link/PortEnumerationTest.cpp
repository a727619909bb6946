#include "link/PortEnumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>

#include "platform/SerialDevices.h"
#include "support/PtyPair.h"

namespace krv {
namespace {

TEST(PortNumber, IsTheDecimalNumberAtTheEndOfTheName)
{
    EXPECT_EQ(PortNumber("ttyUSB12"), 12);
    EXPECT_EQ(PortNumber("ttyUSB0"), 0);
    EXPECT_EQ(PortNumber("pts/3"), 3);
    EXPECT_EQ(PortNumber("ttyS007"), 7);
    EXPECT_EQ(PortNumber("/tmp/krv-port42"), 42);
}

TEST(PortNumber, IsZeroWithoutTrailingDigits)
{
    EXPECT_EQ(PortNumber(""), 0);
    EXPECT_EQ(PortNumber("ttyUSB"), 0);
    EXPECT_EQ(PortNumber("tty1a"), 0);
    EXPECT_EQ(PortNumber("/tmp/port"), 0);
}

TEST(PortNumber, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(PortNumber("tty2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(PortNumber("tty2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(PortNumber("tty99999999999999999999999"), std::numeric_limits<std::int32_t>::max());
}

TEST(PortNameFromPath, DropsTheDevFolder)
{
    EXPECT_EQ(PortNameFromPath("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("/dev/pts/3"), "pts/3");
    EXPECT_EQ(PortNameFromPath("/dev/serial/by-id/usb-Holvik"), "serial/by-id/usb-Holvik");
}

TEST(PortNameFromPath, KeepsOtherPathsAndBareNames)
{
    EXPECT_EQ(PortNameFromPath("/tmp/krv-unit"), "/tmp/krv-unit");
    EXPECT_EQ(PortNameFromPath("/devices/ttyX"), "/devices/ttyX");
    EXPECT_EQ(PortNameFromPath("ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("pts/3"), "pts/3");
    EXPECT_EQ(PortNameFromPath(""), "");
}

TEST(PortNameFromPath, SpellingsOfOnePortGiveOneName)
{
    EXPECT_EQ(PortNameFromPath("/dev//ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("/dev/./ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("/dev/ttyUSB0/"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("//dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortNameFromPath("/dev/../tmp/x"), "/tmp/x");
    EXPECT_EQ(PortNameFromPath("/dev/"), "/dev");
}

TEST(PortEntryText, RoundTripsTheName)
{
    const PortEntry entry{"Holvik KRV FT230X", "ttyUSB0", 0};
    EXPECT_EQ(PortEntryText(entry), "(ttyUSB0)  Holvik KRV FT230X");
    EXPECT_EQ(PortNameFromEntryText(PortEntryText(entry)), "ttyUSB0");

    const PortEntry pty{"", "pts/3", 3};
    EXPECT_EQ(PortEntryText(pty), "(pts/3)  ");
    EXPECT_EQ(PortNameFromEntryText(PortEntryText(pty)), "pts/3");
}

TEST(PortNameFromEntryText, TakesTheFirstClosingBracket)
{
    EXPECT_EQ(PortNameFromEntryText("(ttyS0)  16550A (on board)"), "ttyS0");
    EXPECT_EQ(PortNameFromEntryText("()  nothing"), "");
}

TEST(PortNameFromEntryText, IsEmptyForMalformedTexts)
{
    EXPECT_EQ(PortNameFromEntryText(""), "");
    EXPECT_EQ(PortNameFromEntryText("ttyUSB0"), "");
    EXPECT_EQ(PortNameFromEntryText(" (ttyUSB0)  x"), "");
    EXPECT_EQ(PortNameFromEntryText("(ttyUSB0  no bracket"), "");
}

std::vector<std::string> Names(const PortList& list)
{
    std::vector<std::string> names;
    for (const PortEntry& entry : list) names.push_back(entry.name);
    return names;
}

TEST(SortPortList, OrdersByNumberNotByText)
{
    PortList list{
        {"USB Serial", "ttyUSB10", 10}, {"USB Serial", "ttyUSB9", 9}, {"USB Serial", "ttyUSB1", 1}};
    SortPortList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"ttyUSB1", "ttyUSB9", "ttyUSB10"}));
}

TEST(SortPortList, EqualNumbersGoByDescriptionByteByByte)
{
    // "ポート" starts with byte 0xE3: after every ASCII text when bytes compare unsigned.
    PortList list{{"\xE3\x83\x9D\xE3\x83\xBC\xE3\x83\x88", "ttyACM4", 4},
                  {"b", "ttyS4", 4},
                  {"Z", "ttyUSB4", 4},
                  {"a", "rfcomm3", 3}};
    SortPortList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"rfcomm3", "ttyUSB4", "ttyS4", "ttyACM4"}));
}

TEST(SortPortList, EntriesWithoutNumberComeFirstAndTiesKeepTheirOrder)
{
    PortList list{{"same", "second", 0}, {"x", "ttyUSB1", 1}, {"same", "first", 0}};
    SortPortList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"second", "first", "ttyUSB1"}));
}

TEST(PortsDescribedAs, FindsTheBridgeByItsDescription)
{
    const PortList list{{"Holvik KRV FT230X", "ttyUSB0", 0},
                        {"FT232R USB UART", "ttyUSB1", 1},
                        {"Holvik KRV FT230X", "ttyUSB2", 2},
                        {"holvik krv ft230x", "ttyUSB3", 3}};
    const std::vector<PortEntry> found = PortsDescribedAs(list, "Holvik KRV FT230X");
    EXPECT_EQ(Names(found), (std::vector<std::string>{"ttyUSB0", "ttyUSB2"}));
    EXPECT_TRUE(PortsDescribedAs(list, "Holvik KRV FT230XS").empty());
}

bool IsOrdered(const PortList& list)
{
    return std::is_sorted(list.begin(), list.end(), [](const PortEntry& a, const PortEntry& b) {
        return a.number != b.number ? a.number < b.number : a.description < b.description;
    });
}

TEST(EnumeratePorts, AddsExtraPortsOnceAndSorts)
{
    test::PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    const std::vector<ExtraPort> extra{{pty.Path(), "Virtual KRV unit"},
                                       {pty.PortName(), "same pty again"},
                                       {"/tmp/krv-absent-port7", ""},
                                       {"", "no name at all"}};
    const PortList list = EnumeratePorts(extra);

    const std::vector<std::string> names = Names(list);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_TRUE(IsOrdered(list));
    EXPECT_EQ(std::count(names.begin(), names.end(), ""), 0);

    const auto pts = std::find(names.begin(), names.end(), pty.PortName());
    ASSERT_NE(pts, names.end());
    const PortEntry& virtualUnit = list[static_cast<std::size_t>(pts - names.begin())];
    EXPECT_EQ(virtualUnit.description, "Virtual KRV unit");
    EXPECT_EQ(virtualUnit.number, PortNumber(pty.PortName()));

    const auto absent = std::find(names.begin(), names.end(), "/tmp/krv-absent-port7");
    ASSERT_NE(absent, names.end());
    EXPECT_EQ(list[static_cast<std::size_t>(absent - names.begin())].number, 7);
    EXPECT_EQ(list[static_cast<std::size_t>(absent - names.begin())].description, "");

    EXPECT_EQ(list.size(), ListSerialDevices().size() + 2);
}

TEST(EnumeratePorts, AnExtraPortTheSystemListsKeepsTheSystemsEntry)
{
    const std::vector<SerialDevice> system = ListSerialDevices();
    if (system.empty()) GTEST_SKIP() << "this machine has no serial ports";
    const SerialDevice& device = system.front();
    const PortList list = EnumeratePorts({{"/dev/" + device.name, "given on the command line"}});
    const std::vector<std::string> names = Names(list);
    ASSERT_EQ(std::count(names.begin(), names.end(), device.name), 1);
    const auto it = std::find(names.begin(), names.end(), device.name);
    EXPECT_EQ(list[static_cast<std::size_t>(it - names.begin())].description, device.description);
    EXPECT_EQ(list.size(), system.size());
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

TEST(ComparePortLists, NamesWhatCameAndWhatWent)
{
    const PortEntry usb0{"Holvik KRV FT230X", "ttyUSB0", 0};
    const PortEntry usb1{"Other bridge", "ttyUSB1", 1};
    const PortEntry acm0{"Modem", "ttyACM0", 0};
    const PortEntry usb0Renamed{"FT230X Basic UART", "ttyUSB0", 0};
    struct Case {
        const char* what;
        PortList before;
        PortList after;
        PortList added;
        PortList removed;
    };
    const std::vector<Case> cases = {
        {"nothing changed", {usb0, usb1}, {usb0, usb1}, {}, {}},
        {"one plugged", {usb0}, {acm0, usb0}, {acm0}, {}},
        {"one unplugged", {usb0, usb1}, {usb1}, {}, {usb0}},
        {"from none", {}, {usb0, usb1}, {usb0, usb1}, {}},
        {"to none", {usb0, acm0}, {}, {}, {usb0, acm0}},
        {"same name, other device", {usb0}, {usb0Renamed}, {usb0Renamed}, {usb0}},
    };
    const auto texts = [](const PortList& list) {
        std::vector<std::string> out;
        for (const PortEntry& e : list) out.push_back(PortEntryText(e));
        return out;
    };
    for (const Case& c : cases) {
        const PortListChanges changes = ComparePortLists(c.before, c.after);
        EXPECT_EQ(texts(changes.added), texts(c.added)) << c.what;
        EXPECT_EQ(texts(changes.removed), texts(c.removed)) << c.what;
        EXPECT_EQ(changes.Empty(), c.added.empty() && c.removed.empty()) << c.what;
    }
}

}  // namespace
}  // namespace krv
