// The preset dialog: what it shows at open, what OK hands back, what it refuses.
#include <gtest/gtest.h>

#include <QTest>

#include <set>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/CPresetDlg.h"
#include "support/QtText.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using test::ExecWith;
using test::Retype;

using test::S;

constexpr std::array<double, kPresetCount> kPresets{4.0, 20.0, 12.5, 4.0, 5.25, 6.0, 7.125, 19.999};

// Channel 3 in the 4 to 20 mA range, as the panel opens the dialog.
class CPresetDlgTest : public ::testing::Test {
  protected:
    CPresetDlgTest()
    {
        dialog.channel = 2;
        dialog.lowerText = " 4.000";
        dialog.upperText = "20.000";
        dialog.lower = 4.0;
        dialog.upper = 20.0;
        dialog.decimals = 3;
        dialog.values = kPresets;
    }

    test::RecordingUi ui;
    CPresetDlg dialog{ui};
};

TEST_F(CPresetDlgTest, LooksAsLaidOut)
{
    EXPECT_EQ(S(dialog.windowTitle()), "設定値");
    EXPECT_EQ(dialog.size(), QSize(283, 195));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    // Three to a row; the eighth field has the highest id.
    EXPECT_EQ(dialog.PresetField(2).geometry(), QRect(192, 61, 79, 22));
    EXPECT_EQ(dialog.PresetField(3).geometry(), QRect(10, 91, 79, 22));
    EXPECT_EQ(dialog.PresetField(7).geometry(), QRect(100, 120, 79, 22));
    EXPECT_EQ(S(dialog.PresetField(7).objectName()), "id1032");
    EXPECT_EQ(S(dialog.OkButton().text()), "OK");
    EXPECT_EQ(S(dialog.CancelButton().text()), "戻る");
    EXPECT_EQ(dialog.CancelButton().geometry(), QRect(196, 160, 75, 22));
    EXPECT_TRUE(dialog.OkButton().isDefault());

    dialog.show();
    std::set<std::string> captions;
    std::vector<QRect> texts;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        captions.insert(S(label->text()));
        EXPECT_GE(label->width(), label->sizeHint().width()) << S(label->text());
        texts.push_back(test::TextExtent(*label));
    }
    EXPECT_EQ(captions,
              (std::set<std::string>{"チャンネル", "３", "最小値", "最大値", " 4.000", "20.000"}));
    test::ExpectNoOverlap(dialog, texts);
    test::ExpectJapaneseFont(dialog.ChannelText());
}

TEST_F(CPresetDlgTest, ShowsThePresetsAtOpen)
{
    const int result = ExecWith(dialog, [&] {
        EXPECT_EQ(S(dialog.ChannelText().text()), "３");
        EXPECT_EQ(S(dialog.LowerText().text()), " 4.000");
        EXPECT_EQ(S(dialog.UpperText().text()), "20.000");
        const char* shown[kPresetCount] = {"4.000", "20.000", "12.500", "4.000",
                                           "5.250", "6.000",  "7.125",  "19.999"};
        for (int i = 0; i < kPresetCount; ++i) EXPECT_EQ(S(dialog.PresetField(i).text()), shown[i]);
        EXPECT_EQ(dialog.focusWidget(), &dialog.PresetField(0));
        dialog.reject();
    });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(CPresetDlgTest, OkHandsBackTheValuesCutToTheDecimals)
{
    const int result = ExecWith(dialog, [&] {
        Retype(dialog.PresetField(0), "12.34567");
        Retype(dialog.PresetField(7), "20");
        Retype(dialog.PresetField(4), "  8.2 ");
        QTest::keyClick(&dialog.PresetField(7), Qt::Key_Return);  // Enter is OK
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.values[0], 12.345);
    EXPECT_DOUBLE_EQ(dialog.values[4], 8.2);
    EXPECT_DOUBLE_EQ(dialog.values[7], 20.0);
    EXPECT_DOUBLE_EQ(dialog.values[2], 12.5);  // untouched fields come back as shown
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(CPresetDlgTest, RefusedInputKeepsTheDialogOpenWithItsMessage)
{
    struct Case {
        int field;
        const char* text;
        const char* message;
    };
    for (const Case& c :
         {Case{3, "3.999", "範囲外データがあります"}, Case{5, "5V", "入力データに誤りがあります"},
          Case{7, "", "範囲外データがあります"}}) {
        SCOPED_TRACE(c.text);
        ui.Clear();
        dialog.values = kPresets;
        const int result = ExecWith(dialog, [&] {
            Retype(dialog.PresetField(0), "10");  // fine, but not taken while another fails
            Retype(dialog.PresetField(c.field), c.text);
            QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), &dialog.PresetField(c.field));
            EXPECT_EQ(dialog.values, kPresets);
            QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(result, QDialog::Rejected);
        const auto messages = ui.Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.message);
        EXPECT_EQ(messages[0].caption, "確認");
        EXPECT_EQ(messages[0].icon, MessageIcon::Information);
        // Cancelled after the refusal: the caller's presets are as they were.
        EXPECT_EQ(dialog.values, kPresets);
    }
}

TEST_F(CPresetDlgTest, ReversedScaledRange)
{
    dialog.lower = 100.0;
    dialog.upper = 0.0;
    dialog.decimals = 1;
    dialog.values = {100.0, 0.0, 50.0, 50.0, 50.0, 50.0, 50.0, 50.0};
    const int result = ExecWith(dialog, [&] {
        EXPECT_EQ(S(dialog.PresetField(0).text()), "100.0");
        EXPECT_EQ(S(dialog.PresetField(1).text()), "  0.0");
        Retype(dialog.PresetField(2), "-0.5");
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        Retype(dialog.PresetField(2), "33.33");
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"範囲外データがあります"});
    EXPECT_DOUBLE_EQ(dialog.values[2], 33.3);
}

}  // namespace
}  // namespace krv
