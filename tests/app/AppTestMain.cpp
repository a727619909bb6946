// Runs the application shell's tests inside one QApplication on the offscreen platform, with
// the user's settings and documents folder redirected to a folder of the run's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/CBremixApp.h"

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    // Nothing a test does may reach the real user's settings or last-state file.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/settings"));

    QApplication application(argc, argv);
    krv::SetApplicationIdentity();
    krv::InstallFontFallbacks();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
