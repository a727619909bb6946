#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <cstdio>

#include "app/CBremixApp.h"

namespace krv::test {

// Sets a screenshot program up as the application sets itself up; false (with a message) when no
// Japanese font is installed, since the pictures would show boxes instead of text.
inline bool PrepareScreenshots()
{
    SetApplicationIdentity();
    if (InstallFontFallbacks().isEmpty()) {
        std::fprintf(stderr, "no Japanese font is installed (fonts-noto-cjk)\n");
        return false;
    }
    return true;
}

// Lets the dialog reach the screen and paint, then takes the window's pixels from the display.
inline bool Capture(QDialog& dialog, const QString& path)
{
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 &&
           !(dialog.windowHandle() && dialog.windowHandle()->isExposed())) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // A few more rounds for the first paint and the focus frame.
    for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 500;) {
        if (!settle.isValid()) settle.start();
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QScreen* screen = dialog.windowHandle() ? dialog.windowHandle()->screen() : nullptr;
    if (!screen) return false;
    const QPixmap shot = screen->grabWindow(dialog.winId());
    dialog.hide();
    if (shot.isNull() || !shot.save(path, "PNG")) return false;
    std::printf("Wrote %s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
    return true;
}

}  // namespace krv::test
