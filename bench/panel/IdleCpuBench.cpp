// Processor time of the panel while it is connected and idle: the panel polls the virtual unit's
// status every tick at real wire timing and nothing else happens. Prints every thread's share of
// one core, then the sums that matter: the program's own threads (the user-interface thread, the
// serial reader and the tick), the virtual unit's serving thread, and the whole process (Qt's
// threads included).
//
//   bench_panel_idle [CIRCUITS [SECONDS]]     (defaults: 2 circuits, 20 s)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (under xvfb-run, for
// example, QT_QPA_PLATFORM=xcb).
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

#include "bench/BenchSupport.h"
#include "bench/panel/BenchPanel.h"

int main(int argc, char* argv[])
{
    krv::bench::UseOffscreenPlatform();
    QApplication application(argc, argv);
    const int circuits = argc > 1 ? std::atoi(argv[1]) : 2;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    if ((circuits != 1 && circuits != 2 && circuits != 4) || seconds <= 0) {
        std::fprintf(stderr, "usage: bench_panel_idle [1|2|4 [SECONDS]]\n");
        return 2;
    }
    krv::sim::ServerOptions options;  // real wire timing
    options.unit.circuits = circuits;
    krv::bench::ConnectedPanel panel(options, /*startTimer=*/true);

    // Let the connect's own traffic settle, then measure a stretch of plain polling. The event
    // loop runs as in the program: it sleeps until a tick or a repaint is due.
    const auto idle = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    idle(1000);
    const std::size_t linesBefore = panel.server.ReceivedCount();
    krv::bench::ThreadCpuMeter meter;
    idle(seconds * 1000);
    const std::size_t requests = panel.server.ReceivedCount() - linesBefore;

    std::printf(
        "panel connected and idle, %d circuits, virtual unit at 19200 baud; %zu status "
        "requests polled\n",
        circuits, requests);
    const auto rows = meter.Print("per thread");
    double own = 0;
    double unit = 0;
    double other = 0;
    for (const auto& r : rows) {
        if (r.name == "main" || r.name == "krv-reader" || r.name == "krv-tick") {
            own += r.percent;
        } else if (r.name.rfind("krv-sim-", 0) == 0) {
            unit += r.percent;
        } else {
            other += r.percent;
        }
    }
    std::printf("program's own threads (main, krv-reader, krv-tick): %.3f %% of one core\n", own);
    std::printf("virtual unit (krv-sim-*): %.3f %% of one core\n", unit);
    std::printf("other threads (Qt's): %.3f %% of one core\n", other);
    return 0;
}
