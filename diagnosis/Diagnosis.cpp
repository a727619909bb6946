#include "diagnosis/Diagnosis.h"

#include <algorithm>
#include <exception>

#include "diagnosis/Doctor.h"

namespace krv {

using diagnosis::Doctor;
using diagnosis::Set;

namespace {

Finding Make(const char* id, const char* title)
{
    Finding finding;
    finding.id = id;
    finding.title = title;
    return finding;
}

struct Check {
    const char* id;
    const char* title;
    void (Doctor::*run)(Finding&);
};

constexpr Check kChecks[] = {
    {"usb", "USB bridge", &Doctor::Usb},
    {"driver", "Kernel driver", &Doctor::Driver},
    {"serial-access", "Serial port access", &Doctor::SerialAccess},
    {"usb-access", "USB device access", &Doctor::UsbAccess},
    {"udev-rule", "udev rule", &Doctor::UdevRule},
    {"latency", "Latency timer", &Doctor::Latency},
    {"modemmanager", "ModemManager", &Doctor::ModemManager},
    {"holders", "Other programs on the port", &Doctor::Holders},
    {"eeprom", "Bridge EEPROM", &Doctor::Eeprom},
    {"firmware", "Unit firmware", &Doctor::Firmware},
};

}  // namespace

bool DiagnosisReport::HasProblem() const
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.verdict == Verdict::Problem; });
}

const char* VerdictName(Verdict verdict)
{
    switch (verdict) {
        case Verdict::Ok:
            return "ok";
        case Verdict::Warning:
            return "warning";
        case Verdict::Problem:
            return "problem";
        case Verdict::NotChecked:
            return "not checked";
    }
    return "not checked";
}

DiagnosisReport Diagnose(DeviceLink& link, const DiagnosisOptions& options,
                         const std::function<bool(const std::string&)>& progress)
{
    DiagnosisReport report;
    Doctor doctor(link, options);
    bool stopped = false;
    for (const Check& check : kChecks) {
        Finding finding = Make(check.id, check.title);
        try {
            if (!stopped && progress && !progress(check.title)) stopped = true;
            if (stopped) {
                Set(finding, Verdict::NotChecked, "Stopped before this check.");
            } else {
                (doctor.*check.run)(finding);
            }
        } catch (const std::exception& e) {
            Set(finding, Verdict::NotChecked, std::string("The check failed: ") + e.what());
        } catch (...) {
            Set(finding, Verdict::NotChecked, "The check failed.");
        }
        report.findings.push_back(std::move(finding));
    }
    return report;
}

std::string FormatDiagnosis(const DiagnosisReport& report)
{
    static constexpr const char* kIndent = "       ";
    std::string text;
    int problems = 0;
    int warnings = 0;
    for (const Finding& f : report.findings) {
        const char* tag = "[ -- ]";
        switch (f.verdict) {
            case Verdict::Ok:
                tag = "[ OK ]";
                break;
            case Verdict::Warning:
                tag = "[WARN]";
                ++warnings;
                break;
            case Verdict::Problem:
                tag = "[FAIL]";
                ++problems;
                break;
            case Verdict::NotChecked:
                break;
        }
        text += std::string(tag) + " " + f.title + ":";
        std::size_t at = 0;
        bool first = true;
        while (at <= f.detail.size() && !f.detail.empty()) {
            const std::size_t end = std::min(f.detail.find('\n', at), f.detail.size());
            text += (first ? " " : std::string("\n") + kIndent) + f.detail.substr(at, end - at);
            first = false;
            at = end + 1;
        }
        text += "\n";
        if (!f.advice.empty()) text += std::string(kIndent) + "-> " + f.advice + "\n";
    }
    if (problems == 0 && warnings == 0) {
        text += "No problems found.\n";
    } else {
        text +=
            std::to_string(problems) + (problems == 1 ? " problem, " : " problems, ") +
            std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings") +
            (problems > 0 ? ": the unit will not work until the problems are solved.\n" : ".\n");
    }
    return text;
}

}  // namespace krv
