// The channel operations of the panel's columns, checked against what reaches the virtual unit.
#include <QPlainTextEdit>
#include <QRadioButton>

#include <QLineEdit>

#include "dialogs/CAutoOutDlg.h"
#include "dialogs/CPresetDlg.h"
#include "dialogs/CRangeSelectDlg.h"
#include "panel/PanelFixture.h"
#include "sim/VirtualUnit.h"
#include "support/ModalAnswer.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

class ChannelOperationsPanelTest : public test::PanelFixture {
  protected:
    // A connected two-circuit panel with channel 1 in `range`.
    void ConnectWithRange(OutputRange range)
    {
        StartUnit();
        state.ResetForCircuitCount(2);
        state.circuitCount = 2;
        state.channels[0].range = range;
        state.ApplyRangeDefaults(0);
        MakePanel(2);
        ClickConnect();
        ASSERT_TRUE(link.IsOpen());
        ASSERT_TRUE(server->WaitForReceived(7, 1000ms));
    }
    sim::ChannelRegisters Unit(int ch)
    {
        return server->WithUnit([&](sim::VirtualUnit& u) { return u.Channel(ch); });
    }
    // Waits until the unit's channel register satisfies `done`.
    template <typename Done>
    bool UnitReaches(int ch, Done done)
    {
        return QTest::qWaitFor([&] { return done(Unit(ch)); }, 2000);
    }
    void Click(int ch, int offset)
    {
        QTest::mouseClick(Widget<QPushButton>(ChannelControlId(ch, offset)), Qt::LeftButton);
    }
    void Type(int ch, const QString& text)
    {
        auto* field = Widget<QPlainTextEdit>(ChannelControlId(ch, 22));
        field->setFocus();
        field->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Delete);
        } else {
            QTest::keyClicks(field, text);
        }
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    double Value(int ch) const { return state.channels[static_cast<std::size_t>(ch)].outputValue; }
};

TEST_F(ChannelOperationsPanelTest, DigitStepsStayInsideTheRange)
{
    ConnectWithRange(kRange4_20mA);
    ASSERT_DOUBLE_EQ(Value(0), 4.0);
    Click(0, 8 + 2 * 4);  // "△" at position 4: one milliampere
    EXPECT_DOUBLE_EQ(Value(0), 5.0);
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) {
        return r.outputCode == 4096;  // (5 − 4) × 4095.9375 + 0.5
    }));
    for (int i = 0; i < 20; ++i) Click(0, 8 + 2 * 5);  // "△" at position 5: ten milliamperes
    EXPECT_DOUBLE_EQ(Value(0), 20.0);
    for (int i = 0; i < 30; ++i) Click(0, 9 + 2 * 4);
    EXPECT_DOUBLE_EQ(Value(0), 4.0);
    Click(0, 9 + 2 * 0);  // below the lower limit: stays
    EXPECT_DOUBLE_EQ(Value(0), 4.0);
    EXPECT_FALSE(Widget(ChannelControlId(0, 8 + 2 * 3))->isVisible());
}

TEST_F(ChannelOperationsPanelTest, SignButtonsNegateOnABipolarRange)
{
    ConnectWithRange(kRangeM10_10V);
    Click(0, 8 + 2 * 4);
    Click(0, 8 + 2 * 2);
    EXPECT_DOUBLE_EQ(Value(0), 1.1);
    Click(0, 21);  // "－"
    EXPECT_DOUBLE_EQ(Value(0), -1.1);
    Click(0, 21);
    EXPECT_DOUBLE_EQ(Value(0), -1.1);
    Click(0, 20);  // "＋"
    EXPECT_DOUBLE_EQ(Value(0), 1.1);
}

