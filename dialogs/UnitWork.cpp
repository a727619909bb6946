#include "dialogs/UnitWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <thread>

#include "platform/ThreadName.h"

namespace krv {

namespace {

bool workRunning = false;  // user-interface thread only

// Hands the work's messages and wait cursor to the user-interface thread.
class ForwardingUi : public UserInterface {
  public:
    ForwardingUi(UserInterface& target, QObject& home, const std::atomic<bool>& stop,
                 const std::atomic<bool>& quitting)
        : target_(target), home_(home), stop_(stop), quitting_(quitting)
    {
    }

    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        if (OnHomeThread()) return Ask(text, caption, icon, buttons);
        // Nobody is there to answer while the program quits; a hand-over the window's thread never
        // carries out (the call dropped with its receiver's events) leaves the question unanswered
        // as well. Either way the work goes on as after the user declined.
        if (quitting_.load()) return UnansweredAnswer(buttons);
        MessageAnswer answer = UnansweredAnswer(buttons);
        // The work waits for the answer, as it would for a message box of its own.
        const bool handed = QMetaObject::invokeMethod(
            &home_, [&] { answer = Ask(text, caption, icon, buttons); },
            Qt::BlockingQueuedConnection);
        return handed ? answer : UnansweredAnswer(buttons);
    }
    void SetWaitCursor(bool on) override
    {
        if (OnHomeThread()) {
            target_.SetWaitCursor(on);
            return;
        }
        QMetaObject::invokeMethod(
            &home_, [this, on] { target_.SetWaitCursor(on); }, Qt::QueuedConnection);
    }
    // The windows are painted by their own thread; the work only learns whether to go on.
    bool ProcessPendingEvents() override { return !stop_.load() && !quitting_.load(); }

  private:
    bool OnHomeThread() const { return QThread::currentThread() == home_.thread(); }
    MessageAnswer Ask(const std::string& text, const std::string& caption, MessageIcon icon,
                      MessageButtons buttons)
    {
        if (quitting_.load()) return UnansweredAnswer(buttons);
        return target_.ShowMessage(text, caption, icon, buttons);
    }

    UserInterface& target_;
    QObject& home_;
    const std::atomic<bool>& stop_;
    const std::atomic<bool>& quitting_;
};

// The window an object belongs to: its own for a widget, its parent widget's for an action or a
// shortcut, the window of the menu bar for a menu dropped down from it.
QWidget* OwnerWindow(QObject* object)
{
    QObject* o = object;
    while (o && !o->isWidgetType()) o = o->parent();
    auto* widget = static_cast<QWidget*>(o);
    while (widget) {
        QWidget* window = widget->window();
        if (window->windowType() != Qt::Popup || !window->parentWidget()) return window;
        widget = window->parentWidget();
    }
    return nullptr;
}

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

UnitWork::UnitWork(DeviceLink& link, UserInterface& ui, QObject* parent)
    : QObject(parent), link_(link), ui_(ui)
{
}

UnitWork::~UnitWork() = default;

bool UnitWork::Busy()
{
    return workRunning;
}

bool UnitWork::Run(const std::function<void(UserInterface&)>& work,
                   const std::vector<QWidget*>& blocked)
{
    if (workRunning) return false;
    workRunning = true;
    stop_.store(false);
    blocked_.assign(blocked.begin(), blocked.end());
    closeLater_.clear();

    quitting_.store(false);
    ForwardingUi forwarding(ui_, *this, stop_, quitting_);
    UserInterface& linkUi = link_.Ui();
    link_.SetUserInterface(forwarding);
    qApp->installEventFilter(this);

    QEventLoop loop;
    bool finished = false;
    // The work begins once its thread carries its name, so that everything it does is seen under
    // that name.
    std::atomic<bool> named{false};
    std::thread thread([&] {
        named.wait(false);
        work(forwarding);
        QMetaObject::invokeMethod(
            this,
            [&] {
                finished = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    SetThreadName(thread, kThreadName);
    named.store(true);
    named.notify_one();
    // The work is waited for until it is done, which its own time-outs bound. Only the application
    // quitting ends this loop early; from then on every event loop returns at once, so the events
    // (the work's end among them) are handled here, and its questions count as unanswered.
    while (!finished) {
        loop.exec();
        if (finished) break;
        quitting_.store(true);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    thread.join();

    qApp->removeEventFilter(this);
    link_.SetUserInterface(linkUi);
    blocked_.clear();
    workRunning = false;
    // The windows the user asked to close meanwhile close now.
    for (const QPointer<QWidget>& window : closeLater_) {
        if (window) QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }
    closeLater_.clear();
    return true;
}

bool UnitWork::IsBlocked(QObject* object) const
{
    const QWidget* window = OwnerWindow(object);
    if (!window) return false;
    for (const QPointer<QWidget>& blocked : blocked_) {
        if (blocked && blocked->window() == window) return true;
    }
    return false;
}

bool UnitWork::eventFilter(QObject* watched, QEvent* event)
{
    if (IsUserInput(event->type()) && IsBlocked(watched)) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::Close && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && IsBlocked(watched)) {
        event->ignore();
        auto* window = static_cast<QWidget*>(watched);
        bool noted = false;
        for (const QPointer<QWidget>& w : closeLater_) noted = noted || w == window;
        if (!noted) closeLater_.emplace_back(window);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace krv
