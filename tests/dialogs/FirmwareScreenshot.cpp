// Shows the firmware update dialog on the real display (Xvfb in scripts/screenshot-firmware) while
// it programs a virtual two-circuit unit at the wire's own speed, and saves what the display shows
// of it as a PNG file once the programming is under way.
//   firmware_screenshot OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>

#include "dialogs/CProgramUp.h"
#include "dialogs/ScreenshotLanguage.h"
#include "firmware/FirmwarePacker.h"
#include "sim/Simulation.h"
#include "support/Screenshot.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: firmware_screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!krv::test::PrepareScreenshots() || !krv::test::InstallLocaleLanguage()) return 1;
    QTemporaryDir temp;
    if (!temp.isValid()) return 1;
    const std::filesystem::path work = temp.path().toStdString();

    krv::sim::SimulationOptions options;
    options.server.instant = false;  // the bar has time to move
    options.server.unit.circuits = 2;
    krv::sim::Simulation simulation(options);
    std::string error;
    if (!simulation.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        return 1;
    }

    // Half the flash window of firmware, with the line it answers VER with.
    krv::SRecord record;
    record.address = 0xFFFE0000;
    for (int i = 0; i < 64 * 1024; ++i) record.data.push_back(static_cast<std::uint8_t>(i * 13));
    const std::string line = "VER020100\r\n";
    std::copy(line.begin(), line.end(), record.data.begin() + 32);
    const std::filesystem::path file = work / "KRV-020100.cya";
    std::ofstream(file, std::ios::binary)
        << krv::PackFirmware({record, {'7', 0xFFFE0000, {}}}, *krv::ParseFirmwareVersion("020100"));

    krv::SilentUserInterface ui;
    krv::DeviceLink link(ui, krv::sim::SimulatedD2xxLibrary());
    krv::AppValues app;
    krv::GeneratorState state(app);
    krv::CProgramUp dialog(link, state, ui);
    dialog.backupFolder = work;
    dialog.SetFirmwareFile(QString::fromStdString(file.string()));
    dialog.show();

    bool captured = false;
    bool ok = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (captured || dialog.Progress().value() < 20) return;
        captured = true;
        ok = krv::test::Capture(dialog,
                                folder.filePath(QStringLiteral("firmware-update-dialog.png")));
    });
    watch.start(20);
    // Update() returns once the update has ended.
    QTimer::singleShot(0, &dialog, [&] {
        dialog.Update();
        application.quit();
    });
    application.exec();
    const bool succeeded = dialog.LastOutcome() == krv::FirmwareUpdateOutcome::Succeeded;
    if (!succeeded) std::fprintf(stderr, "the update did not succeed\n");
    return ok && succeeded ? 0 : 1;
}
