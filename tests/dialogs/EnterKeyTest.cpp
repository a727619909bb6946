// Enter in every dialog of the program, with the focus on each control that can take it: the key
// presses the dialog's OK where it has one, or a focused button that only closes the dialog, and
// nothing else; above all never a button that acts on the unit ("▲", "▼", a trial output, a
// write or an update). Against the virtual unit, so that anything sent to it would be seen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CAboutDlg.h"
#include "dialogs/CAutoOutDlg.h"
#include "dialogs/CCalDlg.h"
#include "dialogs/CDacSelect.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/CPresetDlg.h"
#include "dialogs/CProgramUp.h"
#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "flows/LinkFrameSink.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

// What Enter is expected to press with the focus on a control: a button's name ("id1" for OK),
// nothing (empty), or kSkip for a control that takes Enter as its own input by design.
const QString kSkip = QStringLiteral("<skip>");
using Expectation = std::function<QString(QDialog& dialog, QWidget& focus)>;

Expectation Always(const char* button)
{
    return [button](QDialog&, QWidget&) { return QString::fromLatin1(button); };
}

// The dialog's OK; a focused cancel (id 2) cancels instead, as a focused button does.
Expectation OkOrFocusedCancel()
{
    return [](QDialog&, QWidget& focus) {
        return focus.objectName() == QStringLiteral("id2") ? focus.objectName()
                                                           : QStringLiteral("id1");
    };
}

// Dialogs of choices only (each closes the dialog): the focused one.
Expectation FocusedButton()
{
    return [](QDialog&, QWidget& focus) {
        return qobject_cast<QPushButton*>(&focus) ? focus.objectName() : QString();
    };
}

struct DialogCase {
    const char* name;
    // Makes the dialog, shows it and brings it into the state to test.
    std::function<std::unique_ptr<QDialog>()> open;
    Expectation expected;
};

class EnterKeyTest : public test::SimFixture {
  protected:
    void SetUp() override
    {
        StartUnit();
        state.ResetForCircuitCount(2);  // before the port opens: no output frames go out
        ASSERT_TRUE(link.OpenPort());
    }

    template <typename Dialog>
    static std::unique_ptr<QDialog> Show(std::unique_ptr<Dialog> dialog)
    {
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
        return dialog;
    }

    // The controls of a freshly opened dialog that can take the focus, in the focus chain's order.
    static std::vector<QWidget*> Focusable(QDialog& dialog)
    {
        std::vector<QWidget*> found;
        for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(&dialog) &&
                w->window() == &dialog) {
                found.push_back(w);
            }
        }
        return found;
    }

    // For every control of the dialog that can have the focus, on a fresh dialog each time:
    // Enter (the main and the keypad key) presses what is expected and sends nothing to the unit.
    void Check(const DialogCase& c)
    {
        const std::size_t count = Focusable(*c.open()).size();
        EXPECT_GT(count, 0u);
        for (std::size_t i = 0; i < count; ++i) {
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
                std::unique_ptr<QDialog> dialog = c.open();
                QWidget* focus = Focusable(*dialog).at(i);
                const QString expected = c.expected(*dialog, *focus);
                if (expected == kSkip) continue;
                SCOPED_TRACE(std::string(c.name) + ", focus on " +
                             focus->objectName().toStdString() + " (" +
                             focus->metaObject()->className() + "), " +
                             (key == Qt::Key_Return ? "Return" : "keypad Enter"));
                QStringList pressed;
                for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
                    QObject::connect(b, &QPushButton::clicked,
                                     [&pressed, b] { pressed.append(b->objectName()); });
                }
                // A button that opens a modal window (a file chooser) would wait for it here.
                int modals = 0;
                QTimer closer;
                QObject::connect(&closer, &QTimer::timeout, [&modals] {
                    if (QWidget* modal = QApplication::activeModalWidget()) {
                        ++modals;
                        modal->close();
                    }
                });
                closer.start(50);
                server->ClearRecords();
                ui.Clear();
                focus->setFocus();
                const Qt::KeyboardModifiers modifiers =
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
                QTest::keyClick(focus, key, modifiers);
                closer.stop();
                EXPECT_EQ(pressed.join(QLatin1Char(' ')).toStdString(), expected.toStdString());
                EXPECT_EQ(modals, 0);
                EXPECT_TRUE(server->Received().empty()) << server->Received().front().bytes;
                if (checkAfterEnter) checkAfterEnter(*dialog);
            }
        }
    }

    // The unit drives the minimum (or the maximum): that side's correction and arrows can be
    // used; the focus stays on the box after the click.
    std::unique_ptr<QDialog> OpenCalibration(bool maximum = false)
    {
        auto d = std::make_unique<CCalDlg>(link, ui);
        d->channelCount = 2;
        d->values[0] = {kRange4_20mA, kCalibrationUser, 7, -3, " 4.000", "20.000"};
        d->values[1] = {kRange0_10V, kCalibrationMaker, 0, 0, " 0.000", "10.000"};
        CCalDlg& dialog = *d;
        auto shown = Show(std::move(d));
        QTest::mouseClick(maximum ? &dialog.MaximumCheck() : &dialog.MinimumCheck(),
                          Qt::LeftButton);
        EXPECT_TRUE((maximum ? dialog.GainUp() : dialog.ZeroUp()).isEnabled());
        return shown;
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::function<void(QDialog&)> checkAfterEnter;
};

