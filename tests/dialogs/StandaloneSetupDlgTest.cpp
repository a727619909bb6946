// "PCレス設定" against the virtual unit: the radios and buttons as the dialog opens, when the
// mode choice is stored, the progress bar and status line following a write and a verify, the
// messages, and no second flow while one runs.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "dialogs/CPcResSetupDlg.h"
#include "flows/LinkFrameSink.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

class StandaloneSetupDlgTest : public test::SimFixture {
  protected:
    void SetUp() override
    {
        StartUnit();
        state.ResetForCircuitCount(2);  // before the port opens: no output frames go out
        ASSERT_TRUE(link.OpenPort());
    }
    // The dialog on screen, connected, recording every progress value and status text it shows.
    CPcResSetupDlg& Open(bool connected = true)
    {
        dialog = std::make_unique<CPcResSetupDlg>(link, state, ui);
        dialog->linkWasOpen = connected;
        dialog->fixedValues = {2.5f, 12.0f};
        dialog->restartUnit = [this](DeviceLink&) {
            ++restarts;
            return true;
        };
        QObject::connect(&dialog->Progress(), &QProgressBar::valueChanged,
                         [this](int value) { progress.push_back(value); });
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        progress.clear();
        return *dialog;
    }
    void GivePoints(int ch, int count)
    {
        state.autoOutput[ch].standaloneMode = kStandaloneAuto;
        state.autoOutput[ch].ramps[state.channels[ch].range].waveform = kArbitrary;
        for (int i = 0; i < count; ++i) {
            state.autoOutput[ch].points[i] = {true, 0.01f * static_cast<float>(i + 1), 10, false};
        }
    }
    std::size_t Received(const std::string& command) const
    {
        std::size_t n = 0;
        for (const auto& line : server->Received()) n += line.bytes.find(command) == 1 ? 1 : 0;
        return n;
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::unique_ptr<CPcResSetupDlg> dialog;
    std::vector<int> progress;
    int restarts = 0;
};

TEST_F(StandaloneSetupDlgTest, OpensWithTheDocumentsModesAndFlowsOnlyWhenConnected)
{
    const struct {
        std::array<int, 2> modes;
        bool connected;
    } cases[] = {{{0, 1}, true}, {{2, 7}, false}};
    for (const auto& c : cases) {
        for (int k = 0; k < 2; ++k) state.autoOutput[k].standaloneMode = c.modes[k];
        CPcResSetupDlg& d = Open(c.connected);
        EXPECT_EQ(d.windowTitle().toStdString(), "PCレス設定");
        for (int k = 0; k < 2; ++k) {
            for (int mode = 0; mode < 3; ++mode) {
                EXPECT_EQ(d.ModeRadio(k, mode).isChecked(), mode == c.modes[k]) << k << mode;
            }
        }
        EXPECT_EQ(d.WriteButton().isEnabled(), c.connected);
        EXPECT_EQ(d.VerifyButton().isEnabled(), c.connected);
        EXPECT_TRUE(d.CloseButton().isEnabled());
        EXPECT_EQ(d.StatusText().text().toStdString(), "待機中");
        EXPECT_EQ(d.Progress().value(), 0);
        EXPECT_EQ(d.Progress().maximum(), 100);
        EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("id1073"))->isVisible());
        EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("id1"))->isVisible());
    }
}

TEST_F(StandaloneSetupDlgTest, EachChannelsRadiosExcludeOnlyEachOther)
{
    state.autoOutput[0].standaloneMode = kStandaloneFixed;
    state.autoOutput[1].standaloneMode = kStandaloneFixed;
    CPcResSetupDlg& d = Open();
    for (int repeat = 0; repeat < 2; ++repeat) {  // a second click keeps the radio checked
        QTest::mouseClick(&d.ModeRadio(0, kStandaloneAuto), Qt::LeftButton);
        EXPECT_TRUE(d.ModeRadio(0, kStandaloneAuto).isChecked());
        EXPECT_FALSE(d.ModeRadio(0, kStandaloneFixed).isChecked());
        EXPECT_TRUE(d.ModeRadio(1, kStandaloneFixed).isChecked());
    }
    // Nothing reaches the document before a flow or "閉じる".
    EXPECT_EQ(state.autoOutput[0].standaloneMode, kStandaloneFixed);
}

