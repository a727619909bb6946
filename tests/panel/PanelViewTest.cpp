// The main panel: layout, connection, the tick and the status display, against the virtual unit.
#include <QComboBox>
#include <QCoreApplication>
#include <QRadioButton>

#include "panel/PanelFixture.h"
#include "panel/PanelWidgets.h"
#include "panel/TickSource.h"
#include "protocol/StatusReply.h"
#include "sim/VirtualUnit.h"

namespace krv {
namespace {

using namespace std::chrono_literals;
using test::PanelFixture;

class PanelLayoutTest : public PanelFixture {};

TEST_F(PanelLayoutTest, OneCircuitWindowIsNarrowAndItsColumnMovesRight)
{
    MakePanel(1);
    EXPECT_EQ(window->size(), QSize(300, 560));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(Widget(ChannelControlId(0, 23))->geometry(), QRect(44, 80, 80, 26));
    EXPECT_EQ(Widget(ChannelControlId(0, 22))->geometry(), QRect(34, 186, 176, 60));
    EXPECT_TRUE(Widget(ChannelControlId(0, 23))->isVisible());
    EXPECT_FALSE(Widget(ChannelControlId(1, 23))->isVisible());
}

TEST_F(PanelLayoutTest, TwoCircuitWindowHasTwoColumnsAtTheirPlaces)
{
    MakePanel(2);
    EXPECT_EQ(window->size(), QSize(482, 560));
    EXPECT_EQ(Widget(kConnectButtonId)->geometry(), QRect(6, 8, 50, 23));
    EXPECT_EQ(Widget(kPortListId)->geometry().topLeft(), QPoint(58, 8));
    struct Place {
        int offset;
        QRect where;
    };
    for (int ch = 0; ch < 2; ++ch) {
        const int x = 230 * ch;
        for (const Place& p : {Place{1, {12, 62, 18, 12}},    Place{0, {30, 62, 120, 12}},
                               Place{6, {134, 80, 80, 26}},   Place{25, {19, 124, 68, 24}},
                               Place{26, {103, 124, 50, 24}}, Place{24, {153, 124, 40, 20}},
                               Place{8, {165, 160, 22, 24}},  Place{19, {45, 250, 22, 24}},
                               Place{20, {21, 160, 22, 24}},  Place{49, {192, 222, 28, 24}},
                               Place{29, {13, 293, 68, 24}},  Place{35, {13, 345, 68, 24}},
                               Place{36, {83, 345, 68, 24}},  Place{33, {83, 319, 68, 24}},
                               Place{38, {179, 349, 40, 20}}, Place{43, {15, 381, 205, 18}},
                               Place{44, {15, 403, 60, 18}},  Place{40, {15, 447, 40, 20}},
                               Place{42, {115, 447, 40, 20}}, Place{39, {179, 447, 40, 20}}}) {
            const QWidget* w = Widget(ChannelControlId(ch, p.offset));
            ASSERT_NE(w, nullptr) << p.offset;
            EXPECT_EQ(w->geometry(), p.where.translated(x, 0))
                << "channel " << ch << " offset " << p.offset;
        }
    }
    // Unused ids have no control.
    EXPECT_EQ(Widget(ChannelControlId(0, 37)), nullptr);
}

TEST_F(PanelLayoutTest, ValueDisplayFollowsTheChannelSettings)
{
    state.ResetForCircuitCount(2);
    state.channels[0].range = kRange4_20mA;
    state.channels[0].outputValue = 12.5;
    state.channels[0].presets[kRange4_20mA][2] = 12.5;
    state.channels[1].range = kRangeM10_10V;
    state.ResetAutoOutput();
    state.ClampPresets(0);
    MakePanel(2);
    view->RefreshPanel();
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 23))->text(), "内 4～20 mA");
    EXPECT_EQ(Widget<ValueField>(ChannelControlId(0, 22))->toPlainText(), " 12.500");
    EXPECT_EQ(Widget<PanelLabel>(ChannelControlId(0, 49))->text(), "mA");
    EXPECT_TRUE(Widget<QRadioButton>(ChannelControlId(0, 25))->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(ChannelControlId(0, 26))->isChecked());
    // 4_20mA: digit buttons at positions 0, 1, 2, 4 and 5; none at the decimal point; no signs.
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(Widget(ChannelControlId(0, 8 + 2 * k))->isVisible(), k != 3) << k;
        EXPECT_EQ(Widget(ChannelControlId(0, 9 + 2 * k))->isVisible(), k != 3) << k;
    }
    EXPECT_FALSE(Widget(ChannelControlId(0, 20))->isVisible());
    EXPECT_TRUE(Widget(ChannelControlId(1, 20))->isVisible());  // -10_10V has a sign
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 29))->text(), " 4.000");
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 31))->property("marker").toInt(), 830);
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 29))->property("marker").toInt(), 831);
    EXPECT_EQ(Widget<PanelLabel>(ChannelControlId(0, 43))->text(), "のこぎり波");
    EXPECT_EQ(Widget<PanelLabel>(ChannelControlId(0, 44))->text(), " 4.000");
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 6))->text(), "ＯＦＦ");
}

