#include "panel/OutputRecording.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "model/GeneratorState.h"
#include "panel/TrendWindow.h"
#include "platform/DocumentsFolder.h"

namespace krv {

MessageAnswer DeferredUserInterface::ShowMessage(const std::string& text,
                                                 const std::string& caption, MessageIcon icon,
                                                 MessageButtons buttons)
{
    QTimer::singleShot(0, this, [this, text, caption, icon, buttons] {
        target_.ShowMessage(text, caption, icon, buttons);
    });
    return UnansweredAnswer(buttons);  // shown later: nobody answers it now
}

OutputRecording::OutputRecording(GeneratorState& state, UserInterface& ui, QWidget* window,
                                 std::function<TimePoint()> clock)
    : state_(state), window_(window), deferred_(ui), log_(deferred_), history_(std::move(clock))
{
    log_.onStopped = [this] { emit loggingChanged(false); };
    state_.AddObserver(log_);
    state_.AddObserver(history_);
}

OutputRecording::~OutputRecording()
{
    trend_.reset();
    state_.RemoveObserver(history_);
    state_.RemoveObserver(log_);
    log_.Stop();
}

QString OutputRecording::AskLogFile()
{
    const QString folder = QString::fromStdString(DocumentsFolder().string());
    const QString name =
        QStringLiteral("output_%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    QFileDialog dialog(window_, tr("出力記録を開始"), folder + QStringLiteral("/") + name,
                       tr("CSVファイル (*.csv);;全てのファイル (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // An output log chosen again is continued, never overwritten: there is nothing to confirm.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

void OutputRecording::StartLogCommand()
{
    const QString path = chooseLogFile ? chooseLogFile() : AskLogFile();
    if (path.isEmpty()) return;
    StartLog(path);
}

bool OutputRecording::StartLog(const QString& path)
{
    if (log_.Start(std::filesystem::path(QFile::encodeName(path).toStdString())) &&
        state_.Connected()) {
        log_.RecordAll(state_);
    }
    emit loggingChanged(log_.Active());
    return log_.Active();
}

void OutputRecording::StopLogCommand()
{
    log_.Stop();
    emit loggingChanged(false);
}

void OutputRecording::ConnectionChanged(bool connected)
{
    if (connected) {
        history_.Connected();
    } else {
        history_.Disconnected(history_.Clock());
    }
}

void OutputRecording::ShowTrendCommand()
{
    if (!trend_) {
        // A window of its own, not tied to the panel's: it may go behind it or to another screen.
        // It does not keep the program running once the panel is closed.
        trend_ = std::make_unique<TrendWindow>(state_, history_);
        trend_->setAttribute(Qt::WA_QuitOnClose, false);
        if (window_) {
            // Beside the panel, as far as the screen allows.
            const QRect frame = window_->frameGeometry();
            int x = frame.right() + 8;
            if (const QScreen* screen = window_->screen()) {
                const QRect area = screen->availableGeometry();
                x = std::max(area.left(), std::min(x, area.right() - trend_->width()));
            }
            trend_->move(x, frame.top());
        }
    }
    trend_->show();
    trend_->raise();
    trend_->activateWindow();
}

}  // namespace krv
