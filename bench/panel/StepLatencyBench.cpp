// From a click on a "△" button to the output frame having left the program, against the
// virtual unit in instant mode: the time the click handler takes to write the frame, and the time
// until the unit has read the frame's last byte from its end of the pseudo-terminal.
#include "bench/BenchSupport.h"
#include "bench/panel/BenchPanel.h"

int main(int argc, char* argv[])
{
    krv::bench::UseOffscreenPlatform();
    QApplication application(argc, argv);
    krv::sim::ServerOptions options;
    options.instant = true;
    options.unit.circuits = 1;
    krv::bench::ConnectedPanel panel(options, /*startTimer=*/false);
    panel.state.channels[0].range = krv::kRange0_10V;
    auto* up = qobject_cast<QPushButton*>(panel.view->Control(krv::ChannelControlId(0, 8)));

    std::vector<double> written;
    std::vector<double> arrived;
    for (int i = 0; i < 1000; ++i) {
        panel.server.ClearRecords();
        const auto start = std::chrono::steady_clock::now();
        QTest::mouseClick(up, Qt::LeftButton);
        const auto done = std::chrono::steady_clock::now();
        if (!panel.server.WaitForReceived(1, std::chrono::milliseconds(1000))) continue;
        written.push_back(krv::bench::Microseconds(done - start));
        arrived.push_back(krv::bench::Microseconds(panel.server.Received().back().time - start));
    }
    krv::bench::PrintDistribution("click on \"△\" -> output frame written by the program", written);
    krv::bench::PrintDistribution("click on \"△\" -> frame's last byte read by the unit", arrived);
    return 0;
}
