// Rules of the panel's columns: which controls are enabled, the status marks, the converted
// display, what a running automatic output holds back, the conversion formula from its dialog to
// the unit, and what painting does.
#include <QFontMetrics>
#include <QLineEdit>
#include <QRadioButton>

#include <vector>

#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"
#include "model/ChannelDisplay.h"
#include "panel/PanelBitmaps.h"
#include "panel/PanelFixture.h"
#include "panel/PanelWidgets.h"
#include "sim/VirtualUnit.h"
#include "support/ModalAnswer.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

const QColor kGreen(0, 255, 0);

// Control groups of a column, by offset from the column's base id.
const std::vector<int> kGroupA = {23, 25, 26, 24};  // range, display modes, formula
const std::vector<int> kGroupB = {8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                  21, 22, 29, 30, 31, 32, 33, 34, 35, 36, 38};  // value controls
const std::vector<int> kGroupC = {40, 41, 42};  // start, pause, stop
constexpr int kAutoSettings = 39;

class PanelRulesTest : public test::PanelFixture {
  protected:
    void Click(int ch, int offset)
    {
        QTest::mouseClick(Widget<QPushButton>(ChannelControlId(ch, offset)), Qt::LeftButton);
    }
    // "on" when every control of the group is enabled, "off" when none is, else "mixed".
    std::string Group(int ch, const std::vector<int>& offsets)
    {
        int enabled = 0;
        for (int offset : offsets) enabled += Widget(ChannelControlId(ch, offset))->isEnabled();
        if (enabled == static_cast<int>(offsets.size())) return "on";
        return enabled == 0 ? "off" : "mixed";
    }
    QString Text(int ch, int offset)
    {
        QWidget* w = Widget(ChannelControlId(ch, offset));
        if (auto* label = qobject_cast<PanelLabel*>(w)) return label->text();
        if (auto* field = qobject_cast<ValueField*>(w)) return field->toPlainText();
        return qobject_cast<QPushButton*>(w)->text();
    }
    std::array<bool, 6> DigitButtonsShown(int ch)
    {
        std::array<bool, 6> shown{};
        for (int k = 0; k < 6; ++k) {
            const bool up = Widget(ChannelControlId(ch, 8 + 2 * k))->isVisible();
            EXPECT_EQ(Widget(ChannelControlId(ch, 9 + 2 * k))->isVisible(), up) << k;
            shown[static_cast<std::size_t>(k)] = up;
        }
        return shown;
    }
    bool SignButtonsShown(int ch)
    {
        const bool plus = Widget(ChannelControlId(ch, 20))->isVisible();
        EXPECT_EQ(Widget(ChannelControlId(ch, 21))->isVisible(), plus);
        return plus;
    }
    sim::ChannelRegisters Unit(int ch)
    {
        return server->WithUnit([&](sim::VirtualUnit& u) { return u.Channel(ch); });
    }
    template <typename Done>
    bool UnitReaches(int ch, Done done)
    {
        return QTest::qWaitFor([&] { return done(Unit(ch)); }, 2000);
    }
};