TEST_F(PanelLayoutTest, FourCircuitsShowEveryColumn)
{
    MakePanel(4);
    view->LayoutChannels();
    for (int ch = 0; ch < 4; ++ch) {
        const QWidget* range = Widget(ChannelControlId(ch, 23));
        EXPECT_TRUE(range->isVisible()) << ch;
        EXPECT_LE(range->geometry().right(), view->width()) << ch;
    }
}

class PanelConnectionTest : public PanelFixture {};

TEST_F(PanelConnectionTest, ConnectingTurnsTheButtonGreenAndPollsRoundRobin)
{
    StartUnit();
    MakePanel(2);
    EXPECT_EQ(Widget<QComboBox>(kPortListId)->currentIndex(), 0);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts().front();
    EXPECT_EQ(Widget<ColourButton>(kConnectButtonId)->FaceColour(), kConnectedColour);
    EXPECT_TRUE(view->Polling().pollingEnabled);

    ASSERT_TRUE(server->WaitForReceived(7, 1000ms));
    server->ClearRecords();
    Ticks(6);
    ASSERT_TRUE(server->WaitForReceived(6, 1000ms));
    std::vector<std::string> requests;
    for (const auto& line : server->Received()) requests.push_back(line.bytes);
    EXPECT_EQ(requests, (std::vector<std::string>{"\x02R1\r\n", "\x02R2\r\n", "\x02R1\r\n",
                                                  "\x02R2\r\n", "\x02R1\r\n", "\x02R2\r\n"}));

    // A second press disconnects: outputs off, port closed, idle colour.
    ClickConnect();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(Widget<ColourButton>(kConnectButtonId)->FaceColour(), kIdleColour);
}

TEST_F(PanelConnectionTest, RealTimerPollsAlternately)
{
    StartUnit();
    app.mainWindowWidth = 482;
    state.circuitCount = 2;
    PanelOptions options;
    options.simulatedPort = server->PortPath();
    window = std::make_unique<QMainWindow>();
    view = new CBremixView(link, state, ui, options, window.get());
    window->setCentralWidget(view);
    view->OnInitialUpdate();
    window->show();
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    server->ClearRecords();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->Received().size() >= 8; }, 5000));
    const auto received = server->Received();
    for (std::size_t i = 0; i + 1 < received.size(); ++i) {
        EXPECT_NE(received[i].bytes, received[i + 1].bytes) << i;
    }
}

TEST_F(PanelConnectionTest, SilentUnitIsDeclaredLostAfterOneHundredTicks)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    server->SetFaults("silent");
    Ticks(99);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
    Ticks(1);
    EXPECT_FALSE(link.IsOpen());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, "接続が解除されました。");
    EXPECT_EQ(ui.Messages()[0].caption, "警告");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(Widget<ColourButton>(kConnectButtonId)->FaceColour(), kIdleColour);
}

