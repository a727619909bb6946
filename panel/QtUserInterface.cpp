#include "panel/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>

namespace krv {

MessageAnswer QtUserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                           MessageIcon icon, MessageButtons buttons)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MessageIcon::Information:
            boxIcon = QMessageBox::Information;
            break;
        case MessageIcon::Warning:
            boxIcon = QMessageBox::Warning;
            break;
        case MessageIcon::Error:
            boxIcon = QMessageBox::Critical;
            break;
        case MessageIcon::Question:
            boxIcon = QMessageBox::Question;
            break;
        case MessageIcon::None:
            break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
        case MessageButtons::Ok:
            set = QMessageBox::Ok;
            break;
        case MessageButtons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case MessageButtons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            break;
        case MessageButtons::YesNoCancel:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    const QString title = caption.empty()
                              ? QString(kApplicationTitle)
                              : QString::fromStdString(TrMarked("Caption", caption.c_str()));
    QMessageBox box(boxIcon, title, QString::fromStdString(text), set, parent_.data());
    // A message must be readable under the wait cursor of an operation that is still running.
    if (waitDepth_ > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (waitDepth_ > 0) QApplication::restoreOverrideCursor();
    // Only a button of the set is an answer. A box closed otherwise (the window manager, a
    // shutdown rejecting every dialog, an event loop that no longer runs while the program quits)
    // is a question nobody answered.
    QAbstractButton* clicked = box.clickedButton();
    const QMessageBox::StandardButton chosen =
        clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
    if (chosen == QMessageBox::NoButton || !set.testFlag(chosen)) return UnansweredAnswer(buttons);
    switch (chosen) {
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Ok;
    }
}

void QtUserInterface::SetWaitCursor(bool on)
{
    if (on) {
        ++waitDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (waitDepth_ > 0) {
        --waitDepth_;
        QApplication::restoreOverrideCursor();
    }
}

bool QtUserInterface::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
    return parent_.isNull() || parent_->window()->isVisible();
}

}  // namespace krv
