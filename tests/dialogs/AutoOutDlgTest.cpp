// The automatic-output dialog as the user meets it: what it shows, what each waveform shows and
// hides, what OK stores and "戻る" does not, typing in the fields, the point list and CSV import.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <set>

#include "dialogs/CAutoOutDlg.h"
#include "dialogs/DialogLayout.h"
#include "support/ModalAnswer.h"
#include "support/QtText.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

#include "AutoOutDlgFixture.h"

namespace krv {
namespace {

TEST_F(CAutoOutDlgTest, LooksAsLaidOut)
{
    Show();
    EXPECT_EQ(S(dialog.windowTitle()), "自動出力設定");
    // The form keeps the places of its resource: 339 × 189 dialog units, the fields and buttons
    // in dialog units, the point list and the 300 × 140 picture in pixels.
    const QSize form = DialogUnitSize(339, 189);
    EXPECT_EQ(dialog.height(), form.height());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const struct {
        const char* what;
        const QWidget& control;
        QRect where;
    } places[] = {
        {"start", dialog.Field(AutoField::Start), DialogUnitRect(51, 56, 42, 14)},
        {"repeat", dialog.Field(AutoField::Repeat), DialogUnitRect(51, 115, 42, 15)},
        {"OK", dialog.OkButton(), DialogUnitRect(228, 168, 50, 14)},
        {"cancel", dialog.CancelButton(), DialogUnitRect(282, 168, 50, 14)},
        {"point list", dialog.PointList(), QRect(QPoint(170, 62), QSize(472 - 170, 210 - 62))},
        {"picture", dialog.Picture(),
         QRect(DialogUnitRect(114, 39, 0, 0).topLeft(), QSize(300, 140))},
    };
    for (const auto& p : places) EXPECT_EQ(p.control.geometry(), p.where) << p.what;
    // The preview is not part of the form: it stands to the form's right, and the dialog grew
    // for it.
    const QRect preview = dialog.Preview().geometry();
    EXPECT_GE(preview.left(), form.width());
    EXPECT_TRUE(dialog.rect().contains(preview));
    EXPECT_FALSE(preview.isEmpty());
    EXPECT_EQ(S(dialog.CsvButton().text()), "CSV読込");
    EXPECT_EQ(S(dialog.CancelButton().text()), "戻る");
    EXPECT_TRUE(dialog.OkButton().isDefault());
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        EXPECT_TRUE(dialog.Field(field).alignment() & Qt::AlignRight);
    }

    // Texts do not run into each other nor into a control.
    std::vector<std::pair<QRect, std::string>> texts;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        EXPECT_GE(label->width(), label->sizeHint().width()) << S(label->text());
        texts.emplace_back(label->geometry(), S(label->text()));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(dialog.rect().contains(texts[i].first)) << texts[i].second;
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            EXPECT_FALSE(texts[i].first.intersects(texts[j].first))
                << texts[i].second << " / " << texts[j].second;
        }
        for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QLabel*>(control) || !control->isVisible()) continue;
            EXPECT_FALSE(texts[i].first.intersects(control->geometry()))
                << texts[i].second << " runs into " << S(control->objectName());
        }
    }

    QStringList headers;
    for (int column = 0; column < 5; ++column) {
        headers << dialog.PointList().horizontalHeaderItem(column)->text();
    }
    EXPECT_EQ(headers, QStringList({"", Q("順番"), Q("値"), Q("更新間隔 (秒)"), Q("一時停止")}));
    EXPECT_TRUE(dialog.PointList().isColumnHidden(0));
    EXPECT_EQ(dialog.PointList().columnWidth(3), 100);
}

