#include "dialogs/CEditListCtrl.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include <memory>
#include <set>

namespace krv {

CEditInListCtrl::CEditInListCtrl(CEditListCtrl& list) : QLineEdit(list.viewport()), list_(list)
{
    setObjectName(QStringLiteral("id1060"));
    setFrame(false);
    hide();
}

void CEditInListCtrl::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape only end the edit: they must not reach the dialog, where they would
    // confirm or close it. Leaving the box keeps the text either way.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            list_.setFocus(Qt::OtherFocusReason);
            // Losing the focus has closed the box already, unless the window is not active and
            // so no focus moved.
            list_.CloseEditor();
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

void CEditInListCtrl::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus only for a moment.
    if (event->reason() == Qt::PopupFocusReason) return;
    list_.CloseEditor();
}

CEditListCtrl::CEditListCtrl(QWidget* parent) : QTableWidget(parent), editor_(*this)
{
    // Cells are edited only through the editor the owner opens.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    auto prototype = std::make_unique<QTableWidgetItem>();
    prototype->setTextAlignment(Qt::AlignCenter);
    setItemPrototype(prototype.release());  // the list owns it
}

void CEditListCtrl::OpenEditor(int row, int column)
{
    if (row < 0 || row >= rowCount() || column < kFirstEditableColumn ||
        column > kLastEditableColumn || column >= columnCount()) {
        return;
    }
    CloseEditor();
    const QModelIndex index = model()->index(row, column);
    scrollTo(index);
    editor_.row = row;
    editor_.column = column;
    editor_.setFont(font());
    editor_.setGeometry(visualRect(index).adjusted(1, 1, -1, -1));
    editor_.setText(CellText(row, column));
    editor_.show();
    editor_.setFocus(Qt::OtherFocusReason);
}

void CEditListCtrl::CloseEditor()
{
    if (!Editing()) return;
    const int row = editor_.row;
    const int column = editor_.column;
    // Marked closed first: hiding the box moves the focus, which would close it a second time.
    editor_.row = -1;
    editor_.column = -1;
    SetCellText(row, column, editor_.text());
    if (editor_.hasFocus()) setFocus(Qt::OtherFocusReason);
    editor_.hide();
}

QString CEditListCtrl::CellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CEditListCtrl::SetCellText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    } else if (!text.isEmpty()) {
        // The model makes the item from the prototype.
        model()->setData(model()->index(row, column), text, Qt::DisplayRole);
    }
}

void CEditListCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        std::set<int> rows;
        for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
            rows.insert(index.row());
        }
        for (const int row : rows) {
            for (int column = kFirstEditableColumn; column <= kLastEditableColumn; ++column) {
                SetCellText(row, column, QString());
            }
        }
    }
    QTableWidget::keyPressEvent(event);
}

void CEditListCtrl::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    if (Editing()) {
        editor_.setGeometry(
            visualRect(model()->index(editor_.row, editor_.column)).adjusted(1, 1, -1, -1));
    }
}

}  // namespace krv
