// "アナログ出力調整" against the virtual unit: what it shows, the trials every change sends, the
// arrows' bounds, the Enter rule of the correction edits, the channel list, the reset of the user
// adjustments, and OK and cancel with the question about changed values.
#include <gtest/gtest.h>

#include <QTest>

#include "dialogs/CCalDlg.h"
#include "support/SimFixture.h"

namespace krv {
namespace {

class CalDlgTest : public test::SimFixture {
  protected:
    void SetUp() override
    {
        StartUnit();
        ASSERT_TRUE(link.OpenPort());
    }
    CCalDlg& Open(int count, CalibrationValuesSet values)
    {
        dialog = std::make_unique<CCalDlg>(link, ui);
        dialog->channelCount = count;
        dialog->values = values;
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        server->ClearRecords();
        return *dialog;
    }
    static CalibrationValuesSet TwoChannels()
    {
        CalibrationValuesSet v{};
        v[0] = {kRange0_10V, kCalibrationMaker, 0, 5, " 0.000", "10.000"};
        v[1] = {kRange4_20mA, kCalibrationUser, -199, -7, " 4.000", "20.000"};
        return v;
    }
    std::optional<sim::CalibrationTrial> Trial(int ch)
    {
        return server->WithUnit([ch](sim::VirtualUnit& u) { return u.Trial(ch); });
    }
    std::size_t Trials()
    {
        std::size_t n = 0;
        for (const auto& line : server->Received()) n += line.bytes.find("CTU") == 1 ? 1 : 0;
        return n;
    }
    // Types `keys` into the edit as a user would; "\n" is the Enter key.
    static void Type(CorrectionEdit& edit, const QString& keys)
    {
        edit.setFocus();
        edit.selectAll();
        QTest::keyClick(&edit, Qt::Key_Delete);
        for (const QChar c : keys) {
            if (c == QLatin1Char('\n')) {
                QTest::keyClick(&edit, Qt::Key_Return);
            } else {
                QTest::keyClicks(&edit, QString(c));
            }
        }
    }

