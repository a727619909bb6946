// The diagnosis on a fake system tree around an FT230X emulated under the real libftdi1, with
// the virtual unit behind it and on the pseudo-terminal that dev/ttyUSB0 leads to.
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

#include <ftdi.h>
#include <gtest/gtest.h>
#include <QString>
#include <QTranslator>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "FakeSystemTree.h"
#include "diagnosis/Diagnosis.h"
#include "link/ftdi_emulation/UsbStandIn.h"
#include "platform/Translate.h"
#include "sim/SimServer.h"
#include "sim/UnitBridgeTarget.h"
#include "support/AsNobody.h"
#include "support/FileContents.h"

namespace krv {
namespace {

using test::EmulatedFt230x;
using test::EmulatedUsbBus;
using test::FakeSystemTree;
using test::Ft230xConfig;

// The program's English catalogue, loaded once.
QTranslator& EnglishCatalogue()
{
    static QTranslator* const catalogue = [] {
        auto* translator = new QTranslator;
        EXPECT_TRUE(translator->load(QStringLiteral(KRV_CATALOGUE))) << KRV_CATALOGUE;
        return translator;
    }();
    return *catalogue;
}

std::string FromEnglishCatalogue(const char* context, const char* source)
{
    const QString text = EnglishCatalogue().translate(context, source);
    return text.isEmpty() ? std::string(source) : text.toStdString();
}

// The language the diagnosis words its report in, for the life of the object: English from the
// catalogue as the programs install it, or the Japanese source.
class Speaking {
  public:
    explicit Speaking(bool english)
    {
        EnglishCatalogue();
        SetTranslateFunction(english ? FromEnglishCatalogue : nullptr);
    }
    ~Speaking() { SetTranslateFunction(nullptr); }
    Speaking(const Speaking&) = delete;
    Speaking& operator=(const Speaking&) = delete;
};

// Kana, CJK ideographs and full-width forms (three-byte UTF-8 from U+3000 on).
bool HasJapanese(const std::string& text)
{
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if ((lead == 0xE3 && next >= 0x80) || (lead >= 0xE4 && lead <= 0xE9) || lead == 0xEF) {
            return true;
        }
    }
    return false;
}

const char* const kIds[] = {"usb",     "driver",       "serial-access", "usb-access", "udev-rule",
                            "latency", "modemmanager", "holders",       "eeprom",     "firmware"};

// How the serial device comes back once libftdi gives the bridge back to the driver.
enum class PortReturn { AtOnce, Late, Never };

struct Case {
    const char* name;
    bool plugged = true;                    // the emulated bridge on the bus
    void (*chip)(Ft230xConfig&) = nullptr;  // how it differs from a unit's
    void (*arrange)(FakeSystemTree&, const std::string& pty) = nullptr;
    const char* firmware = "02.000";
    bool holdPort = false;  // the test holds the port as bremix2 would
    bool asNobody = false;
    bool linkInUse = false;  // the caller has the port open on its link, as the panel does
    PortReturn portReturn = PortReturn::AtOnce;
    std::map<std::string, Verdict> notOk;                   // every other check must say Ok
    std::vector<std::pair<std::string, std::string>> says;  // id, English text in detail or advice
};

void PrintTo(const Case& setup, std::ostream* out)
{
    *out << setup.name;
}

const std::map<std::string, Verdict> kNothingToLookAt = {{"usb", Verdict::Problem},
                                                         {"driver", Verdict::NotChecked},
                                                         {"serial-access", Verdict::NotChecked},
                                                         {"usb-access", Verdict::NotChecked},
                                                         {"latency", Verdict::NotChecked},
                                                         {"holders", Verdict::NotChecked},
                                                         {"eeprom", Verdict::NotChecked},
                                                         {"firmware", Verdict::NotChecked}};

const Case kCases[] = {
    {.name = "Good",
     .notOk = {},
     .says = {{"firmware", "Firmware 020000 on "},
              {"latency", "1 ms"},
              {"eeprom", "CBUS0 and CBUS1 are in I/O mode"}}},
    {.name = "DriverNotBound",
     .arrange = [](FakeSystemTree& tree, const std::string&) { tree.UnbindDriver(); },
     .notOk = {{"driver", Verdict::Problem},
               {"serial-access", Verdict::NotChecked},
               {"latency", Verdict::NotChecked},
               {"holders", Verdict::NotChecked},
               {"firmware", Verdict::NotChecked}},
     .says = {{"driver", "has no driver bound"}, {"driver", "sudo modprobe ftdi_sio"}}},
    {.name = "OldFirmware",
     .firmware = "01.500",
     .notOk = {{"firmware", Verdict::Warning}},
     .says = {{"firmware", "Firmware 010500"}, {"firmware", "krvctl firmware update"}}},
    {.name = "NoPermission",
     .arrange =
         [](FakeSystemTree& tree, const std::string& pty) {
             const group* dialout = ::getgrnam("dialout");
             ASSERT_NE(dialout, nullptr);
             ASSERT_EQ(::chown(pty.c_str(), 0, dialout->gr_gid), 0);
             ASSERT_EQ(::chmod(pty.c_str(), 0660), 0);
             ASSERT_EQ(::chmod(tree.UsbNode().c_str(), 0664), 0);
         },
     .asNobody = true,
     .notOk = {{"serial-access", Verdict::Problem},
               {"usb-access", Verdict::Problem},
               {"eeprom", Verdict::NotChecked},
               {"firmware", Verdict::Problem}},
     .says = {{"serial-access", "group dialout, mode 0660"},
              {"serial-access", "sudo usermod -aG dialout $USER"},
              {"usb-access", "mode 0664"},
              {"usb-access", "uaccess"},
              {"eeprom", "no access to the bridge's USB device node"}}},
    {.name = "Latency16",
     .arrange = [](FakeSystemTree& tree, const std::string&) { tree.SetLatency("16"); },
     .notOk = {{"latency", Verdict::Warning}},
     .says = {{"latency", "up to 16 ms"}}},
    // Each of the two lines on its own: both must be I/O.
    {.name = "CbusResetLineNotIo",
     .chip =
         [](Ft230xConfig& c) {
             c.cbusFunctions = {CBUSX_TXDEN, CBUSX_IOMODE, 8, 8};
         },
     .notOk = {{"eeprom", Verdict::Problem}},
     .says = {{"eeprom", "CBUS0 function 9, CBUS1 function 8"}, {"eeprom", "GPIO"}}},
    {.name = "CbusBootLineNotIo",
     .chip =
         [](Ft230xConfig& c) {
             c.cbusFunctions = {CBUSX_IOMODE, CBUSX_RXLED, 8, 8};
         },
     .notOk = {{"eeprom", Verdict::Problem}},
     .says = {{"eeprom", "CBUS0 function 8, CBUS1 function 2"}}},
    {.name = "ModemManagerWithoutTheRule",
     .arrange =
         [](FakeSystemTree& tree, const std::string&) {
             tree.RemoveRule();
             tree.ForgetUdevData();
             tree.AddProcess(321, "ModemManager");
         },
     .notOk = {{"udev-rule", Verdict::Warning}, {"modemmanager", Verdict::Problem}},
     .says = {{"modemmanager", "pid 321"}, {"modemmanager", "udevadm control --reload-rules"}}},
    {.name = "ModemManagerWithTheRule",
     .arrange =
         [](FakeSystemTree& tree, const std::string&) {
             tree.ForgetUdevData();  // only the rule's text says it
             tree.AddProcess(321, "ModemManager");
         },
     .notOk = {},
     .says = {{"modemmanager", "leave alone"}}},
    {.name = "PortHeldByAnotherProgram",
     .arrange = [](FakeSystemTree& tree,
                   const std::string& pty) { tree.AddProcess(4242, "minicom", pty); },
     .holdPort = true,
     .notOk = {{"holders", Verdict::Problem},
               {"eeprom", Verdict::NotChecked},
               {"firmware", Verdict::Problem}},
     .says = {{"holders", "locked by another program"}, {"holders", "Process 4242 (minicom)"}}},
    {.name = "PanelHoldsThePort",
     .linkInUse = true,
     .notOk = {{"eeprom", Verdict::NotChecked}},
     .says = {{"holders", "Only this program holds"},
              {"eeprom", "Disconnect and run the check again"},
              {"firmware", "Firmware 020000"}}},
    {.name = "PortComesBackLate", .portReturn = PortReturn::Late, .notOk = {}, .says = {}},
    {.name = "PortDoesNotComeBack",
     .portReturn = PortReturn::Never,
     .notOk = {{"eeprom", Verdict::Problem}, {"firmware", Verdict::Problem}},
     .says = {{"eeprom", "did not come back within"}, {"eeprom", "Unplug"}}},
    {.name = "UnitAbsent",
     .plugged = false,
     .notOk = kNothingToLookAt,
     .says = {{"usb", "No unit bridge"}, {"usb", "Plug the unit in"}}},
    {.name = "AnotherFt230x",
     .chip = [](Ft230xConfig& c) { c.product = "FT230X Basic UART"; },
     .notOk = kNothingToLookAt,
     .says = {{"usb", "not a unit: bus 1 device 7, product \"FT230X Basic UART\""}}},
    {.name = "TwoUnits",
     .arrange =
         [](FakeSystemTree& tree, const std::string&) {
             Ft230xConfig second;
             second.serialNumber = "KR2A0002";
             second.deviceAddress = 9;
             tree.AddUsbDevice("1-2", second);
         },
     .notOk = kNothingToLookAt,
     .says = {{"usb", "2 unit bridges"}, {"usb", "Connect only one unit"}}},
    {.name = "OddSysfsContents",
     .arrange =
         [](FakeSystemTree& tree, const std::string&) {
             tree.Write("sys/bus/usb/devices/1-1/busnum", "99999999999999999999999\n");
             tree.SetLatency("\x1b[2Jlots");
             Ft230xConfig noise;
             noise.product = std::string(5000, 'x') + "\x07";
             tree.AddUsbDevice("2-1", noise);
             tree.Write("sys/bus/usb/devices/3-1/idVendor", "garbage");
         },
     .notOk = {{"usb", Verdict::Warning},
               {"usb-access", Verdict::NotChecked},
               {"latency", Verdict::Warning},
               {"eeprom", Verdict::NotChecked}},
     .says = {{"usb", "cannot be read"}, {"latency", "\"?[2Jlots\""}, {"usb", "xxx..."}}},
};

// Every set-up in English (the report as a service engineer reads it) and in Japanese.
class DiagnosisTest : public ::testing::TestWithParam<std::tuple<Case, bool>> {
  protected:
    static const Case& Arrangement() { return std::get<0>(GetParam()); }
    static bool English() { return std::get<1>(GetParam()); }

