#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace krv::test {

// Answers the next modal dialog: once one is shown, `answer` gets it (and must close it). A
// dialog that never comes is reported through Handled(), so no test waits forever.
class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : answer_(std::move(answer))
    {
        timer_ = std::make_unique<QTimer>();
        timer_->setInterval(10);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            timer_->stop();
            handled_ = true;
            answer_(modal);
        });
        timer_->start();
    }
    bool Handled() const { return handled_; }

  private:
    std::function<void(QWidget*)> answer_;
    std::unique_ptr<QTimer> timer_;
    bool handled_ = false;
};

// Runs `dialog` modally and, once it is on screen, hands it to `act`, which must close it. A
// dialog `act` leaves open is closed after a while with the result kStuck, so a broken case fails
// instead of hanging the run.
inline constexpr int kStuck = -1;

inline int ExecWith(QDialog& dialog, const std::function<void()>& act)
{
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        act();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&] { dialog.done(kStuck); });
    watchdog.start(30000);
    const int result = dialog.exec();
    return ran ? result : kStuck;
}

}  // namespace krv::test