    std::unique_ptr<CCalDlg> dialog;
};

TEST_F(CalDlgTest, OpensOnChannelOneWithNoTrialRunning)
{
    CCalDlg& d = Open(2, TwoChannels());
    EXPECT_EQ(d.windowTitle().toStdString(), "アナログ出力調整");
    EXPECT_EQ(d.ChannelList().count(), 2);
    EXPECT_EQ(d.ChannelList().currentText().toStdString(), "1");
    EXPECT_EQ(d.RangeText().text().toStdString(), "0～10 V");
    EXPECT_EQ(d.LowerText().text().toStdString(), " 0.000");
    EXPECT_EQ(d.UpperText().text().toStdString(), "10.000");
    EXPECT_EQ(d.ZeroEdit().toPlainText().toStdString(), "0");
    EXPECT_EQ(d.GainEdit().toPlainText().toStdString(), "5");
    EXPECT_TRUE(d.SelectorRadio(kCalibrationMaker).isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{&d.ZeroEdit(), &d.GainEdit(), &d.ZeroUp(),
                                                      &d.ZeroDown(), &d.GainUp(), &d.GainDown()}) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(d.MinimumCheck().isChecked());
    EXPECT_EQ(d.ZeroEdit().Background(), QColor(224, 255, 255));
    EXPECT_EQ(d.ZeroEdit().font().styleHint(), QFont::TypeWriter);
    EXPECT_EQ(d.OpeningValues(), TwoChannels());
    EXPECT_EQ(Trials(), 0u);

    // One circuit: one channel to choose.
    CCalDlg& single = Open(1, TwoChannels());
    EXPECT_EQ(single.ChannelList().count(), 1);
}

TEST_F(CalDlgTest, TrialsFollowTheCheckBoxesAndTheArrowsStopAtTheBounds)
{
    CCalDlg& d = Open(2, TwoChannels());
    QTest::mouseClick(&d.MinimumCheck(), Qt::LeftButton);
    EXPECT_EQ(d.TrialOutput(), kTrialMinimum);
    EXPECT_TRUE(d.ZeroDown().isEnabled());
    EXPECT_FALSE(d.GainUp().isEnabled());
    // The zero of 0-10 V does not go below 0.
    QTest::mouseClick(&d.ZeroDown(), Qt::LeftButton);
    EXPECT_EQ(d.ZeroEdit().toPlainText().toStdString(), "0");
    auto trial = Trial(0);
    ASSERT_TRUE(trial);
    EXPECT_EQ(trial->kind, sim::CalibrationTrial::Minimum);
    EXPECT_EQ(trial->range, kRange0_10V);
    EXPECT_EQ(trial->zero, 0);
    EXPECT_EQ(trial->gain, 0x8005);
    EXPECT_EQ(Trials(), 2u);  // the check box and the arrow each sent one

    QTest::mouseClick(&d.MaximumCheck(), Qt::LeftButton);
    EXPECT_FALSE(d.MinimumCheck().isChecked());
    QTest::mouseClick(&d.GainUp(), Qt::LeftButton);
    EXPECT_EQ(Trial(0)->kind, sim::CalibrationTrial::Maximum);
    EXPECT_EQ(Trial(0)->gain, 0x8006);
    QTest::mouseClick(&d.MaximumCheck(), Qt::LeftButton);  // off again: normal output
    EXPECT_EQ(Trial(0)->kind, sim::CalibrationTrial::Normal);
    EXPECT_FALSE(d.GainUp().isEnabled());

    // Channel 2 in 4-20 mA: the zero goes down to -200 and stops there. Switching the channel
    // returns every channel to normal output.
    server->ClearRecords();
    d.ChannelList().setCurrentIndex(1);
    EXPECT_EQ(Trials(), 2u);
    EXPECT_EQ(d.RangeText().text().toStdString(), "内 4～20 mA");
    EXPECT_TRUE(d.SelectorRadio(kCalibrationUser).isChecked());
    QTest::mouseClick(&d.MinimumCheck(), Qt::LeftButton);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(&d.ZeroDown(), Qt::LeftButton);
    EXPECT_EQ(d.values[1].zero, -200);
    EXPECT_EQ(Trial(1)->zero, 0xFF38);
    EXPECT_EQ(d.values[0].gain, 6);
}

TEST_F(CalDlgTest, ATypedCorrectionCountsOnEnter)
{
    const struct {
        const char* keys;
        int gain;  // after the keys, starting from 5
        bool sent;
        QColor background;
    } cases[] = {
        {"12.9\n", 12, true, QColor(224, 255, 255)}, {"-300\n", -200, true, QColor(224, 255, 255)},
        {"\n", 0, true, QColor(224, 255, 255)},      {"5a\n", 5, false, QColor(224, 255, 255)},
        {"34", 5, false, QColor(255, 255, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        CCalDlg& d = Open(2, TwoChannels());
        QTest::mouseClick(&d.MaximumCheck(), Qt::LeftButton);
        server->ClearRecords();
        Type(d.GainEdit(), QString::fromUtf8(c.keys));
        QCoreApplication::processEvents();
        EXPECT_EQ(d.values[0].gain, c.gain);
        EXPECT_EQ(Trials(), c.sent ? 1u : 0u);
        EXPECT_EQ(d.GainEdit().Background(), c.background);
        if (c.background == QColor(224, 255, 255)) {
            // The field shows the correction in force (an undone entry shows the old one).
            EXPECT_EQ(d.GainEdit().toPlainText().toInt(), c.gain);
        }
        if (c.sent) {
            EXPECT_EQ(Trial(0)->gain, GainWord(c.gain));
        }
    }
}

TEST_F(CalDlgTest, ResetAsksAndOkEndsATrial)
{
    CCalDlg& d = Open(2, TwoChannels());
    const struct {
        MessageAnswer answer;
        std::size_t resets;
    } cases[] = {{MessageAnswer::Cancel, 0}, {MessageAnswer::Ok, 1}};
    for (const auto& c : cases) {
        ui.Clear();
        ui.AnswerWith(c.answer);
        server->ClearRecords();
        QTest::mouseClick(&d.ResetButton(), Qt::LeftButton);
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Messages()[0].text, "全ユーザー調整値を初期化しますか？");
        EXPECT_EQ(ui.Messages()[0].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(server->ReceivedCount(), c.resets);
    }
    EXPECT_EQ(d.values, TwoChannels());  // the dialog's values stay as they were

    // OK while the unit drives the minimum: the channel goes back to normal output first.
    QTest::mouseClick(&d.MinimumCheck(), Qt::LeftButton);
    QTest::mouseClick(&d.ZeroUp(), Qt::LeftButton);
    QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(Trial(0)->kind, sim::CalibrationTrial::Normal);
    EXPECT_EQ(d.values[0].zero, 1);
    EXPECT_EQ(d.OpeningValues(), d.values);
}

TEST_F(CalDlgTest, CancelReturnsToNormalOutputAndAsksOnlyAboutChanges)
{
    const struct {
        const char* change;
        std::function<void(CCalDlg&)> act;
        std::optional<MessageAnswer> answer;  // none: no question
        int result;
    } cases[] = {
        {"nothing", [](CCalDlg&) {}, std::nullopt, QDialog::Rejected},
        {"selector, keep",
         [](CCalDlg& d) { QTest::mouseClick(&d.SelectorRadio(kCalibrationUser), Qt::LeftButton); },
         MessageAnswer::Yes, QDialog::Accepted},
        {"zero, drop",
         [](CCalDlg& d) {
             QTest::mouseClick(&d.MinimumCheck(), Qt::LeftButton);
             QTest::mouseClick(&d.ZeroUp(), Qt::LeftButton);
         },
         MessageAnswer::No, QDialog::Rejected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        CCalDlg& d = Open(2, TwoChannels());
        c.act(d);
        ui.Clear();
        ui.AnswerWith(c.answer.value_or(MessageAnswer::No));
        server->ClearRecords();
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), c.result);
        EXPECT_EQ(Trials(), 2u);  // both channels back to normal output
        EXPECT_EQ(Trial(0)->kind, sim::CalibrationTrial::Normal);
        if (c.answer) {
            ASSERT_EQ(ui.Texts(),
                      std::vector<std::string>{"調整値が変更されています。保存しますか？"});
            EXPECT_EQ(ui.Messages()[0].buttons, MessageButtons::YesNo);
        } else {
            EXPECT_TRUE(ui.Texts().empty());
        }
        if (c.result == QDialog::Accepted) {
            EXPECT_EQ(d.OpeningValues(), d.values);
        }
    }
}

}  // namespace
}  // namespace krv