TEST_F(CAutoOutDlgTest, ShowsTheStoredSettingsAtOpen)
{
    Show();
    EXPECT_EQ(S(dialog.ChannelText().text()), "２");
    EXPECT_EQ(S(dialog.RangeText().text()), "内 4～20 mA");
    EXPECT_EQ(S(dialog.LowerText().text()), " 4.000");
    EXPECT_EQ(S(dialog.UpperText().text()), "20.000");
    QStringList waveforms;
    for (int i = 0; i < dialog.WaveformBox().count(); ++i) {
        waveforms << dialog.WaveformBox().itemText(i);
    }
    EXPECT_EQ(waveforms, QStringList({Q("のこぎり波"), Q("三角波"), Q("任意波")}));
    EXPECT_EQ(dialog.WaveformBox().currentIndex(), kSawtooth);
    EXPECT_EQ(S(dialog.Field(AutoField::Start).text()), " 4.000");
    EXPECT_EQ(S(dialog.Field(AutoField::End).text()), "20.000");
    EXPECT_EQ(S(dialog.Field(AutoField::Step).text()), " 1.000");
    EXPECT_EQ(S(dialog.Field(AutoField::Interval).text()), "  1.50");
    EXPECT_EQ(S(dialog.Field(AutoField::Repeat).text()), "2");

    const CEditListCtrl& list = dialog.PointList();
    EXPECT_EQ(list.rowCount(), 1000);
    EXPECT_EQ(S(list.CellText(999, 1)), "1000");
    EXPECT_EQ(S(list.CellText(1, 2)), " 6.500");
    EXPECT_EQ(S(list.CellText(1, 3)), "  0.57");
    EXPECT_EQ(S(list.CellText(1, 4)), "1");
    EXPECT_EQ(S(list.CellText(2, 3)), " 10.00");
    EXPECT_EQ(S(list.CellText(3, 2)), "");
}

TEST_F(CAutoOutDlgTest, EachWaveformShowsItsFields)
{
    Show();
    const AutoField rampFields[] = {AutoField::Start, AutoField::End, AutoField::Step,
                                    AutoField::Interval};
    for (const int waveform : {kTriangle, kArbitrary, kSawtooth, kArbitrary, kTriangle}) {
        SelectWaveform(waveform);
        const bool arbitrary = waveform == kArbitrary;
        for (const AutoField field : rampFields) {
            EXPECT_EQ(dialog.Field(field).isVisible(), !arbitrary) << waveform;
            EXPECT_EQ(dialog.FieldCaption(field).isVisible(), !arbitrary) << waveform;
        }
        EXPECT_TRUE(dialog.Field(AutoField::Repeat).isVisible());
        EXPECT_EQ(dialog.SecondsText().isVisible(), !arbitrary);
        EXPECT_EQ(dialog.Picture().isVisible(), !arbitrary);
        EXPECT_EQ(dialog.PointList().isVisible(), arbitrary);
        EXPECT_EQ(dialog.CsvButton().isEnabled(), arbitrary);
        EXPECT_EQ(S(dialog.HintText().text()),
                  arbitrary ? "繰返しは「0」にて連続動作"
                            : "変化量は絶対値にて入力、繰返しは「0」にて連続動作");
        if (!arbitrary) {
            EXPECT_EQ(dialog.Picture().Waveform(), waveform);
            EXPECT_EQ(S(dialog.FieldCaption(AutoField::Start).text()), "開始値");
            EXPECT_EQ(S(dialog.FieldCaption(AutoField::End).text()),
                      waveform == kTriangle ? "折返値" : "終了値");
            EXPECT_EQ(S(dialog.FieldCaption(AutoField::Step).text()), "変化量");
            EXPECT_EQ(S(dialog.FieldCaption(AutoField::Interval).text()), "更新間隔");
        }
    }
}

TEST_F(CAutoOutDlgTest, TheIllustrationsAreDrawn)
{
    Show();
    const auto render = [this](int waveform) {
        QImage image(300, 140, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(dialog.Picture().font());
        CAutoOutPicture::Draw(painter, waveform);
        return image;
    };
    const QImage sawtooth = render(kSawtooth);
    const QImage triangle = render(kTriangle);
    EXPECT_NE(sawtooth, triangle);
    for (const QImage* image : {&sawtooth, &triangle}) {
        int stairs = 0;
        int ink = 0;
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x) {
                const QColor c = image->pixelColor(x, y);
                if (c.blue() > 150 && c.red() < 60) ++stairs;
                if (c.lightness() < 100) ++ink;
            }
        }
        EXPECT_GT(stairs, 400);  // the staircase
        EXPECT_GT(ink, 300);     // labels and arrows
    }
    // The widget paints what Draw draws.
    SelectWaveform(kTriangle);
    EXPECT_EQ(dialog.Picture().grab().toImage().convertToFormat(QImage::Format_RGB32), triangle);
}

