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
    return WithArgs(Tr("Diagnosis", "バス %1 デバイス %2、製品 \"%3\"、シリアル番号 \"%4\""),
                    {std::to_string(device.bus), std::to_string(device.address),
                     Printable(device.product), Printable(device.serial)});
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
        otherText += "\n" + WithArgs(Tr("Diagnosis",
                                        "発生器ではない FT230X (USB 0403:6015): %1 "
                                        "(発生器のブリッジは製品文字列 \"%2\" と、\"%3\" "
                                        "で始まるシリアル番号を持ちます)。"),
                                     {Describe(d), CFtdiPort::kUnitDescription,
                                      CFtdiPort::kUnitSerialPrefix});
    }
    if (units.size() == 1) {
        bridge_ = units.front();
        Set(f, Verdict::Ok,
            WithArgs(Tr("Diagnosis", "USB 0403:6015: %1"), {Describe(units.front())}) + otherText);
        if (bridge_->bus < 0 || bridge_->address < 0) {
            Set(f, Verdict::Warning,
                f.detail + "\n" +
                    Tr("Diagnosis", "そのバス番号またはデバイスアドレスを sysfs から読めません。"),
                TrMarked("Diagnosis", kReplug));
        }
        return;
    }
    if (units.size() > 1) {
        std::string text = WithArgs(Tr("Diagnosis", "USB 上に発生器のブリッジが %1 台:"),
                                    {std::to_string(units.size())});
        for (const UsbDevice& d : units) text += "\n" + Describe(d);
        Set(f, Verdict::Problem, text + otherText,
            Tr("Diagnosis",
               "発生器は一台だけ接続してください: プログラムはちょうど一台と動きます。"));
        return;
    }
    if (!Exists(devices)) {
        Set(f, Verdict::Problem,
            WithArgs(Tr("Diagnosis", "USB デバイスが見えません (%1 がありません)。"),
                     {devices.string()}),
            Tr("Diagnosis",
               "発生器を差し込んだ機械の上で実行してください。/sys のないコンテナの"
               "中では調べられません。"));
        return;
    }
    Set(f, Verdict::Problem,
        WithArgs(Tr("Diagnosis", "USB 上に発生器のブリッジ (USB 0403:6015、\"%1\") がありません。"),
                 {CFtdiPort::kUnitDescription}) +
            otherText,
        others.empty() ? Tr("Diagnosis",
                            "発生器を USB ケーブルで差し込み、電源を入れてください。"
                            "その後 lsusb に 0403:6015 が出るはずです。")
                       : Tr("Diagnosis",
                            "その FT230X が発生器なら、ブリッジの EEPROM が発生器の"
                            "ものとして書かれていません。そうでなければ発生器を"
                            "差し込み、電源を入れてください。"));
}

void Doctor::Driver(Finding& f)
{
    if (!bridge_) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "調べる発生器のブリッジが一台に決まりません。"));
        return;
    }
    std::vector<std::string> lines;
    bool bound = false;
    for (const fs::path& dir : ListFolder(bridge_->dir)) {
        const std::string name = dir.filename().string();
        if (!name.starts_with(bridge_->name + ":")) continue;
        const std::string driver = fs::path(LinkTarget(dir / "driver")).filename().string();
        if (driver.empty()) {
            lines.push_back(WithArgs(Tr("Diagnosis",
                                        "インターフェース %1 にはドライバが結び付いて"
                                        "いません。"),
                                     {Printable(name)}));
            continue;
        }
        if (driver != kSerialDriver) {
            lines.push_back(WithArgs(Tr("Diagnosis",
                                        "インターフェース %1 に結び付いているのは %3 "
                                        "ではなく %2 です。"),
                                     {Printable(name), Printable(driver), kSerialDriver}));
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
        lines.push_back(tty_.empty()
                            ? WithArgs(Tr("Diagnosis",
                                          "%1 はインターフェース %2 に結び付いていますが、その下に"
                                          "シリアルデバイスがありません。"),
                                       {kSerialDriver, Printable(name)})
                            : WithArgs(Tr("Diagnosis",
                                          "%1 はインターフェース %2 に結び付いています。シリアル"
                                          "デバイスは %3 です。"),
                                       {kSerialDriver, Printable(name), tty_}));
    }
    std::string detail;
    for (const std::string& line : lines) detail += (detail.empty() ? "" : "\n") + line;
    if (bound && !tty_.empty()) {
        Set(f, Verdict::Ok, detail);
    } else if (bound) {
        Set(f, Verdict::Problem, detail, TrMarked("Diagnosis", kReplug));
    } else {
        Set(f, Verdict::Problem,
            detail.empty() ? Tr("Diagnosis", "ブリッジにインターフェースがありません。") : detail,
            WithArgs(Tr("Diagnosis",
                        "プログラムが libftdi でブリッジを持っているかもしれません "
                        "(ファームウェア更新や再起動の途中): 終わるまで待ってください。"
                        "そうでなければ sudo modprobe %1 でドライバを読み込み、発生器を"
                        "抜いてもう一度差し込んでください。"),
                     {kSerialDriver}));
    }
}

