// The firmware update from the panel's menu and its dialog, against the virtual unit behind its
// simulated USB bridge: a file that is not a whole image refused with the panel untouched, the
// outputs switched off and the panel disconnected once an update starts, the file chooser, an
// update to its end (the unit then answers with the new version), the three ways of cancelling
// while the unit does not answer, an update without a file, and the window handling events all
// along.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/CBremixApp.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "dialogs/CProgramUp.h"
#include "firmware/FirmwarePacker.h"
#include "firmware/ProgramUnit.h"
#include "panel/CBremixView.h"
#include "sim/CommandFaults.h"
#include "sim/Simulation.h"
#include "support/HostileFirmware.h"
#include "support/ModalAnswer.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class FirmwareUpdateDlgTest : public ::testing::Test {
  protected:
    // The main window with its panel and menu beside a virtual unit with `circuits` circuits and
    // the boot loader faults `faults`; the document starts with `documentCircuits`.
    void Start(int circuits, const std::string& faults = "", int documentCircuits = 0)
    {
        sim::SimulationOptions options;
        options.server.instant = true;
        options.server.unit.circuits = circuits;
        std::string error;
        ASSERT_TRUE(sim::ParseCommandFaults(faults, options.server.unit.faults, &error)) << error;
        simulation = std::make_unique<sim::Simulation>(options);
        ASSERT_TRUE(simulation->Start(&error)) << error;
        link = std::make_unique<DeviceLink>(ui, sim::SimulatedD2xxLibrary());
        app.mainWindowWidth = 482;
        doc = std::make_unique<CBremixDoc>(*link, app, Temp() / "krv2.ini");
        const int count = documentCircuits != 0 ? documentCircuits : circuits;
        doc->generator.circuitCount = count;
        doc->generator.ResetForCircuitCount(count);
        frame = std::make_unique<CMainFrame>(*doc);
        PanelOptions panel;
        panel.startTimer = false;
        panel.simulatedPort = simulation->Server().PortPath();
        panel.firmwareBackupFolder = Temp() / "backups";
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

    fs::path Temp() const { return fs::path(temp.path().toStdString()); }
    GeneratorState& State() { return doc->generator; }
    sim::SimServer& Unit() { return simulation->Server(); }

    void Connect()
    {
        QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(kConnectButtonId)),
                          Qt::LeftButton);
        ASSERT_TRUE(link->IsOpen()) << testing::PrintToString(ui.Texts());
    }

    // A firmware of four 256-byte blocks whose first block holds the line it answers VER with.
    fs::path WriteFirmware(const std::string& version)
    {
        SRecord record;
        record.address = 0xFFFE0000;
        for (int i = 0; i < 4 * 256; ++i) record.data.push_back(static_cast<std::uint8_t>(i * 7));
        const std::string line = "VER" + version + "\r\n";
        std::copy(line.begin(), line.end(), record.data.begin() + 32);
        const auto packed = ParseFirmwareVersion(version);
        EXPECT_TRUE(packed.has_value());
        const fs::path path = Temp() / ("firmware-" + version + ".cya");
        std::ofstream(path, std::ios::binary)
            << PackFirmware({record, {'7', 0xFFFE0000, {}}}, *packed);
        return path;
    }

    // Runs the menu command; `act` gets the dialog and must close it.
    void RunCommand(const std::function<void(CProgramUp&)>& act)
    {
        test::ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<CProgramUp*>(modal);
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            if (dialog->isVisible()) dialog->done(test::kStuck);
        });
        frame->Action(kIdFirmwareUpdate)->trigger();
        ASSERT_TRUE(answer.Handled());
    }

    QTemporaryDir temp;
    test::RecordingUi ui;
    std::unique_ptr<sim::Simulation> simulation;
    std::unique_ptr<DeviceLink> link;
    AppValues app;
    std::unique_ptr<CBremixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CBremixView* view = nullptr;
};