TEST_F(ChannelOperationsPanelTest, TypedValuesAreCutToTheDecimalsAndSent)
{
    ConnectWithRange(kRange4_20mA);
    auto* field = Widget<ValueField>(ChannelControlId(0, 22));

    field->setFocus();
    QTest::keyClicks(field, "1");
    EXPECT_EQ(field->Background(), kValueFieldTypingColour);  // typing, not yet committed
    view->RefreshPanel();
    EXPECT_TRUE(field->toPlainText().contains("1"));  // the refresh leaves the typed text alone

    Type(0, "12.3456");
    EXPECT_DOUBLE_EQ(Value(0), 12.345);
    EXPECT_EQ(field->Background(), kValueFieldColour);
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) {
        return r.outputCode == 34181;  // (12.345 − 4) × 4095.9375 + 0.5
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->toPlainText() == " 12.345"; }, 5000))
        << field->toPlainText().toStdString();

    Type(0, "");
    EXPECT_DOUBLE_EQ(Value(0), 4.0);  // an empty field reads 0, clamped into the range

    Type(0, "7.5mA");  // not a number: nothing changes, the field shows the value again
    EXPECT_DOUBLE_EQ(Value(0), 4.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->toPlainText() == "  4.000"; }, 5000))
        << field->toPlainText().toStdString();
}

TEST_F(ChannelOperationsPanelTest, NegativeTypedValuesAreCutTowardZero)
{
    ConnectWithRange(kRangeM10_10V);
    Type(0, "-0.0019");
    EXPECT_DOUBLE_EQ(Value(0), -0.001);
}

TEST_F(ChannelOperationsPanelTest, OnOffOfAnExternalSupplyRangeUsesItsOwnBit)
{
    ConnectWithRange(kRangeE0_24mA);
    Click(0, 6);
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) {
        return (r.extControl & 1) == 1 && (r.mainControl & 0x1000) == 0;
    }));
    view->RefreshPanel();
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 6))->text(), "ＯＮ");
    Click(0, 6);
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) {
        return (r.extControl & 1) == 0 && (r.mainControl & 0x1000) == 0;
    }));
}

TEST_F(ChannelOperationsPanelTest, OnOffWhileDisconnectedIsRefused)
{
    MakePanel(1);
    ui.Clear();
    Click(0, 6);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"接続されていません"});
    EXPECT_FALSE(state.OutputOn(0));
}

TEST_F(ChannelOperationsPanelTest, SwitchingDisplayModeKeepsTheOutput)
{
    ConnectWithRange(kRange0_10V);
    state.channels[0].scaledMin = 0;
    state.channels[0].scaledMax = 100;
    Type(0, "3.3");
    ASSERT_TRUE(
        UnitReaches(0, [](const sim::ChannelRegisters& r) { return r.outputCode == 21627; }));
    server->ClearRecords();
    QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(0, 26)), Qt::LeftButton);
    EXPECT_TRUE(state.channels[0].scalingOn);
    EXPECT_TRUE(Widget<QRadioButton>(ChannelControlId(0, 26))->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(ChannelControlId(0, 25))->isChecked());
    EXPECT_DOUBLE_EQ(Value(0), 33.0);
    QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(0, 25)), Qt::LeftButton);
    EXPECT_FALSE(state.channels[0].scalingOn);
    ASSERT_TRUE(server->WaitForReceived(2, 1000ms));
    EXPECT_EQ(Unit(0).outputCode, 21627);
    // Clicking the mode already shown changes nothing and keeps its check.
    QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(0, 25)), Qt::LeftButton);
    EXPECT_TRUE(Widget<QRadioButton>(ChannelControlId(0, 25))->isChecked());
}

TEST_F(ChannelOperationsPanelTest, PresetsSetTheValueAndAreMarked)
{
    ConnectWithRange(kRange0_10V);
    state.channels[0].presets[kRange0_10V][3] = 7.25;
    Click(0, 29 + 3);
    EXPECT_DOUBLE_EQ(Value(0), 7.25);
    view->RefreshPanel();
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(Widget(ChannelControlId(0, 29 + n))->property("marker").toInt(),
                  n == 3 ? 830 : 831)
            << n;
    }
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) {
        return r.outputCode == 47513;
    }));  // 7.25 × 6553.5 + 0.5
}

