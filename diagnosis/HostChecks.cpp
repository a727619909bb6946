// The checks of the machine: the bridge on USB, its driver, access, udev, ModemManager and the
// programs holding the port.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "diagnosis/Doctor.h"
#include "diagnosis/SystemFiles.h"
#include "link/FtdiPort.h"

namespace krv::diagnosis {

bool IsUnit(const UsbDevice& device)
{
    return device.product == CFtdiPort::kUnitDescription &&
           device.serial.starts_with(CFtdiPort::kUnitSerialPrefix);
}

std::string Describe(const UsbDevice& device)
{
    std::string text = "bus " + std::to_string(device.bus) + " device " +
                       std::to_string(device.address) + ", product \"" + Printable(device.product) +
                       "\", serial number \"" + Printable(device.serial) + "\"";
    return text;
}

void Set(Finding& finding, Verdict verdict, std::string detail, std::string advice)
{
    finding.verdict = verdict;
    finding.detail = std::move(detail);
    finding.advice = std::move(advice);
}

std::optional<fs::path> Doctor::PortPath() const
{
    if (!options_.port.empty()) {
        if (options_.port.front() == '/') return fs::path(options_.port);
        return Roots().dev / options_.port;
    }
    if (!tty_.empty()) return Roots().dev / tty_;
    return std::nullopt;
}

// Whether the port to check is the one this program has open on its link (its own lock would
// look like another program's).
bool Doctor::LinkHoldsPort() const
{
    const auto path = PortPath();
    if (!link_.IsOpen() || !path) return false;
    std::error_code error;
    const fs::path ours = fs::weakly_canonical(CCommPort::DevicePath(link_.PortName()), error);
    return !error && ours == fs::weakly_canonical(*path, error) && !error;
}

void Doctor::Usb(Finding& f)
{
    const fs::path devices = Roots().sys / "bus/usb/devices";
    std::vector<UsbDevice> units;
    std::vector<UsbDevice> others;
    for (const fs::path& dir : ListFolder(devices)) {
        const std::string name = dir.filename().string();
        if (name.find(':') != std::string::npos) continue;  // an interface
        const auto vendor = ReadAttribute(dir / "idVendor");
        const auto product = ReadAttribute(dir / "idProduct");
        if (!vendor || !product || ParseNumber(*vendor, 16, 0, 0xFFFF) != kFtdiVendor ||
            ParseNumber(*product, 16, 0, 0xFFFF) != kFt230x) {
            continue;
        }
        UsbDevice device;
        device.dir = dir;
        device.name = name;
        device.product = ReadAttribute(dir / "product").value_or("");
        device.serial = ReadAttribute(dir / "serial").value_or("");
        device.bus =
            ParseNumber(ReadAttribute(dir / "busnum").value_or(""), 10, 1, 999).value_or(-1);
        device.address =
            ParseNumber(ReadAttribute(dir / "devnum").value_or(""), 10, 1, 999).value_or(-1);
        (IsUnit(device) ? units : others).push_back(device);
    }
    std::string otherText;
    for (const UsbDevice& d : others) {
        otherText += "\nAn FT230X (USB 0403:6015) that is not a unit: " + Describe(d) +
                     " (a unit's bridge has the product string \"" + CFtdiPort::kUnitDescription +
                     "\" and a serial number beginning with \"" + CFtdiPort::kUnitSerialPrefix +
                     "\").";
    }
    if (units.size() == 1) {
        bridge_ = units.front();
        Set(f, Verdict::Ok, "USB 0403:6015 at " + Describe(units.front()) + otherText);
        if (bridge_->bus < 0 || bridge_->address < 0) {
            Set(f, Verdict::Warning,
                f.detail + "\nIts bus number or device address cannot be read from sysfs.",
                kReplug);
        }
        return;
    }
    if (units.size() > 1) {
        std::string text = std::to_string(units.size()) + " unit bridges on USB:";
        for (const UsbDevice& d : units) text += "\n" + Describe(d);
        Set(f, Verdict::Problem, text + otherText,
            "Connect only one unit: the program works with exactly one.");
        return;
    }
    if (!Exists(devices)) {
        Set(f, Verdict::Problem,
            "No USB devices can be seen (" + devices.string() + " is missing).",
            "Run this on the machine the unit is plugged into, not in a container without /sys.");
        return;
    }
    Set(f, Verdict::Problem,
        std::string("No unit bridge (USB 0403:6015, \"") + CFtdiPort::kUnitDescription +
            "\") on USB." + otherText,
        others.empty() ? "Plug the unit in with its USB cable and switch it on; lsusb should then "
                         "list 0403:6015."
                       : "If that FT230X is the unit, its bridge's EEPROM is not programmed as a "
                         "unit's; otherwise plug the unit in and switch it on.");
}

void Doctor::Driver(Finding& f)
{
    if (!bridge_) {
        Set(f, Verdict::NotChecked, "No single unit bridge to look at.");
        return;
    }
    std::vector<std::string> lines;
    bool bound = false;
    for (const fs::path& dir : ListFolder(bridge_->dir)) {
        const std::string name = dir.filename().string();
        if (!name.starts_with(bridge_->name + ":")) continue;
        const std::string driver = fs::path(LinkTarget(dir / "driver")).filename().string();
        if (driver.empty()) {
            lines.push_back("Interface " + Printable(name) + " has no driver bound.");
            continue;
        }
        if (driver != kSerialDriver) {
            lines.push_back("Interface " + Printable(name) + " is bound to " + Printable(driver) +
                            ", not " + kSerialDriver + ".");
            continue;
        }
        for (const fs::path& child : ListFolder(dir, 1000)) {
            const std::string childName = child.filename().string();
            const std::string number = childName.substr(std::min<std::size_t>(6, childName.size()));
            if (childName.starts_with("ttyUSB") && ParseNumber(number, 10, 0, 9999)) {
                tty_ = childName;
            }
        }
        bound = true;
        lines.push_back(std::string(kSerialDriver) + " is bound to interface " + Printable(name) +
                        (tty_.empty() ? ", but no serial device is listed under it."
                                      : "; its serial device is " + tty_ + "."));
    }
    std::string detail;
    for (const std::string& line : lines) detail += (detail.empty() ? "" : "\n") + line;
    if (bound && !tty_.empty()) {
        Set(f, Verdict::Ok, detail);
    } else if (bound) {
        Set(f, Verdict::Problem, detail, kReplug);
    } else {
        Set(f, Verdict::Problem, detail.empty() ? "The bridge has no interfaces listed." : detail,
            "A program may hold the bridge through libftdi (a firmware update or a restart in "
            "progress): wait for it to end. Otherwise load the driver with sudo modprobe " +
                std::string(kSerialDriver) + ", then unplug the unit and plug it in again.");
    }
}

void Doctor::SerialAccess(Finding& f)
{
    const auto path = PortPath();
    if (!path) {
        Set(f, Verdict::NotChecked, "No serial device to check.");
        return;
    }
    if (!Exists(*path)) {
        Set(f, Verdict::Problem, path->string() + " does not exist.", kReplug);
        return;
    }
    const bool serialAccess = diagnosis::MayReadWrite(*path);
    const auto owner = diagnosis::Ownership(*path);
    const std::string ownerText = owner ? " (" + owner->text + ")" : "";
    if (serialAccess) {
        Set(f, Verdict::Ok,
            "User " + diagnosis::UserName() + " may read and write " + path->string() + ownerText +
                ".");
        return;
    }
    accessDenied_ = true;
    const std::string group = owner ? owner->group : "dialout";
    Set(f, Verdict::Problem,
        "User " + diagnosis::UserName() + " may not read and write " + path->string() + ownerText +
            ".",
        "Either add the user to the device's group " + group + ": sudo usermod -aG " + group +
            " $USER, then log out and in again; or, for the user logged in at the machine, "
            "install the program's udev rule (it gives the seat's user access, uaccess).");
}

void Doctor::UsbAccess(Finding& f)
{
    if (!bridge_ || bridge_->bus < 0 || bridge_->address < 0) {
        Set(f, Verdict::NotChecked, "No single unit bridge with a known bus and address.");
        return;
    }
    char node[48];
    std::snprintf(node, sizeof node, "%03ld/%03ld", bridge_->bus, bridge_->address);
    const fs::path path = Roots().dev / "bus/usb" / node;
    if (!Exists(path)) {
        Set(f, Verdict::Problem, path.string() + " does not exist.", kReplug);
        return;
    }
    usbAccess_ = diagnosis::MayReadWrite(path);
    const auto owner = diagnosis::Ownership(path);
    const std::string ownerText = owner ? " (" + owner->text + ")" : "";
    if (usbAccess_) {
        Set(f, Verdict::Ok,
            "User " + diagnosis::UserName() + " may read and write " + path.string() + ownerText +
                ".");
        return;
    }
    accessDenied_ = true;
    const std::string group = owner ? owner->group : "root";
    Set(f, Verdict::Problem,
        "User " + diagnosis::UserName() + " may not read and write " + path.string() + ownerText +
            ": restarts, boot mode and the EEPROM check need it.",
        "The program's udev rule gives the user logged in at the machine itself (not over ssh) "
        "access to it (uaccess). " +
            std::string(kInstallRule) +
            (group == "root" ? "" : " Members of the node's group " + group + " may use it too."));
}

void Doctor::UdevRule(Finding& f)
{
    for (const fs::path& dir : Roots().rulesDirs) {
        const fs::path ours = dir / kUdevRuleName;
        if (auto text = ReadBounded(ours, kRuleFileLimit)) {
            rule_ = ours;
            ruleIgnoresModem_ = text->find("ID_MM_DEVICE_IGNORE}=\"1\"") != std::string::npos;
            break;
        }
    }
    // A rule of the machine's own may name the unit's bridge in a file of another name.
    for (std::size_t d = 0; !rule_ && d < Roots().rulesDirs.size(); ++d) {
        for (const fs::path& file : ListFolder(Roots().rulesDirs[d], kRuleFilesPerFolder)) {
            if (file.extension() != ".rules") continue;
            const auto text = ReadBounded(file, kRuleFileLimit);
            if (!text || text->find("0403") == std::string::npos ||
                text->find("6015") == std::string::npos ||
                text->find(CFtdiPort::kUnitDescription) == std::string::npos) {
                continue;
            }
            rule_ = file;
            ruleIgnoresModem_ = text->find("ID_MM_DEVICE_IGNORE}=\"1\"") != std::string::npos;
            break;
        }
    }
    if (rule_) {
        Set(f, Verdict::Ok, "Installed: " + rule_->string() + ".");
        return;
    }
    std::string dirs;
    for (const fs::path& dir : Roots().rulesDirs) dirs += (dirs.empty() ? "" : ", ") + dir.string();
    Set(f, accessDenied_ ? Verdict::Problem : Verdict::Warning,
        std::string("No rule for the unit's bridge in ") + dirs +
            ": without it the user at the machine gets no access to the bridge, the latency "
            "timer stays at 16 ms and ModemManager may probe the port.",
        kInstallRule);
}

void Doctor::Latency(Finding& f)
{
    if (tty_.empty()) {
        Set(f, Verdict::NotChecked, "No serial device of the bridge to look at.");
        return;
    }
    const fs::path file = Roots().sys / "bus/usb-serial/devices" / tty_ / "latency_timer";
    const auto text = ReadAttribute(file);
    if (!text) {
        Set(f, Verdict::NotChecked, file.string() + " cannot be read.");
        return;
    }
    const auto ms = ParseNumber(*text, 10, 0, 255);
    if (!ms) {
        Set(f, Verdict::Warning, file.string() + " holds \"" + Printable(*text) + "\".", kReplug);
        return;
    }
    if (*ms == 1) {
        Set(f, Verdict::Ok, "1 ms.");
        return;
    }
    Set(f, Verdict::Warning,
        std::to_string(*ms) + " ms: the bridge holds short replies up to " + std::to_string(*ms) +
            " ms until the program opens the port and lowers it.",
        "The udev rule sets 1 ms when the unit is plugged in. " + std::string(kInstallRule));
}

void Doctor::ModemManager(Finding& f)
{
    bool readable = false;
    const auto processes = ListFolder(Roots().proc, 1000000, &readable);
    if (!readable) {
        Set(f, Verdict::NotChecked, Roots().proc.string() + " cannot be read.");
        return;
    }
    std::optional<std::string> pid;
    for (const fs::path& dir : processes) {
        const std::string name = dir.filename().string();
        if (!ParseNumber(name, 10, 1, 1L << 30)) continue;
        if (ReadAttribute(dir / "comm") == "ModemManager") {
            pid = name;
            break;
        }
    }
    if (!pid) {
        Set(f, Verdict::Ok, "ModemManager is not running.");
        return;
    }
    // udev's database says what the device carries; without it, what the rule would set.
    std::optional<bool> marked;
    std::string source;
    if (!tty_.empty()) {
        const auto numbers = ReadAttribute(Roots().sys / "class/tty" / tty_ / "dev");
        if (numbers && numbers->find('/') == std::string::npos && numbers->size() < 24) {
            const fs::path entry = Roots().run / "udev/data" / ("c" + *numbers);
            if (const auto db = ReadBounded(entry, 64 * 1024)) {
                marked = db->find("E:ID_MM_DEVICE_IGNORE=1\n") != std::string::npos ||
                         db->ends_with("E:ID_MM_DEVICE_IGNORE=1");
                source = "udev's entry " + entry.string();
            }
        }
    }
    if (!marked) {
        marked = rule_ && ruleIgnoresModem_;
        source = rule_ ? "the rule " + rule_->string() : "no udev rule";
    }
    if (*marked) {
        Set(f, Verdict::Ok,
            "ModemManager is running (pid " + *pid +
                "); the port is marked for it to leave "
                "alone (" +
                source + ").");
        return;
    }
    Set(f, Verdict::Problem,
        "ModemManager is running (pid " + *pid +
            ") and the port is not marked "
            "ID_MM_DEVICE_IGNORE (" +
            source +
            "): it probes the port with AT commands when the "
            "unit is plugged in.",
        std::string(kInstallRule) + " Or stop ModemManager: sudo systemctl stop ModemManager.");
}

void Doctor::Holders(Finding& f)
{
    const auto path = PortPath();
    if (!path || !Exists(*path)) {
        Set(f, Verdict::NotChecked, "No serial device to check.");
        return;
    }
    std::vector<std::string> found;
    const bool ours = LinkHoldsPort();
    std::string unprobed;
    if (!ours) {
        const int fd = ::open(path->c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        const int openError = fd < 0 ? errno : 0;
        if (fd < 0 && openError != EBUSY) {
            unprobed = std::string(" (Its lock could not be looked at: ") +
                       std::strerror(openError) + ".)";
        }
        if (openError == EBUSY) {
            found.push_back("The port is open in exclusive mode by another program.");
        } else if (fd >= 0) {
            int locked = 0;
            while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
            }
            if (locked != 0 && errno == EWOULDBLOCK) {
                found.push_back("The port is locked by another program (bremix2 or krvctl).");
            }
            ::close(fd);  // lets the probe's lock go
        }
    }
    // Processes with the device open, where /proc lets us see.
    std::error_code error;
    const std::string canonical = fs::canonical(*path, error).string();
    const std::string self = std::to_string(::getpid());
    std::size_t hidden = 0;
    for (const fs::path& dir : ListFolder(Roots().proc)) {
        const std::string pid = dir.filename().string();
        if (pid == self || !ParseNumber(pid, 10, 1, 1L << 30)) continue;
        bool readable = false;
        const auto fds = ListFolder(dir / "fd", kFdsPerProcess, &readable);
        if (!readable) {
            ++hidden;
            continue;
        }
        for (const fs::path& fdLink : fds) {
            const std::string target = LinkTarget(fdLink);
            if (!target.empty() && (target == path->string() || target == canonical)) {
                found.push_back("Process " + pid + " (" +
                                Printable(ReadAttribute(dir / "comm").value_or("?")) +
                                ") has it open.");
                break;
            }
        }
    }
    std::string detail;
    for (const std::string& line : found) detail += (detail.empty() ? "" : "\n") + line;
    held_ = !found.empty();
    if (held_) {
        Set(f, Verdict::Problem, path->string() + ":\n" + detail,
            "Close the other program (or end the named process) before connecting.");
        return;
    }
    std::string text = ours ? "Only this program holds " + path->string() + "."
                            : "No other program holds " + path->string() + "." + unprobed;
    if (hidden > 0) {
        text +=
            " (" + std::to_string(hidden) + " processes of other users could not be looked into.)";
    }
    Set(f, Verdict::Ok, text);
}

// The node comes first, udev's owner, mode and ACL a moment later: a user who could open the port
// before is waited for until the user can again.
}  // namespace krv::diagnosis
