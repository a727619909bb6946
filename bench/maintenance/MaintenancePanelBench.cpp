// Figures of the maintenance dialogs in the panel against a wire-timed virtual unit on a
// pseudo-terminal (offscreen platform):
//  1. "発生器　情報": from the menu command to the dialog on screen (its first paint, before the
//     unit is read), and to the whole text of a two-circuit unit, against the floor of its 40
//     calibration reads (the pause before each and its frame and reply on the wire);
//  2. "PCレス設定": the write of 255 points from the dialog against the same write from krvctl
//     (the program, as a user runs it, when it is found beside this one; and the flow krvctl runs,
//     in this process without a window), and against the wire time of its traffic.
//   bench_maintenance_panel [RUNS]
#include <QApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/BenchSupport.h"
#include "bench/panel/BenchPanel.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "files/SettingsFile.h"
#include "flows/StandaloneFlows.h"
#include "protocol/Calibration.h"

namespace krv::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::chrono::nanoseconds TrafficWireTime(const sim::SimServer& server)
{
    std::size_t bytes = 0;
    for (const auto& line : server.Received()) bytes += line.bytes.size();
    for (const auto& line : server.Sent()) bytes += line.bytes.size();
    return sim::WireTime(bytes);
}

// Notes when a dialog of type D is first painted, and closes it once `done` says so.
template <typename D>
class DialogWatch : public QObject {
  public:
    std::optional<Clock::time_point> firstPaint;
    D* dialog = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* d = qobject_cast<D*>(watched)) {
            dialog = d;
            if (event->type() == QEvent::Paint && !firstPaint) firstPaint = Clock::now();
        }
        return false;
    }
};

void UnitInformation(ConnectedPanel& panel, int runs)
{
    std::vector<double> shown;
    for (int run = 0; run < runs; ++run) {
        DialogWatch<ConverterVersionDlg> watch;
        qApp->installEventFilter(&watch);
        std::optional<Clock::time_point> filled;
        // Closes the dialog once its text is there.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (watch.dialog && watch.dialog->ReadDone()) {
                if (!filled) filled = Clock::now();
                closer.stop();
                watch.dialog->accept();
            }
        });
        closer.start(1);
        panel.server.ClearRecords();
        const auto start = Clock::now();
        panel.view->UnitInfoCommand();
        qApp->removeEventFilter(&watch);
        if (!watch.firstPaint || !filled || watch.dialog == nullptr) {
            std::fprintf(stderr, "the unit information did not show\n");
            return;
        }
        shown.push_back(Ms(*watch.firstPaint - start) * 1000.0);
        const std::chrono::nanoseconds floor =
            40 * (std::chrono::nanoseconds(kCalibrationReadPause) + sim::WireTime(12 + 24));
        std::printf(
            "unit information, 2 circuits: text after %.3f s, floor of its 40 reads "
            "%.3f s, ratio %.3f (target 1.2)\n",
            Seconds(*filled - start).count(), Seconds(floor).count(),
            Seconds(*filled - start).count() / Seconds(floor).count());
    }
    PrintDistribution("\"発生器　情報\" -> dialog painted (target 100 ms)", shown);
}

void GiveChannelsPoints(GeneratorState& state)
{
    for (int k = 0; k < 2; ++k) {
        state.autoOutput[k].standaloneMode = kStandaloneAuto;
        state.autoOutput[k].ramps[state.channels[k].range].waveform = kArbitrary;
        for (int i = 0; i < 128 - k; ++i) {
            state.autoOutput[k].points[i] = {true, 0.01f * static_cast<float>(i + 1), 10, false};
        }
    }
}

// The krvctl program beside this one (build/cli/krvctl from build/bench/maintenance).
std::filesystem::path KrvctlProgram()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const auto krvctl = self.parent_path() / ".." / ".." / "cli" / "krvctl";
    return std::filesystem::exists(krvctl) ? krvctl : std::filesystem::path{};
}

void StandaloneWrite(ConnectedPanel& panel, int runs)
{
    GeneratorState& state = panel.state;
    GiveChannelsPoints(state);
    const std::array<float, 2> fixed{0.0f, 0.0f};
    const auto settings = std::filesystem::temp_directory_path() /
                          ("bench-standalone-" + std::to_string(getpid()) + ".ini");
    std::ofstream(settings, std::ios::binary) << SaveSettings(state, panel.app);
    const auto krvctl = KrvctlProgram();

    for (int run = 0; run < runs; ++run) {
        // From the dialog, as the user presses "書込". The restart is tried over the USB bridge,
        // which this unit lacks, as krvctl tries it.
        CPcResSetupDlg dialog(panel.link, state, panel.ui);
        dialog.linkWasOpen = panel.link.IsOpen();
        dialog.fixedValues = fixed;
        dialog.show();
        panel.server.ClearRecords();
        auto start = Clock::now();
        dialog.WriteFlow();
        const auto inDialog = Clock::now() - start;
        if (dialog.LastOutcome() != FlowOutcome::Succeeded) {
            std::fprintf(stderr, "the dialog's write failed\n");
            return;
        }
        panel.server.WaitForSent(panel.server.Received().size(), std::chrono::milliseconds(1000));
        const auto wire = TrafficWireTime(panel.server);
        dialog.hide();

        // The flow krvctl runs, without a window (its messages are not timed).
        SilentUserInterface console;
        DeviceLink link(console);
        link.SetPortName(panel.server.PortPath());
        panel.link.ClosePort();
        link.OpenPort();
        const StandaloneSource source{state, fixed, false};
        FlowContext context{link, console};
        StandaloneImage readBack;
        start = Clock::now();
        const FlowOutcome outcome = RunStandaloneWrite(context, source, readBack);
        const auto flow = Clock::now() - start;
        link.ClosePort();
        if (outcome != FlowOutcome::Succeeded) {
            std::fprintf(stderr, "the flow's write failed\n");
            return;
        }

        // krvctl itself.
        std::optional<Clock::duration> program;
        if (!krvctl.empty()) {
            const std::string command = krvctl.string() + " --port " + panel.server.PortPath() +
                                        " standalone write " + settings.string() +
                                        " >/dev/null 2>&1";
            start = Clock::now();
            if (std::system(command.c_str()) == 0) program = Clock::now() - start;
        }
        panel.link.OpenPort();

        std::printf(
            "standalone write, 255 points: dialog %.3f s, krvctl's flow %.3f s (ratio "
            "%.3f), wire time of the traffic %.3f s (ratio %.3f)",
            Seconds(inDialog).count(), Seconds(flow).count(),
            Seconds(inDialog).count() / Seconds(flow).count(), Seconds(wire).count(),
            Seconds(inDialog).count() / Seconds(wire).count());
        if (program) {
            std::printf(", krvctl %.3f s (ratio %.3f)", Seconds(*program).count(),
                        Seconds(inDialog).count() / Seconds(*program).count());
        }
        std::printf("\n");
    }
    std::filesystem::remove(settings);
}

}  // namespace
}  // namespace krv::bench

int main(int argc, char* argv[])
{
    krv::bench::UseOffscreenPlatform();
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    krv::sim::ServerOptions options;
    options.instant = false;
    options.unit.circuits = 2;
    // The commands rest the tick while they run; the write below is started from the dialog itself.
    krv::bench::ConnectedPanel panel(options, /*startTimer=*/false);
    krv::bench::UnitInformation(panel, runs);
    krv::bench::StandaloneWrite(panel, runs);
    return 0;
}
