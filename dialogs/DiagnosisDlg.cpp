#include "dialogs/DiagnosisDlg.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "dialogs/DialogLayout.h"
#include "dialogs/UnitWork.h"

namespace krv {

namespace {

constexpr const char* kRunning = QT_TRANSLATE_NOOP("krv::DiagnosisDlg", "診断中：");
constexpr const char* kFinished = QT_TRANSLATE_NOOP("krv::DiagnosisDlg", "診断が終わりました。");
constexpr const char* kStopped = QT_TRANSLATE_NOOP("krv::DiagnosisDlg", "診断を中止しました。");

}  // namespace

DiagnosisDlg::DiagnosisDlg(DeviceLink& link, UserInterface& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui)
{
    setWindowTitle(tr("診断"));
    setFont(DialogFont());
    resize(720, 480);

    // The report lines up its verdicts and advice in a fixed-pitch font. Long lines wrap on
    // screen; what is copied is the report as written.
    report_.setReadOnly(true);
    report_.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    report_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    status_.setText(tr(kRunning));

    copy_.setText(tr("コピー"));
    copy_.setToolTip(tr("診断結果をクリップボードにコピーします"));
    copy_.setEnabled(false);
    close_.setText(tr("閉じる"));
    close_.setToolTip(tr("閉じます（診断中なら中止します）"));
    report_.setToolTip(tr("診断結果"));
    status_.setToolTip(tr("診断の状況"));
    close_.setDefault(true);
    connect(&copy_, &QPushButton::clicked, this, &DiagnosisDlg::CopyReport);
    connect(&close_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(&copy_);
    buttons->addWidget(&close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(&status_);
    layout->addWidget(&report_, 1);
    layout->addLayout(buttons);
}

DiagnosisDlg::~DiagnosisDlg() = default;

void DiagnosisDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The checks start once the dialog is on screen, and only when the program shows it.
    if (!event->spontaneous() && !running_ && !done_) {
        QMetaObject::invokeMethod(this, &DiagnosisDlg::Run, Qt::QueuedConnection);
    }
}

void DiagnosisDlg::Run()
{
    if (running_ || done_ || !isVisible()) return;
    running_ = true;
    DiagnosisReport report;
    UnitWork work(link_, ui_);
    work_ = &work;
    QWidget* panel = parentWidget() ? parentWidget()->window() : nullptr;
    const DiagnosisOptions chosen = options;
    const bool ran = work.Run(
        [&](UserInterface&) {
            report = Diagnose(link_, chosen, [&](const std::string& title) {
                // Shown on the user-interface thread (a call still queued when the label goes
                // is dropped with it).
                QMetaObject::invokeMethod(
                    &status_, [this, title] { status_.setText(tr(kRunning) + Q(title)); },
                    Qt::QueuedConnection);
                return !work.StopRequested();
            });
        },
        {panel});
    const bool stopped = work.StopRequested();
    work_ = nullptr;
    running_ = false;
    done_ = true;
    if (ran) {
        text_ = FormatDiagnosis(report);
        report_.setPlainText(Q(text_));
        copy_.setEnabled(true);
    }
    status_.setText(tr(stopped || !ran ? kStopped : kFinished));
    emit DiagnosisFinished();
    if (closeWith_) QDialog::done(*closeWith_);
}

void DiagnosisDlg::CopyReport()
{
    if (text_.empty()) return;
    QGuiApplication::clipboard()->setText(Q(text_));
}

void DiagnosisDlg::done(int result)
{
    if (running_) {
        closeWith_ = result;
        if (work_) work_->RequestStop();
        return;
    }
    QDialog::done(result);
}

}  // namespace krv
