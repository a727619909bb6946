// The circuit-count dialog, the about box and the program's icon.
#include <gtest/gtest.h>

#include <QTest>

#include "AppTestSupport.h"
#include "app/AppIcon.h"
#include "app/CAboutDlg.h"
#include "dialogs/CDacSelect.h"

namespace krv {
namespace {

TEST(CDacSelectTest, LooksAsLaidOut)
{
    CDacSelect dialog;
    EXPECT_EQ(dialog.windowTitle().toStdString(), "選択");
    EXPECT_EQ(dialog.OneCircuitButton().text().toStdString(), "１ 回路用");
    EXPECT_EQ(dialog.TwoCircuitsButton().text().toStdString(), "２ 回路用");
    EXPECT_EQ(dialog.CancelButton().text().toStdString(), "キャンセル");
    EXPECT_EQ(dialog.Prompt().text().toStdString(), "接続ユニットの回路数を選択してください");
    // Dialog units of the 8-point dialog font: x × 6 / 4, y × 13 / 8.
    EXPECT_EQ(dialog.OneCircuitButton().geometry(), QRect(87, 24, 75, 22));
    EXPECT_EQ(dialog.TwoCircuitsButton().geometry(), QRect(87, 58, 75, 22));
    EXPECT_EQ(dialog.CancelButton().geometry(), QRect(85, 94, 75, 22));
    EXPECT_GE(dialog.width(), 253);
    EXPECT_EQ(dialog.height(), 175);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    // The whole prompt is visible.
    EXPECT_GE(dialog.Prompt().width(), dialog.Prompt().sizeHint().width());
    EXPECT_LE(dialog.Prompt().geometry().right(), dialog.width());
    // A caption bar without a close box.
    EXPECT_TRUE(dialog.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowTitleHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
}

TEST(CDacSelectTest, ButtonsChooseTheCount)
{
    struct Case {
        QPushButton& (CDacSelect::*button)();
        int count;
        int result;
    };
    for (const Case& c : {Case{&CDacSelect::OneCircuitButton, 1, QDialog::Accepted},
                          Case{&CDacSelect::TwoCircuitsButton, 2, QDialog::Accepted},
                          Case{&CDacSelect::CancelButton, -1, QDialog::Rejected}}) {
        CDacSelect dialog;
        dialog.count = -1;
        test::ModalAnswer answer([&](QWidget* modal) {
            ASSERT_EQ(modal, &dialog);
            QTest::mouseClick(&(dialog.*c.button)(), Qt::LeftButton);
        });
        EXPECT_EQ(dialog.exec(), c.result);
        EXPECT_TRUE(answer.Handled());
        EXPECT_EQ(dialog.count, c.count);
    }
}

TEST(CDacSelectTest, EscapeCancels)
{
    test::ModalAnswer answer([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(CDacSelect::Ask(nullptr), -1);
    EXPECT_TRUE(answer.Handled());

    // Escape after a choice was made (not closing) still leaves "cancelled".
    CDacSelect dialog;
    dialog.count = 2;
    dialog.reject();
    EXPECT_EQ(dialog.count, -1);
}

TEST(CDacSelectTest, AskReturnsTheChoice)
{
    test::ModalAnswer answer([](QWidget* modal) {
        QTest::mouseClick(&static_cast<CDacSelect*>(modal)->TwoCircuitsButton(), Qt::LeftButton);
    });
    EXPECT_EQ(CDacSelect::Ask(nullptr), 2);
}

TEST(CAboutDlgTest, ShowsTheProgramVersion)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle().toStdString(), "バージョン情報 Bremix");
    EXPECT_EQ(dialog.VersionText().toStdString(), "Version 2.0.2.0");
    EXPECT_TRUE(dialog.CopyrightText().isEmpty());
    EXPECT_EQ(dialog.OkButton().text().toStdString(), "OK");
    EXPECT_EQ(dialog.size(), QSize(352, 100));
    EXPECT_EQ(dialog.OkButton().geometry(), QRect(267, 66, 75, 22));
    const auto* version = dialog.findChild<QLabel*>(QStringLiteral("id1068"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->geometry(), QRect(63, 22, 171, 13));

    EXPECT_EQ(CAboutDlg::VersionLine(QString()).toStdString(), "Bremix, Version 1.0");
}

TEST(CAboutDlgTest, OkCloses)
{
    CAboutDlg dialog;
    test::ModalAnswer answer(
        [&](QWidget*) { QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(answer.Handled());
}

// The icon is rendered from the SVG compiled into the program: a resource the static library lost
// on the way into the program would leave it empty.
TEST(AppIconTest, IsRenderedFromTheCompiledInImageAtEverySize)
{
    for (int size : {16, 48, 256}) {
        SCOPED_TRACE(size);
        const QImage image = DrawAppIcon(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "rounded corner";
        const QRgb face = image.pixel(size / 2, size / 2);
        EXPECT_EQ(qAlpha(face), 255);
        EXPECT_GT(qBlue(face), qRed(face)) << "blue face";
        // The sawtooth's first rising edge ends in a vertical stroke at 44 % of the width (at 16
        // pixels the stroke is narrower than a pixel).
        if (size < 48) continue;
        const QRgb trace = image.pixel(size * 44 / 100, size * 30 / 100);
        EXPECT_GT(qGreen(trace), qBlue(trace) + 40) << "green trace";
    }
    EXPECT_EQ(AppIcon().availableSizes().size(), 8);
}

}  // namespace
}  // namespace krv
