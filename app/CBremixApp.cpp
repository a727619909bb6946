#include "app/CBremixApp.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <clocale>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "app/PanelLanguage.h"
#include "app/Version.h"
#include "link/DeviceLink.h"
#include "link/PortEnumeration.h"
#include "model/AppValues.h"
#include "panel/CBremixView.h"
#include "panel/OutputRecording.h"
#include "panel/QtUserInterface.h"
#include "platform/SerialDeviceMonitor.h"
#include "platform/Translate.h"
#include "sim/Simulation.h"

namespace krv {

void SetApplicationIdentity()
{
    // Numbers are read and written with a decimal point whatever the user's locale says: Qt
    // adopts the environment's locale, and strtod and printf would follow it.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("Holvik"));
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(KRV_VERSION));
    // Ties the windows to the installed desktop entry (its name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.holvik.bremix2"));
}

QStringList InstallFontFallbacks()
{
    // "ＭＳ ゴシック" is a fixed-pitch face (the panel's columns of digits rely on it); the dialog
    // faces are proportional.
    static const char* const kFixed[] = {"Noto Sans Mono CJK JP", "Noto Sans CJK JP", "IPAGothic",
                                         "VL Gothic", "TakaoGothic"};
    static const char* const kProportional[] = {
        "Noto Sans CJK JP",      "IPAPGothic", "IPAexGothic", "VL PGothic", "TakaoPGothic",
        "Noto Sans Mono CJK JP", "IPAGothic"};
    const QStringList installed = QFontDatabase::families();
    const auto available = [&](const auto& names) {
        QStringList found;
        for (const char* name : names) {
            const QString family = QString::fromUtf8(name);
            if (installed.contains(family, Qt::CaseInsensitive)) found.append(family);
        }
        return found;
    };
    const QStringList fixed = available(kFixed);
    const QStringList proportional = available(kProportional);
    if (!fixed.isEmpty()) QFont::insertSubstitutions(QString::fromUtf8("ＭＳ ゴシック"), fixed);
    for (const char* dialogFace : {"MS UI Gothic", "MS Shell Dlg"}) {
        if (!proportional.isEmpty()) {
            QFont::insertSubstitutions(QString::fromUtf8(dialogFace), proportional);
        }
    }
    return fixed;
}

void ConnectPanelCommands(CMainFrame& frame, CBremixView& view)
{
    CBremixView* panel = &view;
    const std::pair<int, void (CBremixView::*)()> commands[] = {
        {kIdLinkedAutoOutput, &CBremixView::ToggleLinkedCommand},
        {kIdStandaloneSetup, &CBremixView::StandaloneSetupCommand},
        {kIdCalibration, &CBremixView::CalibrationCommand},
        {kIdUnitInfo, &CBremixView::UnitInfoCommand},
        {kIdFirmwareUpdate, &CBremixView::UpdateFirmwareCommand},
        {kIdDiagnosis, &CBremixView::DiagnosisCommand},
    };
    for (const auto& [id, command] : commands) {
        QObject::connect(frame.Action(id), &QAction::triggered, panel,
                         [panel, command = command] { (panel->*command)(); });
    }
    frame.SetCalibrationAvailability([panel] { return panel->CalibrationAvailable(); });
    QObject::connect(panel, &CBremixView::ConnectionShown, &frame,
                     [&frame] { frame.UpdateCommandStates(); });
}

CBremixApp::CBremixApp(CommandLine options) : options_(std::move(options)) {}

CBremixApp::~CBremixApp()
{
    // Messages from here on have no window to belong to.
    if (ui_) ui_->SetParent(nullptr);
    frame_.reset();
    recording_.reset();
    doc_.reset();
    // Nothing may talk through an interface that is about to go.
    static ConsoleUserInterface afterExit;
    if (ui_) TheDeviceLink().SetUserInterface(afterExit);
    ui_.reset();
    simulator_.reset();
}

