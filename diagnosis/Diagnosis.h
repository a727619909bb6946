#pragma once

// What stands between this machine and a working unit: the bridge on USB, its kernel driver and
// serial device, the user's access to both, the udev rule, the latency timer, ModemManager, other
// programs on the port, the bridge's EEPROM and the unit's firmware. Every check reads the system
// through SystemRoots, so that a fake tree can stand in for it.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/DeviceLink.h"

namespace krv {

enum class Verdict { Ok, Warning, Problem, NotChecked };

struct Finding {
    std::string id;     // stable, for JSON: "usb", "driver", "serial-access", ...
    std::string title;  // "USB bridge", "Kernel driver", ...
    Verdict verdict = Verdict::NotChecked;
    std::string detail;  // what was found, one or a few lines
    std::string advice;  // what to do (empty when nothing to do)
};

struct DiagnosisReport {
    std::vector<Finding> findings;
    bool HasProblem() const;
};

// Where the system is read from.
struct SystemRoots {
    std::filesystem::path sys = "/sys", dev = "/dev", proc = "/proc", run = "/run";
    std::vector<std::filesystem::path> rulesDirs = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                                    "/usr/local/lib/udev/rules.d",
                                                    "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
};

struct DiagnosisOptions {
    SystemRoots roots;
    // The serial port to use (a name under roots.dev or a path); empty: the one the kernel made
    // of the bridge.
    std::string port;
    // The caller holds the port itself: the EEPROM is not read (that would cut the port off) and
    // the unit is asked over the open link.
    bool linkInUse = false;
    // How long the serial device may take to come back after the bridge was read directly.
    std::chrono::milliseconds portReturnBudget{5000};
};

// The file name of the program's udev rule.
inline constexpr const char* kUdevRuleName = "70-krv-generator.rules";

// Runs every check in order; never throws, never waits longer than the protocol's own time-outs
// and the port-return budget. `progress` (may be empty) is told the title of each check as it
// starts; when it returns false the remaining checks stay NotChecked.
DiagnosisReport Diagnose(DeviceLink& link, const DiagnosisOptions& options,
                         const std::function<bool(const std::string&)>& progress = {});

// One block per finding: "[ OK ] USB bridge: ..." then the further detail lines indented and
// "-> advice" lines; a summary line at the end.
std::string FormatDiagnosis(const DiagnosisReport& report);

// "ok", "warning", "problem", "not checked".
const char* VerdictName(Verdict verdict);

}  // namespace krv