TEST_F(FirmwareUpdateDlgTest, OutputsGoOffOnlyWhenAnUpdateWithAWholeFileStarts)
{
    Start(2);
    EXPECT_TRUE(frame->Action(kIdFirmwareUpdate)->isEnabled());
    Connect();
    // Channel 1 on, channel 2 on and run by the unit on its own (the panel's disconnect would
    // leave that one on).
    for (int ch = 0; ch < 2; ++ch) {
        State().SetOutputOn(ch, true);
        State().SendOutputFrame(ch);
    }
    State().unitAutoOutput[1].standaloneMode = kStandaloneFixed;
    const auto outputsOn = [this] {
        return Unit().WithUnit([](sim::VirtualUnit& u) {
            int on = 0;
            for (int ch = 0; ch < 2; ++ch)
                on += (u.Channel(ch).mainControl & kMainOutputOnBit) != 0;
            return on;
        });
    };
    const bool bothOn = QTest::qWaitFor([&] { return outputsOn() == 2; }, 2000);
    ASSERT_TRUE(bothOn);
    const auto hostile = test::HostileFirmwareFiles();
    const test::HostileFirmware cut =
        *std::find_if(hostile.begin(), hostile.end(),
                      [](const auto& f) { return std::string(f.name) == "cut at 40 %"; });
    const fs::path bad = Temp() / "cut.cya";
    std::ofstream(bad, std::ios::binary) << cut.bytes;
    const fs::path good = WriteFirmware("020100");

    // A file that is not a whole image is refused when chosen, and again on "更新" if it was
    // damaged after it was chosen; the panel and the unit stay as they were.
    bool tickDuringDialog = true;
    bool openDuringDialog = false;
    RunCommand([&](CProgramUp& dialog) {
        tickDuringDialog = view->TickProcessing();
        openDuringDialog = link->IsOpen();
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("ファームウェア更新"));
        EXPECT_EQ(dialog.StatusText().text(), QString::fromUtf8(kChooseFileStatus));
        EXPECT_EQ(dialog.FileText().text(), QString::fromUtf8(kNoFileText));
        EXPECT_FALSE(dialog.UpdateButton().isEnabled());
        dialog.SetFirmwareFile(QString::fromStdString(bad.string()));
        EXPECT_EQ(dialog.FirmwareFile(), QString());
        EXPECT_FALSE(dialog.UpdateButton().isEnabled());
        fs::copy_file(good, Temp() / "later-cut.cya");
        dialog.SetFirmwareFile(QString::fromStdString((Temp() / "later-cut.cya").string()));
        ASSERT_TRUE(dialog.UpdateButton().isEnabled());
        fs::resize_file(Temp() / "later-cut.cya", 100);
        QTest::mouseClick(&dialog.UpdateButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.LastOutcome(), FirmwareUpdateOutcome::Refused);
        EXPECT_TRUE(dialog.ChooseButton().isEnabled()) << "another file may be chosen";
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(tickDuringDialog);
    EXPECT_TRUE(openDuringDialog);
    ASSERT_EQ(ui.Texts().size(), 2u);
    EXPECT_EQ(ui.Texts()[0], std::string(kFileError) + "\n" + cut.reason);
    EXPECT_EQ(ui.Texts()[1].rfind(std::string(kFileError) + "\nレコード", 0), 0u) << ui.Texts()[1];
    EXPECT_EQ(outputsOn(), 2);
    EXPECT_EQ(simulation->Bridge().Opens(), 0u);
    EXPECT_TRUE(State().OutputOn(0));
    EXPECT_TRUE(link->IsOpen());
    EXPECT_TRUE(view->TickProcessing());
    EXPECT_TRUE(view->Polling().pollingEnabled);

    // With a whole file every output goes off before the update, and the panel is left
    // disconnected.
    ui.Clear();
    RunCommand([&](CProgramUp& dialog) {
        dialog.SetFirmwareFile(QString::fromStdString(good.string()));
        QTest::mouseClick(&dialog.UpdateButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.LastOutcome(), FirmwareUpdateOutcome::Succeeded)
            << testing::PrintToString(ui.Texts());
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    });
    for (int ch = 0; ch < 4; ++ch) EXPECT_FALSE(State().OutputOn(ch));
    EXPECT_TRUE(view->TickProcessing());
    EXPECT_FALSE(view->Polling().pollingEnabled);
    EXPECT_FALSE(link->IsOpen());
    // The unit restarted with its outputs off.
    EXPECT_EQ(outputsOn(), 0);
}

TEST_F(FirmwareUpdateDlgTest, UpdateFromTheDialogRunsToItsEndWhileTheWindowGoesOn)
{
    // A four-circuit document; the unit's serial number says two.
    Start(2, "", 4);
    const fs::path file = WriteFirmware("020100");
    std::vector<int> progress;
    int timerTicks = 0;
    PaintCounter paints;
    std::optional<FirmwareUpdateOutcome> outcome;
    QString status;
    QString cancelText;
    bool cancelEnabled = false;
    bool updateEnabled = true;
    bool chooseEnabled = true;
    RunCommand([&](CProgramUp& dialog) {
        // The file chooser: the two filters, and the file must exist.
        QTimer::singleShot(0, &dialog, [&] {
            QFileDialog* chooser = dialog.Chooser();
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->nameFilters(),
                      (QStringList{"Program Files (*.cya)", "All Files (*)"}));
            EXPECT_EQ(chooser->fileMode(), QFileDialog::ExistingFile);
            EXPECT_EQ(chooser->defaultSuffix(), "cya");
            chooser->selectFile(QString::fromStdString(file.string()));
            static_cast<QDialog*>(chooser)->accept();
        });
        QTest::mouseClick(&dialog.ChooseButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.FirmwareFile(), QString::fromStdString(file.string()));
        EXPECT_EQ(dialog.FileText().toolTip(), QString::fromStdString(file.string()));
        EXPECT_EQ(dialog.StatusText().text(), QString::fromUtf8(kFileChosenStatus));
        ASSERT_TRUE(dialog.UpdateButton().isEnabled());

        QObject::connect(&dialog.Progress(), &QProgressBar::valueChanged,
                         [&](int value) { progress.push_back(value); });
        dialog.Progress().installEventFilter(&paints);
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
        ticker.start(10);
        QTest::mouseClick(&dialog.UpdateButton(), Qt::LeftButton);
        ticker.stop();
        outcome = dialog.LastOutcome();
        status = dialog.StatusText().text();
        cancelText = dialog.CancelButton().text();
        cancelEnabled = dialog.CancelButton().isEnabled();
        updateEnabled = dialog.UpdateButton().isEnabled();
        chooseEnabled = dialog.ChooseButton().isEnabled();
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);  // "戻る" closes
        EXPECT_FALSE(dialog.isVisible());
    });
    ASSERT_EQ(outcome, FirmwareUpdateOutcome::Succeeded) << testing::PrintToString(ui.Texts());
    EXPECT_EQ(status, QString::fromUtf8("更新正常終了"));
    EXPECT_EQ(cancelText, QString::fromUtf8("戻る"));
    EXPECT_TRUE(cancelEnabled);
    EXPECT_FALSE(updateEnabled) << "one update a dialog";
    EXPECT_FALSE(chooseEnabled);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{UpdateQuestion("020000", "020100"), "更新が終了しました"}));
    // The bar moved through the programming and the window went on meanwhile.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::ranges::is_sorted(progress));
    EXPECT_GE(std::set<int>(progress.begin(), progress.end()).size(), 4u);
    EXPECT_GE(timerTicks, 5);
    EXPECT_GE(paints.paints, 2);
    // The document takes the unit's circuit count; the panel is disconnected, the tick goes on.
    EXPECT_EQ(State().circuitCount, 2);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
    EXPECT_TRUE(view->TickProcessing());
    EXPECT_TRUE(fs::exists(Temp() / "backups" / "KR2A0001_R.txt"));
    // Connected again, the unit runs the new firmware.
    ui.Clear();
    Connect();
    EXPECT_EQ(State().firmwareVersion, "020100");
}

