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
        Set(f, Verdict::NotChecked, Tr("Diagnosis", "読む発生器のブリッジが一台に決まりません。"));
        return;
    }
    if (options_.linkInUse || link_.IsOpen()) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis",
               "このプログラムがポートを持っている間は読みません: 読むとブリッジを"
               "シリアルドライバから取り上げ、ポートが切れます。切断してもう一度"
               "確認してください。"));
        return;
    }
    if (held_) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis",
               "別のプログラムがポートを持っている間は読みません: 読むとポートが"
               "切れます。"));
        return;
    }
    if (!usbAccess_) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "読みません: ブリッジの USB デバイスノードにアクセスできません。"));
        return;
    }
    if (link_.FtdiPort().IsFtdiOpen()) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "読みません: このプログラムがブリッジを開いています。"));
        return;
    }
    const std::optional<fs::path> port =
        tty_.empty() ? std::nullopt : std::optional<fs::path>(Roots().dev / tty_);
    const bool portThere = port && Exists(*port);
    const bool portAccessible = portThere && diagnosis::MayReadWrite(*port);

    ftdi_context* ftdi = ftdi_new();
    if (ftdi == nullptr) {
        Set(f, Verdict::NotChecked, Tr("Diagnosis", "libftdi を準備できませんでした。"));
        return;
    }
    // Give the bridge back to the serial driver when done, so the port returns.
    ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    std::string failure;
    int functions[2] = {-1, -1};
    if (ftdi_usb_open_bus_addr(ftdi, static_cast<std::uint8_t>(bridge_->bus),
                               static_cast<std::uint8_t>(bridge_->address)) != 0) {
        failure =
            WithArgs(Tr("Diagnosis", "ブリッジを開けません: %1"), {ftdi_get_error_string(ftdi)});
        ftdi_free(ftdi);
        Set(f, Verdict::Warning, failure, TrMarked("Diagnosis", kReplug));
        return;
    }
    if (ftdi_read_eeprom(ftdi) != 0 || ftdi_eeprom_decode(ftdi, 0) != 0) {
        failure =
            WithArgs(Tr("Diagnosis", "EEPROM を読めません: %1"), {ftdi_get_error_string(ftdi)});
    } else if (ftdi_get_eeprom_value(ftdi, CBUS_FUNCTION_0, &functions[0]) != 0 ||
               ftdi_get_eeprom_value(ftdi, CBUS_FUNCTION_1, &functions[1]) != 0) {
        failure = Tr("Diagnosis", "EEPROM から CBUS の機能を読めません。");
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
        detail = Tr("Diagnosis", "CBUS0 と CBUS1 は I/O モードです (再起動とブートの線)。");
    } else {
        verdict = Verdict::Problem;
        detail = WithArgs(Tr("Diagnosis",
                             "CBUS0 の機能 %1、CBUS1 の機能 %2 で、I/O モード (%3) では"
                             "ありません: 再起動とブートモードへの移行は何も言わずに"
                             "失敗します。"),
                          {std::to_string(functions[0]), std::to_string(functions[1]),
                           std::to_string(CBUSX_IOMODE)});
        advice = Tr("Diagnosis",
                    "ブリッジの EEPROM に、CBUS0 と CBUS1 を GPIO (I/O モード) と"
                    "して FT_PROG か ftdi_eeprom で書き込む必要があります。発生器の"
                    "メーカーに問い合わせてください。");
    }
    if (portThere && !WaitForPort(*port, portAccessible)) {
        detail +=
            "\n" + WithArgs(Tr("Diagnosis", "%1 は読んでから %2 ms 以内に戻りませんでした。"),
                            {port->string(), std::to_string(options_.portReturnBudget.count())});
        verdict = Verdict::Problem;
        advice += (advice.empty() ? "" : " ") + TrMarked("Diagnosis", kReplug);
    }
    Set(f, verdict, detail, advice);
}

void Doctor::Firmware(Finding& f)
{
    // Over the caller's open link when it holds the port; else on the port, opened here.
    const bool useOpenLink = link_.IsOpen() && (options_.linkInUse || options_.port.empty());
    const auto path = PortPath();
    if (!useOpenLink && !path) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "発生器に問い合わせるシリアルデバイスがありません。"));
        return;
    }
    if (!useOpenLink && link_.FtdiPort().IsFtdiOpen()) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "問い合わせません: このプログラムがブリッジを直接開いています。"));
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
            Set(f, Verdict::Problem,
                WithArgs(Tr("Diagnosis", "%1 を開けないので、発生器に問い合わせませんでした。"),
                         {where}),
                Tr("Diagnosis", "上の確認 (アクセス、別のプログラム) を見てください。"));
            return;
        }
        answered = QueryVersion(link_, LinkKind::Com, version);
        link_.ClosePort();
        link_.SetPortName(before);
    }
    if (!answered) {
        Set(f, Verdict::Problem,
            WithArgs(Tr("Diagnosis", "発生器は %1 で応答しませんでした。"), {where}),
            Tr("Diagnosis",
               "発生器の電源が入っているか確かめてください。再起動する (krvctl "
               "restart) か、抜いてもう一度差し込んでください。"));
        return;
    }
    if (VersionNumber(version) < VersionNumber(kRequiredFirmware)) {
        Set(f, Verdict::Warning,
            WithArgs(Tr("Diagnosis",
                        "%2 のファームウェア %1 は、このプログラムが必要とする %3 より"
                        "古いものです。"),
                     {Printable(version), where, kRequiredFirmware}),
            Tr("Diagnosis",
               "発生器のファームウェアを更新してください: krvctl firmware update "
               "FILE.cya。"));
        return;
    }
    Set(f, Verdict::Ok,
        WithArgs(Tr("Diagnosis", "%2 のファームウェア %1。"), {Printable(version), where}));
}
}  // namespace krv::diagnosis
