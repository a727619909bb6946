#include "panel/PanelWidgets.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

namespace krv {

PanelLabel::PanelLabel(const QString& text, Qt::Alignment alignment, bool sunken, QWidget* parent)
    : QWidget(parent), text_(text), alignment_(alignment), sunken_(sunken)
{
}

void PanelLabel::setText(const QString& text)
{
    if (text == text_) return;
    text_ = text;
    update();
}

void PanelLabel::SetTextColours(const QColor& foreground, const QColor& background)
{
    foreground_ = foreground;
    background_ = background;
    update();
}

void PanelLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kPanelColour);
    QRect area = rect();
    if (sunken_) {
        qDrawShadePanel(&p, area, palette(), /*sunken=*/true, 1);
        area.adjust(1, 1, -1, -1);
    }
    if (text_.isEmpty()) return;
    p.setFont(font());
    const QRect textRect =
        p.fontMetrics().boundingRect(area, static_cast<int>(alignment_), text_).intersected(area);
    p.fillRect(textRect, background_);
    p.setPen(foreground_);
    p.drawText(area, static_cast<int>(alignment_), text_);
}

ColourButton::ColourButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    SetFaceColour(kIdleColour);
}

void ColourButton::SetFaceColour(const QColor& colour)
{
    if (colour == face_ && palette().color(QPalette::Button) == colour) return;
    face_ = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Button, colour);
    setPalette(pal);
    update();
}

ValueField::ValueField(QWidget* parent) : QPlainTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    document()->setDocumentMargin(2);
    SetBackground(kValueFieldColour);
}

void ValueField::SetBackground(const QColor& colour)
{
    background_ = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    setPalette(pal);
}

void ValueField::SetTextQuietly(const QString& text)
{
    const QSignalBlocker blocker(this);
    setPlainText(text);
    // Show the text from its start, also after Enter scrolled the field to a second line.
    moveCursor(QTextCursor::Start);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

}  // namespace krv
