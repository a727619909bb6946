// The checks that talk to the hardware: the bridge's EEPROM through libftdi1 and the unit's
// firmware over its port.

#include <fcntl.h>
#include <ftdi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "diagnosis/Doctor.h"
#include "diagnosis/SystemFiles.h"
#include "link/FtdiPort.h"
#include "protocol/Identification.h"

namespace krv::diagnosis {

bool Doctor::WaitForPort(const fs::path& path, bool accessible) const
{
    const auto deadline = std::chrono::steady_clock::now() + options_.portReturnBudget;
    for (;;) {
        if (Exists(path) && (!accessible || diagnosis::MayReadWrite(path))) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPortReturnNap);
    }
}

void Doctor::Eeprom(Finding& f)
{
    if (!bridge_) {
        Set(f, Verdict::NotChecked, "No single unit bridge to read.");
        return;
    }
    if (options_.linkInUse || link_.IsOpen()) {
        Set(f, Verdict::NotChecked,
            "Not read while this program holds the port: reading takes the bridge from the "
            "serial driver and cuts the port off. Disconnect and run the check again.");
        return;
    }
    if (held_) {
        Set(f, Verdict::NotChecked,
            "Not read while another program holds the port: reading would cut it off.");
        return;
    }
    if (!usbAccess_) {
        Set(f, Verdict::NotChecked, "Not read: no access to the bridge's USB device node.");
        return;
    }
    if (link_.FtdiPort().IsFtdiOpen()) {
        Set(f, Verdict::NotChecked, "Not read: this program has the bridge open.");
        return;
    }
    const std::optional<fs::path> port =
        tty_.empty() ? std::nullopt : std::optional<fs::path>(Roots().dev / tty_);
    const bool portThere = port && Exists(*port);
    const bool portAccessible = portThere && diagnosis::MayReadWrite(*port);

    ftdi_context* ftdi = ftdi_new();
    if (ftdi == nullptr) {
        Set(f, Verdict::NotChecked, "libftdi could not be set up.");
        return;
    }
    // Give the bridge back to the serial driver when done, so the port returns.
    ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    std::string failure;
    int functions[2] = {-1, -1};
    if (ftdi_usb_open_bus_addr(ftdi, static_cast<std::uint8_t>(bridge_->bus),
                               static_cast<std::uint8_t>(bridge_->address)) != 0) {
        failure = std::string("The bridge cannot be opened: ") + ftdi_get_error_string(ftdi);
        ftdi_free(ftdi);
        Set(f, Verdict::Warning, failure, kReplug);
        return;
    }
    if (ftdi_read_eeprom(ftdi) != 0 || ftdi_eeprom_decode(ftdi, 0) != 0) {
        failure = std::string("The EEPROM cannot be read: ") + ftdi_get_error_string(ftdi);
    } else if (ftdi_get_eeprom_value(ftdi, CBUS_FUNCTION_0, &functions[0]) != 0 ||
               ftdi_get_eeprom_value(ftdi, CBUS_FUNCTION_1, &functions[1]) != 0) {
        failure = "The CBUS functions cannot be read from the EEPROM.";
    }
    ftdi_usb_close(ftdi);
    ftdi_free(ftdi);

    std::string detail;
    Verdict verdict = Verdict::Ok;
    std::string advice;
    if (!failure.empty()) {
        verdict = Verdict::Warning;
        detail = failure;
    } else if (functions[0] == CBUSX_IOMODE && functions[1] == CBUSX_IOMODE) {
        detail = "CBUS0 and CBUS1 are in I/O mode (restart and boot lines).";
    } else {
        verdict = Verdict::Problem;
        detail = "CBUS0 function " + std::to_string(functions[0]) + ", CBUS1 function " +
                 std::to_string(functions[1]) + ", not I/O mode (" + std::to_string(CBUSX_IOMODE) +
                 "): restarts and boot-mode entry fail without a word.";
        advice =
            "The bridge's EEPROM must be programmed with CBUS0 and CBUS1 as GPIO (I/O mode), "
            "with FT_PROG or ftdi_eeprom; ask the unit's maker.";
    }
    if (portThere && !WaitForPort(*port, portAccessible)) {
        detail += "\n" + port->string() + " did not come back within " +
                  std::to_string(options_.portReturnBudget.count()) + " ms of reading.";
        verdict = Verdict::Problem;
        advice += (advice.empty() ? "" : " ") + std::string(kReplug);
    }
    Set(f, verdict, detail, advice);
}

void Doctor::Firmware(Finding& f)
{
    // Over the caller's open link when it holds the port; else on the port, opened here.
    const bool useOpenLink = link_.IsOpen() && (options_.linkInUse || options_.port.empty());
    const auto path = PortPath();
    if (!useOpenLink && !path) {
        Set(f, Verdict::NotChecked, "No serial device to ask the unit on.");
        return;
    }
    if (!useOpenLink && link_.FtdiPort().IsFtdiOpen()) {
        Set(f, Verdict::NotChecked, "Not asked: this program has the bridge open directly.");
        return;
    }
    const std::string where = useOpenLink ? link_.PortName() : path->string();
    std::string version;
    bool answered = false;
    if (useOpenLink) {
        answered = QueryVersion(link_, LinkKind::Com, version);
    } else {
        if (link_.IsOpen()) link_.ClosePort();
        const std::string before = link_.PortName();
        link_.SetPortName(path->string());
        SilentUserInterface quiet;
        if (!link_.CommPort().OpenPort(quiet)) {
            link_.SetPortName(before);
            Set(f, Verdict::Problem, where + " cannot be opened, so the unit was not asked.",
                "See the checks above (access, other programs).");
            return;
        }
        answered = QueryVersion(link_, LinkKind::Com, version);
        link_.ClosePort();
        link_.SetPortName(before);
    }
    if (!answered) {
        Set(f, Verdict::Problem, "The unit did not answer on " + where + ".",
            "Check that the unit is switched on; restart it (krvctl restart) or unplug it and "
            "plug it in again.");
        return;
    }
    if (VersionNumber(version) < VersionNumber(kRequiredFirmware)) {
        Set(f, Verdict::Warning,
            "Firmware " + Printable(version) + " on " + where + ", older than " +
                kRequiredFirmware + " that this program needs.",
            "Update the unit's firmware: krvctl firmware update FILE.cya.");
        return;
    }
    Set(f, Verdict::Ok, "Firmware " + Printable(version) + " on " + where + ".");
}
}  // namespace krv::diagnosis