    void SetUp() override
    {
        ASSERT_EQ(test::StandInGaps(), std::vector<std::string>{});
        bus().Clear();
        const Case& setup = Arrangement();
        if (setup.asNobody && ::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
        sim::ServerOptions options;
        options.unit.circuits = 2;
        options.unit.firmware = setup.firmware;
        options.instant = true;
        server = std::make_unique<sim::SimServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        Ft230xConfig config;
        if (setup.chip) setup.chip(config);
        tree = std::make_unique<FakeSystemTree>(
            setup.plugged ? std::optional<Ft230xConfig>(config) : std::nullopt, server->PortPath(),
            test::ReadAll(KRV_UDEV_RULE));
        if (setup.plugged) {
            chip = std::make_shared<EmulatedFt230x>(
                config, std::make_shared<sim::UnitBridgeTarget>(*server));
            chip->OnKernelDriverChange([this](bool bound) { DriverChanged(bound); });
            bus().Plug(chip);
        }
        if (setup.arrange) setup.arrange(*tree, server->PortPath());
    }

    void TearDown() override
    {
        if (udev.joinable()) udev.join();
        if (chip) {
            EXPECT_EQ(chip->Anomalies(), std::vector<std::string>{});
        }
        EXPECT_EQ(bus().Anomalies(), std::vector<std::string>{});
        EXPECT_EQ(bus().OpenHandles(), 0);
        EXPECT_EQ(bus().OpenContexts(), 0);
        bus().Clear();
        tree.reset();
        if (server) server->Stop();
    }

    // udev's part: the serial device node goes with the driver and comes back after it.
    void DriverChanged(bool bound)
    {
        if (!bound) {
            ++removals;
            tree->RemovePort();
            return;
        }
        switch (Arrangement().portReturn) {
            case PortReturn::AtOnce:
                tree->RestorePort();
                break;
            case PortReturn::Late:
                // udev's delay, simulated; the diagnosis waits up to its budget of 5 s.
                udev = std::thread([this] {
                    ::pthread_setname_np(::pthread_self(), "udev-standin");
                    std::this_thread::sleep_for(std::chrono::milliseconds(150));
                    tree->RestorePort();
                });
                break;
            case PortReturn::Never:
                break;
        }
    }

    DiagnosisReport Run(const DiagnosisOptions& options)
    {
        SilentUserInterface ui;
        DeviceLink link(ui, nullptr);
        if (Arrangement().linkInUse) {
            link.SetPortName(tree->PortNode());
            EXPECT_TRUE(link.OpenPort());
        }
        if (!Arrangement().asNobody) return Diagnose(link, options);
        // The findings come back from nobody's child through a pipe, a field a line.
        int fds[2];
        if (::pipe(fds) != 0) return {};
        const int status = test::RunAsNobody([&] {
            ::close(fds[0]);
            std::string text;
            for (const Finding& f : Diagnose(link, options).findings) {
                for (const std::string* field : {&f.id, &f.detail, &f.advice}) {
                    std::string line = *field;
                    std::replace(line.begin(), line.end(), '\n', ' ');
                    text += line + "\n";
                }
                text += std::to_string(static_cast<int>(f.verdict)) + "\n";
            }
            return ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size())
                       ? 0
                       : 1;
        });
        ::close(fds[1]);
        EXPECT_EQ(status, 0);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        ::close(fds[0]);
        DiagnosisReport report;
        std::istringstream in(text);
        for (Finding f;
             std::getline(in, f.id) && std::getline(in, f.detail) && std::getline(in, f.advice);) {
            std::string verdict;
            std::getline(in, verdict);
            f.verdict = static_cast<Verdict>(std::stoi(verdict));
            report.findings.push_back(f);
        }
        return report;
    }