bool CBremixApp::StartSimulator(std::string* error)
{
    // The unit is reached through its pty and through its simulated bridge; the bridge's library
    // is installed before the process-wide link is first used, which loads it.
    sim::SimulationOptions options;
    options.server.unit.circuits = options_.simulateCircuits;
    simulator_ = std::make_unique<sim::Simulation>(options);
    std::string reason;
    if (!simulator_->Start(&reason)) {
        if (error) *error = WithArg(Tr("CBremixApp", "仮想ユニットを起動できません: %1"), reason);
        simulator_.reset();
        return false;
    }
    return true;
}

CBremixApp::StartResult CBremixApp::InitInstance(std::string* error)
{
    InstallFontFallbacks();
    InstallTranslations(PanelLanguage(options_.language));
    QApplication::setWindowIcon(AppIcon());
    if (options_.simulateCircuits != 0 && !StartSimulator(error)) return StartResult::Failed;

    ui_ = std::make_unique<QtUserInterface>();
    TheDeviceLink().SetUserInterface(*ui_);

    // The document restores the last run's settings, and with them the window width.
    doc_ = std::make_unique<CBremixDoc>(TheDeviceLink(), TheAppValues());
    frame_ = std::make_unique<CMainFrame>(*doc_);
    ui_->SetParent(frame_.get());

    PanelOptions panel;
    for (const std::string& port : options_.ports) {
        panel.extraPorts.push_back(ExtraPort{PortNameFromPath(port), std::string()});
    }
    if (simulator_) panel.simulatedPort = simulator_->Server().PortPath();
    std::string monitorError;
    panel.portChanges = SerialDeviceMonitor::Open(monitorError);
    if (!panel.portChanges) {
        std::fprintf(
            stderr, "bremix2: %s\n",
            WithArg(Tr("CBremixApp", "ポートの一覧は抜き差しに追従しません: %1"), monitorError)
                .c_str());
    }
    auto view = std::make_unique<CBremixView>(doc_->Link(), doc_->generator, *ui_, std::move(panel),
                                              frame_.get());
    CBremixView* viewPtr = view.get();
    frame_->SetView(std::move(view), [viewPtr] { viewPtr->OnInitialUpdate(); });
    ConnectPanelCommands(*frame_, *viewPtr);

    recording_ = std::make_unique<OutputRecording>(doc_->generator, *ui_, frame_.get());
    OutputRecording* recording = recording_.get();
    QAction* startLog = frame_->Action(kIdStartOutputLog);
    QAction* stopLog = frame_->Action(kIdStopOutputLog);
    QObject::connect(startLog, &QAction::triggered, recording,
                     [recording] { recording->StartLogCommand(); });
    QObject::connect(stopLog, &QAction::triggered, recording,
                     [recording] { recording->StopLogCommand(); });
    QObject::connect(frame_->Action(kIdShowTrend), &QAction::triggered, recording,
                     [recording] { recording->ShowTrendCommand(); });
    QObject::connect(viewPtr, &CBremixView::ConnectionShown, recording,
                     &OutputRecording::ConnectionChanged);
    QObject::connect(recording, &OutputRecording::loggingChanged, startLog,
                     [startLog, stopLog](bool on) {
                         startLog->setEnabled(!on);
                         stopLog->setEnabled(on);
                     });

    // A file named on the command line takes the place of the new settings set; when it
    // cannot be read the start goes on as without it.
    const bool opened = !options_.settingsFile.empty() && OpenStartFile();
    if (!opened && !frame_->NewDocument()) {
        // The user declined to choose a circuit count: there is no settings set to remember.
        doc_->SkipLastStateWrite();
        return StartResult::Cancelled;
    }
    frame_->show();
    return StartResult::Running;
}

bool CBremixApp::OpenStartFile()
{
    return frame_->OpenDocument(
        QFile::decodeName(QByteArray::fromStdString(options_.settingsFile)));
}

}  // namespace krv