TEST_F(CAutoOutDlgTest, SwitchingTheWaveformShowsTheStoredValuesAgain)
{
    Show();
    Type(AutoField::Start, "7");
    Type(AutoField::Repeat, "9");
    EXPECT_EQ(S(dialog.Field(AutoField::Start).text()), " 7.000");
    SelectWaveform(kTriangle);
    SelectWaveform(kSawtooth);
    EXPECT_EQ(S(dialog.Field(AutoField::Start).text()), " 4.000");
    EXPECT_EQ(S(dialog.Field(AutoField::Repeat).text()), "2");
}

TEST_F(CAutoOutDlgTest, LeavingAFieldRewritesOrUndoesIt)
{
    Show();
    Type(AutoField::Repeat, "010");
    EXPECT_EQ(S(dialog.Field(AutoField::Repeat).text()), "10");
    Type(AutoField::Repeat, "-3");
    EXPECT_EQ(S(dialog.Field(AutoField::Repeat).text()), "10");
    Type(AutoField::Start, "4 mA");
    EXPECT_EQ(S(dialog.Field(AutoField::Start).text()), " 4.000");
    Type(AutoField::Interval, "0.125");
    EXPECT_EQ(S(dialog.Field(AutoField::Interval).text()), "  0.12");
    Type(AutoField::Step, "-0.5");
    EXPECT_EQ(S(dialog.Field(AutoField::Step).text()), "-0.500");

    // Enter (or a pasted line break) finishes the entry but does not confirm.
    QLineEdit& end = dialog.Field(AutoField::End);
    end.setFocus();
    end.selectAll();
    QTest::keyClicks(&end, "12");
    QTest::keyClick(&end, Qt::Key_Return);
    EXPECT_EQ(S(end.text()), "12.000");
    EXPECT_TRUE(end.hasFocus());
    end.setText(QStringLiteral("13\r\n"));
    EXPECT_EQ(S(end.text()), "13.000");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Ramp(kRange).end, 20.0f);
}