TEST_F(PanelRulesTest, EnableStatesFollowConnectionStandaloneModeOutputAndRunState)
{
    StartUnit();
    state.ResetForCircuitCount(4);
    MakePanel(4);
    struct Row {
        bool connected;
        int mode;  // the unit's standalone mode
        bool on;
        int run;
        const char* a;
        const char* b;
        const char* c;
        int settings;  // the automatic output's "設定": 1 enabled, 0 disabled, -1 left as it was
    };
    // clang-format off
    const Row rows[] = {
        // connected, mode, on, run:   A      B      C      "設定"
        {false, 0, false, 0,           "on",  "on",  "on",   1},
        {false, 1, true,  1,           "on",  "on",  "on",   0},
        {false, 2, false, 2,           "on",  "on",  "on",   0},
        {true,  1, true,  0,           "off", "off", "off",  0},
        {true,  1, false, 0,           "on",  "on",  "off",  0},
        {true,  2, true,  0,           "off", "off", "on",   0},
        {true,  2, false, 0,           "on",  "off", "on",   1},
        {true,  2, false, 1,           "on",  "off", "on",   0},
        {true,  2, false, 2,           "on",  "off", "on",   0},
        {true,  0, true,  1,           "on",  "on",  "on",  -1},
        {true,  0, false, 2,           "on",  "on",  "on",  -1},
        {true,  3, true,  0,           "on",  "on",  "on",  -1},
    };
    // clang-format on
    for (const Row& row : rows) {
        for (const bool before : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "connected " << row.connected << " mode " << row.mode << " on "
                         << row.on << " run " << row.run << " settings before " << before);
            // The link is opened directly, so the modes set here stay what the unit "reported".
            if (row.connected != link.IsOpen()) {
                if (row.connected) {
                    ASSERT_TRUE(link.OpenPort());
                } else {
                    link.ClosePort();
                }
            }
            for (int ch = 0; ch < 4; ++ch) {
                state.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode = row.mode;
                state.autoOutput[static_cast<std::size_t>(ch)].runState = row.run;
                state.SetOutputOn(ch, row.on);
                Widget(ChannelControlId(ch, kAutoSettings))->setEnabled(before);
            }
            view->RefreshPanel();
            for (int ch = 0; ch < 2; ++ch) {
                EXPECT_EQ(Group(ch, kGroupA), row.a) << "channel " << ch;
                EXPECT_EQ(Group(ch, kGroupB), row.b) << "channel " << ch;
                EXPECT_EQ(Group(ch, kGroupC), row.c) << "channel " << ch;
                EXPECT_EQ(Widget(ChannelControlId(ch, kAutoSettings))->isEnabled(),
                          row.settings < 0 ? before : row.settings == 1)
                    << "channel " << ch;
            }
            // Channels 3 and 4 are never disabled.
            for (int ch = 2; ch < 4; ++ch) {
                for (const auto* group : {&kGroupA, &kGroupB, &kGroupC}) {
                    EXPECT_EQ(Group(ch, *group), "on") << "channel " << ch;
                }
                EXPECT_EQ(Widget(ChannelControlId(ch, kAutoSettings))->isEnabled(), before);
            }
        }
    }
}