void Doctor::SerialAccess(Finding& f)
{
    const auto path = PortPath();
    if (!path) {
        Set(f, Verdict::NotChecked, Tr("Diagnosis", "調べるシリアルデバイスがありません。"));
        return;
    }
    if (!Exists(*path)) {
        Set(f, Verdict::Problem, WithArgs(Tr("Diagnosis", "%1 がありません。"), {path->string()}),
            TrMarked("Diagnosis", kReplug));
        return;
    }
    const bool serialAccess = diagnosis::MayReadWrite(*path);
    const auto owner = diagnosis::Ownership(*path);
    const std::string ownerText = owner ? " (" + owner->text + ")" : "";
    if (serialAccess) {
        Set(f, Verdict::Ok,
            WithArgs(Tr("Diagnosis", "ユーザー %1 は %2%3 を読み書きできます。"),
                     {diagnosis::UserName(), path->string(), ownerText}));
        return;
    }
    accessDenied_ = true;
    const std::string group = owner ? owner->group : "dialout";
    Set(f, Verdict::Problem,
        WithArgs(Tr("Diagnosis", "ユーザー %1 は %2%3 を読み書きできません。"),
                 {diagnosis::UserName(), path->string(), ownerText}),
        WithArgs(Tr("Diagnosis",
                    "ユーザーをデバイスのグループ %1 に加えてください: sudo usermod "
                    "-aG %1 $USER の後、ログインし直します。または、機械の前でログイン"
                    "しているユーザーのために、プログラムの udev ルールを組み込んで"
                    "ください (席のユーザーにアクセスを与えます。uaccess)。"),
                 {group}));
}

void Doctor::UsbAccess(Finding& f)
{
    if (!bridge_ || bridge_->bus < 0 || bridge_->address < 0) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "バスとアドレスの分かる発生器のブリッジが一台に決まりません。"));
        return;
    }
    char node[48];
    std::snprintf(node, sizeof node, "%03ld/%03ld", bridge_->bus, bridge_->address);
    const fs::path path = Roots().dev / "bus/usb" / node;
    if (!Exists(path)) {
        Set(f, Verdict::Problem, WithArgs(Tr("Diagnosis", "%1 がありません。"), {path.string()}),
            TrMarked("Diagnosis", kReplug));
        return;
    }
    usbAccess_ = diagnosis::MayReadWrite(path);
    const auto owner = diagnosis::Ownership(path);
    const std::string ownerText = owner ? " (" + owner->text + ")" : "";
    if (usbAccess_) {
        Set(f, Verdict::Ok,
            WithArgs(Tr("Diagnosis", "ユーザー %1 は %2%3 を読み書きできます。"),
                     {diagnosis::UserName(), path.string(), ownerText}));
        return;
    }
    accessDenied_ = true;
    const std::string group = owner ? owner->group : "root";
    Set(f, Verdict::Problem,
        WithArgs(Tr("Diagnosis",
                    "ユーザー %1 は %2%3 を読み書きできません: 再起動、ブートモード、"
                    "EEPROM の確認に必要です。"),
                 {diagnosis::UserName(), path.string(), ownerText}),
        Tr("Diagnosis",
           "プログラムの udev ルールは、機械の前で (ssh でなく) ログインしている"
           "ユーザーにアクセスを与えます (uaccess)。") +
            " " + TrMarked("Diagnosis", kInstallRule) +
            (group == "root"
                 ? ""
                 : " " + WithArgs(Tr("Diagnosis", "ノードのグループ %1 のメンバーも使えます。"),
                                  {group})));
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
        Set(f, Verdict::Ok, WithArgs(Tr("Diagnosis", "組み込み済み: %1"), {rule_->string()}));
        return;
    }
    std::string dirs;
    for (const fs::path& dir : Roots().rulesDirs) dirs += (dirs.empty() ? "" : ", ") + dir.string();
    Set(f, accessDenied_ ? Verdict::Problem : Verdict::Warning,
        WithArgs(Tr("Diagnosis",
                    "%1 に発生器のブリッジのルールがありません: ルールがないと、機械の"
                    "前のユーザーはブリッジを使えず、レイテンシタイマーは 16 ms のまま"
                    "で、ModemManager がポートを探るかもしれません。"),
                 {dirs}),
        TrMarked("Diagnosis", kInstallRule));
}

