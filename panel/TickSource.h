#pragma once

#include <QEvent>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace krv {

inline constexpr QEvent::Type kTickEvent = static_cast<QEvent::Type>(QEvent::User + 901);

// The panel's periodic tick: an event posted to the panel every 50 ms from a thread of its own.
// Ticks that fall due while the user-interface thread is busy (inside an exchange with the unit)
// wait in the event queue and are handled one after another afterwards.
class TickSource {
  public:
    static constexpr std::chrono::milliseconds kPeriod{50};

    // One tick, with the moment it was due: work that keeps time (the automatic outputs) counts
    // from the tick's place in the 50 ms grid, not from when the user-interface thread got to it,
    // so a tick handled late does not push every step after it one tick further.
    class TickEvent : public QEvent {
      public:
        explicit TickEvent(std::chrono::steady_clock::time_point when)
            : QEvent(kTickEvent), due(when)
        {
        }
        const std::chrono::steady_clock::time_point due;
    };

    explicit TickSource(QObject* target);
    ~TickSource();  // stops the thread; no tick is posted after it returns
    TickSource(const TickSource&) = delete;
    TickSource& operator=(const TickSource&) = delete;

  private:
    void Run();

    QObject* target_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace krv