TEST_F(PanelRulesTest, EveryColumnShowsWhatTheModelComputesForIt)
{
    StartUnit();
    state.ResetForCircuitCount(4);
    MakePanel(4);
    ASSERT_TRUE(link.OpenPort());
    // A different picture in every column: a value and output on, converted units, an external
    // supply range with a fault, a running automatic output.
    state.channels[0].outputValue = 2.5;
    state.SetOutputOn(0, true);
    state.channels[1].scaledMin = -50.0;
    state.channels[1].scaledMax = 50.0;
    state.channels[1].scaledDigits = 2;
    state.channels[1].scaledUnit = "kPa";
    state.SetScalingMode(1, true);
    state.channels[2].range = kRangeE4_20mA;
    state.ApplyRangeDefaults(2);
    state.channels[2].extStatus = 0x0001;
    state.autoOutput[3].runState = 1;
    state.unitAutoOutput[0].standaloneMode = kStandaloneFixed;
    view->LayoutChannels();
    view->RefreshPanel();
    for (int ch = 0; ch < 4; ++ch) {
        SCOPED_TRACE(testing::Message() << "channel " << ch);
        const ChannelDisplay d = DisplayOf(state, ch, true);
        EXPECT_EQ(Text(ch, 6).toStdString(), d.onOffText);
        EXPECT_EQ(Widget<ColourButton>(ChannelControlId(ch, 6))->FaceColour(),
                  QColor(d.onOffFace.red, d.onOffFace.green, d.onOffFace.blue));
        EXPECT_EQ(Text(ch, 0).toStdString(), d.standaloneText);
        EXPECT_EQ(Text(ch, 2).toStdString(), d.alarmText);
        EXPECT_EQ(Widget(ChannelControlId(ch, 2))->isVisible(), !d.alarmText.empty());
        EXPECT_EQ(Text(ch, 23).toStdString(), d.rangeName);
        EXPECT_EQ(Text(ch, 49).toStdString(), d.unit);
        EXPECT_EQ(Widget<QRadioButton>(ChannelControlId(ch, 26))->isChecked(), d.scalingOn);
        EXPECT_EQ(Text(ch, 22).toStdString(), d.valueText);
        EXPECT_EQ(SignButtonsShown(ch), d.stepButtons.sign);
        ASSERT_TRUE(d.presets.has_value());
        for (int n = 0; n < kPresetsPerRange; ++n) {
            const PresetButton& preset = (*d.presets)[static_cast<std::size_t>(n)];
            EXPECT_EQ(Text(ch, 29 + n).toStdString(), preset.text) << "preset " << n;
            const auto marker =
                preset.current ? PanelBitmap::MarkerCurrent : PanelBitmap::MarkerOther;
            EXPECT_EQ(Widget(ChannelControlId(ch, 29 + n))->property("marker").toInt(),
                      static_cast<int>(marker));
        }
        EXPECT_EQ(Text(ch, 43).toStdString(), d.autoOutput.waveform);
        EXPECT_EQ(Text(ch, 44).toStdString(), d.autoOutput.start);
        EXPECT_EQ(Widget(ChannelControlId(ch, 40))->isVisible(), d.runButtonsShown);
        EXPECT_EQ(Group(ch, kGroupA), d.enables.rangeAndMode ? "on" : "off");
        EXPECT_EQ(Group(ch, kGroupB), d.enables.valueControls ? "on" : "off");
        EXPECT_EQ(Group(ch, kGroupC), d.enables.runButtons ? "on" : "off");
    }
}

TEST_F(PanelRulesTest, StandaloneAndCalibrationMarksAreBlackOnGreen)
{
    MakePanel(2);
    struct Row {
        int mode;
        std::uint16_t calibration;  // of the channel's present range
        const char* standaloneText;
        const char* markText;
    };
    const Row rows[] = {
        {0, 0x0000, "", ""},
        {1, 0x0001, "PCレス 固定値出力", " M "},
        {2, 0x0003, " PCレス 自動出力 ", " M "},  // mode 3 leaves the mark as it was
        {7, 0x0002, "", " U "},
        {0, 0x0003, "", " U "},
        {1, 0x0000, "PCレス 固定値出力", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << row.mode << " calibration " << row.calibration);
        state.unitAutoOutput[1].standaloneMode = row.mode;
        state.channels[1].userCalibration[static_cast<std::size_t>(state.channels[1].range)].mode =
            row.calibration;
        view->RefreshPanel();
        EXPECT_EQ(Text(1, 0).toStdString(), row.standaloneText);
        EXPECT_EQ(Text(1, 1).toStdString(), row.markText);
        for (int offset : {0, 1}) {
            auto* label = Widget<PanelLabel>(ChannelControlId(1, offset));
            EXPECT_TRUE(label->isVisible());
            EXPECT_EQ(label->TextForeground(), QColor(Qt::black));
            EXPECT_EQ(label->TextBackground(), kGreen);
        }
    }
    // The mark is the calibration of the range the channel is in.
    state.channels[0].userCalibration[kRange0_5V].mode = 0x0001;
    state.channels[0].userCalibration[kRange4_20mA].mode = 0x0002;
    view->RefreshPanel();
    EXPECT_EQ(Text(0, 1), " M ");
    state.channels[0].range = kRange4_20mA;
    view->RefreshPanel();
    EXPECT_EQ(Text(0, 1), " U ");
}