    static EmulatedUsbBus& bus() { return EmulatedUsbBus::Instance(); }

    std::unique_ptr<sim::SimServer> server;
    std::shared_ptr<EmulatedFt230x> chip;
    std::unique_ptr<FakeSystemTree> tree;
    std::thread udev;
    int removals = 0;
};

TEST_P(DiagnosisTest, FindsWhatTheSetUpGetsWrong)
{
    const Case& setup = Arrangement();
    const Speaking language(English());
    DiagnosisOptions options;
    options.roots = tree->Roots();
    options.linkInUse = setup.linkInUse;
    if (setup.portReturn == PortReturn::Never)
        options.portReturnBudget = std::chrono::milliseconds(200);
    std::unique_ptr<int, void (*)(int*)> held(nullptr, [](int* fd) {
        ::close(*fd);
        delete fd;
    });
    if (setup.holdPort) {
        const int fd = ::open(server->PortPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        held.reset(new int(fd));
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    }

    const DiagnosisReport report = Run(options);

    ASSERT_EQ(report.findings.size(), std::size(kIds));
    for (std::size_t i = 0; i < std::size(kIds); ++i) {
        const Finding& f = report.findings[i];
        EXPECT_EQ(f.id, kIds[i]);
        const auto expected = setup.notOk.find(f.id);
        EXPECT_EQ(VerdictName(f.verdict),
                  std::string(
                      VerdictName(expected == setup.notOk.end() ? Verdict::Ok : expected->second)))
            << f.id << ": " << f.detail << " / " << f.advice;
        EXPECT_FALSE(f.detail.empty()) << f.id;
        EXPECT_EQ(f.advice.empty(), f.verdict == Verdict::Ok || f.verdict == Verdict::NotChecked)
            << f.id << ": " << f.advice;
        // Every text in the language asked for: none left in the other one.
        for (const std::string* text : {&f.detail, &f.advice}) {
            if (!text->empty()) {
                EXPECT_EQ(HasJapanese(*text), !English()) << f.id << ": " << *text;
            }
        }
    }
    for (const auto& [id, text] : English() ? setup.says : decltype(setup.says){}) {
        const std::string& wanted = id;  // a lambda cannot capture a structured binding in clang 14
        const auto f = std::find_if(report.findings.begin(), report.findings.end(),
                                    [&](const Finding& f) { return f.id == wanted; });
        ASSERT_NE(f, report.findings.end());
        EXPECT_NE((f->detail + " " + f->advice).find(text), std::string::npos)
            << id << " does not say \"" << text << "\": " << f->detail << " / " << f->advice;
    }
    EXPECT_EQ(report.HasProblem(), std::any_of(setup.notOk.begin(), setup.notOk.end(), [](auto& e) {
                  return e.second == Verdict::Problem;
              }));
    // Reading the EEPROM took the port away; it is there again unless it never came back.
    const bool eepromRead = setup.plugged && report.findings[8].verdict != Verdict::NotChecked;
    EXPECT_EQ(removals, eepromRead ? 1 : 0);
    if (udev.joinable()) udev.join();
    EXPECT_EQ(std::filesystem::exists(tree->PortNode()),
              setup.plugged && (setup.portReturn != PortReturn::Never || !eepromRead));
}

TEST(DiagnosisReportTest, ProgressSeesEachTitleAndCanStopTheRest)
{
    struct Case {
        bool english;
        std::vector<std::string> titles;
        const char* stopped;
    };
    const Case cases[] = {
        {true, {"USB bridge", "Kernel driver", "Serial port access"}, "Stopped before this check."},
        {false,
         {"USB ブリッジ", "カーネルドライバ", "シリアルポートのアクセス"},
         "この確認の前に止めました。"},
    };
    for (const Case& c : cases) {
        const Speaking language(c.english);
        // An empty tree: nothing to find, nothing to wait for.
        FakeSystemTree tree(std::nullopt, "/nonexistent", "");
        DiagnosisOptions options;
        options.roots = tree.Roots();
        SilentUserInterface ui;
        DeviceLink link(ui, nullptr);
        std::vector<std::string> told;
        const DiagnosisReport report = Diagnose(link, options, [&](const std::string& title) {
            told.push_back(title);
            return told.size() < 3;
        });
        EXPECT_EQ(told, c.titles);
        ASSERT_EQ(report.findings.size(), std::size(kIds));
        EXPECT_EQ(report.findings[0].verdict, Verdict::Problem);
        EXPECT_EQ(report.findings[1].title, c.titles[1]);
        for (std::size_t i = 2; i < report.findings.size(); ++i) {
            EXPECT_EQ(report.findings[i].verdict, Verdict::NotChecked) << kIds[i];
            EXPECT_EQ(report.findings[i].detail, c.stopped);
        }
    }
}

TEST(DiagnosisReportTest, FormatGivesOneBlockPerFindingAndASummary)
{
    DiagnosisReport report;
    report.findings = {{"usb", "USB bridge", Verdict::Ok, "one\ntwo", ""},
                       {"latency", "Latency timer", Verdict::Warning, "16 ms.", "Lower it."},
                       {"eeprom", "Bridge EEPROM", Verdict::Problem, "CBUS off.", "Program it."},
                       {"firmware", "Unit firmware", Verdict::NotChecked, "No port.", ""}};
    EXPECT_TRUE(report.HasProblem());
    {
        const Speaking language(true);
        EXPECT_EQ(FormatDiagnosis(report),
                  "[ OK ] USB bridge: one\n"
                  "       two\n"
                  "[WARN] Latency timer: 16 ms.\n"
                  "       -> Lower it.\n"
                  "[FAIL] Bridge EEPROM: CBUS off.\n"
                  "       -> Program it.\n"
                  "[ -- ] Unit firmware: No port.\n"
                  "1 problem, 1 warning: the unit will not work until the problems are solved.\n");
    }
    {
        const Speaking language(false);
        EXPECT_EQ(FormatDiagnosis(report),
                  "[正常] USB bridge: one\n"
                  "       two\n"
                  "[注意] Latency timer: 16 ms.\n"
                  "       -> Lower it.\n"
                  "[異常] Bridge EEPROM: CBUS off.\n"
                  "       -> Program it.\n"
                  "[ -- ] Unit firmware: No port.\n"
                  "問題 1 件、注意 1 件: 問題を解決するまで発生器は動きません。\n");
    }
}

// The summary line counts in both languages, English in the number its counts need.
TEST(DiagnosisReportTest, SummaryCountsInBothLanguages)
{
    struct Case {
        std::vector<Verdict> verdicts;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {{Verdict::Ok, Verdict::NotChecked}, "No problems found.", "問題は見つかりませんでした。"},
        {{Verdict::Warning}, "0 problems, 1 warning.", "問題 0 件、注意 1 件。"},
        {{Verdict::Warning, Verdict::Warning, Verdict::Ok},
         "0 problems, 2 warnings.",
         "問題 0 件、注意 2 件。"},
        {{Verdict::Problem, Verdict::Problem},
         "2 problems, 0 warnings: the unit will not work until the problems are solved.",
         "問題 2 件、注意 0 件: 問題を解決するまで発生器は動きません。"},
    };
    for (const Case& c : cases) {
        DiagnosisReport report;
        for (const Verdict v : c.verdicts) report.findings.push_back({"usb", "USB", v, "x", ""});
        for (const bool english : {true, false}) {
            const Speaking language(english);
            const std::string text = FormatDiagnosis(report);
            const std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
            EXPECT_EQ(last, std::string(english ? c.english : c.japanese) + "\n");
        }
    }
    // The titles the panel's dialog and krvctl show, each translated.
    const Speaking language(true);
    FakeSystemTree tree(std::nullopt, "/nonexistent", "");
    DiagnosisOptions options;
    options.roots = tree.Roots();
    SilentUserInterface ui;
    DeviceLink link(ui, nullptr);
    for (const Finding& f : Diagnose(link, options).findings) {
        EXPECT_FALSE(HasJapanese(f.title + f.detail + f.advice)) << f.id << ": " << f.title;
    }
}

INSTANTIATE_TEST_SUITE_P(SetUps, DiagnosisTest,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_English" : "_Japanese");
                         });

}  // namespace
}  // namespace krv