TEST_F(StandaloneSetupDlgTest, EnterClosesWithoutStoringTheChoiceCloseAndEscapeStoreIt)
{
    const struct {
        const char* how;
        std::function<void(CPcResSetupDlg&)> close;
        bool stored;
    } cases[] = {
        {"Enter", [](CPcResSetupDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, false},
        {"閉じる", [](CPcResSetupDlg& d) { QTest::mouseClick(&d.CloseButton(), Qt::LeftButton); },
         true},
        {"Esc", [](CPcResSetupDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, true},
        {"close box", [](CPcResSetupDlg& d) { d.close(); }, true},
    };
    for (const auto& c : cases) {
        state.autoOutput[0].standaloneMode = kStandaloneOff;
        CPcResSetupDlg& d = Open();
        QTest::mouseClick(&d.ModeRadio(0, kStandaloneFixed), Qt::LeftButton);
        c.close(d);
        EXPECT_FALSE(d.isVisible()) << c.how;
        EXPECT_EQ(state.autoOutput[0].standaloneMode, c.stored ? kStandaloneFixed : kStandaloneOff)
            << c.how;
    }
    EXPECT_TRUE(server->Received().empty());
}

TEST_F(StandaloneSetupDlgTest, ProgressAndStatusFollowTheWriteAndTheVerify)
{
    const struct {
        int points;
        std::vector<int> progress;
    } cases[] = {
        // Nothing beyond the records: block 0 reports the rest blank and the bar jumps to 45.
        {0, {5, 10, 15, 20, 45, 50, 55, 60, 65, 70, 90, 100}},
        {255, {5, 10, 15, 20, 30, 40, 45, 50, 55, 60, 65, 70, 90, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.points);
        state.ResetAutoOutput();
        GivePoints(0, c.points - c.points / 2);
        GivePoints(1, c.points / 2);
        ui.Clear();
        CPcResSetupDlg& d = Open();
        QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
        EXPECT_EQ(d.LastOutcome(), FlowOutcome::Succeeded);
        EXPECT_EQ(progress, c.progress);
        EXPECT_EQ(d.StatusText().text().toStdString(), "正常終了");
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{"書込み正常終了、再起動します"});
        EXPECT_EQ(ui.Messages().front().icon, MessageIcon::Warning);
        EXPECT_EQ(ui.Messages().front().caption, "確認");
        EXPECT_EQ(d.ReadBack(), BuildStandaloneImage(state, {2.5f, 12.0f}, false));
        EXPECT_TRUE(link.IsOpen());

        ui.Clear();
        progress.clear();
        QTest::mouseClick(&d.VerifyButton(), Qt::LeftButton);
        EXPECT_EQ(progress, (std::vector<int>{60, 65, 70, 90}));
        EXPECT_EQ(d.StatusText().text().toStdString(), "照合完了");
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{"照合結果：一致"});
        EXPECT_TRUE(d.WriteButton().isEnabled());
    }
    EXPECT_EQ(restarts, 2);
}

TEST_F(StandaloneSetupDlgTest, AFailedStepLeavesStatusAndProgressAsTheyWere)
{
    // Too many points: refused before anything is sent, with the choice already stored.
    GivePoints(0, 200);
    GivePoints(1, 56);
    state.autoOutput[1].standaloneMode = kStandaloneOff;
    CPcResSetupDlg& d = Open();
    QTest::mouseClick(&d.ModeRadio(1, kStandaloneAuto), Qt::LeftButton);
    QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"任意波データの合計数が 256 以上です"});
    EXPECT_EQ(state.autoOutput[1].standaloneMode, kStandaloneAuto);
    EXPECT_TRUE(server->Received().empty());
    EXPECT_EQ(d.StatusText().text().toStdString(), "待機中");

    // The unit refuses the erasure.
    server->WithUnit([](sim::VirtualUnit& u) {
        sim::CommandFaults faults;
        faults.eraseError = 0x3A;
        u.SetCommandFaults(faults);
    });
    state.autoOutput[1].points[55].used = false;
    ui.Clear();
    QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"E2-2 ブランク異常、終了します"});
    EXPECT_EQ(d.StatusText().text().toStdString(), "消去中");
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(d.LastOutcome(), FlowOutcome::Failed);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(restarts, 0);
}

TEST_F(StandaloneSetupDlgTest, NothingElseStartsWhileAFlowRuns)
{
    GivePoints(0, 100);
    CPcResSetupDlg& d = Open();
    bool busyWhenActing = false;
    bool timerFired = false;
    // The first step shown: the flow is under way; try everything that could start another.
    QObject::connect(&d.Progress(), &QProgressBar::valueChanged, &d, [&](int value) {
        if (value != 5) return;
        busyWhenActing = d.Busy() && !d.WriteButton().isEnabled() &&
                         !d.VerifyButton().isEnabled() && !d.CloseButton().isEnabled() &&
                         !d.ModeRadio(0, 0).isEnabled();
        QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
        d.WriteFlow();
        d.VerifyFlow();
        QTest::keyClick(&d, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Return);
        d.reject();
        QTimer::singleShot(0, &d, [&] { timerFired = d.Busy(); });
    });
    QTest::mouseClick(&d.WriteButton(), Qt::LeftButton);
    EXPECT_TRUE(busyWhenActing);
    EXPECT_TRUE(timerFired);  // the window's events went on during the flow
    EXPECT_EQ(d.LastOutcome(), FlowOutcome::Succeeded);
    EXPECT_EQ(Received("PE"), 3u);
    EXPECT_EQ(Received("PI"), 1u);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.CloseButton().isEnabled());
}

}  // namespace
}  // namespace krv