TEST_F(PanelRulesTest, MarksShowWhatTheUnitReportsAtConnect)
{
    sim::UnitConfig unit;
    unit.standalone = {sim::StandaloneSetting{1, 0}, sim::StandaloneSetting{2, 0}};
    unit.calibrationMode = 0x0002;
    StartUnit("", true, unit);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    view->RefreshPanel();
    EXPECT_EQ(Text(0, 0), "PCレス 固定値出力");
    EXPECT_EQ(Text(1, 0), " PCレス 自動出力 ");
    EXPECT_EQ(Text(0, 1), " U ");
    EXPECT_EQ(Text(1, 1), " U ");
}

TEST_F(PanelRulesTest, ConvertedDisplayHasItsOwnDigitButtonsAndUnit)
{
    state.ResetForCircuitCount(1);
    MakePanel(1);
    struct Row {
        OutputRange range;
        const char* rangeUnit;
        std::array<bool, 6> rangeDigits;
        bool rangeSign;
        double scaledMin;
        double scaledMax;
        int scaledDigits;
        const char* scaledUnit;
        std::array<bool, 6> scaledDigitsShown;
        bool scaledSign;
        const char* scaledValue;  // the range's resting value in converted units
    };
    // clang-format off
    const Row rows[] = {
        // Converted 0 to 100 without decimals: digit buttons at positions 0 to 2 only.
        {kRange0_10V,  " V ", {1, 1, 1, 0, 1, 1}, false,
         0, 100, 0, "rpm",    {1, 1, 1, 0, 0, 0}, false, "      0"},
        {kRange4_20mA, "mA",  {1, 1, 1, 0, 1, 1}, false,
         -100, 100, 1, "%",   {1, 0, 1, 1, 1, 0}, true,  "- 100.0"},
        {kRangeM5_5V,  " V ", {1, 1, 1, 0, 1, 0}, true,
         100, 0, 0, "kPa",    {1, 1, 1, 0, 0, 0}, false, "     50"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rangeUnit + std::string(" → ") + row.scaledUnit);
        ChannelSettings& c = state.channels[0];
        c.range = row.range;
        c.scaledMin = row.scaledMin;
        c.scaledMax = row.scaledMax;
        c.scaledDigits = row.scaledDigits;
        c.scaledUnit = row.scaledUnit;
        state.ApplyRangeDefaults(0);
        view->LayoutChannels();
        EXPECT_EQ(DigitButtonsShown(0), row.rangeDigits);

        QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(0, 26)), Qt::LeftButton);
        ASSERT_TRUE(c.scalingOn);
        EXPECT_EQ(Text(0, 49).toStdString(), row.scaledUnit);
        EXPECT_EQ(DigitButtonsShown(0), row.scaledDigitsShown);
        EXPECT_EQ(SignButtonsShown(0), row.scaledSign);
        EXPECT_EQ(Text(0, 22).toStdString(), row.scaledValue);
        view->RefreshPanel();  // the periodic refresh keeps the converted unit
        EXPECT_EQ(Text(0, 49).toStdString(), row.scaledUnit);

        QTest::mouseClick(Widget<QRadioButton>(ChannelControlId(0, 25)), Qt::LeftButton);
        ASSERT_FALSE(c.scalingOn);
        EXPECT_EQ(Text(0, 49).toStdString(), row.rangeUnit);
        EXPECT_EQ(DigitButtonsShown(0), row.rangeDigits);
        EXPECT_EQ(SignButtonsShown(0), row.rangeSign);
    }
    // A negative value: the minus sign stands before the blank-padded magnitude.
    state.channels[0].outputValue = 0.0;
    Click(0, 8 + 2 * 4);  // "△" at position 4: one volt
    EXPECT_EQ(Text(0, 22), "  1.000");
    Click(0, 21);  // "－"
    EXPECT_EQ(Text(0, 22), "- 1.000");
}