TEST_F(PanelConnectionTest, AnsweringUnitIsNeverDeclaredLost)
{
    sim::UnitConfig unit;
    unit.circuits = 1;
    StartUnit("", true, unit);
    MakePanel(1);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    const auto statusReplies = [&] {
        std::size_t n = 0;
        for (const auto& line : server->Sent()) n += line.bytes.rfind("\x02R", 0) == 0;
        return n;
    };
    for (int i = 0; i < 150; ++i) {
        const std::size_t answered = statusReplies();
        Ticks(1);
        // The unit answers every tick's status request, and the reply reaches the panel's
        // receive buffer before the next tick looks for it, as it does with ticks 50 ms apart.
        // Without the second wait a reader thread held up by a busy machine for 100 of these
        // quick ticks made the panel rightly see a silent unit.
        ASSERT_TRUE(QTest::qWaitFor([&] { return statusReplies() > answered; }, 5000)) << i;
        link.WaitForInput(LinkKind::Com, Now() + std::chrono::seconds(5));
        ASSERT_TRUE(link.IsOpen()) << i;
    }
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts().front();
}

TEST_F(PanelConnectionTest, OldFirmwareIsRefusedAndThePortStaysOpen)
{
    sim::UnitConfig unit;
    unit.firmware = "019999";
    StartUnit("", true, unit);
    MakePanel(2);
    ClickConnect();
    EXPECT_EQ(ui.Texts(),
              std::vector<std::string>{"KRVのファームウェアを最新版に更新してください。"});
    EXPECT_TRUE(link.IsOpen());
    EXPECT_FALSE(view->Polling().pollingEnabled);
    ui.Clear();
    ClickConnect();  // the next press closes it without a message
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(PanelConnectionTest, TwoCircuitUnitWidensAOneCircuitPanel)
{
    StartUnit();
    MakePanel(1);
    ASSERT_EQ(window->width(), 300);
    ClickConnect();
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"表示回路数を切替ます。"});
    EXPECT_EQ(state.circuitCount, 2);
    EXPECT_EQ(window->size(), QSize(482, 560));
    EXPECT_TRUE(Widget(ChannelControlId(1, 23))->isVisible());
    EXPECT_EQ(Widget(ChannelControlId(0, 23))->x(), 24);
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(PanelConnectionTest, AlarmLabelsShowTheUnitsStatusTexts)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.SetStatusBits(0, sim::StatusWord::Main, sim::kMainOverTemperature);
        unit.SetStatusBits(1, sim::StatusWord::Main,
                           sim::kMainSlewing | sim::kMainShortOfCompliance);
        return 0;
    });
    auto* first = Widget<PanelLabel>(ChannelControlId(0, 2));
    auto* second = Widget<PanelLabel>(ChannelControlId(1, 2));
    ASSERT_TRUE(TickUntil([&] {
        view->RefreshPanel();
        return first->isVisible() && second->isVisible();
    }));
    EXPECT_EQ(first->text(), "出力部高温");
    EXPECT_EQ(second->text(), "Slewing");
    EXPECT_EQ(first->TextForeground(), QColor(Qt::white));
    EXPECT_EQ(first->TextBackground(), QColor(255, 0, 0));

    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.ClearStatusBits(0, sim::StatusWord::Main, sim::kMainOverTemperature);
        return 0;
    });
    ASSERT_TRUE(TickUntil([&] {
        view->RefreshPanel();
        return !first->isVisible();
    }));
}

TEST_F(PanelConnectionTest, ResendRequestSendsEveryChannelsFrame)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    ASSERT_TRUE(server->WaitForReceived(7, 1000ms));
    server->ClearRecords();
    server->SendResendRequest();
    ASSERT_TRUE(TickUntil([&] {
        std::size_t frames = 0;
        for (const auto& line : server->Received()) frames += line.bytes.rfind("\x02W", 0) == 0;
        return frames >= 2;
    }));
    std::vector<std::string> frames;
    for (const auto& line : server->Received()) {
        if (line.bytes.rfind("\x02W", 0) == 0) frames.push_back(line.bytes.substr(0, 3));
    }
    EXPECT_EQ(frames, (std::vector<std::string>{"\x02W1", "\x02W2"}));
}

