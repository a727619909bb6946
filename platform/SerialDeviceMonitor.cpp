#include "platform/SerialDeviceMonitor.h"

#include <libudev.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace krv {

struct SerialDeviceMonitor::Handles {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    ~Handles()
    {
        if (monitor) udev_monitor_unref(monitor);
        if (context) udev_unref(context);
    }
};

namespace {

// Only devices coming and going change the list; "change" and "bind" events of a tty that stays
// (line discipline, permissions) do not.
bool ChangesList(udev_device* device)
{
    const char* action = udev_device_get_action(device);
    if (!action) return true;
    const std::string_view text(action);
    return text == "add" || text == "remove";
}

std::string Reason(const char* what)
{
    const int code = errno;
    std::string text = what;
    if (code != 0) text += std::string(": ") + std::strerror(code);
    return text;
}

}  // namespace

SerialDeviceMonitor::SerialDeviceMonitor(std::unique_ptr<Handles> handles)
    : handles_(std::move(handles))
{
}

SerialDeviceMonitor::~SerialDeviceMonitor() = default;

std::unique_ptr<SerialDeviceMonitor> SerialDeviceMonitor::Open(std::string& error)
{
    auto handles = std::make_unique<Handles>();
    errno = 0;
    handles->context = udev_new();
    if (!handles->context) {
        error = Reason("cannot reach udev");
        return nullptr;
    }
    errno = 0;
    handles->monitor = udev_monitor_new_from_netlink(handles->context, "udev");
    if (!handles->monitor) {
        error = Reason("cannot open udev's netlink socket");
        return nullptr;
    }
    errno = 0;
    if (udev_monitor_filter_add_match_subsystem_devtype(handles->monitor, "tty", nullptr) < 0) {
        error = Reason("cannot filter udev events on serial devices");
        return nullptr;
    }
    errno = 0;
    if (udev_monitor_enable_receiving(handles->monitor) < 0) {
        error = Reason("cannot receive udev events");
        return nullptr;
    }
    if (udev_monitor_get_fd(handles->monitor) < 0) {
        error = "udev's monitor has no descriptor";
        return nullptr;
    }
    return std::unique_ptr<SerialDeviceMonitor>(new SerialDeviceMonitor(std::move(handles)));
}

int SerialDeviceMonitor::Fd() const
{
    return udev_monitor_get_fd(handles_->monitor);
}

bool SerialDeviceMonitor::TakeChanges()
{
    // The monitor's socket does not block: receiving ends with null once nothing is pending. A
    // burst (a hub with several bridges) is taken whole, so the list is read again once.
    bool changed = false;
    for (;;) {
        errno = 0;
        udev_device* device = udev_monitor_receive_device(handles_->monitor);
        if (!device) break;
        changed = ChangesList(device) || changed;
        udev_device_unref(device);
    }
    // The kernel drops events when the socket's buffer overflows (a hub of bridges plugged at
    // once while the panel was busy): what was lost is unknown, so the list is read again.
    return changed || errno == ENOBUFS;
}

}  // namespace krv
