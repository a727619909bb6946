// Shows the trend window on the real display (Xvfb in scripts/screenshot-trend) after ten minutes
// of two automatic outputs, run on a fast clock against the virtual unit, with channel 2 switched
// off for 40 s and the unit disconnected for 30 s on the way, and saves what the display shows of
// it as a PNG file:
//   trend_screenshots OUTPUT_FILE
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <thread>

#include "app/PanelLanguage.h"
#include "flows/LinkFrameSink.h"
#include "link/DeviceLink.h"
#include "model/AutoOutputEngine.h"
#include "panel/CBremixView.h"
#include "panel/OutputRecording.h"
#include "panel/TrendWindow.h"
#include "sim/SimServer.h"
#include "support/Screenshot.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: trend_screenshots OUTPUT_FILE\n");
        return 2;
    }
    if (!krv::test::PrepareScreenshots()) return 1;
    // The language the panel would speak here (its stored choice, else the locale), from this
    // build's catalogue: LANG=en_US.UTF-8 gives the English window.
    krv::InstallTranslations(krv::PanelLanguage(std::nullopt), QStringLiteral(KRV_CATALOGUE));

    krv::sim::ServerOptions unit;
    unit.unit.circuits = 2;
    unit.instant = true;
    krv::sim::SimServer server(unit);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        return 1;
    }

    // The panel and the trend on a clock of their own: ten minutes pass in a few seconds.
    krv::TimePoint fake = krv::Now();
    krv::SilentUserInterface ui;
    krv::DeviceLink link(ui);
    krv::AppValues app;
    app.mainWindowWidth = 482;
    krv::LinkFrameSink frames(link);
    krv::GeneratorState state(app, &frames);
    state.circuitCount = 2;
    state.ResetForCircuitCount(2);
    state.channels[0].range = krv::kRange4_20mA;
    state.ApplyRangeDefaults(0);
    state.channels[1].range = krv::kRange0_10V;
    state.ApplyRangeDefaults(1);
    // Channel 1: 4 to 20 mA in 2 mA steps every 5 s; channel 2: a triangle 0 to 10 V by 1 V
    // every 3 s.
    state.autoOutput[0].ramps[krv::kRange4_20mA] = {krv::kSawtooth, 0,   4.0f, 20.0f,
                                                    2.0f,           500, false};
    state.autoOutput[1].ramps[krv::kRange0_10V] = {krv::kTriangle, 0,   0.0f, 10.0f,
                                                   1.0f,           300, false};

    krv::PanelOptions options;
    options.startTimer = false;
    options.clock = [&] { return fake; };
    options.simulatedPort = server.PortPath();
    QMainWindow window;
    auto* view = new krv::CBremixView(link, state, ui, options, &window);
    window.setCentralWidget(view);
    view->OnInitialUpdate();
    window.show();
    krv::OutputRecording recording(state, ui, &window, [&] { return fake; });
    QObject::connect(view, &krv::CBremixView::ConnectionShown, &recording,
                     &krv::OutputRecording::ConnectionChanged);
    const auto click = [&](int id) {
        QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(id)), Qt::LeftButton);
    };
    click(krv::kConnectButtonId);
    if (!link.IsOpen()) {
        std::fprintf(stderr, "the panel did not connect\n");
        return 1;
    }
    for (int ch = 0; ch < 2; ++ch) {
        click(krv::ChannelControlId(ch, 6));  // ＯＮ
        krv::StartAutoOutput(state, ch, krv::AutoOutputClockAt(fake));
    }
    for (int tick = 0; tick < 12000 + 60; ++tick) {
        if (tick == 4000 || tick == 4800) click(krv::ChannelControlId(1, 6));  // channel 2 off, on
        if (tick == 8000) click(krv::kConnectButtonId);                        // disconnect
        if (tick == 8600) {
            click(krv::kConnectButtonId);  // connect again; the disconnect switched both off
            for (int ch = 0; ch < 2; ++ch) {
                click(krv::ChannelControlId(ch, 6));
                krv::StartAutoOutput(state, ch, krv::AutoOutputClockAt(fake));
            }
        }
        fake += std::chrono::milliseconds(50);
        view->OnTick(fake);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        QCoreApplication::processEvents();
    }

    recording.ShowTrendCommand();
    krv::TrendWindow* trend = recording.Trend();
    trend->resize(760, 440);
    trend->move(20, 20);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 &&
           !(trend->windowHandle() && trend->windowHandle()->isExposed())) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    trend->UpdatePlots();
    for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 700;) {
        if (!settle.isValid()) settle.start();
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QScreen* screen = trend->windowHandle() ? trend->windowHandle()->screen() : nullptr;
    if (!screen) return 1;
    const QPixmap shot = screen->grabWindow(trend->winId());
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (shot.isNull() || !shot.save(path, "PNG")) return 1;
    std::printf("Wrote %s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
    return 0;
}
