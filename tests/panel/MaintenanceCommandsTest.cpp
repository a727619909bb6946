// The panel's maintenance commands from its menu, against the virtual unit with its simulated USB
// bridge: when the items can be used, the refusals, the tick and polling around each dialog, the
// calibration read, store and restore, and a standalone setup from the write to the unit running
// it after a restart.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <set>
#include <thread>

#include "app/CBremixApp.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "dialogs/CCalDlg.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "dialogs/DiagnosisDlg.h"
#include "model/ValueDisplay.h"
#include "panel/CBremixView.h"
#include "panel/PanelWidgets.h"
#include "sim/Simulation.h"
#include "support/ModalAnswer.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class MaintenanceCommandsTest : public ::testing::Test {
  protected:
    // The main window with its panel and menu, as the application puts them together, beside a
    // virtual unit with `circuits` circuits.
    void Start(int circuits = 2)
    {
        sim::SimulationOptions options;
        options.server.instant = true;
        options.server.unit.circuits = circuits;
        simulation = std::make_unique<sim::Simulation>(options);
        std::string error;
        ASSERT_TRUE(simulation->Start(&error)) << error;
        link = std::make_unique<DeviceLink>(ui, sim::SimulatedD2xxLibrary());
        app.mainWindowWidth = 482;
        doc = std::make_unique<CBremixDoc>(
            *link, app, std::filesystem::path(temp.path().toStdString()) / "krv2.ini");
        doc->generator.circuitCount = circuits;
        doc->generator.ResetForCircuitCount(circuits);
        frame = std::make_unique<CMainFrame>(*doc);
        PanelOptions panel;
        panel.startTimer = false;
        panel.simulatedPort = simulation->Server().PortPath();
        auto owned =
            std::make_unique<CBremixView>(doc->Link(), doc->generator, ui, panel, frame.get());
        view = owned.get();
        frame->SetView(std::move(owned), [this] { view->OnInitialUpdate(); });
        ConnectPanelCommands(*frame, *view);
        view->OnInitialUpdate();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    void TearDown() override
    {
        frame.reset();
        doc.reset();
        link.reset();
        simulation.reset();
    }

    GeneratorState& State() { return doc->generator; }
    sim::SimServer& Unit() { return simulation->Server(); }
    QAction& Item(int id) { return *frame->Action(id); }
    void ClickConnect()
    {
        QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(kConnectButtonId)),
                          Qt::LeftButton);
    }
    void Connect()
    {
        Unit().ClearRecords();
        ClickConnect();
        ASSERT_TRUE(link->IsOpen()) << testing::PrintToString(ui.Texts());
        // VER, CH, MS, then a status request and an output frame per channel.
        const std::size_t lines = 3 + 2 * static_cast<std::size_t>(State().circuitCount);
        ASSERT_TRUE(Unit().WaitForReceived(lines, 2000ms));
        Unit().ClearRecords();
        ui.Clear();
    }
    std::size_t Received(const std::string& command)
    {
        std::size_t n = 0;
        for (const auto& line : Unit().Received()) n += line.bytes.find(command) == 1 ? 1 : 0;
        return n;
    }
    // Runs menu item `id`; `act` gets the dialog it opens (and must close it).
    template <typename Dialog>
    bool RunWithDialog(int id, const std::function<void(Dialog&)>& act)
    {
        test::ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<Dialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
        });
        Item(id).trigger();
        return answer.Handled();
    }
    struct Flags {
        bool tick;
        bool polling;
    };
    Flags Now() const { return {view->TickProcessing(), view->Polling().pollingEnabled}; }

    QTemporaryDir temp;
    test::RecordingUi ui;
    std::unique_ptr<sim::Simulation> simulation;
    std::unique_ptr<DeviceLink> link;
    AppValues app;
    std::unique_ptr<CBremixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CBremixView* view = nullptr;
};

TEST_F(MaintenanceCommandsTest, CalibrationItemIsGreyedWhileNotConnected)
{
    Start();
    EXPECT_FALSE(Item(kIdCalibration).isEnabled());
    EXPECT_TRUE(Item(kIdStandaloneSetup).isEnabled());
    EXPECT_TRUE(Item(kIdUnitInfo).isEnabled());
    EXPECT_TRUE(Item(kIdFirmwareUpdate).isEnabled());
    Connect();
    EXPECT_TRUE(Item(kIdFirmwareUpdate).isEnabled());
    EXPECT_TRUE(Item(kIdCalibration).isEnabled());
    ClickConnect();
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(Item(kIdCalibration).isEnabled());
}

