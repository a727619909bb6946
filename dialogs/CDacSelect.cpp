#include "dialogs/CDacSelect.h"

#include <algorithm>

#include "dialogs/DialogLayout.h"

namespace krv {

CDacSelect::CDacSelect(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(tr("選択"));

    PlaceButton(one_, tr("１ 回路用"), DialogUnitRect(58, 15, 50, 14), 1024);
    PlaceButton(two_, tr("２ 回路用"), DialogUnitRect(58, 36, 50, 14), 1023);
    PlaceButton(cancel_, tr("キャンセル"), DialogUnitRect(57, 58, 50, 14), 3);

    QSize size = DialogUnitSize(169, 108);
    prompt_.setText(tr("接続ユニットの回路数を選択してください"));
    one_.setToolTip(tr("出力が１回路のユニットとして使います"));
    two_.setToolTip(tr("出力が２回路のユニットとして使います"));
    cancel_.setToolTip(tr("回路数を選ばずに閉じます"));
    QRect promptRect = DialogUnitRect(22, 84, 126, 8);
    // The text must never be cut off: where the installed font runs wider than the layout
    // allows, the line grows, centred, and the dialog with it.
    const int textWidth = prompt_.sizeHint().width();
    if (textWidth > promptRect.width()) {
        size.setWidth(std::max(size.width(), textWidth + 2 * DialogUnitsToPixelsX(7)));
        promptRect.setLeft((size.width() - textWidth) / 2);
        promptRect.setWidth(textWidth);
    }
    promptRect.setHeight(std::max(promptRect.height(), prompt_.sizeHint().height()));
    prompt_.setGeometry(promptRect);
    setFixedSize(size);

    connect(&one_, &QPushButton::clicked, this, [this] { Choose(1); });
    connect(&two_, &QPushButton::clicked, this, [this] { Choose(2); });
    connect(&cancel_, &QPushButton::clicked, this, &CDacSelect::reject);
}

void CDacSelect::Choose(int circuits)
{
    count = circuits;
    accept();
}

void CDacSelect::reject()
{
    count = -1;
    QDialog::reject();
}

int CDacSelect::Ask(QWidget* parent)
{
    CDacSelect dialog(parent);
    dialog.count = -1;
    dialog.exec();
    return dialog.count;
}

}  // namespace krv