TEST_F(CAutoOutDlgTest, OkStoresTheRampOfTheRangeInEffect)
{
    const auto pointsBefore = state.autoOutput[kChannel].points;
    const auto otherRamp = Ramp(kRange0_5V);
    const int result = ExecWith(dialog, [&] {
        SelectWaveform(kTriangle);
        Type(AutoField::Start, "5");
        Type(AutoField::End, "19.5");
        Type(AutoField::Step, "-0.5");
        Type(AutoField::Interval, "1.14");
        Type(AutoField::Repeat, "0");
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(ui.Messages().empty());
    const RampSettings& ramp = Ramp(kRange);
    EXPECT_EQ(ramp.waveform, kTriangle);
    EXPECT_EQ(ramp.start, 5.0f);
    EXPECT_EQ(ramp.end, 19.5f);
    EXPECT_EQ(ramp.step, 0.5f);
    EXPECT_EQ(ramp.interval, 113);
    EXPECT_EQ(ramp.repeat, 0);
    // Other slots and the point list stay as they were.
    EXPECT_EQ(Ramp(kRange0_5V).interval, otherRamp.interval);
    EXPECT_EQ(Ramp(kRange0_5V).start, otherRamp.start);
    for (std::size_t i = 0; i < pointsBefore.size(); ++i) {
        EXPECT_EQ(state.autoOutput[kChannel].points[i].used, pointsBefore[i].used);
        EXPECT_EQ(state.autoOutput[kChannel].points[i].interval, pointsBefore[i].interval);
    }
}

TEST_F(CAutoOutDlgTest, TheScaledRangeHasItsOwnSlotAndLimits)
{
    state.channels[kChannel].scalingOn = true;
    state.channels[kChannel].scaledMin = 100.0;
    state.channels[kChannel].scaledMax = 0.0;
    state.channels[kChannel].scaledDigits = 1;
    Ramp(kScaledRange) = {kSawtooth, 0, 10.0f, 90.0f, 5.0f, 100, false};
    dialog.rangeInEffect.reset();  // taken from the channel: 15
    Show();
    EXPECT_EQ(S(dialog.RangeText().text()), "換算式");
    EXPECT_EQ(S(dialog.LowerText().text()), " 100.0");
    EXPECT_EQ(S(dialog.Field(AutoField::Start).text()), "  10.0");
    Type(AutoField::Start, "50");
    Type(AutoField::Step, "10");
    dialog.OkButton().click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << (ui.Texts().empty() ? "" : ui.Texts()[0]);
    EXPECT_EQ(Ramp(kScaledRange).start, 50.0f);
    EXPECT_EQ(Ramp(kScaledRange).step, 10.0f);
    EXPECT_EQ(Ramp(kRange).start, 4.0f);
}

TEST_F(CAutoOutDlgTest, CancelStoresNothing)
{
    const RampSettings before = Ramp(kRange);
    const int result = ExecWith(dialog, [&] {
        SelectWaveform(kArbitrary);
        SetPoint(0, "9", "9");
        Type(AutoField::Repeat, "7");
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Ramp(kRange).waveform, before.waveform);
    EXPECT_EQ(Ramp(kRange).repeat, before.repeat);
    EXPECT_EQ(state.autoOutput[kChannel].points[0].value, 5.0f);
}

TEST_F(CAutoOutDlgTest, ARefusedCheckKeepsTheDialogOpen)
{
    struct Case {
        AutoField field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {AutoField::Interval, "10000", "更新間隔は9999秒以下です"},
        {AutoField::Step, "0", "変化量は０以外です"},
    };
    Show();
    for (const Case& c : cases) {
        ui.Clear();
        dialog.WaveformBox().setCurrentIndex(kTriangle);
        dialog.WaveformBox().setCurrentIndex(kSawtooth);  // the stored values again
        Type(c.field, c.text);
        dialog.OkButton().click();
        ASSERT_EQ(ui.Messages().size(), 1u) << c.text;
        EXPECT_EQ(ui.Messages()[0].text, c.message);
        EXPECT_EQ(ui.Messages()[0].caption, "確認");
        EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Information);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.Field(c.field).hasFocus()) << c.text;
        EXPECT_EQ(Ramp(kRange).start, 4.0f);
        EXPECT_EQ(Ramp(kRange).repeat, 2);
    }
}

TEST_F(CAutoOutDlgTest, OkStoresTheArbitraryList)
{
    Show();
    SelectWaveform(kArbitrary);
    SetPoint(1, "7", "0.58", "1");  // replaces 6.5 / 0.57 s
    SetPoint(3, "8.25", "1.14", "0");
    SetPoint(9, "", "", "1");
    Type(AutoField::Repeat, "3");
    // A cell still being edited counts as entered.
    dialog.PointList().OpenEditor(0, 2);
    dialog.PointList().Editor().setText(QStringLiteral("11"));
    dialog.OkButton().click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted) << (ui.Texts().empty() ? "" : ui.Texts()[0]);
    const RampSettings& ramp = Ramp(kRange);
    EXPECT_EQ(ramp.waveform, kArbitrary);
    EXPECT_EQ(ramp.start, 0.0f);
    EXPECT_EQ(ramp.step, 0.0f);
    EXPECT_EQ(ramp.interval, 100);
    EXPECT_EQ(ramp.repeat, 3);
    const auto& points = state.autoOutput[kChannel].points;
    EXPECT_TRUE(points[0].used);
    EXPECT_EQ(points[0].value, 11.0f);
    EXPECT_EQ(points[0].interval, 100);
    EXPECT_EQ(points[1].value, 7.0f);
    EXPECT_EQ(points[1].interval, 56);
    EXPECT_TRUE(points[1].pause);
    EXPECT_EQ(points[2].interval, 1000);
    EXPECT_EQ(points[3].value, 8.25f);
    EXPECT_EQ(points[3].interval, 112);
    EXPECT_FALSE(points[3].pause);
    EXPECT_FALSE(points[4].used);
    EXPECT_TRUE(points[9].pause);
}

TEST_F(CAutoOutDlgTest, TheListIsCheckedBeforeAnythingIsStored)
{
    Show();
    SelectWaveform(kArbitrary);
    SetPoint(4, "9", "1");  // rows 1 to 3 filled, row 4 empty, row 5 filled
    dialog.OkButton().click();
    ASSERT_EQ(ui.Texts(), std::vector<std::string>{"未入力データがあります"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.PointList().selectionModel()->isRowSelected(4, QModelIndex()));

    ui.Clear();
    SetPoint(4, "", "");
    SetPoint(3, "9", "");  // a value without an interval
    dialog.OkButton().click();
    ASSERT_EQ(ui.Texts(), std::vector<std::string>{"値範囲を超えています"});
    EXPECT_EQ(Ramp(kRange).waveform, kSawtooth);
    EXPECT_FALSE(state.autoOutput[kChannel].points[3].used);
}

TEST_F(CAutoOutDlgTest, ConfirmingUnchangedKeepsTheStoredIntervals)
{
    Ramp(kRange).interval = 29;  // 0.29 s, which typing would turn into 28
    Show();
    dialog.OkButton().click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Ramp(kRange).interval, 29);

    CAutoOutDlg again(state, ui);
    again.channel = kChannel;
    again.show();
    again.WaveformBox().setCurrentIndex(kArbitrary);
    again.OkButton().click();
    ASSERT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(state.autoOutput[kChannel].points[1].interval, 57);
    EXPECT_EQ(state.autoOutput[kChannel].points[1].value, 6.5f);
}