TEST_F(PanelRulesTest, ButtonsThatWouldChangeARunningAutomaticOutputDoNothing)
{
    state.ResetForCircuitCount(1);
    MakePanel(1);
    ui.Clear();
    const ChannelSettings before = state.channels[0];
    for (const int run : {1, 2}) {
        for (const int offset : {23, 24, 25, 26}) {
            SCOPED_TRACE(testing::Message() << "run state " << run << " control " << offset);
            state.autoOutput[0].runState = run;
            QWidget* control = Widget(ChannelControlId(0, offset));
            ASSERT_TRUE(control->isEnabled());
            // A dialog would run modally inside the click: one that came is closed and counted.
            test::ModalAnswer dialog([](QWidget* modal) {
                if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
            });
            QTest::mouseClick(control, Qt::LeftButton);
            EXPECT_FALSE(dialog.Handled());
            EXPECT_TRUE(ui.Messages().empty());
            EXPECT_EQ(state.channels[0].range, before.range);
            EXPECT_EQ(state.channels[0].scalingOn, before.scalingOn);
            EXPECT_EQ(state.channels[0].scaledMin, before.scaledMin);
            EXPECT_EQ(state.channels[0].outputValue, before.outputValue);
            EXPECT_TRUE(Widget<QRadioButton>(ChannelControlId(0, 25))->isChecked());
            EXPECT_FALSE(Widget<QRadioButton>(ChannelControlId(0, 26))->isChecked());
        }
    }
    // Stopped, the same buttons work again.
    state.autoOutput[0].runState = 0;
    QTest::mouseClick(Widget(ChannelControlId(0, 26)), Qt::LeftButton);
    EXPECT_TRUE(state.channels[0].scalingOn);
}

TEST_F(PanelRulesTest, RangeChangeOnAStandaloneChannelIsAppliedWithANotice)
{
    sim::UnitConfig unit;
    unit.standalone[0] = sim::StandaloneSetting{1, 0};  // fixed value
    StartUnit("", true, unit);
    state.ResetForCircuitCount(2);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    ASSERT_EQ(state.unitAutoOutput[0].standaloneMode, kStandaloneFixed);
    struct Row {
        int mode;  // as the unit reported it
        OutputRange chosen;
        bool notice;
    };
    for (const Row& row :
         {Row{1, kRange0_10V, true}, Row{2, kRange1_5V, true}, Row{0, kRange4_20mA, false}}) {
        SCOPED_TRACE(testing::Message() << "standalone mode " << row.mode);
        state.unitAutoOutput[0].standaloneMode = row.mode;
        ui.Clear();
        test::ModalAnswer choose([&](QWidget* modal) {
            auto* dialog = qobject_cast<CRangeSelectDlg*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->ButtonFor(row.chosen)->click();
        });
        Click(0, 23);
        EXPECT_TRUE(choose.Handled());
        if (row.notice) {
            ASSERT_EQ(ui.Messages().size(), 1u);
            EXPECT_EQ(ui.Messages()[0].text, "変換器にPCレス設定を書込後、有効となります");
            EXPECT_EQ(ui.Messages()[0].caption, "確認");
            EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Information);
        } else {
            EXPECT_TRUE(ui.Messages().empty());
        }
        // Said or not, the range is changed and sent.
        EXPECT_EQ(state.channels[0].range, row.chosen);
        EXPECT_EQ(Text(0, 23).toStdString(), RangeDisplayName(row.chosen));
        EXPECT_TRUE(
            UnitReaches(0, [&](const sim::ChannelRegisters& r) { return r.range == row.chosen; }));
        EXPECT_TRUE(view->Polling().pollingEnabled);
    }
}