TEST_F(ChannelOperationsPanelTest, HoldingAStepButtonRepeatsFromTheSixthTick)
{
    ConnectWithRange(kRange0_24mA);
    auto* up = Widget<QPushButton>(ChannelControlId(0, 8 + 2 * 2));  // 0.1 mA
    QTest::mousePress(up, Qt::LeftButton);
    ASSERT_TRUE(up->isDown());
    Ticks(5);
    EXPECT_DOUBLE_EQ(Value(0), 0.0);  // nothing yet: repeating starts on the sixth tick
    Ticks(15);                        // one second of ticks in all
    EXPECT_NEAR(Value(0), 1.5, 1e-9);
    QTest::mouseRelease(up, Qt::LeftButton);
    EXPECT_NEAR(Value(0), 1.6, 1e-9);  // the click itself steps once more
    Ticks(10);
    EXPECT_NEAR(Value(0), 1.6, 1e-9);
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

class AutoOutputPanelTest : public test::PanelFixture {};

TEST_F(AutoOutputPanelTest, LinkedChannelsStartAndStopFromChannelOnesButtons)
{
    StartUnit();
    state.ResetForCircuitCount(2);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    view->ToggleLinkedCommand();
    EXPECT_TRUE(app.linkedAutoOutput);
    EXPECT_FALSE(Widget(ChannelControlId(1, 40))->isVisible());  // channel 2's buttons are gone
    EXPECT_TRUE(Widget(ChannelControlId(0, 40))->isVisible());

    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 40)), Qt::LeftButton);
    EXPECT_EQ(state.autoOutput[0].runState, 1);
    EXPECT_EQ(state.autoOutput[1].runState, 1);
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 41)), Qt::LeftButton);
    EXPECT_EQ(state.autoOutput[0].runState, 2);
    EXPECT_EQ(state.autoOutput[1].runState, 2);
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 42)), Qt::LeftButton);
    EXPECT_EQ(state.autoOutput[0].runState, 0);
    EXPECT_EQ(state.autoOutput[1].runState, 0);

    view->ToggleLinkedCommand();
    EXPECT_TRUE(Widget(ChannelControlId(1, 40))->isVisible());
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 40)), Qt::LeftButton);
    EXPECT_EQ(state.autoOutput[0].runState, 1);
    EXPECT_EQ(state.autoOutput[1].runState, 0);
}

TEST_F(AutoOutputPanelTest, RunningSawtoothReachesTheUnitStepByStep)
{
    FreezeClock();
    sim::UnitConfig unit;
    unit.circuits = 1;
    StartUnit("", true, unit);
    state.ResetForCircuitCount(1);
    MakePanel(1);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    ASSERT_TRUE(server->WaitForReceived(5, 1000ms));  // VER, CH, MS, R1 and W1 of the connect
    state.channels[0].range = kRange0_10V;
    RampSettings& ramp = state.autoOutput[0].ramps[kRange0_10V];
    ramp = RampSettings{kSawtooth, 1, 0.0f, 1.0f, 0.25f, 0, false};  // every tick, one cycle
    server->WithUnit([](sim::VirtualUnit& unit) {
        unit.ClearOutputHistory();
        return 0;
    });
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 40)), Qt::LeftButton);
    for (int i = 0; i < 8; ++i) {
        Advance(10ms);  // the engine's clock counts hundredths of a second
        view->OnTick(PanelNow());
    }
    EXPECT_EQ(state.autoOutput[0].runState, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->OutputHistory(0).size() >= 5; }, 5000));
    std::vector<std::uint16_t> codes;
    for (const auto& r : server->OutputHistory(0)) codes.push_back(r.outputCode);
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0, 1638, 3277, 4915, 6554}));
    view->RefreshPanel();
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 40))->isEnabled(), true);
}

TEST_F(AutoOutputPanelTest, RunButtonsWhileDisconnectedSaySo)
{
    MakePanel(1);
    ui.Clear();
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 40)), Qt::LeftButton);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"接続されていません"});
    EXPECT_EQ(state.autoOutput[0].runState, 0);
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

class ChannelDialogsPanelTest : public test::PanelFixture {};

TEST_F(ChannelDialogsPanelTest, RangeIsNotSwitchedWhileTheOutputIsOn)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 6)), Qt::LeftButton);
    ASSERT_TRUE(state.OutputOn(0));
    ui.Clear();
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 23)), Qt::LeftButton);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ＯＮ状態では切替できません。"});
    EXPECT_EQ(state.channels[0].range, kRange0_5V);
}

