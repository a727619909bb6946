#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace krv {

// Asks how many output circuits the unit to be used has, for a fresh settings set.
class CDacSelect : public QDialog {
    Q_OBJECT

  public:
    explicit CDacSelect(QWidget* parent = nullptr);

    // The choice: 1 or 2, or -1 when the dialog was cancelled. The caller sets it to -1 before
    // showing the dialog.
    int count = -1;

    QPushButton& OneCircuitButton() { return one_; }
    QPushButton& TwoCircuitsButton() { return two_; }
    QPushButton& CancelButton() { return cancel_; }
    QLabel& Prompt() { return prompt_; }

    // Shows the dialog modally and returns the choice.
    static int Ask(QWidget* parent);

  public slots:
    void reject() override;  // cancel, Escape and the window manager's close

  private:
    void Choose(int circuits);

    QPushButton one_{this};
    QPushButton two_{this};
    QPushButton cancel_{this};
    QLabel prompt_{this};
};

}  // namespace krv
