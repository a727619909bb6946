// Processor time of the trend window. The panel is connected to a virtual unit at wire timing
// and polls it at the 50 ms tick while every channel runs a sawtooth that steps every 0.1 s, the
// busiest trend there is; the history starts with ten minutes of such steps, as after a long
// run. The same stretch is measured in each state:
//
//   no recording     the panel alone
//   history          the panel with its output history (what the program always runs)
//   trend shown      the trend window open, fed four times a second
//   trend hidden     the window closed again
//   log running      the output log writing into a file, window closed
//
//   bench_trend_cpu [CIRCUITS [SECONDS [steady]]]     (defaults: 2 circuits, 20 s per state)
//
// "steady" leaves the outputs where they are instead (the history still starts with ten busy
// minutes): the trend of a panel that only holds its values.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (under xvfb-run, for
// example, QT_QPA_PLATFORM=xcb draws through a real X server).
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/panel/BenchPanel.h"
#include "model/AutoOutputEngine.h"
#include "panel/OutputRecording.h"
#include "panel/TrendWindow.h"

namespace {

void Idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures {
    double main = 0;
    double process = 0;
};

Figures Measure(const char* title, int seconds)
{
    Idle(1000);  // let the change settle
    krv::bench::ThreadCpuMeter meter;
    Idle(seconds * 1000);
    double span = 0;
    Figures f;
    for (const auto& row : meter.Rows(span, f.process)) {
        if (row.name == "main") f.main = row.percent;
    }
    std::printf("  %-16s main thread %6.3f %%   whole process %6.3f %% of one core\n", title,
                f.main, f.process);
    std::fflush(stdout);
    return f;
}

}  // namespace

int main(int argc, char* argv[])
{
    krv::bench::UseOffscreenPlatform();
    QApplication application(argc, argv);
    const int circuits = argc > 1 ? std::atoi(argv[1]) : 2;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    const bool steady = argc > 3 && std::string(argv[3]) == "steady";
    if ((circuits != 1 && circuits != 2 && circuits != 4) || seconds <= 0) {
        std::fprintf(stderr, "usage: bench_trend_cpu [1|2|4 [SECONDS]]\n");
        return 2;
    }
    krv::sim::ServerOptions options;  // real wire timing
    options.unit.circuits = circuits;
    krv::bench::ConnectedPanel panel(options, /*startTimer=*/true);
    krv::GeneratorState& state = panel.state;

    // Every output on (the trend shows an output switched off as a gap, with nothing to draw).
    for (int ch = 0; ch < circuits; ++ch) {
        state.SetOutputOn(ch, true);
        state.SendOutputFrame(ch);
    }
    // Every channel: a sawtooth over its whole range in 0.1 s steps.
    for (int ch = 0; ch < circuits && !steady; ++ch) {
        krv::RampSettings& ramp = state.autoOutput[static_cast<std::size_t>(ch)]
                                      .ramps[static_cast<std::size_t>(state.RangeInEffect(ch))];
        ramp = {krv::kSawtooth, 0, 0.0f, 5.0f, 0.25f, 10, false};
        krv::StartAutoOutput(state, ch, krv::AutoOutputClockNow());
    }
    std::printf(
        "trend window, %d circuits, virtual unit at 19200 baud, %s; %d s per state (%s "
        "platform)\n",
        circuits, steady ? "outputs steady" : "every channel stepping every 0.1 s", seconds,
        qPrintable(QGuiApplication::platformName()));

    const Figures alone = Measure("no recording", seconds);

    auto recording = std::make_unique<krv::OutputRecording>(state, panel.ui, &panel.window);
    krv::TrendHistory& history = recording->History();
    const krv::TimePoint now = krv::Now();
    for (int ch = 0; ch < circuits; ++ch) {
        const krv::TrendScale scale = krv::ChannelTrendScale(state, ch);
        for (int i = 0; i < 6000; ++i) {
            const auto at = now - std::chrono::milliseconds(600000 - i * 100);
            history.Add(ch, at, 0.25 * (i % 21), scale);
        }
    }
    const Figures withHistory = Measure("history", seconds);

    recording->ShowTrendCommand();
    krv::TrendWindow* trend = recording->Trend();
    const int updatesBefore = trend->UpdateCount();
    const Figures shown = Measure("trend shown", seconds);
    const int updates = trend->UpdateCount() - updatesBefore;
    std::size_t points = 0;
    for (int ch = 0; ch < circuits; ++ch) points += trend->Line(ch).size();

    trend->close();
    const int updatesHidden = trend->UpdateCount();
    const Figures hidden = Measure("trend hidden", seconds);
    const bool fedWhileHidden = trend->UpdateCount() != updatesHidden;

    QTemporaryDir folder;
    recording->StartLog(folder.filePath(QStringLiteral("log.csv")));
    const Figures logging = Measure("log running", seconds);
    const std::uint64_t rows = recording->Log().RowsWritten();
    recording->StopLogCommand();

    std::printf("trend shown: %d updates in %d s (%.1f per second), %zu points in its lines\n",
                updates, seconds + 1, updates / static_cast<double>(seconds + 1), points);
    std::printf("history: %zu samples on channel 1\n", history.Size(0));
    std::printf(
        "trend's cost while shown: main thread +%.3f %%, whole process +%.3f %% of one core\n",
        shown.main - withHistory.main, shown.process - withHistory.process);
    std::printf(
        "while hidden: main thread %+.3f %% against the history alone; fed while hidden: %s\n",
        hidden.main - withHistory.main, fedWhileHidden ? "YES" : "no");
    std::printf("history's cost: main thread %+.3f %%; log: %llu rows, main thread %+.3f %%\n",
                withHistory.main - alone.main, static_cast<unsigned long long>(rows),
                logging.main - hidden.main);
    return 0;
}
