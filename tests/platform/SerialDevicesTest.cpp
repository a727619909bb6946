#include "platform/SerialDevices.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/SerialDeviceMonitor.h"
#include "support/PtyPair.h"

// The machine may have no serial ports at all; these tests check the list against what sysfs
// itself shows, whatever that is.

namespace krv {
namespace {

namespace fs = std::filesystem;

const fs::path kTtyClass = "/sys/class/tty";

fs::path SysfsOf(std::string name)
{
    std::replace(name.begin(), name.end(), '/', '!');
    return kTtyClass / name;
}

// The UART type the serial core shows for a tty, when it is one of its ports.
std::optional<std::string> UartType(const fs::path& tty)
{
    std::ifstream in(tty / "type");
    std::string type;
    if (!in || !std::getline(in, type)) return std::nullopt;
    return type;
}

bool Contains(const std::vector<SerialDevice>& devices, const std::string& name)
{
    return std::any_of(devices.begin(), devices.end(),
                       [&](const SerialDevice& device) { return device.name == name; });
}

TEST(ListSerialDevices, ListsOnlyTtysWithUsableHardwareOnce)
{
    const std::vector<SerialDevice> devices = ListSerialDevices();
    std::set<std::string> seen;
    for (const SerialDevice& device : devices) {
        SCOPED_TRACE(device.name);
        ASSERT_FALSE(device.name.empty());
        EXPECT_TRUE(seen.insert(device.name).second) << "listed twice";
        EXPECT_NE(device.name.rfind("pts/", 0), 0u);
        EXPECT_NE(device.name.front(), '/');
        EXPECT_TRUE(fs::exists(SysfsOf(device.name) / "device")) << "no hardware behind it";
        EXPECT_NE(UartType(SysfsOf(device.name)).value_or("unknown"), "0")
            << "a UART the driver does not know";
        EXPECT_EQ(device.description.find('\n'), std::string::npos);
    }
}

TEST(ListSerialDevices, LeavesOutNothingThatHasUsableHardware)
{
    std::error_code error;
    const std::vector<SerialDevice> devices = ListSerialDevices();
    for (const fs::directory_entry& entry : fs::directory_iterator(kTtyClass, error)) {
        if (!fs::exists(entry.path() / "device")) continue;
        if (UartType(entry.path()) == "0") continue;
        std::string name = entry.path().filename().string();
        std::replace(name.begin(), name.end(), '!', '/');
        EXPECT_TRUE(Contains(devices, name)) << name;
    }
}

TEST(ListSerialDevices, NeverListsConsolesOrPseudoTerminals)
{
    test::PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    const std::vector<SerialDevice> devices = ListSerialDevices();
    for (const char* name : {"tty", "tty0", "tty1", "console", "ptmx"}) {
        EXPECT_FALSE(Contains(devices, name)) << name;
    }
    EXPECT_FALSE(Contains(devices, pty.PortName()));
}

TEST(DescribeSerialDevice, AgreesWithTheList)
{
    for (const SerialDevice& device : ListSerialDevices()) {
        SCOPED_TRACE(device.name);
        EXPECT_EQ(DescribeSerialDevice(device.name), device.description);
        if (fs::exists("/dev/" + device.name)) {
            EXPECT_EQ(DescribeSerialDevice("/dev/" + device.name), device.description);
        }
    }
}

TEST(DescribeSerialDevice, IsEmptyForWhatIsNoSerialHardware)
{
    test::PtyPair pty;
    ASSERT_TRUE(pty.Valid());
    for (const std::string name :
         {"", ".", "..", "../..", "../../devices", "no-such-tty", "tty1", "console", "ptmx",
          "/dev/null", "/nonexistent/ttyUSB0", "/sys/class/tty/ttyS0", "pts/0"}) {
        EXPECT_EQ(DescribeSerialDevice(name), "") << name;
    }
    EXPECT_EQ(DescribeSerialDevice(pty.PortName()), "");
    EXPECT_EQ(DescribeSerialDevice(pty.Path()), "");
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

// Containers often have no udev daemon or no netlink: the monitor then either opens and stays
// silent or refuses with a reason, and never blocks the caller.
TEST(SerialDeviceMonitor, OpensOrSaysWhyAndNeverBlocks)
{
    std::string error;
    const std::unique_ptr<SerialDeviceMonitor> monitor = SerialDeviceMonitor::Open(error);
    if (!monitor) {
        EXPECT_FALSE(error.empty());
        GTEST_SKIP() << "udev monitor unavailable here: " << error;
    }
    EXPECT_GE(monitor->Fd(), 0);
    const int flags = ::fcntl(monitor->Fd(), F_GETFL);
    EXPECT_NE(flags & O_NONBLOCK, 0);
    // Nothing pending (or unrelated events only on a busy machine): returns at once either way.
    monitor->TakeChanges();
    EXPECT_FALSE(monitor->TakeChanges());
}

}  // namespace
}  // namespace krv