TEST_F(EnterKeyTest, CalibrationPressesNothingOutsideTheCorrectionEdits)
{
    // The correction edits take Enter as the end of a number (tested with the dialog itself).
    const Expectation nothing = [](QDialog&, QWidget& focus) {
        return qobject_cast<CorrectionEdit*>(&focus) ? kSkip : QString();
    };
    for (const bool maximum : {false, true}) {
        checkAfterEnter = [maximum](QDialog& dialog) {
            auto& d = static_cast<CCalDlg&>(dialog);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.values[0].zero, 7);
            EXPECT_EQ(d.values[0].gain, -3);
            EXPECT_EQ(d.ZeroEdit().toPlainText().toStdString(), "7");
            EXPECT_EQ(d.GainEdit().toPlainText().toStdString(), "-3");
            EXPECT_EQ(d.TrialOutput(), maximum ? kTrialMaximum : kTrialMinimum);
        };
        Check({maximum ? "アナログ出力調整, maximum" : "アナログ出力調整, minimum",
               [this, maximum] { return OpenCalibration(maximum); }, nothing});
    }
}

TEST_F(EnterKeyTest, EveryOtherDialogPressesItsOkOrAButtonThatOnlyClosesIt)
{
    const DialogCase cases[] = {
        // The hidden "OK": closes without a write, a verify or a restart.
        {"PCレス設定",
         [this] {
             auto d = std::make_unique<CPcResSetupDlg>(link, state, ui);
             d->linkWasOpen = true;
             d->restartUnit = [](DeviceLink&) {
                 ADD_FAILURE() << "restart";
                 return true;
             };
             return Show(std::move(d));
         },
         Always("id1")},
        // Firmware update: no OK; "更新" (enabled as after choosing a file) never by Enter.
        {"ファームウェア更新",
         [this] {
             auto d = std::make_unique<CProgramUp>(link, state, ui);
             d->UpdateButton().setEnabled(true);
             return Show(std::move(d));
         },
         Always("")},
        {"発生器　情報",
         [this] {
             auto d = std::make_unique<ConverterVersionDlg>(link, state, ui);
             d->circuits = 1;
             ConverterVersionDlg& dialog = *d;
             auto shown = Show(std::move(d));
             EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog.ReadDone(); }, 30000));
             return shown;
         },
         OkOrFocusedCancel()},
        {"自動出力設定",
         [this] {
             auto d = std::make_unique<CAutoOutDlg>(state, ui);
             d->channel = 0;
             d->rangeInEffect = state.channels[0].range;
             return Show(std::move(d));
         },
         // Its fields take Enter as the end of an entry.
         [](QDialog&, QWidget& focus) {
             return qobject_cast<QLineEdit*>(&focus) ? QString() : QStringLiteral("id1");
         }},
        {"換算式",
         [this] {
             auto d = std::make_unique<CScaleDlg>(ui);
             d->range = kRange4_20mA;
             d->scaledMin = 0.0;
             d->scaledMax = 100.0;
             d->scaledDigits = 1;
             return Show(std::move(d));
         },
         OkOrFocusedCancel()},
        {"プリセット",
         [this] {
             auto d = std::make_unique<CPresetDlg>(ui);
             d->lower = 4.0;
             d->upper = 20.0;
             d->decimals = 3;
             return Show(std::move(d));
         },
         OkOrFocusedCancel()},
        {"出力レンジ選択", [this] { return Show(std::make_unique<CRangeSelectDlg>(ui)); },
         FocusedButton()},
        {"選択", [] { return Show(std::make_unique<CDacSelect>()); }, FocusedButton()},
        {"バージョン情報", [] { return Show(std::make_unique<CAboutDlg>()); }, Always("id1")},
    };
    for (const DialogCase& c : cases) Check(c);
}

}  // namespace
}  // namespace krv