// The preview is one repeat of what OK would store, as the engine runs it.
TEST_F(CAutoOutDlgTest, ThePreviewFollowsTheFieldsAndTheList)
{
    using Stairs = std::vector<std::pair<double, double>>;
    const auto stairs = [&] {
        Stairs result;
        for (const WaveformStair& w : dialog.Preview().Repeat().stairs) {
            result.emplace_back(w.seconds, w.value);
        }
        return result;
    };
    Show();
    // At open: the stored sawtooth, 4 to 20 mA by 1 mA every 1.5 s.
    EXPECT_EQ(dialog.Preview().Repeat().stairs.size(), 17u);
    EXPECT_DOUBLE_EQ(dialog.Preview().Repeat().endSeconds, 17 * 1.5);
    EXPECT_TRUE(dialog.Preview().Note().isEmpty());

    SelectWaveform(kTriangle);
    Type(AutoField::End, "12");
    Type(AutoField::Step, "-4");  // stored as its size
    Type(AutoField::Interval, "0.25");
    dialog.UpdatePreview();
    EXPECT_EQ(stairs(), (Stairs{{0, 4}, {0.3, 8}, {0.6, 12}, {0.9, 8}, {1.2, 4}}));
    EXPECT_DOUBLE_EQ(dialog.Preview().Repeat().endSeconds, 1.5);

    // A field the check refuses shows why instead of a plot.
    Type(AutoField::Step, "0");
    dialog.UpdatePreview();
    EXPECT_TRUE(dialog.Preview().Repeat().stairs.empty());
    EXPECT_EQ(S(dialog.Preview().Note()), kStepZero);

    // The list as typed, intervals rounded up to tenths as the panel steps them.
    SelectWaveform(kArbitrary);
    SetPoint(1, "7", "0.58", "1");
    dialog.UpdatePreview();
    EXPECT_EQ(stairs(), (Stairs{{0, 5}, {1, 7}, {1.6, 20}}));
    EXPECT_TRUE(dialog.Preview().Repeat().stairs[1].pause);
    EXPECT_DOUBLE_EQ(dialog.Preview().Repeat().endSeconds, 11.6);
    SetPoint(1, "", "");
    dialog.UpdatePreview();
    EXPECT_EQ(S(dialog.Preview().Note()), std::string(kPointMissing) + "（3行目）");

    // Edits redraw it by themselves once they pause.
    SetPoint(1, "6", "1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return stairs() == Stairs{{0, 5}, {1, 6}, {2, 20}}; }));
    EXPECT_EQ(Ramp(kRange).waveform, kSawtooth);  // and nothing was stored
}

TEST_F(CAutoOutDlgTest, DoubleClickEditsACellInPlace)
{
    const int result = ExecWith(dialog, [&] {
        SelectWaveform(kArbitrary);
        CEditListCtrl& list = dialog.PointList();
        const QRect cell = list.visualRect(list.model()->index(3, 2));
        DoubleClick(list.viewport(), cell.center());
        if (!list.Editing()) {
            ADD_FAILURE() << "no editor";
            dialog.reject();
            return;
        }
        QTest::keyClicks(&list.Editor(), "12.5");
        QTest::keyClick(&list.Editor(), Qt::Key_Escape);  // keeps the text, does not close
        EXPECT_EQ(S(list.CellText(3, 2)), "12.5");
        EXPECT_TRUE(dialog.isVisible());
        // The number column cannot be edited.
        const QRect number = list.visualRect(list.model()->index(3, 1));
        DoubleClick(list.viewport(), number.center());
        EXPECT_FALSE(list.Editing());
        list.SetCellText(3, 3, QStringLiteral("2"));
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(state.autoOutput[kChannel].points[3].value, 12.5f);
    EXPECT_EQ(state.autoOutput[kChannel].points[3].interval, 200);
}

}  // namespace
}  // namespace krv
