// Start-up of the panel with a last-state file present and a virtual unit: from the process's start
// to the main window shown and painted, and the resident memory afterwards. Runs the application's
// own start-up on the offscreen platform (set QT_QPA_PLATFORM=xcb under Xvfb to include a real X
// server). Run it several times: "for i in 1 2 3 4 5; do build/bench/panel/bench_panel_startup;
// done".
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/CBremixApp.h"
#include "app/CMainFrame.h"
#include "files/LastStateFile.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"

namespace {

// Seconds since the process started, from the kernel's record of its start.
double SecondsSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long startTicks = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) startTicks = std::stoull(field);
    }
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    return uptime - static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A home of the run's own with a last state for two circuits.
    char pattern[] = "/tmp/krv-startup-XXXXXX";
    const std::filesystem::path home = mkdtemp(pattern);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    {
        krv::AppValues app;
        krv::GeneratorState state(app);
        state.circuitCount = 2;
        state.ResetForCircuitCount(2);
        std::filesystem::create_directories(home / "Documents" / "Holvik" / "Bremix2");
        krv::SaveLastState(state, app, home / "Documents" / "Holvik" / "Bremix2" / "krv2.ini");
    }
    const double before = SecondsSinceProcessStart();

    QApplication application(argc, argv);
    krv::SetApplicationIdentity();
    // As scripts/start-panel starts it: with a virtual unit, whose port is then selected (a
    // remembered port that is missing would stop the start-up at its message).
    krv::CommandLine options;
    options.simulateCircuits = 2;
    krv::CBremixApp app(options);
    std::string error;
    if (app.InitInstance(&error) != krv::CBremixApp::StartResult::Running) {
        std::fprintf(stderr, "start-up failed: %s\n", error.c_str());
        return 1;
    }
    if (!QTest::qWaitForWindowExposed(app.MainFrame())) return 1;
    QCoreApplication::processEvents();
    const double shown = SecondsSinceProcessStart();
    std::printf(
        "start-up to window shown: %.0f ms (of which before main: %.0f ms); resident "
        "memory %ld KiB; platform %s\n",
        shown * 1000.0, before * 1000.0, ResidentKilobytes(),
        qgetenv("QT_QPA_PLATFORM").constData());
    std::filesystem::remove_all(home);
    return 0;
}
