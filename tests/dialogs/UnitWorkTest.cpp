// Work on the unit off the window's thread: the windows keep handling events meanwhile, the
// windows named take no input and close only afterwards, messages are shown on the window's
// thread, and a second piece of work cannot start.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "dialogs/UnitWork.h"
#include "support/RecordingUi.h"
#include "support/WaitUntil.h"

namespace krv {
namespace {

using namespace std::chrono_literals;

// Waits on the work's thread until the window's thread has set `flag` (or gives up after 10 s,
// which fails the test that relies on it).
bool WaitFor(const std::atomic<bool>& flag)
{
    return test::WaitUntil([&] { return flag.load(); });
}

class UnitWorkTest : public ::testing::Test {
  protected:
    test::RecordingUi ui;
    DeviceLink link{ui};
    UnitWork work{link, ui};
};

TEST_F(UnitWorkTest, RunsOnANamedThreadWhileTheWindowsThreadGoesOn)
{
    std::atomic<bool> released{false};
    bool workSawRelease = false;
    std::string threadName;
    bool differentThread = false;
    const QThread* windowThread = QThread::currentThread();
    // Only the window's thread running its events can release the work.
    QTimer::singleShot(20, [&] { released = true; });
    ASSERT_TRUE(work.Run(
        [&](UserInterface&) {
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            threadName = name;
            differentThread = QThread::currentThread() != windowThread;
            workSawRelease = WaitFor(released);
        },
        {}));
    EXPECT_TRUE(workSawRelease);
    EXPECT_TRUE(differentThread);
    EXPECT_EQ(threadName, "krv-unit-work");
    EXPECT_FALSE(UnitWork::Busy());
}

TEST_F(UnitWorkTest, BlockedWindowsTakeNoInputAndCloseAfterTheWork)
{
    QWidget blocked;
    QPushButton blockedButton(QStringLiteral("b"), &blocked);
    QWidget other;
    QPushButton otherButton(QStringLiteral("o"), &other);
    blocked.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&blocked));
    int blockedClicks = 0;
    int otherClicks = 0;
    QObject::connect(&blockedButton, &QPushButton::clicked, [&] { ++blockedClicks; });
    QObject::connect(&otherButton, &QPushButton::clicked, [&] { ++otherClicks; });

    std::atomic<bool> acted{false};
    bool secondRan = true;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(&blockedButton, Qt::LeftButton);
        QTest::keyClick(&blockedButton, Qt::Key_Space);
        QTest::mouseClick(&otherButton, Qt::LeftButton);
        blocked.close();
        secondRan = work.Run([](UserInterface&) {}, {});
        acted = true;
    });
    ASSERT_TRUE(work.Run([&](UserInterface&) { WaitFor(acted); }, {&blocked}));
    EXPECT_EQ(blockedClicks, 0);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_FALSE(secondRan);
    // The close waited for the work and follows it now.
    EXPECT_TRUE(blocked.isVisible());
    QTRY_VERIFY(!blocked.isVisible());
    // Afterwards the window takes input again.
    blocked.show();
    QTest::mouseClick(&blockedButton, Qt::LeftButton);
    EXPECT_EQ(blockedClicks, 1);
}

TEST_F(UnitWorkTest, MessagesAreAnsweredOnTheWindowsThreadAndTheLinkUsesTheWorksInterface)
{
    ui.AnswerWith(MessageAnswer::No);
    const QThread* windowThread = QThread::currentThread();
    const QThread* shownOn = nullptr;
    ui.whileMessageOpen = [&] { shownOn = QThread::currentThread(); };
    MessageAnswer answer = MessageAnswer::Ok;
    bool linkUsesWorkUi = false;
    bool stopSeen = false;
    ASSERT_TRUE(work.Run(
        [&](UserInterface& workUi) {
            answer =
                workUi.ShowMessage("q", "確認", MessageIcon::Information, MessageButtons::YesNo);
            linkUsesWorkUi = &link.Ui() == &workUi;
            const bool before = workUi.ProcessPendingEvents();
            work.RequestStop();
            stopSeen = before && !workUi.ProcessPendingEvents();
        },
        {}));
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_EQ(shownOn, windowThread);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"q"});
    EXPECT_TRUE(linkUsesWorkUi);
    EXPECT_TRUE(stopSeen);
    EXPECT_EQ(&link.Ui(), &ui);
}

// Drops the first call handed to an object's thread, as a thread that never carries it out does.
class DropFirstCall : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MetaCall || dropped) return false;
        dropped = true;
        return true;
    }
    bool dropped = false;
};

TEST_F(UnitWorkTest, AQuestionNobodyAnswersIsCancelOrNo)
{
    // The user would say yes; but the question never reaches the window's thread.
    ui.AnswerWith(MessageAnswer::Ok);
    DropFirstCall drop;
    work.installEventFilter(&drop);
    MessageAnswer answer = MessageAnswer::Ok;
    ASSERT_TRUE(work.Run(
        [&](UserInterface& workUi) {
            answer =
                workUi.ShowMessage("q", "確認", MessageIcon::Information, MessageButtons::OkCancel);
        },
        {}));
    work.removeEventFilter(&drop);
    EXPECT_TRUE(drop.dropped);
    EXPECT_EQ(answer, MessageAnswer::Cancel);
    EXPECT_TRUE(ui.Texts().empty());

    // The application quitting meanwhile: the work learns it should stop, its questions count as
    // unanswered, and the work is still waited for to its end.
    ui.AnswerWith(MessageAnswer::Yes);
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    bool stopSeen = false;
    ASSERT_TRUE(work.Run(
        [&](UserInterface& workUi) {
            stopSeen = test::WaitUntil([&] { return !workUi.ProcessPendingEvents(); });
            answer =
                workUi.ShowMessage("q", "確認", MessageIcon::Information, MessageButtons::YesNo);
        },
        {}));
    EXPECT_TRUE(stopSeen);
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_TRUE(ui.Texts().empty());
    EXPECT_FALSE(UnitWork::Busy());
    // The test program has no main event loop of its own that would take the quit: enter one
    // briefly, so that event loops run again.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

}  // namespace
}  // namespace krv
