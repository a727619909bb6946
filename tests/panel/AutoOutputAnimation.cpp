// Shows the panel and its trend window side by side on the real display (Xvfb in
// scripts/screenshot-animation) while channel 1 runs a sawtooth and channel 2 a triangle against
// the virtual unit, on a fast clock, and saves one picture of both windows every five seconds of
// that clock for ten minutes:
//   auto_output_animation OUTPUT_FOLDER    (writes frame-000.png, frame-001.png, ...)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
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

namespace {

constexpr int kGap = 8;

void WaitExposed(QWidget& widget)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 &&
           !(widget.windowHandle() && widget.windowHandle()->isExposed())) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// What the display shows of both windows, on a plain background between them.
QImage Frame(QWidget& panel, QWidget& trend)
{
    QScreen* screen = panel.windowHandle()->screen();
    const QPixmap left = screen->grabWindow(panel.winId());
    const QPixmap right = screen->grabWindow(trend.winId());
    QImage frame(left.width() + kGap + right.width(), std::max(left.height(), right.height()),
                 QImage::Format_RGB32);
    frame.fill(QColor(96, 96, 96));
    QPainter painter(&frame);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + kGap, 0, right);
    return frame;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: auto_output_animation OUTPUT_FOLDER\n");
        return 2;
    }
    if (!krv::test::PrepareScreenshots()) return 1;
    krv::InstallTranslations(krv::PanelLanguage(std::nullopt), QStringLiteral(KRV_CATALOGUE));
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    krv::sim::ServerOptions unit;
    unit.unit.circuits = 2;
    unit.instant = true;
    krv::sim::SimServer server(unit);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
        return 1;
    }

    krv::TimePoint fake = krv::Now();
    krv::SilentUserInterface ui;
    krv::DeviceLink link(ui);
    krv::AppValues app;
    app.mainWindowWidth = 482;
    krv::LinkFrameSink frames(link);
    krv::GeneratorState state(app, &frames);
    state.circuitCount = 2;
    state.ResetForCircuitCount(2);
    state.channels[1].range = krv::kRange0_10V;
    state.ApplyRangeDefaults(1);
    // Channel 1: 0 to 5 V in 0.5 V steps every 4 s; channel 2: a triangle 0 to 10 V by 1 V
    // every 3 s.
    state.autoOutput[0].ramps[krv::kRange0_5V] = {krv::kSawtooth, 0, 0.0f, 5.0f, 0.5f, 400, false};
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
    window.move(0, 0);
    window.show();
    WaitExposed(window);
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
    recording.ShowTrendCommand();
    krv::TrendWindow* trend = recording.Trend();
    trend->resize(760, 440);
    trend->move(window.frameGeometry().width() + kGap, 0);
    WaitExposed(*trend);
    if (!window.windowHandle() || !trend->windowHandle()) {
        std::fprintf(stderr, "the windows did not reach the display\n");
        return 1;
    }
    for (int ch = 0; ch < 2; ++ch) {
        click(krv::ChannelControlId(ch, 6));  // ＯＮ
        krv::StartAutoOutput(state, ch, krv::AutoOutputClockAt(fake));
    }

    constexpr int kTicksPerFrame = 100;  // 5 s of the fast clock
    constexpr int kFrames = 120;
    for (int tick = 0; tick < kTicksPerFrame * kFrames; ++tick) {
        fake += std::chrono::milliseconds(50);
        view->OnTick(fake);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        QCoreApplication::processEvents();
        if ((tick + 1) % kTicksPerFrame != 0) continue;
        trend->UpdatePlots();
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QString path = folder.filePath(
            QStringLiteral("frame-%1.png").arg(tick / kTicksPerFrame, 3, 10, QChar('0')));
        if (!Frame(window, *trend).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("Wrote %d frames to %s\n", kFrames, qPrintable(folder.path()));
    return 0;
}