TEST_F(PanelConnectionTest, EmptyPortListAndMissingPortAreReported)
{
    MakePanel(1);  // no virtual unit: the list holds only what the machine has
    auto* list = Widget<QComboBox>(kPortListId);
    EXPECT_NE(std::find(ui.Texts().begin(), ui.Texts().end(), "指定接続ポートが存在しません"),
              ui.Texts().end());
    ui.Clear();
    list->clear();
    ClickConnect();
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"選択されていません。"});
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(PanelConnectionTest, ClosingThePanelSwitchesTheOutputsOff)
{
    StartUnit();
    MakePanel(2);
    state.channels[0].range = kRange0_10V;
    state.channels[0].outputValue = 5.0;
    state.SetOutputOn(0, true);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    ASSERT_TRUE(server->WaitForReceived(7, 1000ms));
    EXPECT_NE(
        server->WithUnit([](sim::VirtualUnit& u) { return u.Channel(0).mainControl; }) & 0x1000, 0);
    window.reset();
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return (server->WithUnit([](sim::VirtualUnit& u) { return u.Channel(0).mainControl; }) &
                    0x1000) == 0;
        },
        2000));
}

// Counts the ticks the panel's timer delivers to the view.
class ViewTickCounter : public QObject {
  public:
    explicit ViewTickCounter(QObject& view) { view.installEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == kTickEvent) ++count;
        return false;
    }
};

TEST_F(PanelConnectionTest, ConnectSendsNoStatusRequestBeforeItIsDone)
{
    // A unit that takes a while to answer, at wire speed, and the panel's own 50 ms timer: ticks
    // queue while the unit answers VER and run when the connect lets events through.
    sim::ServerOptions unitOptions;
    unitOptions.instant = false;
    unitOptions.faults = "delay=120";
    StartUnit(unitOptions);
    app.mainWindowWidth = 482;
    state.circuitCount = 2;
    PanelOptions options;
    options.simulatedPort = server->PortPath();
    window = std::make_unique<QMainWindow>();
    view = new CBremixView(link, state, ui, options, window.get());
    window->setCentralWidget(view);
    view->OnInitialUpdate();
    window->show();
    ui.onPendingEvents = [] { QCoreApplication::processEvents(); };

    // A step while disconnected leaves polling off.
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 8 + 2 * 4)), Qt::LeftButton);
    EXPECT_EQ(state.channels[0].outputValue, 1.0);
    EXPECT_FALSE(view->Polling().pollingEnabled);
    // A few of the timer's ticks, handled while disconnected.
    ViewTickCounter ticks(*view);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count >= 2; }, 5000));

    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts().front();
    EXPECT_TRUE(view->Polling().pollingEnabled);
    ASSERT_TRUE(server->WaitForReceived(7, 2000ms));
    std::vector<std::string> lines;
    for (const auto& line : server->Received()) lines.push_back(line.bytes);
    lines.resize(7);
    EXPECT_EQ(lines, (std::vector<std::string>{"VER\r\n", "CH\r\n", "\x02MS\x03\r\n", "\x02R1\r\n",
                                               "\x02R2\r\n", state.BuildOutputFrame(0),
                                               state.BuildOutputFrame(1)}));
}

TEST_F(PanelConnectionTest, AnOperationLeavesPollingAsItFoundIt)
{
    StartUnit();
    MakePanel(2);
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 29 + 1)), Qt::LeftButton);
    EXPECT_FALSE(view->Polling().pollingEnabled);
    ClickConnect();
    ASSERT_TRUE(view->Polling().pollingEnabled);
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(1, 8)), Qt::LeftButton);
    QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(1, 26)), Qt::LeftButton);
    EXPECT_TRUE(view->Polling().pollingEnabled);
    ClickConnect();
    EXPECT_FALSE(view->Polling().pollingEnabled);
}

