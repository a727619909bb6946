#include "panel/TickSource.h"

#include <QCoreApplication>

#include "platform/ThreadName.h"

namespace krv {

TickSource::TickSource(QObject* target) : target_(target), thread_([this] { Run(); })
{
    SetThreadName(thread_, "krv-tick");
}

TickSource::~TickSource()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
}

void TickSource::Run()
{
    // Due times follow a fixed grid, so a late wake-up does not shift the ticks after it.
    auto due = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        due += kPeriod;
        // After a long stall (a suspended machine) start a new grid instead of a flood of ticks.
        const auto now = std::chrono::steady_clock::now();
        if (now - due > std::chrono::seconds(1)) due = now + kPeriod;
        if (stop_.wait_until(lock, due, [this] { return stopping_; })) return;
        QCoreApplication::postEvent(target_, new TickEvent(due));
    }
}

}  // namespace krv
