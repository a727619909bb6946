// Shows the range, conversion formula and preset dialogs on the real display (Xvfb in
// scripts/screenshot-dialogs) and saves what the display shows of each as a PNG file:
//   dialogs_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>

#include <cstdio>

#include "dialogs/ScreenshotLanguage.h"
#include "support/Screenshot.h"

#include "dialogs/CPresetDlg.h"
#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"

using krv::test::Capture;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialogs_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!krv::test::PrepareScreenshots() || !krv::test::InstallLocaleLanguage()) return 1;

    krv::SilentUserInterface ui;
    bool ok = true;

    krv::CRangeSelectDlg range(ui);
    range.range = krv::kRangeE0_24mA;
    ok = Capture(range, folder.filePath(QStringLiteral("range-select-dialog.png"))) && ok;

    krv::CScaleDlg scale(ui);
    scale.channel = 0;
    scale.range = krv::kRange4_20mA;
    scale.scaledMin = 0.0;
    scale.scaledMax = 100.0;
    scale.scaledDigits = 2;
    scale.scaledUnit = "%";
    ok = Capture(scale, folder.filePath(QStringLiteral("scale-dialog.png"))) && ok;

    krv::CPresetDlg presets(ui);
    presets.channel = 1;
    presets.lowerText = " 4.000";
    presets.upperText = "20.000";
    presets.lower = 4.0;
    presets.upper = 20.0;
    presets.decimals = 3;
    presets.values = {4.0, 20.0, 12.0, 8.0, 16.0, 10.5, 5.25, 19.999};
    ok = Capture(presets, folder.filePath(QStringLiteral("preset-dialog.png"))) && ok;

    return ok ? 0 : 1;
}
