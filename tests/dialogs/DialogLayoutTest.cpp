// The layout rules every dialog shares: dialog units, static texts that never get cut off, fields
// and the OK/cancel pair.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/DialogLayout.h"

namespace krv {
namespace {

TEST(DialogLayoutTest, DialogUnitsAreQuartersAndEighthsOfTheFontsBaseUnits)
{
    EXPECT_EQ(DialogUnitRect(7, 8, 32, 8), QRect(10, 13, 48, 13));
    EXPECT_EQ(DialogUnitSize(189, 120), QSize(283, 195));  // 283.5 pixels wide: cut, not rounded
}

TEST(DialogLayoutTest, TextThatDoesNotFitGrowsAwayFromTheSideItIsAlignedTo)
{
    QDialog dialog;
    dialog.setFont(DialogFont());
    QLabel probe(Q("チャンネル"), &dialog);
    const int w = probe.sizeHint().width();
    const int h = probe.sizeHint().height();
    const QRect narrow(100, 50, w - 20, h - 6);
    struct Case {
        Qt::Alignment alignment;
        QRect expected;
        Qt::Alignment shown;
    };
    for (const Case& c : {
             Case{Qt::AlignLeft, QRect(100, 50, w, h), Qt::AlignLeft | Qt::AlignTop},
             Case{Qt::AlignRight, QRect(80, 50, w, h), Qt::AlignRight | Qt::AlignTop},
             Case{Qt::AlignHCenter, QRect(90, 50, w, h), Qt::AlignHCenter | Qt::AlignTop},
             Case{Qt::AlignLeft | Qt::AlignVCenter, QRect(100, 47, w, h),
                  Qt::AlignLeft | Qt::AlignVCenter},
             Case{Qt::AlignCenter, QRect(90, 47, w, h), Qt::AlignCenter},
         }) {
        SCOPED_TRACE(static_cast<int>(c.alignment));
        QLabel label(&dialog);
        PlaceText(label, narrow, c.alignment, "チャンネル");
        EXPECT_EQ(label.text(), Q("チャンネル"));
        EXPECT_EQ(label.geometry(), c.expected);
        EXPECT_EQ(label.alignment(), c.shown);

        // Where the form gives room enough, the text keeps the form's box.
        const QRect roomy(100, 50, w + 40, h + 10);
        PlaceText(label, roomy, c.alignment);
        EXPECT_EQ(label.geometry(), roomy);
        EXPECT_EQ(label.text(), Q("チャンネル"));
    }
}

TEST(DialogLayoutTest, ValueTextsFieldsAndButtonsAreNamedAfterTheirIds)
{
    QDialog dialog;
    QLabel value(&dialog);
    PlaceValueText(value, DialogUnitRect(67, 17, 53, 12), Qt::AlignRight, 1029);
    EXPECT_EQ(value.objectName(), "id1029");
    EXPECT_EQ(value.geometry(), DialogUnitRect(67, 17, 53, 12));
    EXPECT_EQ(value.alignment(), Qt::AlignRight | Qt::AlignTop);

    QLineEdit field(&dialog);
    PlaceField(field, DialogUnitRect(63, 62, 53, 14), 1018);
    EXPECT_EQ(field.objectName(), "id1018");
    EXPECT_EQ(field.alignment(), Qt::AlignRight | Qt::AlignVCenter);

    QPushButton button(&dialog);
    PlaceButton(button, "CSV読込", DialogUnitRect(6, 168, 50, 14), 1032);
    EXPECT_EQ(button.objectName(), "id1032");
    EXPECT_EQ(button.text(), Q("CSV読込"));
}

TEST(DialogLayoutTest, OkAndCancelSitSideBySideAndCloseTheDialog)
{
    QDialog dialog;
    QPushButton ok(&dialog);
    QPushButton cancel(&dialog);
    PlaceOkCancel(dialog, ok, cancel, Q("戻る"), 77, 99);
    EXPECT_EQ(ok.objectName(), "id1");
    EXPECT_EQ(ok.text(), "OK");
    EXPECT_TRUE(ok.isDefault());
    EXPECT_EQ(ok.geometry(), DialogUnitRect(77, 99, 50, 14));
    EXPECT_EQ(cancel.objectName(), "id2");
    EXPECT_EQ(cancel.text(), Q("戻る"));
    EXPECT_EQ(cancel.geometry(), DialogUnitRect(131, 99, 50, 14));

    ok.click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    cancel.click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace krv
