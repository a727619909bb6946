// The conversion formula dialog: what it shows at open, what OK hands back, what it refuses.
#include <gtest/gtest.h>

#include <QTest>

#include <set>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/CScaleDlg.h"
#include "support/QtText.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using test::ExecWith;
using test::Retype;

using test::S;

class CScaleDlgTest : public ::testing::Test {
  protected:
    CScaleDlgTest()
    {
        dialog.channel = 1;
        dialog.range = kRange4_20mA;
        dialog.scaledMin = 0.0;
        dialog.scaledMax = 100.0;
        dialog.scaledDigits = 2;
        dialog.scaledUnit = "%";
        // Outputs the dialog must only touch on OK.
        dialog.newMin = -7.0;
        dialog.newMax = -7.0;
        dialog.newDigits = -7;
        dialog.newUnit = "unset";
    }

    void ExpectOutputsUntouched()
    {
        EXPECT_EQ(dialog.newMin, -7.0);
        EXPECT_EQ(dialog.newMax, -7.0);
        EXPECT_EQ(dialog.newDigits, -7);
        EXPECT_EQ(dialog.newUnit, "unset");
    }

    test::RecordingUi ui;
    CScaleDlg dialog{ui};
};

TEST_F(CScaleDlgTest, LooksAsLaidOut)
{
    EXPECT_EQ(S(dialog.windowTitle()), "換算式");
    EXPECT_EQ(dialog.size(), QSize(391, 173));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.MinimumField().geometry(), QRect(94, 100, 79, 22));
    EXPECT_EQ(dialog.UnitField().geometry(), QRect(292, 100, 79, 22));
    EXPECT_EQ(dialog.CancelButton().geometry(), QRect(297, 139, 75, 22));
    EXPECT_EQ(S(dialog.OkButton().text()), "OK");
    EXPECT_EQ(S(dialog.CancelButton().text()), "キャンセル");
    EXPECT_TRUE(dialog.OkButton().isDefault());
    EXPECT_TRUE(dialog.UnitField().alignment() & Qt::AlignRight);

    // Every caption is there in full, and no text runs into another text or control.
    std::set<std::string> captions;
    std::vector<QRect> texts;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->text().isEmpty()) continue;
        captions.insert(S(label->text()));
        EXPECT_GE(label->width(), label->sizeHint().width()) << S(label->text());
        texts.push_back(test::TextExtent(*label));
    }
    EXPECT_EQ(captions,
              (std::set<std::string>{"チャンネル", "最小値", "最大値", "アナログ値", "▽", "換算値",
                                     "(有効桁数5桁）", "単位", "(半角3文字以内)"}));
    test::ExpectNoOverlap(dialog, texts);
    test::ExpectJapaneseFont(dialog.MinimumField());
}

TEST_F(CScaleDlgTest, ShowsTheFormulaAtOpen)
{
    const int result = ExecWith(dialog, [&] {
        EXPECT_EQ(S(dialog.ChannelText().text()), "２");
        EXPECT_EQ(S(dialog.LowerEndText().text()), "4 mA");
        EXPECT_EQ(S(dialog.UpperEndText().text()), "20 mA");
        EXPECT_EQ(S(dialog.MinimumField().text()), " 0.00");
        EXPECT_EQ(S(dialog.MaximumField().text()), "100.00");
        EXPECT_EQ(S(dialog.UnitField().text()), "%");
        EXPECT_EQ(dialog.focusWidget(), &dialog.MinimumField());
        dialog.reject();
    });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(CScaleDlgTest, OkHandsBackTheNewFormula)
{
    const int result = ExecWith(dialog, [&] {
        Retype(dialog.MinimumField(), "0");
        Retype(dialog.MaximumField(), "100.5");
        Retype(dialog.UnitField(), QString::fromUtf8("℃"));
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.newMin, 0.0);
    EXPECT_EQ(dialog.newMax, 100.5);
    EXPECT_EQ(dialog.newDigits, 1);
    EXPECT_EQ(dialog.newUnit, "℃");
    EXPECT_TRUE(ui.Messages().empty());
    // The inputs are the caller's; the dialog does not write them.
    EXPECT_EQ(dialog.scaledMax, 100.0);
}

TEST_F(CScaleDlgTest, RefusedInputKeepsTheDialogOpenWithItsMessage)
{
    struct Case {
        const char* minimum;
        const char* maximum;
        const char* unit;
        const char* message;
        QLineEdit& (CScaleDlg::*field)();
    };
    for (const Case& c : {
             Case{"12a", "10", "", "最小値に誤りがあります", &CScaleDlg::MinimumField},
             Case{"0", "1O", "", "最大値に誤りがあります", &CScaleDlg::MaximumField},
             Case{"1.2345", "10000", "", "有効桁数を超えています", &CScaleDlg::MinimumField},
             Case{"0", "10", "ABCD", "単位が桁数を超えています", &CScaleDlg::UnitField},
         }) {
        SCOPED_TRACE(c.message);
        ui.Clear();
        const int result = ExecWith(dialog, [&] {
            Retype(dialog.MinimumField(), c.minimum);
            Retype(dialog.MaximumField(), c.maximum);
            Retype(dialog.UnitField(), c.unit);
            QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), &(dialog.*c.field)());
            // Corrected, the same dialog accepts.
            Retype(dialog.MinimumField(), "-5");
            Retype(dialog.MaximumField(), "5");
            Retype(dialog.UnitField(), "V");
            QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(result, QDialog::Accepted);
        const auto messages = ui.Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.message);
        EXPECT_EQ(messages[0].caption, "確認");
        EXPECT_EQ(messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(dialog.newMin, -5.0);
        EXPECT_EQ(dialog.newUnit, "V");
    }
}

TEST_F(CScaleDlgTest, CancelLeavesTheOutputs)
{
    const int result = ExecWith(dialog, [&] {
        Retype(dialog.MinimumField(), "1");
        Retype(dialog.MaximumField(), "2");
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ExpectOutputsUntouched();

    // Also after a refusal, and by Escape.
    const int escaped = ExecWith(dialog, [&] {
        Retype(dialog.MinimumField(), "x");
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(escaped, QDialog::Rejected);
    ExpectOutputsUntouched();
}

TEST_F(CScaleDlgTest, ReopeningShowsTheInputsAgain)
{
    ExecWith(dialog, [&] {
        Retype(dialog.MinimumField(), "junk");
        dialog.reject();
    });
    dialog.channel = 3;
    dialog.scaledDigits = 7;  // no format for it: empty fields
    dialog.range = 15;        // no output range: no end labels
    ExecWith(dialog, [&] {
        EXPECT_EQ(S(dialog.ChannelText().text()), "４");
        EXPECT_EQ(S(dialog.MinimumField().text()), "");
        EXPECT_EQ(S(dialog.MaximumField().text()), "");
        EXPECT_EQ(S(dialog.LowerEndText().text()), "");
        dialog.reject();
    });
}

}  // namespace
}  // namespace krv
