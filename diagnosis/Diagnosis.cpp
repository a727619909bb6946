#include "diagnosis/Diagnosis.h"

#include <algorithm>
#include <exception>

#include "diagnosis/Doctor.h"
#include "platform/Translate.h"

namespace krv {

using diagnosis::Doctor;
using diagnosis::Set;

namespace {

Finding Make(const char* id, const char* title)
{
    Finding finding;
    finding.id = id;
    finding.title = TrMarked("Diagnosis", title);
    return finding;
}

struct Check {
    const char* id;
    const char* title;
    void (Doctor::*run)(Finding&);
};

constexpr Check kChecks[] = {
    {"usb", KRV_TRANSLATE_NOOP("Diagnosis", "USB ブリッジ"), &Doctor::Usb},
    {"driver", KRV_TRANSLATE_NOOP("Diagnosis", "カーネルドライバ"), &Doctor::Driver},
    {"serial-access", KRV_TRANSLATE_NOOP("Diagnosis", "シリアルポートのアクセス"),
     &Doctor::SerialAccess},
    {"usb-access", KRV_TRANSLATE_NOOP("Diagnosis", "USB デバイスのアクセス"), &Doctor::UsbAccess},
    {"udev-rule", KRV_TRANSLATE_NOOP("Diagnosis", "udev ルール"), &Doctor::UdevRule},
    {"latency", KRV_TRANSLATE_NOOP("Diagnosis", "レイテンシタイマー"), &Doctor::Latency},
    {"modemmanager", "ModemManager", &Doctor::ModemManager},
    {"holders", KRV_TRANSLATE_NOOP("Diagnosis", "ポートを持つ他のプログラム"), &Doctor::Holders},
    {"eeprom", KRV_TRANSLATE_NOOP("Diagnosis", "ブリッジの EEPROM"), &Doctor::Eeprom},
    {"firmware", KRV_TRANSLATE_NOOP("Diagnosis", "発生器のファームウェア"), &Doctor::Firmware},
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
            if (!stopped && progress && !progress(finding.title)) stopped = true;
            if (stopped) {
                Set(finding, Verdict::NotChecked, Tr("Diagnosis", "この確認の前に止めました。"));
            } else {
                (doctor.*check.run)(finding);
            }
        } catch (const std::exception& e) {
            Set(finding, Verdict::NotChecked,
                WithArgs(Tr("Diagnosis", "確認に失敗しました: %1"), {e.what()}));
        } catch (...) {
            Set(finding, Verdict::NotChecked, Tr("Diagnosis", "確認に失敗しました。"));
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
        // Six columns in both languages, so the titles line up.
        std::string tag = "[ -- ]";
        switch (f.verdict) {
            case Verdict::Ok:
                tag = Tr("Diagnosis", "[正常]");
                break;
            case Verdict::Warning:
                tag = Tr("Diagnosis", "[注意]");
                ++warnings;
                break;
            case Verdict::Problem:
                tag = Tr("Diagnosis", "[異常]");
                ++problems;
                break;
            case Verdict::NotChecked:
                break;
        }
        text += tag + " " + f.title + ":";
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
        text += Tr("Diagnosis", "問題は見つかりませんでした。") + "\n";
        return text;
    }
    // One and several are separate texts: English counts agree in number.
    const std::string problemCount =
        problems == 1 ? Tr("Diagnosis", "問題 1 件")
                      : WithArgs(Tr("Diagnosis", "問題 %1 件"), {std::to_string(problems)});
    const std::string warningCount =
        warnings == 1 ? Tr("Diagnosis", "注意 1 件")
                      : WithArgs(Tr("Diagnosis", "注意 %1 件"), {std::to_string(warnings)});
    text += WithArgs(problems > 0 ? Tr("Diagnosis",
                                       "%1、%2: 問題を解決するまで発生器は"
                                       "動きません。")
                                  : Tr("Diagnosis", "%1、%2。"),
                     {problemCount, warningCount}) +
            "\n";
    return text;
}

}  // namespace krv
