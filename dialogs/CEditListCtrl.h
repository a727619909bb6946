#pragma once

#include <QLineEdit>
#include <QTableWidget>

namespace krv {

class CEditListCtrl;

// The edit box placed over one cell of a CEditListCtrl while it is edited. Whatever takes the
// focus away from it (Enter, Escape, a click elsewhere) writes its text into the cell unchanged;
// values are checked only when the list's owner is confirmed.
class CEditInListCtrl : public QLineEdit {
    Q_OBJECT

  public:
    explicit CEditInListCtrl(CEditListCtrl& list);

    // The cell being edited; -1 while no cell is.
    int row = -1;
    int column = -1;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    CEditListCtrl& list_;
};

// A report-style list whose cells in the columns from kFirstEditableColumn on can be edited in
// place: the owner opens the editor on a double click (OpenEditor). Delete empties the editable
// cells of every selected row.
class CEditListCtrl : public QTableWidget {
    Q_OBJECT

  public:
    static constexpr int kFirstEditableColumn = 2;
    static constexpr int kLastEditableColumn = 4;

    explicit CEditListCtrl(QWidget* parent = nullptr);

    // Opens the editor over the cell; does nothing for a negative row or a column that cannot be
    // edited.
    void OpenEditor(int row, int column);
    // Writes the editor's text into its cell and hides it; nothing happens when it is closed.
    void CloseEditor();
    bool Editing() const { return editor_.row >= 0; }
    CEditInListCtrl& Editor() { return editor_; }

    // Text of a cell; empty for a cell that holds none.
    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The editor stays over its cell only while the cell does not move.
    void scrollContentsBy(int dx, int dy) override;

  private:
    CEditInListCtrl editor_;
};

}  // namespace krv
