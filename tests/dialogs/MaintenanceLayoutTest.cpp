// The maintenance dialogs on screen: every control inside its dialog, every text in full and in
// the Japanese font, no text running into another or into a control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "dialogs/CCalDlg.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "dialogs/DialogTestSupport.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

void ExpectLaidOutInFull(QDialog& dialog)
{
    SCOPED_TRACE(dialog.windowTitle().toStdString());
    std::vector<QRect> texts;
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const std::string name = control->objectName().toStdString();
        EXPECT_TRUE(dialog.rect().contains(control->geometry())) << name;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            if (label->text().isEmpty()) continue;
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            if (label->frameStyle() == QFrame::NoFrame) texts.push_back(test::TextExtent(*label));
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title()) + 16)
                << group->title().toStdString();
        } else if (auto* push = qobject_cast<QPushButton*>(control)) {
            EXPECT_GE(push->width(), push->fontMetrics().horizontalAdvance(push->text()) + 8)
                << push->text().toStdString();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
            EXPECT_GE(button->height(), button->fontMetrics().height()) << name;
        }
    }
    test::ExpectNoOverlap(dialog, texts);
    test::ExpectJapaneseFont(dialog);
}

TEST(MaintenanceLayoutTest, EveryTextIsThereInFullAndNothingOverlaps)
{
    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    GeneratorState state{app};

    CPcResSetupDlg setup(link, state, ui);
    setup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&setup));
    ExpectLaidOutInFull(setup);

    CCalDlg calibration(link, ui);
    calibration.channelCount = 2;
    calibration.values[0] = {kRangeE0_24mA, 2, 200, -200, "  0.000", " 24.000"};
    calibration.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calibration));
    ExpectLaidOutInFull(calibration);
    // The corrections' font: the fixed-pitch gothic, its line within the edits.
    EXPECT_EQ(calibration.ZeroEdit().font().styleHint(), QFont::TypeWriter);
    EXPECT_LE(calibration.ZeroEdit().fontMetrics().height(), 20);
    EXPECT_GE(calibration.ZeroEdit().viewport()->height(),
              calibration.ZeroEdit().fontMetrics().height());

    // Not shown: it would read the unit.
    ConverterVersionDlg information(link, state, ui);
    ExpectLaidOutInFull(information);
    EXPECT_EQ(information.size(), QSize(463, 286));
}

}  // namespace
}  // namespace krv
