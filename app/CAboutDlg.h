#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace krv {

// The about box: the program's name, version and icon.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QString VersionText() const { return version_.text(); }
    QString CopyrightText() const { return copyright_.text(); }
    QPushButton& OkButton() { return ok_; }

    // "Version <version>", or the template's own text when the program carries no version.
    static QString VersionLine(const QString& version);

  private:
    QLabel icon_{this};
    QLabel version_{this};
    QLabel copyright_{this};
    QPushButton ok_{this};
};

}  // namespace krv