void Doctor::Latency(Finding& f)
{
    if (tty_.empty()) {
        Set(f, Verdict::NotChecked,
            Tr("Diagnosis", "調べるブリッジのシリアルデバイスがありません。"));
        return;
    }
    const fs::path file = Roots().sys / "bus/usb-serial/devices" / tty_ / "latency_timer";
    const auto text = ReadAttribute(file);
    if (!text) {
        Set(f, Verdict::NotChecked,
            WithArgs(Tr("Diagnosis", "%1 を読めません。"), {file.string()}));
        return;
    }
    const auto ms = ParseNumber(*text, 10, 0, 255);
    if (!ms) {
        Set(f, Verdict::Warning,
            WithArgs(Tr("Diagnosis", "%1 の中身は \"%2\" です。"),
                     {file.string(), Printable(*text)}),
            TrMarked("Diagnosis", kReplug));
        return;
    }
    if (*ms == 1) {
        Set(f, Verdict::Ok, Tr("Diagnosis", "1 ms です。"));
        return;
    }
    Set(f, Verdict::Warning,
        WithArgs(Tr("Diagnosis",
                    "%1 ms: プログラムがポートを開いて下げるまで、ブリッジは短い応答を"
                    "最大 %1 ms 留めます。"),
                 {std::to_string(*ms)}),
        Tr("Diagnosis", "udev ルールは発生器が差し込まれると 1 ms にします。") + " " +
            TrMarked("Diagnosis", kInstallRule));
}

void Doctor::ModemManager(Finding& f)
{
    bool readable = false;
    const auto processes = ListFolder(Roots().proc, 1000000, &readable);
    if (!readable) {
        Set(f, Verdict::NotChecked,
            WithArgs(Tr("Diagnosis", "%1 を読めません。"), {Roots().proc.string()}));
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
        Set(f, Verdict::Ok, Tr("Diagnosis", "ModemManager は動いていません。"));
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
                source = WithArgs(Tr("Diagnosis", "udev の項目 %1"), {entry.string()});
            }
        }
    }
    if (!marked) {
        marked = rule_ && ruleIgnoresModem_;
        source = rule_ ? WithArgs(Tr("Diagnosis", "ルール %1"), {rule_->string()})
                       : Tr("Diagnosis", "udev ルールなし");
    }
    if (*marked) {
        Set(f, Verdict::Ok,
            WithArgs(Tr("Diagnosis",
                        "ModemManager が動いています (pid %1)。ポートには触れないよう"
                        "印が付いています (%2)。"),
                     {*pid, source}));
        return;
    }
    Set(f, Verdict::Problem,
        WithArgs(Tr("Diagnosis",
                    "ModemManager が動いていて (pid %1)、ポートに ID_MM_DEVICE_IGNORE の"
                    "印がありません (%2): 発生器が差し込まれると AT コマンドでポートを"
                    "探ります。"),
                 {*pid, source}),
        TrMarked("Diagnosis", kInstallRule) + " " +
            Tr("Diagnosis",
               "または ModemManager を止めてください: sudo systemctl stop "
               "ModemManager。"));
}

void Doctor::Holders(Finding& f)
{
    const auto path = PortPath();
    if (!path || !Exists(*path)) {
        Set(f, Verdict::NotChecked, Tr("Diagnosis", "調べるシリアルデバイスがありません。"));
        return;
    }
    std::vector<std::string> found;
    const bool ours = LinkHoldsPort();
    std::string unprobed;
    if (!ours) {
        const int fd = ::open(path->c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        const int openError = fd < 0 ? errno : 0;
        if (fd < 0 && openError != EBUSY) {
            unprobed = " " + WithArgs(Tr("Diagnosis", "(そのロックは調べられませんでした: %1。)"),
                                      {std::strerror(openError)});
        }
        if (openError == EBUSY) {
            found.push_back(Tr("Diagnosis", "ポートは別のプログラムが排他モードで開いています。"));
        } else if (fd >= 0) {
            int locked = 0;
            while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
            }
            if (locked != 0 && errno == EWOULDBLOCK) {
                found.push_back(Tr("Diagnosis",
                                   "ポートは別のプログラム (bremix2 か krvctl) が"
                                   "ロックしています。"));
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
                found.push_back(
                    WithArgs(Tr("Diagnosis", "プロセス %1 (%2) が開いています。"),
                             {pid, Printable(ReadAttribute(dir / "comm").value_or("?"))}));
                break;
            }
        }
    }
    std::string detail;
    for (const std::string& line : found) detail += (detail.empty() ? "" : "\n") + line;
    held_ = !found.empty();
    if (held_) {
        Set(f, Verdict::Problem, path->string() + ":\n" + detail,
            Tr("Diagnosis",
               "接続する前に、別のプログラムを閉じて (または示したプロセスを終了して) "
               "ください。"));
        return;
    }
    std::string text =
        ours ? WithArgs(Tr("Diagnosis", "%1 を持っているのはこのプログラムだけです。"),
                        {path->string()})
             : WithArgs(Tr("Diagnosis", "%1 を持っている別のプログラムはありません。"),
                        {path->string()}) +
                   unprobed;
    if (hidden > 0) {
        text += " " +
                WithArgs(Tr("Diagnosis", "(他のユーザーのプロセス %1 個は調べられませんでした。)"),
                         {std::to_string(hidden)});
    }
    Set(f, Verdict::Ok, text);
}

// The node comes first, udev's owner, mode and ACL a moment later: a user who could open the port
// before is waited for until the user can again.
}  // namespace krv::diagnosis
