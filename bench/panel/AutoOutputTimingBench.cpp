// A 0.1 s sawtooth of 100 steps run by the panel's own 50 ms tick, against the virtual unit at
// real wire timing: does every step reach the unit, and how late is each after its due time (the
// previous step's arrival plus the 0.1 s hold)?
#include <QTimer>

#include "bench/BenchSupport.h"
#include "bench/panel/BenchPanel.h"
#include "model/AutoOutputEngine.h"

int main(int argc, char* argv[])
{
    krv::bench::UseOffscreenPlatform();
    QApplication application(argc, argv);
    krv::sim::ServerOptions options;
    options.unit.circuits = 1;  // real wire timing
    krv::bench::ConnectedPanel panel(options, /*startTimer=*/true);
    panel.state.channels[0].range = krv::kRange0_10V;
    panel.state.autoOutput[0].ramps[krv::kRange0_10V] =
        krv::RampSettings{krv::kSawtooth, 1, 0.0f, 10.0f, 0.1f, 10, false};
    panel.server.WithUnit([](krv::sim::VirtualUnit& u) {
        u.ClearOutputHistory();
        return 0;
    });
    QTest::mouseClick(qobject_cast<QPushButton*>(panel.view->Control(krv::ChannelControlId(0, 40))),
                      Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return panel.state.autoOutput[0].runState == 0; }, 20000)) {
        std::printf("the sawtooth did not finish within 20 s\n");
    }
    QTest::qWait(300);

    const auto history = panel.server.OutputHistory(0);
    int expected = 0;
    int missing = 0;
    std::vector<double> lateness;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const int code = history[i].outputCode;
        const int want = static_cast<int>(expected * 0.1 * 6553.5 + 0.5);
        if (std::abs(code - want) > 1) {
            ++missing;
        }
        if (i > 0) {
            const auto due = history[i - 1].time + std::chrono::milliseconds(100);
            lateness.push_back(krv::bench::Microseconds(history[i].time - due));
        }
        ++expected;
    }
    std::printf(
        "steps received: %zu (start value + 100 steps expected: 101), out of sequence: %d\n",
        history.size(), missing);
    std::sort(lateness.begin(), lateness.end());
    const auto within =
        std::count_if(lateness.begin(), lateness.end(), [](double us) { return us <= 50000.0; });
    krv::bench::PrintDistribution("lateness after the due time", lateness);
    if (!lateness.empty()) {
        std::printf("min %.1f us; within 50 ms: %zd of %zu\n", lateness.front(), within,
                    lateness.size());
    }
    return 0;
}
