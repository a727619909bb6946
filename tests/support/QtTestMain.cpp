// Runs a test program's cases inside one QApplication on the offscreen platform, with the user's
// home, settings and documents folder redirected to a folder of the run's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <clocale>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/settings"));
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // as the application does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
