#include "platform/SerialDevices.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/UniqueFd.h"

namespace krv {

namespace {

namespace fs = std::filesystem;

struct UdevUnref {
    void operator()(udev* context) const { udev_unref(context); }
};
struct EnumerateUnref {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};
struct DeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevPtr = std::unique_ptr<udev, UdevUnref>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, EnumerateUnref>;
using DevicePtr = std::unique_ptr<udev_device, DeviceUnref>;

constexpr std::string_view kDevPrefix = "/dev/";
constexpr std::string_view kVirtualDevices = "/devices/virtual/";
const char* const kTtyClass = "/sys/class/tty";

std::string_view View(const char* text)
{
    return text ? std::string_view(text) : std::string_view();
}

bool IsBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Texts from sysfs end in a line feed, and a device may report anything in its strings: keep the
// text as it is (spaces included) but never let a control character reach the port list.
std::string CleanText(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string result(text);
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return result;
}

// Since Linux 6.5 the serial core puts "ctrl" and "port" devices of its own bus between a UART's
// tty and the hardware; they say nothing about the hardware itself.
bool IsSerialCoreGlue(udev_device* device)
{
    return View(udev_device_get_subsystem(device)) == "serial-base";
}

// The device that stands for the hardware behind a tty; null for virtual terminals.
udev_device* HardwareOf(udev_device* tty)
{
    udev_device* device = udev_device_get_parent(tty);
    while (device && IsSerialCoreGlue(device)) device = udev_device_get_parent(device);
    return device;
}

std::string DescribeTty(udev_device* tty, udev_device* hardware)
{
    // The bridge's own product string is what the user sees printed on the unit and what the
    // panel searches for, so it wins over anything the hardware database says.
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device")) {
        const std::string_view product = View(udev_device_get_sysattr_value(usb, "product"));
        if (!IsBlank(product)) return CleanText(product);
    }
    const std::string_view fromDatabase =
        View(udev_device_get_property_value(tty, "ID_MODEL_FROM_DATABASE"));
    if (!IsBlank(fromDatabase)) return CleanText(fromDatabase);
    // udev writes the model with '_' for every space.
    const std::string_view model = View(udev_device_get_property_value(tty, "ID_MODEL"));
    if (!IsBlank(model)) {
        std::string text = CleanText(model);
        std::replace(text.begin(), text.end(), '_', ' ');
        return text;
    }
    return CleanText(View(udev_device_get_driver(hardware)));
}

std::string NameOf(udev_device* tty)
{
    const std::string_view node = View(udev_device_get_devnode(tty));
    if (node.size() > kDevPrefix.size() && node.substr(0, kDevPrefix.size()) == kDevPrefix) {
        return std::string(node.substr(kDevPrefix.size()));
    }
    return std::string(View(udev_device_get_sysname(tty)));
}

enum class Presence { Present, Absent, Unknown };

Presence PresenceFromType(int type)
{
    return type == PORT_UNKNOWN ? Presence::Absent : Presence::Present;
}

// Every UART of the kernel's serial core shows its type in sysfs, readable by anyone. Reading it
// there spares opening the port, which would raise DTR and RTS on real hardware.
Presence PresenceFromSysfs(udev_device* tty)
{
    std::string_view text = View(udev_device_get_sysattr_value(tty, "type"));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    if (text.empty()) return Presence::Unknown;
    int type = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
    if (error != std::errc() || end != text.data() + text.size()) return Presence::Unknown;
    return PresenceFromType(type);
}

Presence PresenceFromDriver(const std::string& name)
{
    const std::string path = std::string(kDevPrefix) + name;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return Presence::Unknown;
    serial_struct info{};
    if (::ioctl(fd.Get(), TIOCGSERIAL, &info) != 0) return Presence::Unknown;
    return PresenceFromType(info.type);
}

// The 8250 driver registers ttyS0..ttyS31 on a platform device of its own whether or not there is
// a UART behind them; ports that firmware (ACPI, PnP, device tree) or a bus (PCI) describe are
// real.
bool IsLegacyPlaceholder(udev_device* tty, udev_device* hardware)
{
    if (View(udev_device_get_driver(hardware)) == "serial8250") return true;
    if (View(udev_device_get_sysname(hardware)) == "serial8250") return true;
    return View(udev_device_get_property_value(tty, "ID_PATH")).find("serial8250") !=
           std::string_view::npos;
}

// Machines register a fixed number of legacy UARTs whether or not there is hardware behind them;
// the driver reports the type of such a port as unknown and it cannot carry a byte. That holds for
// every UART of the serial core, not only for 8250 ones. USB and other ttys outside the serial
// core report an unknown type too, but work: they are never asked.
bool IsUartWithoutHardware(udev_device* tty, udev_device* hardware, const std::string& name)
{
    Presence presence = PresenceFromSysfs(tty);
    if (presence == Presence::Unknown) {
        // Only an old kernel lacks the sysfs attribute; ask the driver for legacy ports then.
        if (name.rfind("ttyS", 0) != 0) return false;
        presence = PresenceFromDriver(name);
    }
    if (presence == Presence::Unknown) return IsLegacyPlaceholder(tty, hardware);
    return presence == Presence::Absent;
}

// The sysfs paths of the ttys that may have hardware behind them, in name order. Terminals under
// devices/virtual (the 64 virtual consoles, /dev/tty, /dev/console, ptmx) never have; they are
// passed over by their link alone, because building a udev device for each of them (as a udev
// enumeration does) makes listing the ports ten times slower.
std::vector<std::string> CandidateTtys()
{
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::directory_iterator it(kTtyClass, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError && target.string().find(kVirtualDevices) != std::string::npos) continue;
        paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices()
{
    std::vector<SerialDevice> devices;
    const UdevPtr context(udev_new());
    if (!context) return devices;
    for (const std::string& syspath : CandidateTtys()) {
        // A device unplugged since the folder was read simply drops out.
        const DevicePtr tty(udev_device_new_from_syspath(context.get(), syspath.c_str()));
        if (!tty || View(udev_device_get_subsystem(tty.get())) != "tty") continue;
        udev_device* hardware = HardwareOf(tty.get());
        if (!hardware) continue;  // virtual consoles, /dev/tty, /dev/console, ptmx
        std::string name = NameOf(tty.get());
        if (name.empty()) continue;
        if (IsUartWithoutHardware(tty.get(), hardware, name)) continue;
        devices.push_back({std::move(name), DescribeTty(tty.get(), hardware)});
    }
    return devices;
}

namespace {

// The tty device `name` (relative to /dev, or an absolute path) stands for; null when none.
DevicePtr FindTty(udev* context, const std::string& name)
{
    DevicePtr tty;
    if (name.find('/') == std::string::npos && name != "." && name != "..") {
        tty.reset(udev_device_new_from_subsystem_sysname(context, "tty", name.c_str()));
    }
    if (!tty) {
        // Paths such as /dev/serial/by-id/... lead to the device through its device number.
        const std::string path = name.front() == '/' ? name : std::string(kDevPrefix) + name;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
            tty.reset(udev_device_new_from_devnum(context, 'c', info.st_rdev));
        }
    }
    if (tty && View(udev_device_get_subsystem(tty.get())) != "tty") tty.reset();
    return tty;
}

}  // namespace

std::string DescribeSerialDevice(const std::string& name)
{
    if (name.empty()) return {};
    const UdevPtr context(udev_new());
    if (!context) return {};
    const DevicePtr tty = FindTty(context.get(), name);
    if (!tty) return {};
    udev_device* hardware = HardwareOf(tty.get());
    if (!hardware) return {};
    return DescribeTty(tty.get(), hardware);
}

std::string SerialNumberOfSerialDevice(const std::string& name)
{
    if (name.empty()) return {};
    const UdevPtr context(udev_new());
    if (!context) return {};
    const DevicePtr tty = FindTty(context.get(), name);
    if (!tty) return {};
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
    if (!usb) return {};
    return CleanText(View(udev_device_get_sysattr_value(usb, "serial")));
}

std::string FindSerialDeviceBySerialNumber(const std::string& serialNumber)
{
    if (serialNumber.empty()) return {};
    for (const SerialDevice& device : ListSerialDevices()) {
        if (SerialNumberOfSerialDevice(device.name) == serialNumber) return device.name;
    }
    return {};
}

}  // namespace krv
