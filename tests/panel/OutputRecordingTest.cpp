// The output log and the trend of a panel connected to the virtual unit.
#include <fcntl.h>
#include <sys/stat.h>

#include <QGraphicsPathItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <fstream>
#include <sstream>

#include "panel/OutputRecording.h"
#include "panel/PanelFixture.h"
#include "panel/TrendWindow.h"
#include "platform/UniqueFd.h"
#include "sim/VirtualUnit.h"
#include "support/Process.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

// Reads the log with Python's csv module, as a user's script would, and prints each row's fields
// after the time, joined by "|"; a time stamp of the wrong form prints BAD TIME instead.
constexpr const char* kReadLog = R"(
import csv, re, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    reader = csv.DictReader(f)
    assert reader.fieldnames == ['time', 'channel', 'range', 'value', 'converted_value',
        'converted_unit', 'output', 'alarm', 'standalone_mode', 'run_state', 'event'], reader.fieldnames
    stamp = re.compile(r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$')
    for row in reader:
        if not stamp.match(row['time']):
            print('BAD TIME', row['time'])
        print('|'.join(row[k] for k in reader.fieldnames[1:]))
)";

std::vector<std::string> ReadWithPython(const std::string& path)
{
    const test::RunResult result =
        test::RunCommand({"/usr/bin/env", "python3", "-c", kReadLog, path});
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> rows;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    return rows;
}

class OutputRecordingTest : public test::PanelFixture {
  protected:
    // A two-circuit panel connected to the unit: channel 1 in 4 to 20 mA, channel 2 in 0 to 10 V.
    void Connect()
    {
        StartUnit();
        state.ResetForCircuitCount(2);
        state.circuitCount = 2;
        state.channels[0].range = kRange4_20mA;
        state.ApplyRangeDefaults(0);
        state.channels[1].range = kRange0_10V;
        state.ApplyRangeDefaults(1);
        MakePanel(2);
        recording = std::make_unique<OutputRecording>(state, ui, window.get());
        QObject::connect(view, &CBremixView::ConnectionShown, recording.get(),
                         &OutputRecording::ConnectionChanged);
        FreezeClock();
        ClickConnect();
        ASSERT_TRUE(link.IsOpen());
        ASSERT_TRUE(server->WaitForReceived(7, 1000ms));
    }
    void TearDown() override
    {
        recording.reset();
        PanelFixture::TearDown();
    }
    void Click(int ch, int offset)
    {
        QTest::mouseClick(Widget<QPushButton>(ChannelControlId(ch, offset)), Qt::LeftButton);
    }
    std::string LogPath(const char* name) const { return temp.filePath(name).toStdString(); }

    QTemporaryDir temp;
    std::unique_ptr<OutputRecording> recording;
};