TEST_F(ChannelDialogsPanelTest, ChosenRangeGoesToTheUnitAtItsRestingValue)
{
    StartUnit();
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    test::ModalAnswer choose([](QWidget* modal) {
        auto* dialog = qobject_cast<CRangeSelectDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->ButtonFor(kRange4_20mA)->click();
    });
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(1, 23)), Qt::LeftButton);
    EXPECT_TRUE(choose.Handled());
    EXPECT_EQ(state.channels[1].range, kRange4_20mA);
    EXPECT_DOUBLE_EQ(state.channels[1].outputValue, 4.0);
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(1, 23))->text(), "内 4～20 mA");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return server->WithUnit([](sim::VirtualUnit& u) { return u.Channel(1).range; }) ==
                   kRange4_20mA;
        },
        2000));
}

TEST_F(ChannelDialogsPanelTest, PresetsEditedInTheirDialogAreShownButNotSent)
{
    MakePanel(1);
    test::ModalAnswer edit([](QWidget* modal) {
        auto* dialog = qobject_cast<CPresetDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* first = dialog->findChildren<QLineEdit*>().value(0);
        ASSERT_NE(first, nullptr);
        first->setText(QStringLiteral("2.5"));
        dialog->accept();
    });
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 38)), Qt::LeftButton);
    EXPECT_TRUE(edit.Handled());
    EXPECT_EQ(state.channels[0].presets[kRange0_5V][0], 2.5);
    EXPECT_EQ(Widget<QPushButton>(ChannelControlId(0, 29))->text(), " 2.500");
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

class AutoOutputSettingsPanelTest : public test::PanelFixture {};

TEST_F(AutoOutputSettingsPanelTest, DialogChangesTheWaveformShownOnlyWhileStopped)
{
    state.ResetForCircuitCount(1);
    MakePanel(1);
    test::ModalAnswer triangle([](QWidget* modal) {
        auto* dialog = qobject_cast<CAutoOutDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->WaveformBox().setCurrentIndex(kTriangle);
        dialog->OkButton().click();
    });
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 39)), Qt::LeftButton);
    EXPECT_TRUE(triangle.Handled());
    EXPECT_EQ(state.autoOutput[0].ramps[kRange0_5V].waveform, kTriangle);
    EXPECT_EQ(Widget<PanelLabel>(ChannelControlId(0, 43))->text(), "三角波");

    // While the channel runs the button opens nothing.
    state.autoOutput[0].runState = 1;
    test::ModalAnswer none([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 39)), Qt::LeftButton);
    QCoreApplication::processEvents();  // a dialog opened after the click would be open now
    EXPECT_FALSE(none.Handled());
}

}  // namespace
}  // namespace krv

namespace krv {
namespace {

class AutoOutputTimingPanelTest : public test::PanelFixture {};

TEST_F(AutoOutputTimingPanelTest, TicksThatWaitedBehindABusyMomentStepOnlyOnce)
{
    FreezeClock();
    const TimePoint started = PanelNow();
    StartUnit();
    state.ResetForCircuitCount(2);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    state.channels[0].range = kRange0_10V;
    state.autoOutput[0].ramps[kRange0_10V] =
        RampSettings{kSawtooth, 0, 0.0f, 10.0f, 1.0f, 10, false};
    QTest::mouseClick(Widget<QPushButton>(ChannelControlId(0, 40)), Qt::LeftButton);
    ASSERT_EQ(state.autoOutput[0].runState, 1);
    // Two busy seconds: the forty ticks that fell due meanwhile are handled one after another.
    Advance(2s);
    for (int i = 1; i <= 40; ++i) view->OnTick(started + i * std::chrono::milliseconds(50));
    EXPECT_DOUBLE_EQ(state.channels[0].outputValue, 1.0);  // one step, not twenty
    // A tick on time steps on its place in the grid.
    Advance(120ms);
    view->OnTick(PanelNow());
    EXPECT_DOUBLE_EQ(state.channels[0].outputValue, 2.0);
}

}  // namespace
}  // namespace krv
