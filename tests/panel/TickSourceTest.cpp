// The panel's tick thread: named, on the 50 ms grid, gone with its owner.
#include "panel/TickSource.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/ThreadName.h"

namespace krv {
namespace {

class TickCounter : public QObject {
  public:
    std::vector<std::chrono::steady_clock::time_point> due;

  protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == kTickEvent)
            due.push_back(static_cast<TickSource::TickEvent*>(event)->due);
    }
};

long TickThreads()
{
    const auto threads = ThreadsOfThisProcess();
    return std::count_if(threads.begin(), threads.end(),
                         [](const ThreadUsage& t) { return t.name == "krv-tick"; });
}

TEST(TickSource, NamedThreadPostsTicksOnTheGridUntilDestroyed)
{
    TickCounter counter;
    auto source = std::make_unique<TickSource>(&counter);
    EXPECT_EQ(TickThreads(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.due.size() >= 3; }, 5000));
    // Due times step by exactly one period, however late each tick was handled.
    for (std::size_t i = 1; i < counter.due.size(); ++i) {
        const auto step = counter.due[i] - counter.due[i - 1];
        if (step < std::chrono::seconds(1)) {
            EXPECT_EQ(step, TickSource::kPeriod) << i;
        }
    }
    source.reset();
    QCoreApplication::sendPostedEvents(&counter);
    const std::size_t handled = counter.due.size();
    // The kernel lets go of an ended thread a moment after the join returns; with the thread
    // gone, whatever it posted is in the queue.
    EXPECT_TRUE(QTest::qWaitFor([] { return TickThreads() == 0; }, 5000));
    QCoreApplication::sendPostedEvents(&counter);
    EXPECT_EQ(counter.due.size(), handled);  // nothing posted after the destructor returned
}

}  // namespace
}  // namespace krv
