#pragma once

// The checks of Diagnose() and what they share; only the diagnosis layer includes this.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "diagnosis/Diagnosis.h"
#include "platform/Translate.h"

namespace krv::diagnosis {

namespace fs = std::filesystem;

inline constexpr long kFtdiVendor = 0x0403;
inline constexpr long kFt230x = 0x6015;
inline constexpr const char* kSerialDriver = "ftdi_sio";
// Advice given by several checks; shown with TrMarked("Diagnosis", ...).
inline constexpr const char* kReplug =
    KRV_TRANSLATE_NOOP("Diagnosis", "発生器の USB ケーブルを抜き、もう一度差し込んでください。");
inline constexpr const char* kInstallRule = KRV_TRANSLATE_NOOP(
    "Diagnosis",
    "プログラムの udev ルールを組み込んでください: sudo cp 70-krv-generator.rules "
    "/etc/udev/rules.d/ && sudo udevadm control --reload-rules (ファイルはプログラムに付いて"
    "います。ソースでは packaging/ の中です)。その後、発生器を抜いてもう一度差し込んで"
    "ください。");
// Bounds on what is read: rules files are small, /proc may be large.
inline constexpr std::size_t kRuleFileLimit = 256 * 1024;
inline constexpr std::size_t kRuleFilesPerFolder = 2000;
inline constexpr std::size_t kFdsPerProcess = 4096;
inline constexpr std::chrono::milliseconds kPortReturnNap{20};

struct UsbDevice {
    fs::path dir;
    std::string name;  // "1-1.2"
    std::string product;
    std::string serial;
    long bus = -1;
    long address = -1;
};

// Whether `device` is the unit's bridge, by its product string and serial number.
bool IsUnit(const UsbDevice& device);
// "bus 1 device 5, product "…", serial number "…"".
std::string Describe(const UsbDevice& device);
void Set(Finding& finding, Verdict verdict, std::string detail, std::string advice = {});

// What one check leaves for the next.
class Doctor {
  public:
    Doctor(DeviceLink& link, const DiagnosisOptions& options) : link_(link), options_(options) {}

    void Usb(Finding& f);
    void Driver(Finding& f);
    void SerialAccess(Finding& f);
    void UsbAccess(Finding& f);
    void UdevRule(Finding& f);
    void Latency(Finding& f);
    void ModemManager(Finding& f);
    void Holders(Finding& f);
    void Eeprom(Finding& f);
    void Firmware(Finding& f);

  private:
    const SystemRoots& Roots() const { return options_.roots; }
    std::optional<fs::path> PortPath() const;
    bool LinkHoldsPort() const;
    bool WaitForPort(const fs::path& path, bool accessible) const;

    DeviceLink& link_;
    const DiagnosisOptions& options_;
    std::optional<UsbDevice> bridge_;
    std::string tty_;  // "ttyUSB0", the serial device the driver made of the bridge
    bool usbAccess_ = false;
    bool held_ = false;
    bool accessDenied_ = false;  // an access check found the user shut out
    std::optional<fs::path> rule_;
    bool ruleIgnoresModem_ = false;
};

}  // namespace krv::diagnosis
