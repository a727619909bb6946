// Runs a test program's cases inside one QApplication on the offscreen platform, set up as the
// application sets itself up (name, numbers in the C locale, Japanese font stand-ins), with the
// user's home, settings and documents folder redirected to a folder of the run's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "app/CBremixApp.h"

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The panel's texts (Japanese) and the system's (English) as the tests expect them, whatever
    // the locale of the one running them; a test of another language asks for it.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
    qputenv("LANG", "C.UTF-8");
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    // Nothing a test does may reach the real user's settings or last-state file.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, home.path() + QStringLiteral("/settings"));
    }
    QApplication application(argc, argv);
    krv::SetApplicationIdentity();
    krv::InstallFontFallbacks();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
