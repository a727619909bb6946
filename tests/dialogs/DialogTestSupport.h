#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

#include <string>
#include <vector>
#include "support/ModalAnswer.h"

namespace krv::test {

// Replaces a field's text the way typing does (one key event per character).
inline void Retype(QLineEdit& field, const QString& text)
{
    field.selectAll();
    field.del();
    for (const QChar c : text) {
        const QString typed(c);
        if (c.unicode() < 0x80) {
            QTest::keyClicks(&field, typed);
        } else {
            QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_unknown, typed, Qt::NoModifier);
        }
    }
}

// Where the glyphs of a label's text are drawn (the label's box may be wider than its text).
inline QRect TextExtent(const QLabel& label)
{
    const QRect box = label.geometry();
    const QFontMetrics metrics = label.fontMetrics();
    const int advance = metrics.horizontalAdvance(label.text());
    int left = box.left();
    if (label.alignment() & Qt::AlignRight) {
        left = box.right() + 1 - advance;
    } else if (label.alignment() & Qt::AlignHCenter) {
        left = box.left() + (box.width() - advance) / 2;
    }
    return metrics.tightBoundingRect(label.text()).translated(left, box.top() + metrics.ascent());
}

// The font a widget really draws with is the Japanese font the application puts in for the
// Windows font names (when one is installed at all).
inline void ExpectJapaneseFont(const QWidget& widget)
{
    const QStringList standIns = QFont::substitutes(QStringLiteral("MS UI Gothic"));
    if (standIns.isEmpty()) GTEST_SKIP() << "no Japanese font installed";
    EXPECT_TRUE(standIns.contains(QFontInfo(widget.font()).family(), Qt::CaseInsensitive))
        << QFontInfo(widget.font()).family().toStdString() << " not in "
        << standIns.join(QStringLiteral(", ")).toStdString();
}

inline std::string Describe(const QRect& r)
{
    return "(" + std::to_string(r.x()) + ", " + std::to_string(r.y()) + ", " +
           std::to_string(r.width()) + " x " + std::to_string(r.height()) + ")";
}

// No two of the texts overlap, no text runs into a field or button of the dialog (group boxes
// hold texts), and all of them lie inside it.
inline void ExpectNoOverlap(const QDialog& dialog, const std::vector<QRect>& texts)
{
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(dialog.rect().contains(texts[i])) << Describe(texts[i]);
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            EXPECT_FALSE(texts[i].intersects(texts[j]))
                << Describe(texts[i]) << " and " << Describe(texts[j]);
        }
        for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QLabel*>(control) || qobject_cast<QGroupBox*>(control)) continue;
            EXPECT_FALSE(texts[i].intersects(control->geometry()))
                << Describe(texts[i]) << " runs into " << control->objectName().toStdString();
        }
    }
}

}  // namespace krv::test