TEST_F(OutputRecordingTest, LogHoldsOnAStepAnAlarmAndAnAutomaticOutput)
{
    Connect();
    const std::string path = LogPath("log.csv");
    QSignalSpy changed(recording.get(), &OutputRecording::loggingChanged);
    ASSERT_TRUE(recording->StartLog(QString::fromStdString(path)));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_TRUE(changed[0][0].toBool());

    Click(0, 6);          // ＯＮ
    Click(0, 8 + 2 * 4);  // "△": one milliampere up
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.SetStatusBits(0, sim::StatusWord::Main, sim::kMainOverTemperature);
        return 0;
    });
    ASSERT_TRUE(TickUntil([&] { return state.StatusText(0) == "出力部高温"; }));
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.ClearStatusBits(0, sim::StatusWord::Main, sim::kMainOverTemperature);
        return 0;
    });
    ASSERT_TRUE(TickUntil([&] { return state.StatusText(0).empty(); }));

    // Channel 2: a sawtooth from 1 V to 3 V in 1 V steps every 0.1 s, once.
    state.autoOutput[1].ramps[kRange0_10V] = {kSawtooth, 1, 1.0f, 3.0f, 1.0f, 10, false};
    Click(1, 40);
    ASSERT_EQ(state.autoOutput[1].runState, 1);
    ASSERT_TRUE(TickUntil([&] { return state.autoOutput[1].runState == 0; }));
    Ticks(10);  // status replies that change nothing write nothing
    recording->StopLogCommand();
    EXPECT_FALSE(recording->Logging());

    EXPECT_EQ(ReadWithPython(path), (std::vector<std::string>{
                                        "1|4_20mA|4.000|||off||off|stopped|start",
                                        "2|0_10V|0.000|||off||off|stopped|start",
                                        "1|4_20mA|4.000|||on||off|stopped|sent",
                                        "1|4_20mA|5.000|||on||off|stopped|sent",
                                        "1|4_20mA|5.000|||on|出力部高温|off|stopped|status",
                                        "1|4_20mA|5.000|||on||off|stopped|status",
                                        "2|0_10V|1.000|||off||off|stopped|sent",
                                        "2|0_10V|1.000|||off||off|running|run",
                                        "2|0_10V|2.000|||off||off|running|sent",
                                        "2|0_10V|3.000|||off||off|running|sent",
                                        "2|0_10V|3.000|||off||off|stopped|run",
                                    }));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(OutputRecordingTest, AFailingLogStopsAndThePanelCarriesOn)
{
    Connect();
    QSignalSpy changed(recording.get(), &OutputRecording::loggingChanged);

    // A file that cannot be created: refused with its reason.
    const std::string missing = LogPath("missing/log.csv");
    EXPECT_FALSE(recording->StartLog(QString::fromStdString(missing)));
    // The message waits for the event being handled to end.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.Texts().empty(); }, 5000));
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Texts()[0], std::string(kOutputLogCannotCreate) + "\n" + missing +
                                 "\n(No such file or directory)");

    // A log whose reader goes away while the panel runs: stopped at the next row, with a message
    // once the tick is over, and the panel goes on as before.
    ui.Clear();
    const std::string pipe = LogPath("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    UniqueFd reader(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(recording->StartLog(QString::fromStdString(pipe)));
    reader.Reset();
    changed.clear();
    Click(0, 6);  // ＯＮ: the row cannot be written
    EXPECT_FALSE(recording->Logging());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_FALSE(changed[0][0].toBool());
    EXPECT_TRUE(ui.Messages().empty());  // not inside the click
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.Texts().empty(); }, 5000));
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Texts()[0], std::string(kOutputLogWriteFailed) + "\n" + pipe + "\n(Broken pipe)");

    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(state.OutputOn(0));
    Click(0, 8 + 2 * 4);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return server->WithUnit(
                       [](sim::VirtualUnit& unit) { return unit.Channel(0).outputCode; }) == 4096;
        },
        2000));
}

TEST_F(OutputRecordingTest, TrendPlotsEachChannelOnlyWhileShown)
{
    Connect();
    state.autoOutput[0].ramps[kRange4_20mA] = {kSawtooth, 0, 4.0f, 20.0f, 4.0f, 10, false};
    Click(0, 6);  // ＯＮ
    Click(0, 40);
    ASSERT_TRUE(TickUntil([&] { return state.channels[0].outputValue == 12.0; }));

    recording->ShowTrendCommand();
    TrendWindow* trend = recording->Trend();
    ASSERT_NE(trend, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(trend));
    EXPECT_TRUE(trend->TimerActive());
    EXPECT_EQ(trend->ShownPlots(), 2);
    EXPECT_EQ(trend->ValueAxis(0)->min(), 4.0);
    EXPECT_EQ(trend->ValueAxis(0)->max(), 20.0);
    EXPECT_EQ(trend->ValueAxis(1)->max(), 10.0);
    // The staircase so far: 4, 8, 12 mA, stepped faster than a column of the plot: one upright
    // line from 4 to 12 that stays at 12 (no gap: the output is on).
    std::vector<double> levels;
    for (const StepPoint& p : trend->Line(0)) {
        ASSERT_FALSE(p.IsBreak());
        if (levels.empty() || levels.back() != p.value) levels.push_back(p.value);
    }
    EXPECT_EQ(levels, (std::vector<double>{4, 12}));
    EXPECT_GE(trend->LineItem(0)->path().elementCount(), 3);

    // Paused, the plots stand still; hidden, nothing is fed at all.
    trend->SetPaused(true);
    EXPECT_FALSE(trend->TimerActive());
    EXPECT_EQ(trend->PauseButton().text(), "再開");
    trend->SetPaused(false);
    EXPECT_TRUE(trend->TimerActive());
    trend->close();
    EXPECT_FALSE(trend->TimerActive());
    const int updates = trend->UpdateCount();
    Ticks(5);
    // Three of the trend's update periods: that no update comes, only time passing shows.
    QTest::qWait(3 * TrendWindow::kUpdateMs);
    EXPECT_EQ(trend->UpdateCount(), updates);
    EXPECT_GT(recording->History().Size(0), 3u);  // the history went on meanwhile

    // The plots as a PNG image; a file that cannot be written is said so.
    const QString png = temp.filePath("trend.png");
    trend->choosePngFile = [&] { return png; };
    QString error;
    trend->showError = [&](const QString& text) { error = text; };
    trend->ExportCommand();
    EXPECT_TRUE(error.isEmpty());
    QImage image(png);
    EXPECT_FALSE(image.isNull());
    trend->choosePngFile = [&] { return temp.filePath("missing/trend.png"); };
    trend->ExportCommand();
    EXPECT_TRUE(error.startsWith("PNGファイルを保存できません。"));
}

