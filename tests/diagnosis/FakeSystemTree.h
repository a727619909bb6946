#pragma once

// The parts of /sys, /dev, /proc, /run and the udev rule folders that the diagnosis reads, laid
// out in a temporary folder as the kernel and udev lay them out for a plugged-in FT230X: USB
// device "1-1" with the bridge's identity, its interface 1-1:1.0 bound to ftdi_sio with serial
// device ttyUSB0 (188:0), the usb-serial latency timer, the USB device node
// dev/bus/usb/BBB/DDD, and dev/ttyUSB0 as a symbolic link to a real terminal (the virtual
// unit's pseudo-terminal), so that the firmware check really talks to a unit.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "diagnosis/Diagnosis.h"
#include "link/ftdi_emulation/EmulatedFt230x.h"

namespace krv::test {

class FakeSystemTree {
  public:
    // With `bridge`: that bridge plugged in, bound, and all well (rule installed, latency 1 ms,
    // port marked for ModemManager, nodes open to everyone). Without: no USB device at all.
    FakeSystemTree(const std::optional<Ft230xConfig>& bridge, std::string port,
                   const std::string& ruleText)
        : port_(std::move(port))
    {
        char pattern[] = "/tmp/krv-doctor-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) root_ = pattern;
        ::chmod(root_.c_str(), 0755);  // walked by nobody too
        for (const char* dir : {"sys/bus/usb/devices", "dev", "proc", "run/udev/data", "rules"}) {
            std::filesystem::create_directories(root_ / dir);
        }
        InstallRule(ruleText);
        if (bridge) {
            AddUsbDevice("1-1", *bridge);
            const auto iface = root_ / "sys/bus/usb/devices/1-1/1-1:1.0";
            std::filesystem::create_directories(iface / "ttyUSB0");
            std::filesystem::create_directory_symlink("../../../../../bus/usb/drivers/ftdi_sio",
                                                      iface / "driver");
            std::filesystem::create_directories(root_ / "sys/bus/usb-serial/devices");
            std::filesystem::create_directory_symlink(iface / "ttyUSB0",
                                                      root_ / "sys/bus/usb-serial/devices/ttyUSB0");
            Write("sys/class/tty/ttyUSB0/dev", "188:0\n");
            SetLatency("1");
            Write("run/udev/data/c188:0", "E:ID_VENDOR_ID=0403\nE:ID_MM_DEVICE_IGNORE=1\n");
            char node[32];
            std::snprintf(node, sizeof node, "dev/bus/usb/%03u/%03u", bridge->busNumber,
                          bridge->deviceAddress);
            usbNode_ = root_ / node;
            Write(node, "");
            ::chmod(usbNode_.c_str(), 0666);
            RestorePort();
        }
    }
    ~FakeSystemTree()
    {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    FakeSystemTree(const FakeSystemTree&) = delete;
    FakeSystemTree& operator=(const FakeSystemTree&) = delete;

    SystemRoots Roots() const
    {
        return {root_ / "sys", root_ / "dev", root_ / "proc", root_ / "run", {root_ / "rules"}};
    }
    const std::filesystem::path& UsbNode() const { return usbNode_; }
    std::filesystem::path PortNode() const { return root_ / "dev/ttyUSB0"; }

    void Write(const std::string& relative, const std::string& text)
    {
        const auto path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    // A USB device folder with the attributes the kernel gives an FT230X.
    void AddUsbDevice(const std::string& name, const Ft230xConfig& bridge)
    {
        const std::string dir = "sys/bus/usb/devices/" + name + "/";
        Write(dir + "idVendor", "0403\n");
        Write(dir + "idProduct", "6015\n");
        Write(dir + "product", bridge.product + "\n");
        Write(dir + "serial", bridge.serialNumber + "\n");
        Write(dir + "busnum", std::to_string(bridge.busNumber) + "\n");
        Write(dir + "devnum", std::to_string(bridge.deviceAddress) + "\n");
    }
    // The interface without ftdi_sio, hence without serial device.
    void UnbindDriver()
    {
        const auto iface = root_ / "sys/bus/usb/devices/1-1/1-1:1.0";
        std::filesystem::remove(iface / "driver");
        std::filesystem::remove_all(iface / "ttyUSB0");
        RemovePort();
    }
    void SetLatency(const std::string& text)
    {
        Write("sys/bus/usb/devices/1-1/1-1:1.0/ttyUSB0/latency_timer", text + "\n");
    }
    void InstallRule(const std::string& text) { Write("rules/70-krv-generator.rules", text); }
    void RemoveRule() { std::filesystem::remove(root_ / "rules/70-krv-generator.rules"); }
    void ForgetUdevData() { std::filesystem::remove(root_ / "run/udev/data/c188:0"); }
    // A process with the name `comm`, and with `openFile` open on descriptor 3 when given.
    void AddProcess(int pid, const std::string& comm, const std::string& openFile = {})
    {
        const std::string dir = "proc/" + std::to_string(pid);
        Write(dir + "/comm", comm + "\n");
        std::filesystem::create_directories(root_ / dir / "fd");
        if (!openFile.empty()) std::filesystem::create_symlink(openFile, root_ / dir / "fd/3");
    }
    // The serial device node going and coming, as udev removes and adds it.
    void RemovePort()
    {
        std::error_code error;
        std::filesystem::remove(PortNode(), error);
    }
    void RestorePort()
    {
        std::error_code error;
        std::filesystem::create_symlink(port_, PortNode(), error);
    }

  private:
    std::filesystem::path root_;
    std::string port_;
    std::filesystem::path usbNode_;
};

}  // namespace krv::test