TEST_F(FirmwareUpdateDlgTest, CancelWhileTheUnitNeverAnswersEndsTheUpdate)
{
    struct Case {
        const char* name;
        std::function<void(CProgramUp&)> cancel;
    };
    const Case cases[] = {
        {"button", [](CProgramUp& d) { QTest::mouseClick(&d.CancelButton(), Qt::LeftButton); }},
        {"Esc", [](CProgramUp& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](CProgramUp& d) { d.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(1, "b1-from=100000");
        const fs::path file = WriteFirmware("020100");
        std::optional<FirmwareUpdateOutcome> outcome;
        bool visibleAfterCancel = false;
        bool requestNoted = false;
        QString status;
        RunCommand([&](CProgramUp& dialog) {
            dialog.SetFirmwareFile(QString::fromStdString(file.string()));
            // Once the unit has been restarted into boot mode twice without an answer.
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (simulation->Bridge().BootRestarts() < 2 || requestNoted) return;
                c.cancel(dialog);
                requestNoted = dialog.CancelPending();
                visibleAfterCancel = dialog.isVisible();
            });
            watch.start(10);
            dialog.Update();
            watch.stop();
            outcome = dialog.LastOutcome();
            status = dialog.StatusText().text();
            EXPECT_FALSE(dialog.Busy());
            EXPECT_FALSE(dialog.UpdateButton().isEnabled());
            EXPECT_EQ(dialog.CancelButton().text(), QString::fromUtf8("キャンセル"));
            EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open until closed";
            QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_TRUE(requestNoted);
        EXPECT_TRUE(visibleAfterCancel);
        EXPECT_EQ(outcome, FirmwareUpdateOutcome::Failed);
        EXPECT_EQ(status, QString::fromUtf8("キャンセルしました"));
        EXPECT_EQ(ui.Texts(), (std::vector<std::string>{UpdateQuestion("020000", "020100"),
                                                        kCancelledRestart}));
        EXPECT_TRUE(simulation->Target().InBootMode());
        EXPECT_FALSE(link->FtdiPort().IsFtdiOpen());
        TearDown();
        ui.Clear();
    }
}

TEST_F(FirmwareUpdateDlgTest, UpdateWithoutAFileIsRefusedAndTheDialogStaysIdle)
{
    Start(2);
    const fs::path file = WriteFirmware("020100");
    RunCommand([&](CProgramUp& dialog) {
        dialog.Update();
        EXPECT_EQ(dialog.LastOutcome(), FirmwareUpdateOutcome::Refused);
        EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"ファイルが選択されていません"}));
        EXPECT_TRUE(dialog.ChooseButton().isEnabled());
        EXPECT_TRUE(dialog.CancelButton().isEnabled());
        // Still idle: a file may be chosen and the update started.
        dialog.SetFirmwareFile(QString::fromStdString(file.string()));
        EXPECT_TRUE(dialog.UpdateButton().isEnabled());
        EXPECT_EQ(dialog.StatusText().text(), QString::fromUtf8(kFileChosenStatus));
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(simulation->Bridge().Restarts(), 0u) << "the unit was not touched";
}

}  // namespace
}  // namespace krv
