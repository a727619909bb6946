#pragma once

#include <QFont>
#include <QObject>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QString>
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "model/ChannelDisplay.h"
#include "panel/PanelBitmaps.h"
#include "panel/PanelWidgets.h"

class QPainter;

namespace krv {

// Control ids of a channel's column: base + offset with base = 314 + 60 × channel.
inline constexpr int ChannelControlId(int ch, int offset)
{
    return 314 + 60 * ch + offset;
}

// Width of one channel column in the panel.
inline constexpr int kColumnWidth = 230;

// What a column's controls are drawn with: the panel's fonts and images.
struct ColumnLook {
    const QFont& controls;  // every control, and the painted texts
    const QFont& value;     // the value field
    const QFont& unit;      // the unit label
    const std::map<PanelBitmap, QPixmap>& bitmaps;
};

enum class RunCommand { Start, Pause, Stop };

// The controls of one channel: created hidden on the panel, moved and shown by the panel's layout,
// and drawn from the channel's ChannelDisplay. What the user does with them is handed to the panel
// through the signals; the column itself changes nothing but its own controls.
class ChannelColumn : public QObject {
    Q_OBJECT
  public:
    ChannelColumn(int ch, QWidget* panel, const ColumnLook& look);

    // The control with the given id, if it is one of this column's.
    QWidget* Control(int id) const;
    // Puts the column at `origin` (x in the panel) and shows or hides all of its controls.
    void MoveTo(int origin, bool shown);
    // The frames and fixed texts of channel `ch`'s column, painted in `font` on a panel with
    // `palette` at `origin`.
    static void Paint(QPainter& painter, const QFont& font, const QPalette& palette, int ch,
                      int origin);

    // Each shows one part of what `d` holds.
    void ShowStatus(const ChannelDisplay& d);  // output button, marks, alarm
    void ShowAlarmShown(const ChannelDisplay& d);
    void ShowRangeName(const ChannelDisplay& d);
    void ShowDisplayMode(const ChannelDisplay& d);
    void ShowStepButtons(const ChannelDisplay& d);
    void ShowValue(const ChannelDisplay& d);  // not while a typed value is pending
    void ShowPresets(const ChannelDisplay& d);
    void ShowAutoOutput(const ChannelDisplay& d);  // texts, run buttons and their faces
    void ShowRunFaces(const ChannelDisplay& d);
    void ShowEnables(const ChannelDisplay& d);

    // The step button (offset 8 to 21) held down now, or -1: pressed with the mouse with the
    // cursor on it, or with the space bar while it has the focus.
    int HeldStep() const;

  signals:
    void OutputPressed();
    void StepPressed(int offset);  // even offsets step up, odd ones down; 20, 21 the sign
    void PresetPressed(int n);
    void DisplayModeChosen(bool scaled);
    void ValueCommitted(const QString& text);  // Enter in the value field
    void RangePressed();
    void FormulaPressed();
    void PresetSettingsPressed();
    void AutoSettingsPressed();
    void RunPressed(RunCommand command);

  private:
    template <typename W>
    W* Place(int offset, W* widget, const QRect& where);
    PanelLabel* Label(int offset, const QString& text, const QRect& where, bool sunken);
    QPushButton* Button(int offset, const QString& text, const QRect& where);

    // The creation in the panel's order, which is also the order Tab moves through the controls.
    void CreateStatusRow();
    void CreateModeRow();
    void CreateValueControls();
    void CreatePresetButtons();
    void CreateAutoOutputControls();
    void ConnectSignals();

    void OnValueFieldChanged();

    int ch_;
    QWidget* panel_;
    ColumnLook look_;

    PanelLabel* calibrationMark_ = nullptr;                 // base + 1
    PanelLabel* standaloneLabel_ = nullptr;                 // base + 0
    PanelLabel* alarmLabel_ = nullptr;                      // base + 2
    QPushButton* rangeButton_ = nullptr;                    // base + 23
    ColourButton* onOffButton_ = nullptr;                   // base + 6
    QRadioButton* normalMode_ = nullptr;                    // base + 25
    QRadioButton* scaledMode_ = nullptr;                    // base + 26
    QPushButton* formulaButton_ = nullptr;                  // base + 24
    std::array<QPushButton*, 6> up_{};                      // base + 8 + 2k
    std::array<QPushButton*, 6> down_{};                    // base + 9 + 2k
    QPushButton* plus_ = nullptr;                           // base + 20
    QPushButton* minus_ = nullptr;                          // base + 21
    ValueField* valueField_ = nullptr;                      // base + 22
    PanelLabel* unitLabel_ = nullptr;                       // base + 49
    std::array<QPushButton*, kPresetsPerRange> presets_{};  // base + 29 + n
    QPushButton* presetSettings_ = nullptr;                 // base + 38
    PanelLabel* waveformLabel_ = nullptr;                   // base + 43
    // Start, end, step, interval and repeat labels (all base + 44).
    std::array<PanelLabel*, 5> autoLabels_{};
    QPushButton* startButton_ = nullptr;         // base + 40
    QPushButton* pauseButton_ = nullptr;         // base + 41
    QPushButton* stopButton_ = nullptr;          // base + 42
    QPushButton* autoSettingsButton_ = nullptr;  // base + 39

    // Every control with its position relative to the column origin.
    std::vector<std::pair<QWidget*, QRect>> placed_;
    std::map<int, QWidget*> byId_;
    bool editing_ = false;  // a typed value is pending in the value field
};

}  // namespace krv
