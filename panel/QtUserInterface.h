#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/UserInterface.h"

namespace krv {

// Messages as modal message boxes, the wait cursor as the application's override cursor.
class QtUserInterface : public UserInterface {
  public:
    explicit QtUserInterface(QWidget* parentForMessages = nullptr) : parent_(parentForMessages) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    void SetWaitCursor(bool on) override;
    // Runs queued events; false once the main window has been closed meanwhile.
    bool ProcessPendingEvents() override;

  private:
    QPointer<QWidget> parent_;
    int waitDepth_ = 0;
};

}  // namespace krv
