// A message box closed without one of its buttons (by the window manager, by a shutdown on
// SIGTERM) is a question nobody answered: it counts as Cancel, or No where there is no Cancel, and
// never as OK or Yes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

#include "app/ShutdownSignals.h"
#include "panel/QtUserInterface.h"

namespace krv {
namespace {

// Once the application has been told to quit, no event loop runs until the main one has been
// entered again; the test program has none of its own, so it enters one briefly. (Told to quit
// while no main loop runs, the application ignores it.)
void RecoverFromQuit()
{
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

struct Closing {
    const char* name;
    std::function<void(QMessageBox&)> close;
    bool quits;  // the way of closing ends the application's event loops
};

const Closing kReject{"rejected", [](QMessageBox& box) { box.reject(); }, false};
const Closing kClose{"closed", [](QMessageBox& box) { box.close(); }, false};
const Closing kSigterm{"SIGTERM", [](QMessageBox&) { std::raise(SIGTERM); }, true};
const Closing kClickAccept{
    "OK or Yes clicked",
    [](QMessageBox& box) {
        for (QAbstractButton* b : box.buttons()) {
            const auto role = box.buttonRole(b);
            if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole) {
                b->click();
            }
        }
    },
    false};

struct Case {
    MessageButtons buttons;
    const Closing& closing;
    MessageAnswer expected;
};

TEST(UnansweredQuestionTest, ABoxClosedWithoutAButtonIsCancelOrNo)
{
    const Case cases[] = {
        {MessageButtons::OkCancel, kReject, MessageAnswer::Cancel},
        {MessageButtons::YesNo, kReject, MessageAnswer::No},
        {MessageButtons::YesNoCancel, kReject, MessageAnswer::Cancel},
        {MessageButtons::Ok, kReject, MessageAnswer::Ok},
        {MessageButtons::OkCancel, kClose, MessageAnswer::Cancel},
        {MessageButtons::YesNo, kClose, MessageAnswer::No},
        {MessageButtons::YesNoCancel, kClose, MessageAnswer::Cancel},
        {MessageButtons::OkCancel, kSigterm, MessageAnswer::Cancel},
        {MessageButtons::YesNo, kSigterm, MessageAnswer::No},
        // A button is an answer.
        {MessageButtons::YesNo, kClickAccept, MessageAnswer::Yes},
        {MessageButtons::OkCancel, kClickAccept, MessageAnswer::Ok},
    };
    QtUserInterface ui;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.closing.name) + ", button set " +
                     std::to_string(static_cast<int>(c.buttons)));
        auto shutdown = std::make_unique<ShutdownSignals>();
        bool closed = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || closed) return;
            closed = true;
            c.closing.close(*box);
        });
        closer.start(10);
        const MessageAnswer answer =
            ui.ShowMessage("保存しますか？", "確認", MessageIcon::Information, c.buttons);
        closer.stop();
        EXPECT_TRUE(closed);
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(shutdown->Requested(), c.closing.quits);
        shutdown.reset();
        if (c.closing.quits) RecoverFromQuit();
    }
}

TEST(UnansweredQuestionTest, AQuestionAskedWhileTheApplicationQuitsIsCancel)
{
    // The shutdown's own winding down may still ask: no box can be answered then (every event
    // loop returns at once).
    QtUserInterface ui;
    QCoreApplication::exit(0);
    EXPECT_EQ(ui.ShowMessage("q", "確認", MessageIcon::Information, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(ui.ShowMessage("q", "確認", MessageIcon::Information, MessageButtons::YesNo),
              MessageAnswer::No);
    RecoverFromQuit();
}

}  // namespace
}  // namespace krv