TEST_F(PanelRulesTest, ConversionFormulaGoesFromItsDialogToTheUnit)
{
    StartUnit();
    state.ResetForCircuitCount(2);
    state.channels[0].range = kRange0_10V;
    state.ApplyRangeDefaults(0);
    MakePanel(2);
    ClickConnect();
    ASSERT_TRUE(link.IsOpen());
    for (int i = 0; i < 5; ++i) Click(0, 8 + 2 * 4);  // 5 V
    QTest::mouseClick(Widget(ChannelControlId(0, 26)), Qt::LeftButton);
    ASSERT_TRUE(state.channels[0].scalingOn);
    ASSERT_DOUBLE_EQ(state.channels[0].outputValue, 50.0);  // of the default 0 to 100
    state.channels[0].presets[kScaledRange][0] = 90.0;

    const auto answer = [](const char* minimum, const char* maximum, const char* unit, bool ok) {
        return [=](QWidget* modal) {
            auto* dialog = qobject_cast<CScaleDlg*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->MinimumField().setText(QString::fromUtf8(minimum));
            dialog->MaximumField().setText(QString::fromUtf8(maximum));
            dialog->UnitField().setText(QString::fromUtf8(unit));
            (ok ? dialog->OkButton() : dialog->CancelButton()).click();
        };
    };

    // Cancelled: nothing changes.
    test::ModalAnswer cancel(answer("-50", "50.5", "℃", false));
    Click(0, 24);
    ASSERT_TRUE(cancel.Handled());
    EXPECT_EQ(state.channels[0].scaledMax, 100.0);
    EXPECT_DOUBLE_EQ(state.channels[0].outputValue, 50.0);

    // Taken while converted units are shown: the presets come into the new range and the value
    // goes to its lower end, which the unit gets at once.
    test::ModalAnswer formula(answer("-50", "50.5", "℃", true));
    Click(0, 24);
    ASSERT_TRUE(formula.Handled());
    const ChannelSettings& c = state.channels[0];
    EXPECT_EQ(c.scaledMin, -50.0);
    EXPECT_EQ(c.scaledMax, 50.5);
    EXPECT_EQ(c.scaledDigits, 1);
    EXPECT_EQ(c.scaledUnit, "℃");
    EXPECT_EQ(c.presets[kScaledRange][0], 50.5);
    EXPECT_DOUBLE_EQ(c.outputValue, -50.0);
    EXPECT_EQ(Text(0, 22), "-  50.0");
    EXPECT_EQ(Text(0, 49), "℃");
    EXPECT_EQ(DigitButtonsShown(0), (std::array<bool, 6>{1, 0, 1, 1, 0, 0}));
    EXPECT_TRUE(SignButtonsShown(0));
    EXPECT_TRUE(UnitReaches(0, [](const sim::ChannelRegisters& r) { return r.outputCode == 0; }));

    // Taken while range units are shown: stored, the value stays.
    QTest::mouseClick(Widget(ChannelControlId(0, 25)), Qt::LeftButton);
    for (int i = 0; i < 3; ++i) Click(0, 8 + 2 * 4);  // 3 V
    test::ModalAnswer later(answer("0", "1000", "L", true));
    Click(0, 24);
    ASSERT_TRUE(later.Handled());
    EXPECT_EQ(c.scaledMax, 1000.0);
    EXPECT_EQ(c.scaledDigits, 0);
    EXPECT_DOUBLE_EQ(c.outputValue, 3.0);
    EXPECT_EQ(Text(0, 49), " V ");
}

TEST_F(PanelRulesTest, PaintingEndsWithARefreshAndThenRests)
{
    MakePanel(2);
    state.unitAutoOutput[0].standaloneMode = kStandaloneFixed;
    state.channels[1].outputValue = 3.25;
    view->repaint();
    EXPECT_EQ(Text(0, 0), "PCレス 固定値出力");
    EXPECT_EQ(Text(1, 22), "  3.250");

    // What the refresh changes repaints those controls, not the panel again without end.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    view->installEventFilter(&counter);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    counter.paints = 0;
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    view->removeEventFilter(&counter);
}

TEST_F(PanelRulesTest, ValueFieldFontHasACellOfFortyEightPixels)
{
    MakePanel(1);
    QFont font = Widget(ChannelControlId(0, 22))->font();
    EXPECT_LE(QFontMetrics(font).height(), 48);
    font.setPixelSize(font.pixelSize() + 1);
    EXPECT_GT(QFontMetrics(font).height(), 48);  // the largest that fits
}

}  // namespace
}  // namespace krv
