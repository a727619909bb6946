// The range selection dialog: layout, the highlighted present range, choosing and cancelling.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "DialogTestSupport.h"
#include "dialogs/CRangeSelectDlg.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using test::ExecWith;

TEST(CRangeSelectDlgTest, LooksAsLaidOut)
{
    test::RecordingUi ui;
    CRangeSelectDlg dialog(ui);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "出力レンジ選択");
    EXPECT_EQ(dialog.size(), QSize(313, 238));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.CancelButton().text().toStdString(), "キャンセル");
    EXPECT_EQ(dialog.CancelButton().geometry(), QRect(214, 204, 75, 22));

    struct Expected {
        const char* id;
        const char* text;
        QRect where;
        OutputRange range;
    };
    const Expected expected[CRangeSelectDlg::kButtonCount] = {
        {"id1000", "4～20mA", QRect(30, 60, 58, 24), 5},
        {"id1001", "0～20mA", QRect(30, 90, 58, 24), 6},
        {"id1002", "0～24mA", QRect(30, 120, 58, 24), 7},
        {"id1003", "4～20mA", QRect(110, 60, 58, 24), 11},
        {"id1004", "0～24mA", QRect(110, 90, 58, 24), 12},
        {"id1005", "0～5V", QRect(226, 30, 58, 24), 0},
        {"id1006", "1～5V", QRect(226, 60, 58, 24), 10},
        {"id1007", "0～10V", QRect(226, 90, 58, 24), 1},
        {"id1008", "-5～5V", QRect(226, 120, 58, 24), 2},
        {"id1009", "-10～10V", QRect(226, 150, 58, 24), 3},
    };
    for (int i = 0; i < CRangeSelectDlg::kButtonCount; ++i) {
        const RangeButton& button = dialog.Button(i);
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(button.objectName().toStdString(), expected[i].id);
        EXPECT_EQ(button.text().toStdString(), expected[i].text);
        EXPECT_EQ(button.geometry(), expected[i].where);
        EXPECT_EQ(CRangeSelectDlg::ButtonRange(i), expected[i].range);
        EXPECT_EQ(dialog.ButtonFor(expected[i].range), &dialog.Button(i));
        EXPECT_EQ(button.font().family().toStdString(), "MS UI Gothic");
        EXPECT_EQ(button.font().pixelSize(), 12);
        // The label fits on the button in the font actually used.
        EXPECT_LE(button.fontMetrics().horizontalAdvance(button.text()), button.width() - 6);
    }

    std::vector<QRect> texts;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        texts.push_back(test::TextExtent(*label));
        EXPECT_GE(label->width(), label->sizeHint().width());
    }
    EXPECT_EQ(texts.size(), 2u);
    test::ExpectNoOverlap(dialog, texts);
    test::ExpectJapaneseFont(dialog.CancelButton());
    test::ExpectJapaneseFont(dialog.Button(0));
}

TEST(CRangeSelectDlgTest, HighlightsThePresentRangeOnly)
{
    test::RecordingUi ui;
    CRangeSelectDlg dialog(ui);
    dialog.range = kRangeE0_24mA;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    // The second button of the external-supply column.
    RangeButton& present = dialog.Button(4);
    EXPECT_EQ(present.text().toStdString(), "0～24mA");
    EXPECT_EQ(present.geometry().topLeft(), QPoint(110, 90));
    for (int i = 0; i < CRangeSelectDlg::kButtonCount; ++i) {
        EXPECT_EQ(dialog.Button(i).FaceColour(),
                  i == 4 ? CRangeSelectDlg::kHighlightFace : CRangeSelectDlg::kNormalFace)
            << i;
    }
    // The colour is what the button shows, not only what it holds.
    const QImage highlighted = present.grab().toImage();
    EXPECT_EQ(highlighted.pixelColor(3, 3), QColor(128, 255, 128));
    const QImage normal = dialog.Button(3).grab().toImage();
    EXPECT_EQ(normal.pixelColor(3, 3), QColor(240, 240, 240));

    // Shown again for another channel, the highlight moves.
    dialog.hide();
    dialog.range = kRange0_5V;
    dialog.show();
    EXPECT_EQ(dialog.Button(5).FaceColour(), CRangeSelectDlg::kHighlightFace);
    EXPECT_EQ(dialog.Button(4).FaceColour(), CRangeSelectDlg::kNormalFace);
}

TEST(CRangeSelectDlgTest, CodeWithoutAButtonHighlightsNothing)
{
    test::RecordingUi ui;
    for (OutputRange code : {4, 8, 9, 13, 15, -1}) {
        CRangeSelectDlg dialog(ui);
        dialog.range = code;
        dialog.show();
        for (int i = 0; i < CRangeSelectDlg::kButtonCount; ++i) {
            EXPECT_NE(dialog.Button(i).FaceColour(), CRangeSelectDlg::kHighlightFace) << code;
        }
    }
}

TEST(CRangeSelectDlgTest, ChoosingAButtonClosesWithItsRange)
{
    test::RecordingUi ui;
    for (int i = 0; i < CRangeSelectDlg::kButtonCount; ++i) {
        CRangeSelectDlg dialog(ui);
        dialog.range = kRangeE0_24mA;
        const int result =
            ExecWith(dialog, [&] { QTest::mouseClick(&dialog.Button(i), Qt::LeftButton); });
        EXPECT_EQ(result, QDialog::Accepted) << i;
        EXPECT_EQ(dialog.range, CRangeSelectDlg::ButtonRange(i));
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(CRangeSelectDlgTest, CancelAndEscapeLeaveTheRange)
{
    test::RecordingUi ui;
    {
        CRangeSelectDlg dialog(ui);
        dialog.range = kRange4_20mA;
        EXPECT_EQ(
            ExecWith(dialog, [&] { QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton); }),
            QDialog::Rejected);
        EXPECT_EQ(dialog.range, kRange4_20mA);
    }
    {
        CRangeSelectDlg dialog(ui);
        dialog.range = kRangeM10_10V;
        EXPECT_EQ(ExecWith(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }),
                  QDialog::Rejected);
        EXPECT_EQ(dialog.range, kRangeM10_10V);
    }
}

}  // namespace
}  // namespace krv
