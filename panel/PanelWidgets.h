#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "model/ChannelDisplay.h"

namespace krv {

inline const QColor kPanelColour(208, 208, 208);
inline const QColor kValueFieldColour(224, 255, 255);
inline const QColor kValueFieldTypingColour(255, 255, 0);
inline const QColor kConnectedColour(kLitFace.red, kLitFace.green, kLitFace.blue);
inline const QColor kIdleColour(kIdleFace.red, kIdleFace.green, kIdleFace.blue);

// A static text of the panel: the panel colour behind it, its own colours only behind the glyphs
// (as the panel's labels have always looked), optionally a sunken border.
class PanelLabel : public QWidget {
    Q_OBJECT
  public:
    PanelLabel(const QString& text, Qt::Alignment alignment, bool sunken, QWidget* parent);

    QString text() const { return text_; }
    bool Sunken() const { return sunken_; }
    void setText(const QString& text);
    // Colours of the text and of the cell behind it.
    void SetTextColours(const QColor& foreground, const QColor& background);
    QColor TextForeground() const { return foreground_; }
    QColor TextBackground() const { return background_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    Qt::Alignment alignment_;
    bool sunken_;
    QColor foreground_ = Qt::black;
    QColor background_ = kPanelColour;
};

// A push button whose face colour the panel sets.
class ColourButton : public QPushButton {
    Q_OBJECT
  public:
    ColourButton(const QString& text, QWidget* parent);
    void SetFaceColour(const QColor& colour);
    QColor FaceColour() const { return face_; }

  private:
    QColor face_ = kIdleColour;
};

// The large value field: one line of text in a big font. Enter is typed into it as a line break,
// which is how the panel tells a committed value from one still being typed.
class ValueField : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit ValueField(QWidget* parent);
    void SetBackground(const QColor& colour);
    QColor Background() const { return background_; }
    // Replaces the text without it counting as typing.
    void SetTextQuietly(const QString& text);

  private:
    QColor background_ = kValueFieldColour;
};

}  // namespace krv