TEST_F(PanelConnectionTest, TicksAfterABusyMomentAskOnceAndKeepEveryReply)
{
    // Four circuits at wire speed: twenty ticks handled in one go would once have asked for
    // twenty replies, 1200 bytes, more than the receive ring holds.
    sim::UnitConfig unit;
    unit.circuits = 4;
    StartUnit("", false, unit);
    MakePanel(4);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    ASSERT_TRUE(server->WaitForReceived(11, 3000ms));  // VER, CH, MS, 4 × R, 4 × W
    server->WithUnit([](sim::VirtualUnit& u) {
        for (int ch = 0; ch < 4; ++ch) {
            u.SetStatusBits(ch, sim::StatusWord::Main, static_cast<std::uint16_t>(1u << ch));
        }
        return 0;
    });
    server->ClearRecords();
    FreezeClock();
    for (int i = 0; i < 20; ++i) view->OnTick();
    // Long enough for twenty replies at 19200 baud: that the nineteen others never come, only
    // time passing shows.
    QTest::qWait(700);
    ASSERT_EQ(server->Received().size(), 1u);
    EXPECT_EQ(server->Received()[0].bytes, "\x02R1\r\n");
    EXPECT_LT(link.CommPort().Ring().Unread(), 2 * kStatusReplyLength);

    // Regular ticks take every reply: each channel shows the alarm the unit raised for it.
    const char* alarms[] = {"出力部高温", "Slewing", "出力不足", "WDOG"};
    ASSERT_TRUE(TickUntil([&] {
        for (int ch = 0; ch < 4; ++ch) {
            if (state.StatusText(ch) != alarms[ch]) return false;
        }
        return true;
    }));
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(PanelConnectionTest, ALongBlockDoesNotDeclareALiveUnitLost)
{
    StartUnit("", false);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    FreezeClock();
    Ticks(10);
    // Six seconds in which the panel handled no tick, then the 120 ticks that fell due.
    Advance(6s);
    for (int i = 0; i < 120; ++i) view->OnTick();
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
    // Replies come back: the count of unanswered requests falls back.
    ASSERT_TRUE(TickUntil([&] { return view->Polling().silentTicks <= 1; }));
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(PanelConnectionTest, LossMessageLeavesThePanelRefreshing)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 6)), Qt::LeftButton);
    view->RefreshPanel();
    auto* onOff = Widget<ColourButton>(ChannelControlId(0, 6));
    ASSERT_EQ(onOff->text(), "ＯＮ");
    server->SetFaults("silent");

    // While the box is open the ticks go on: the panel shows the outputs switched off, and a
    // status change that arrives meanwhile (here put into the model) reaches the alarm label.
    QString shownWithBox;
    bool alarmShownWithBox = false;
    int boxes = 0;
    ui.whileMessageOpen = [&] {
        if (++boxes > 1) return;
        shownWithBox = onOff->text();
        state.channels[1].mainStatus = 0x0001;
        Ticks(10);
        alarmShownWithBox = Widget(ChannelControlId(1, 2))->isVisible();
    };
    Ticks(100);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(shownWithBox, "ＯＦＦ");
    EXPECT_EQ(onOff->FaceColour(), kIdleColour);
    EXPECT_TRUE(alarmShownWithBox);
    Ticks(200);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"接続が解除されました。"});
}

TEST_F(PanelLayoutTest, RangesOutsideTheTableShowTheScaledRangesRow)
{
    // However a channel came by such a range, the panel shows it without reading past its tables.
    state.ResetForCircuitCount(2);
    state.channels[0].range = 4096;
    state.channels[1].range = -1;
    state.autoOutput[0].ramps[kScaledRange].start = 7.0f;
    MakePanel(2);
    view->RefreshPanel();
    EXPECT_EQ(Widget<PanelLabel>(ChannelControlId(0, 44))->text(), "     7");
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(1, 30))->text(), "   100");
}

}  // namespace
}  // namespace krv
