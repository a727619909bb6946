// Importing the point list of the automatic-output dialog from a CSV file.
#include <gtest/gtest.h>

#include <QTest>

#include "AutoOutDlgFixture.h"
#include "support/TempFolder.h"

namespace krv {
namespace {

class CsvImportTest : public CAutoOutDlgTest {
  protected:
    void Import(const std::string& path)
    {
        dialog.chooseCsvFile = [path] { return QString::fromStdString(path); };
        dialog.CsvButton().click();
    }

    test::TempFolder folder;
};

TEST_F(CsvImportTest, FillsTheList)
{
    ASSERT_TRUE(folder.Valid());
    Show();
    SelectWaveform(kArbitrary);
    std::string text = "\"4.5\",0.5,1\r\n";
    for (int i = 1; i < 1200; ++i) text += "5," + std::to_string(i % 7 + 1) + "\r\n";
    Import(folder.Write("points.csv", text));
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts()[0];
    const CEditListCtrl& list = dialog.PointList();
    EXPECT_EQ(S(list.CellText(0, 2)), "4.5");
    EXPECT_EQ(S(list.CellText(0, 3)), "0.5");
    EXPECT_EQ(S(list.CellText(0, 4)), "1");
    EXPECT_EQ(S(list.CellText(1, 4)), "");  // the old pause mark of row 2 is gone
    EXPECT_EQ(S(list.CellText(999, 2)), "5");

    dialog.OkButton().click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const auto& points = state.autoOutput[kChannel].points;
    EXPECT_TRUE(points[999].used);
    EXPECT_EQ(points[0].interval, 50);
    EXPECT_TRUE(points[0].pause);
    EXPECT_FALSE(points[1].pause);
}

TEST_F(CsvImportTest, ChecksWhatItRead)
{
    ASSERT_TRUE(folder.Valid());
    Show();
    SelectWaveform(kArbitrary);
    Import(folder.Write("header.csv", "\x92\x6c,\x8a\xd4\x8a\x75\r\n5,1\r\n"));  // 値,間隔
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"数値以外のデータがあります"});
    EXPECT_EQ(S(dialog.PointList().CellText(0, 2)), "値");
    EXPECT_EQ(S(dialog.PointList().CellText(2, 2)), "");

    ui.Clear();
    Import(folder.Write("short.csv", "5,1\n6,1\n\n7,1\n"));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(S(dialog.PointList().CellText(1, 2)), "6");
    EXPECT_EQ(S(dialog.PointList().CellText(2, 2)), "");

    ui.Clear();
    Import(folder.Write("long.csv", "5,1\n" + std::string(100000, '1') + "\n7,1\n"));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"長すぎる行があります"});
    EXPECT_EQ(S(dialog.PointList().CellText(0, 2)), "5");
    EXPECT_EQ(S(dialog.PointList().CellText(1, 2)), "");
}

TEST_F(CsvImportTest, AFileThatCannotBeOpenedLeavesTheListAlone)
{
    ASSERT_TRUE(folder.Valid());
    Show();
    SelectWaveform(kArbitrary);
    Import(folder.Path("missing.csv"));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ファイルが開けません"});
    EXPECT_EQ(ui.Messages()[0].caption, "確認");
    EXPECT_EQ(S(dialog.PointList().CellText(1, 2)), " 6.500");

    // No file chosen: the list as it stands is still checked.
    ui.Clear();
    SetPoint(5, "x", "1");
    Import("");
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"未入力データがあります"});
    EXPECT_EQ(S(dialog.PointList().CellText(5, 2)), "x");
}

}  // namespace
}  // namespace krv
