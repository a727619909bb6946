#pragma once

#include <QColor>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>
#include <memory>

#include "platform/UserInterface.h"
#include "protocol/Ranges.h"

namespace krv {

// A range button: flat text on a face colour of its own, drawn by the button itself so the colour
// shows whatever the widget style would do with a palette.
class RangeButton : public QPushButton {
    Q_OBJECT

  public:
    RangeButton(const QString& text, QWidget* parent);

    void SetFaceColour(const QColor& colour);
    // Invalid until a colour was set: the button then has the style's face.
    QColor FaceColour() const { return face_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor face_;
};

// Lets the user pick a channel's output range with one click. The channel's present range is
// highlighted; a click on any range button, the present one included, closes the dialog with OK.
class CRangeSelectDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kButtonCount = 10;
    static inline const QColor kNormalFace{240, 240, 240};
    static inline const QColor kHighlightFace{128, 255, 128};

    // The dialog shows no messages; it takes the interface like the other setting dialogs.
    CRangeSelectDlg(UserInterface& ui, QWidget* parent = nullptr);
    ~CRangeSelectDlg() override;

    // Set to the channel's present range before the dialog is shown; after OK the range chosen.
    // Cancelling leaves it as it was.
    OutputRange range = 0;

    // The range buttons in the order of their ids (1000 … 1009).
    RangeButton& Button(int index) { return *buttons_[static_cast<std::size_t>(index)]; }
    // The button that chooses `code`, or nullptr for a code no button chooses.
    RangeButton* ButtonFor(OutputRange code);
    static OutputRange ButtonRange(int index);
    QPushButton& CancelButton() { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ColourButtons();
    void Choose(int index);

    QGroupBox currentGroup_{this};
    QLabel internalLabel_{this};
    QLabel externalLabel_{this};
    QGroupBox voltageGroup_{this};
    QPushButton cancel_{this};
    std::array<std::unique_ptr<RangeButton>, kButtonCount> buttons_;
};

}  // namespace krv
