#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <vector>

#include "link/DeviceLink.h"
#include "platform/UserInterface.h"

namespace krv {

// Talks to the unit on a thread of its own while the user-interface thread goes on handling
// events, so that a long exchange with the unit (a standalone write, reading every calibration
// value) never stops the windows from painting or the progress from moving.
//
// While the work runs, the windows named to Run take no input (mouse, keys, shortcuts, dropped
// files), and a request to close one of them waits until the work has ended: nothing can start a
// second exchange meanwhile or take the link away from under the work. Other windows, such as the
// messages the work shows, work as usual. Only one piece of work runs at a time in the program.
class UnitWork : public QObject {
    Q_OBJECT

  public:
    // The thread's name, as `top -H` shows it.
    static constexpr const char* kThreadName = "krv-unit-work";

    // `ui`: where the work's messages and wait cursor go, on this thread.
    UnitWork(DeviceLink& link, UserInterface& ui, QObject* parent = nullptr);
    ~UnitWork() override;
    UnitWork(const UnitWork&) = delete;
    UnitWork& operator=(const UnitWork&) = delete;

    // Runs `work` on its own thread and returns once it has finished. The work reaches the user
    // only through the interface it is handed, which is also the link's meanwhile: its messages
    // are shown and answered on this thread, and ProcessPendingEvents answers false once a stop
    // has been asked for or the application is quitting. A question nobody can answer (the
    // application quitting meanwhile, a hand-over to this thread that fails) is answered Cancel, or
    // No where there is no Cancel. The work must not touch what the windows read (the document); it
    // reads and writes copies that the caller takes over afterwards. False, with nothing run, while
    // other work is running.
    bool Run(const std::function<void(UserInterface&)>& work, const std::vector<QWidget*>& blocked);

    // Asks the running work to stop at its next step boundary.
    void RequestStop() { stop_.store(true); }
    bool StopRequested() const { return stop_.load(); }
    // Whether work is running anywhere in the program.
    static bool Busy();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool IsBlocked(QObject* object) const;

    DeviceLink& link_;
    UserInterface& ui_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> quitting_{false};
    std::vector<QPointer<QWidget>> blocked_;
    std::vector<QPointer<QWidget>> closeLater_;
};

}  // namespace krv