TEST_F(MaintenanceCommandsTest, RefusalsWhileAnOutputIsOnOrWithoutAConnection)
{
    Start();
    // Not connected: calibration and information refuse, the standalone setup opens its dialog
    // without the flows and asks the unit nothing afterwards.
    view->CalibrationCommand();
    Item(kIdUnitInfo).trigger();
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"接続されていません", "接続されていません"}));
    EXPECT_EQ(ui.Messages()[0].caption, "確認");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Information);
    bool flowsOffered = true;
    ASSERT_TRUE(RunWithDialog<CPcResSetupDlg>(kIdStandaloneSetup, [&](CPcResSetupDlg& d) {
        flowsOffered = d.WriteButton().isEnabled() || d.VerifyButton().isEnabled();
        QTest::mouseClick(&d.CloseButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(flowsOffered);
    EXPECT_TRUE(Unit().Received().empty());

    // Channel 2's output on: calibration and standalone setup refuse at once.
    Connect();
    QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(ChannelControlId(1, 6))),
                      Qt::LeftButton);
    ASSERT_TRUE(State().OutputOn(1));
    ui.Clear();
    Item(kIdCalibration).trigger();
    Item(kIdStandaloneSetup).trigger();
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"ＯＮ状態では設定できません。",
                                                    "ＯＮ状態では設定できません。"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(view->TickProcessing());
}

TEST_F(MaintenanceCommandsTest, DiagnosisAsksTheUnitOnThePortInUseOrSelectedAndCopiesItsReport)
{
    Start();
    for (const bool connected : {false, true}) {
        SCOPED_TRACE(connected ? "connected" : "not connected");
        if (connected) Connect();
        Flags during{true, true};
        DiagnosisOptions options;
        std::string text;
        QString copied;
        ASSERT_TRUE(RunWithDialog<DiagnosisDlg>(kIdDiagnosis, [&](DiagnosisDlg& d) {
            during = Now();
            options = d.options;
            // Copied and closed once the checks have run (they run while this waits in the
            // events).
            const auto finish = [&] {
                text = d.Text();
                QTest::mouseClick(&d.CopyButton(), Qt::LeftButton);
                copied = QGuiApplication::clipboard()->text();
                QTest::mouseClick(&d.CloseButton(), Qt::LeftButton);
            };
            if (d.Done()) {
                finish();
            } else {
                QObject::connect(&d, &DiagnosisDlg::DiagnosisFinished, &d, finish,
                                 Qt::QueuedConnection);
            }
        }));
        EXPECT_FALSE(during.tick);
        EXPECT_FALSE(during.polling);
        EXPECT_EQ(options.linkInUse, connected);
        EXPECT_EQ(options.port, PortNameFromPath(simulation->PortPath()));
        // The unit behind the virtual port answers: over the panel's open link, or over the
        // selected port, which is closed again afterwards.
        EXPECT_NE(text.find("[正常] 発生器のファームウェア: "), std::string::npos) << text;
        EXPECT_EQ(copied.toStdString(), text);
        EXPECT_EQ(link->IsOpen(), connected);
        EXPECT_TRUE(Now().tick);
        EXPECT_EQ(Now().polling, connected);
    }
}

TEST_F(MaintenanceCommandsTest, TickAndPollingRestWhileTheDialogsTalkToTheUnit)
{
    Start();
    Connect();
    Flags during{true, true};
    ASSERT_TRUE(RunWithDialog<CCalDlg>(kIdCalibration, [&](CCalDlg& d) {
        during = Now();
        QTest::mouseClick(&d.CancelButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(during.tick);
    EXPECT_FALSE(during.polling);
    EXPECT_TRUE(Now().tick && Now().polling);

    during = {true, false};
    ASSERT_TRUE(RunWithDialog<ConverterVersionDlg>(kIdUnitInfo, [&](ConverterVersionDlg& d) {
        during = Now();
        // Closed once the unit has been read (the read runs while this waits in the events).
        if (d.ReadDone()) {
            QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
        } else {
            QObject::connect(&d, &ConverterVersionDlg::ReadFinished, &d.OkButton(),
                             &QPushButton::click, Qt::QueuedConnection);
        }
    }));
    EXPECT_FALSE(during.tick);
    EXPECT_TRUE(during.polling);  // the information leaves polling as it is
    EXPECT_TRUE(Now().tick && Now().polling);

    during = {true, true};
    Unit().ClearRecords();
    ASSERT_TRUE(RunWithDialog<CPcResSetupDlg>(kIdStandaloneSetup, [&](CPcResSetupDlg& d) {
        during = Now();
        QTest::keyClick(&d, Qt::Key_Escape);
    }));
    EXPECT_FALSE(during.tick || during.polling);
    EXPECT_TRUE(Now().tick && Now().polling);
    EXPECT_EQ(Received("MS"), 1u);  // the panel learns the modes the unit runs
}

TEST_F(MaintenanceCommandsTest, CancelledCalibrationWritesTheModesReadBeforeItBack)
{
    Start();
    State().channels[0].range = kRange0_10V;
    State().channels[1].range = kRange4_20mA;
    Connect();
    ASSERT_TRUE(RunWithDialog<CCalDlg>(kIdCalibration, [&](CCalDlg& d) {
        EXPECT_EQ(d.values[0].mode, kCalibrationMaker);
        // Meanwhile the unit's selector changes, and the user picks another one.
        Unit().WithUnit([](sim::VirtualUnit& u) { u.SetCalibrationMode(0, kRange0_10V, 2); });
        QTest::mouseClick(&d.SelectorRadio(kCalibrationOff), Qt::LeftButton);
        ui.AnswerWith(MessageAnswer::No);
        QTest::mouseClick(&d.CancelButton(), Qt::LeftButton);
    }));
    const auto working = Unit().WithUnit(
        [](sim::VirtualUnit& u) { return u.Calibration().Working(0, kRange0_10V); });
    EXPECT_EQ(working.mode, 0x0001);
    EXPECT_EQ(Received("CRU"), 2u);
    EXPECT_EQ(Received("CMU"), 2u);
    EXPECT_EQ(Received("CWU"), 0u);
    EXPECT_EQ(State().channels[0].userCalibration[kRange0_10V].mode & 0x3, kCalibrationMaker);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"調整値が変更されています。保存しますか？"});
}

TEST_F(MaintenanceCommandsTest, ConfirmedCalibrationIsStoredInTheUnit)
{
    Start(1);
    State().channels[0].range = kRange4_20mA;
    Connect();
    ASSERT_TRUE(RunWithDialog<CCalDlg>(kIdCalibration, [&](CCalDlg& d) {
        EXPECT_EQ(d.ChannelList().count(), 1);
        QTest::mouseClick(&d.SelectorRadio(kCalibrationUser), Qt::LeftButton);
        QTest::mouseClick(&d.MinimumCheck(), Qt::LeftButton);
        for (int i = 0; i < 3; ++i) QTest::mouseClick(&d.ZeroDown(), Qt::LeftButton);
        QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
    }));
    const auto stored = Unit().WithUnit(
        [](sim::VirtualUnit& u) { return u.Calibration().Stored(0, kRange4_20mA); });
    EXPECT_EQ(stored.mode & 0x3, 2);
    EXPECT_EQ(stored.userZero, 0xFFFD);
    EXPECT_EQ(Received("CWU"), 1u);
    EXPECT_EQ(State().channels[0].userCalibration[kRange4_20mA].zero, 0xFFFD);
    EXPECT_TRUE(ui.Texts().empty());
}

TEST_F(MaintenanceCommandsTest, AFailedCalibrationReadSaysSoAndResumes)
{
    Start();
    Connect();
    Unit().WithUnit([](sim::VirtualUnit& u) {
        sim::CommandFaults faults;
        faults.silentAfter = 1;  // channel 1 answers, channel 2 does not
        u.SetCommandFaults(faults);
    });
    Item(kIdCalibration).trigger();
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"通信エラーが発生しました"});
    EXPECT_TRUE(Now().tick && Now().polling);
    EXPECT_EQ(Received("CRU"), 5u);  // channel 2's read tried four times
}

TEST_F(MaintenanceCommandsTest, StandaloneSetupWritesVerifiesAndRestartsTheUnitWhichThenRunsIt)
{
    Start();
    GeneratorState& s = State();
    s.channels[0].range = kRange0_10V;
    s.autoOutput[0].ramps[kRange0_10V] = {kSawtooth, 0, 0.0f, 10.0f, 1.0f, 5, false};
    Connect();
    ASSERT_TRUE(RunWithDialog<CPcResSetupDlg>(kIdStandaloneSetup, [&](CPcResSetupDlg& d) {
        QTest::mouseClick(&d.ModeRadio(0, kStandaloneAuto), Qt::LeftButton);
        QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
        EXPECT_EQ(d.StatusText().text().toStdString(), "正常終了");
        QTest::mouseClick(&d.VerifyButton(), Qt::LeftButton);
        QTest::mouseClick(&d.CloseButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"書込み正常終了、再起動します", "照合結果：一致"}));
    EXPECT_EQ(simulation->Bridge().Restarts(), 1u);
    EXPECT_TRUE(link->IsOpen());
    EXPECT_EQ(s.autoOutput[0].standaloneMode, kStandaloneAuto);
    EXPECT_EQ(s.unitAutoOutput[0].standaloneMode, kStandaloneAuto);

    // Connected afresh, the panel shows the unit running channel 1 and follows its output.
    ClickConnect();
    Connect();
    auto* label = qobject_cast<PanelLabel*>(view->Control(ChannelControlId(0, 0)));
    ASSERT_NE(label, nullptr);
    // The unit steps the sawtooth on its own clock: tick until four of its values were shown.
    std::set<std::string> values;
    int ticks = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            view->OnTick();
            if (++ticks % 5 == 0) view->RefreshPanel();
            values.insert(ValueText(s, 0));
            return values.size() >= 4;
        },
        10000));
    EXPECT_EQ(label->text().toStdString(), " PCレス 自動出力 ");
    EXPECT_GE(values.size(), 4u);
    for (const std::string& v : values) {
        const double volts = std::stod(v);
        EXPECT_EQ(volts, std::round(volts)) << v;  // only the sawtooth's whole-volt steps
    }
}

}  // namespace
}  // namespace krv
