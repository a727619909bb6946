// Shows the automatic-output dialog once per waveform on the real display (Xvfb in
// scripts/screenshot-auto-output) and saves what the display shows of it as PNG files:
//   autodlg_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>

#include <cstdio>

#include "dialogs/ScreenshotLanguage.h"
#include "support/Screenshot.h"

#include "dialogs/CAutoOutDlg.h"

using krv::test::Capture;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: autodlg_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!krv::test::PrepareScreenshots() || !krv::test::InstallLocaleLanguage()) return 1;

    // Channel 1 in the 4 to 20 mA range, with settings for every waveform and a short point list.
    krv::SilentUserInterface ui;
    krv::AppValues app;
    krv::GeneratorState state(app);
    state.channels[0].range = krv::kRange4_20mA;
    krv::AutoOutputChannel& automatic = state.autoOutput[0];
    const float values[] = {4.0f, 8.0f, 12.0f, 16.0f, 20.0f, 12.0f};
    for (int i = 0; i < 6; ++i) {
        automatic.points[static_cast<std::size_t>(i)] = {true, values[i], 50 * (i + 1), i == 4};
    }
    bool ok = true;
    const std::pair<int, const char*> shots[] = {
        {krv::kSawtooth, "auto-output-dialog-sawtooth.png"},
        {krv::kTriangle, "auto-output-dialog-triangle.png"},
        {krv::kArbitrary, "auto-output-dialog-arbitrary.png"},
    };
    for (const auto& [waveform, name] : shots) {
        automatic.ramps[krv::kRange4_20mA] = {waveform, 3, 4.0f, 20.0f, 0.5f, 150, false};
        krv::CAutoOutDlg dialog(state, ui);
        dialog.channel = 0;
        dialog.rangeInEffect = krv::kRange4_20mA;
        ok = Capture(dialog, folder.filePath(QString::fromUtf8(name))) && ok;
    }
    return ok ? 0 : 1;
}
