#include "app/CAboutDlg.h"

#include <QCoreApplication>
#include <QFont>

#include <algorithm>

#include "app/AppIcon.h"
#include "dialogs/DialogLayout.h"

namespace krv {

namespace {

constexpr const char* kCaption = QT_TRANSLATE_NOOP("krv::CAboutDlg", "バージョン情報 Bremix");
constexpr const char* kTemplateVersionText = "Bremix, Version 1.0";

}  // namespace

QString CAboutDlg::VersionLine(const QString& version)
{
    if (version.isEmpty()) return QString::fromUtf8(kTemplateVersionText);
    return QStringLiteral("Version ") + version;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr(kCaption));
    setFont(QFont(QStringLiteral("MS UI Gothic"), 9));
    setFixedSize(DialogUnitSize(235, 62));

    const QRect iconRect = DialogUnitRect(14, 14, 20, 20);
    icon_.setGeometry(iconRect);
    icon_.setPixmap(DrawAppIcon(std::min(iconRect.width(), iconRect.height())));

    version_.setGeometry(DialogUnitRect(42, 14, 114, 8));
    version_.setText(VersionLine(QCoreApplication::applicationVersion()));
    SetControlId(version_, 1068);
    // The program carries no copyright notice, so the second line stays empty.
    copyright_.setGeometry(DialogUnitRect(42, 26, 186, 8));
    SetControlId(copyright_, 1070);

    PlaceButton(ok_, "OK", DialogUnitRect(178, 41, 50, 14), 1);
    ok_.setDefault(true);
    ok_.setFocus();
    connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace krv