// Disconnected, the trend does not go on drawing the last value: the line lifts and the time
// since is a band, until the panel is connected again.
TEST_F(OutputRecordingTest, TrendShowsTheTimeWithoutAUnitAsABand)
{
    Connect();
    recording->ShowTrendCommand();
    TrendWindow* trend = recording->Trend();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(trend));
    trend->SetPaused(true);  // the test feeds the plots itself
    // Channel 1 is put out, channel 2 is switched off.
    state.SetOutputOn(0, true);
    state.SetOutputOn(1, false);
    state.SendAllCircuits();
    Ticks(2);
    trend->UpdatePlots();
    ASSERT_FALSE(trend->Line(0).empty());
    // Off from the connect until it was switched on.
    for (const TrendHistory::Band& b : trend->Bands(0)) {
        EXPECT_EQ(b.why, TrendGap::Off);
        EXPECT_LE(b.to, trend->Line(0).back().seconds);
    }
    ASSERT_EQ(trend->Bands(1).size(), 1u);
    EXPECT_EQ(trend->Bands(1)[0].why, TrendGap::Off);
    EXPECT_TRUE(trend->Line(1).empty());

    ClickConnect();  // disconnects
    ASSERT_FALSE(link.IsOpen());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            trend->UpdatePlots();
            return !trend->Bands(0).empty() && trend->Bands(0).back().why == TrendGap::Disconnected;
        },
        5000));
    const TrendHistory::Band away = trend->Bands(0).back();
    EXPECT_EQ(away.why, TrendGap::Disconnected);
    EXPECT_GE(away.to, recording->History().Now() - 0.01);
    EXPECT_LE(trend->Line(0).back().seconds, away.from);
    EXPECT_EQ(trend->Bands(1).back().why, TrendGap::Disconnected);

    // Connected again, the band ends; the outputs stay off as the disconnect left them.
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    const auto lastGap = [&] {
        const double now = recording->History().Now();
        const auto bands = recording->History().Bands(0, now - 600, now, 300);
        return bands.empty() ? TrendGap::None : bands.back().why;
    };
    ASSERT_TRUE(TickUntil([&] { return lastGap() == TrendGap::Off; }));
    trend->UpdatePlots();
    const auto& bands = trend->Bands(0);
    const auto closed = std::find_if(bands.begin(), bands.end(),
                                     [&](const auto& b) { return b.from == away.from; });
    ASSERT_NE(closed, bands.end());
    EXPECT_EQ(closed->why, TrendGap::Disconnected);
    EXPECT_EQ(bands.back().why, TrendGap::Off);
    EXPECT_LE(closed->to, bands.back().from);
}

}  // namespace
}  // namespace krv
