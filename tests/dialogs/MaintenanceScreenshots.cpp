// Shows the maintenance dialogs against a virtual two-circuit unit on the real display (Xvfb in
// scripts/screenshot-maintenance) and saves what the display shows of each as a PNG file: the
// standalone setup after a write, the calibration with a trial running, the unit information,
// the diagnosis.
//   maintenance_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

#include "dialogs/CCalDlg.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "dialogs/DiagnosisDlg.h"
#include "dialogs/ScreenshotLanguage.h"
#include "flows/CalibrationSession.h"
#include "flows/LinkFrameSink.h"
#include "sim/Simulation.h"
#include "support/Screenshot.h"

using krv::test::Capture;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: maintenance_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!krv::test::PrepareScreenshots() || !krv::test::InstallLocaleLanguage()) return 1;

    krv::sim::SimulationOptions options;
    options.server.instant = true;
    options.server.unit.circuits = 2;
    krv::sim::Simulation simulation(options);
    std::string error;
    if (!simulation.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        return 1;
    }
    simulation.Server().WithUnit([](krv::sim::VirtualUnit& u) {
        u.Calibration().Set(0, krv::kRange0_10V, {0x0002, 0x0004, 0x7FFA, 0x0003, 0x8005});
        u.Calibration().Set(1, krv::kRange4_20mA, {0x0001, 0xFFFE, 0x800C, 0xFFF9, 0x7FF1});
    });
    krv::SilentUserInterface ui;
    krv::DeviceLink link(ui, krv::sim::SimulatedD2xxLibrary());
    krv::AppValues app;
    krv::LinkFrameSink frames(link);
    krv::GeneratorState state(app, &frames);
    state.circuitCount = 2;
    state.ResetForCircuitCount(2);
    state.firmwareVersion = "020000";
    state.channels[1].range = krv::kRange4_20mA;
    state.autoOutput[0].standaloneMode = krv::kStandaloneAuto;
    state.autoOutput[0].ramps[krv::kRange0_5V] = {krv::kTriangle, 0, 0.0f, 5.0f, 0.5f, 10, false};
    state.autoOutput[1].standaloneMode = krv::kStandaloneFixed;
    link.SetPortName(simulation.Server().PortPath());
    if (!link.OpenPort()) return 1;
    bool ok = true;

    krv::CPcResSetupDlg setup(link, state, ui);
    setup.linkWasOpen = true;
    setup.fixedValues = {0.0f, 12.0f};
    setup.show();
    if (QTest::qWaitForWindowExposed(&setup)) setup.WriteFlow();
    ok = setup.LastOutcome() == krv::FlowOutcome::Succeeded && ok;
    ok = Capture(setup, folder.filePath(QStringLiteral("standalone-setup-dialog.png"))) && ok;

    state.channels[0].range = krv::kRange0_10V;
    krv::CalibrationTableCopy tables = krv::CalibrationTableCopy::Of(state);
    ok = krv::ReadCurrentCalibration(link, tables, krv::CurrentRanges(state), 2) && ok;
    tables.ApplyTo(state);
    krv::CCalDlg calibration(link, ui);
    calibration.channelCount = 2;
    calibration.values = krv::NoteCalibration(state, 2);
    calibration.show();
    if (QTest::qWaitForWindowExposed(&calibration)) {
        QTest::mouseClick(&calibration.MinimumCheck(), Qt::LeftButton);
        for (int i = 0; i < 4; ++i) QTest::mouseClick(&calibration.ZeroUp(), Qt::LeftButton);
    }
    ok = Capture(calibration, folder.filePath(QStringLiteral("calibration-dialog.png"))) && ok;
    QTest::mouseClick(&calibration.MinimumCheck(), Qt::LeftButton);  // back to normal output

    krv::ConverterVersionDlg information(link, state, ui);
    information.circuits = 2;
    information.show();
    QElapsedTimer waited;
    waited.start();
    while (!information.ReadDone() && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ok = !information.Text().empty() && ok;
    ok = Capture(information, folder.filePath(QStringLiteral("unit-information-dialog.png"))) && ok;

    // This machine's own report: what it shows of USB depends on where the script runs.
    krv::DiagnosisDlg diagnosis(link, ui);
    diagnosis.options.linkInUse = true;
    diagnosis.options.port = simulation.Server().PortPath();
    diagnosis.show();
    waited.restart();
    while (!diagnosis.Done() && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ok = !diagnosis.Text().empty() && ok;
    ok = Capture(diagnosis, folder.filePath(QStringLiteral("diagnosis-dialog.png"))) && ok;
    link.ClosePort();
    return ok ? 0 : 1;
}
