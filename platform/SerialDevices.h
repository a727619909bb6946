#pragma once

#include <string>
#include <vector>

namespace krv {

// One serial port the system knows of.
struct SerialDevice {
    std::string name;         // relative to /dev, e.g. "ttyUSB0"
    std::string description;  // what udev knows of the hardware, e.g. "Holvik KRV FT230X"
};

// The serial ports of the system that are backed by a device: USB bridges, modems and on-board
// UARTs that are really there. Virtual consoles and pseudo-terminals are never listed. Returns an
// empty list when udev cannot be reached. Quick enough to call at start-up; never sleeps.
std::vector<SerialDevice> ListSerialDevices();

// The description ListSerialDevices gives the device `name` (relative to /dev, or an absolute
// path); empty when the device is unknown or nothing describes it.
std::string DescribeSerialDevice(const std::string& name);
// The serial number of the USB device behind the serial port `name`; empty when it has none.
std::string SerialNumberOfSerialDevice(const std::string& name);
// The serial port (relative to /dev) of the USB device with serial number `serialNumber`; empty
// when none is plugged in.
std::string FindSerialDeviceBySerialNumber(const std::string& serialNumber);

}  // namespace krv
