#pragma once

#include <QApplication>
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

}  // namespace krv::test
