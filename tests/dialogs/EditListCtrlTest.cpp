// The editable list: where the editor opens, what Enter, Escape and leaving the editor keep, and
// Delete on selected rows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "dialogs/CEditListCtrl.h"
#include "support/QtText.h"
#include "support/TempFolder.h"

namespace krv {
namespace {

using test::S;

class CEditListCtrlTest : public ::testing::Test {
  protected:
    CEditListCtrlTest()
    {
        dialog.resize(400, 300);
        list.setGeometry(10, 10, 380, 200);
        other.setGeometry(10, 220, 100, 24);
        list.setColumnCount(5);
        list.setRowCount(100);
        list.setColumnHidden(0, true);
        for (int row = 0; row < 100; ++row) {
            list.SetCellText(row, 1, QString::number(row + 1));
            list.SetCellText(row, 2, QStringLiteral("v%1").arg(row));
            list.SetCellText(row, 3, QStringLiteral("i%1").arg(row));
            list.SetCellText(row, 4, QStringLiteral("1"));
        }
    }

    void Show()
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        QApplication::setActiveWindow(&dialog);
    }

    QDialog dialog;
    CEditListCtrl list{&dialog};
    QLineEdit other{&dialog};
};

TEST_F(CEditListCtrlTest, OpensOnlyOnEditableCells)
{
    Show();
    for (const auto& [row, column] :
         {std::pair{3, 0}, std::pair{3, 1}, std::pair{-1, 2}, std::pair{100, 2}, std::pair{3, 5}}) {
        list.OpenEditor(row, column);
        EXPECT_FALSE(list.Editing()) << row << ", " << column;
        EXPECT_FALSE(list.Editor().isVisible());
    }
    list.OpenEditor(3, 3);
    ASSERT_TRUE(list.Editing());
    CEditInListCtrl& editor = list.Editor();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.row, 3);
    EXPECT_EQ(editor.column, 3);
    EXPECT_EQ(S(editor.text()), "i3");
    EXPECT_EQ(S(editor.objectName()), "id1060");
    EXPECT_FALSE(editor.hasFrame());
    EXPECT_EQ(editor.geometry(), list.visualRect(list.model()->index(3, 3)).adjusted(1, 1, -1, -1));
    EXPECT_TRUE(editor.hasFocus());
}

TEST_F(CEditListCtrlTest, EnterAndEscapeBothKeepTheText)
{
    Show();
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        list.OpenEditor(5, 2);
        ASSERT_TRUE(list.Editor().hasFocus());
        list.Editor().selectAll();
        QTest::keyClicks(&list.Editor(), "12.5");
        QTest::keyClick(&list.Editor(), key);
        EXPECT_EQ(S(list.CellText(5, 2)), "12.5") << key;
        EXPECT_FALSE(list.Editing());
        EXPECT_FALSE(list.Editor().isVisible());
        EXPECT_TRUE(list.hasFocus());
        EXPECT_TRUE(dialog.isVisible()) << "the key reached the dialog";
        list.SetCellText(5, 2, QStringLiteral("v5"));
    }
}

TEST_F(CEditListCtrlTest, LeavingTheEditorStoresAnyText)
{
    Show();
    list.OpenEditor(0, 4);
    list.Editor().setText(QStringLiteral("abc 値"));
    other.setFocus();
    EXPECT_EQ(S(list.CellText(0, 4)), "abc 値");
    EXPECT_FALSE(list.Editing());

    // Another double click moves the editor, storing the first cell on the way.
    list.OpenEditor(1, 2);
    list.Editor().setText(QStringLiteral("first"));
    list.OpenEditor(2, 3);
    EXPECT_EQ(S(list.CellText(1, 2)), "first");
    EXPECT_EQ(list.Editor().row, 2);
    EXPECT_EQ(S(list.Editor().text()), "i2");
    list.CloseEditor();
    EXPECT_EQ(S(list.CellText(2, 3)), "i2");
}

TEST_F(CEditListCtrlTest, TheEditorFollowsItsCellWhenTheListScrolls)
{
    Show();
    list.OpenEditor(2, 2);
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->value() + 1);
    QApplication::processEvents();
    EXPECT_EQ(list.Editor().geometry(),
              list.visualRect(list.model()->index(2, 2)).adjusted(1, 1, -1, -1));
}

TEST_F(CEditListCtrlTest, DeleteEmptiesTheSelectedRows)
{
    Show();
    list.setFocus();
    list.selectRow(2);
    list.selectionModel()->select(
        QItemSelection(list.model()->index(3, 0), list.model()->index(4, 4)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&list, Qt::Key_Delete);
    for (int row = 0; row < 7; ++row) {
        const bool cleared = row >= 2 && row <= 4;
        EXPECT_EQ(S(list.CellText(row, 1)), std::to_string(row + 1));
        EXPECT_EQ(list.CellText(row, 2).isEmpty(), cleared) << row;
        EXPECT_EQ(list.CellText(row, 3).isEmpty(), cleared) << row;
        EXPECT_EQ(list.CellText(row, 4).isEmpty(), cleared) << row;
    }
}

}  // namespace
}  // namespace krv
