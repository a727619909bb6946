#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>

#include <atomic>
#include <csignal>

namespace krv {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> signalWriteFd{-1};

extern "C" void OnShutdownSignal(int signal)
{
    // Only async-signal-safe calls here: the event loop does the rest.
    const int fd = signalWriteFd.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}

void SetHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

ShutdownSignals::ShutdownSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then signals act as usual
    readEnd_.Reset(fds[0]);
    writeEnd_.Reset(fds[1]);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.Get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ShutdownSignals::Received);
    signalWriteFd.store(writeEnd_.Get());
    SetHandler(OnShutdownSignal);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!writeEnd_.Valid()) return;
    SetHandler(SIG_DFL);
    signalWriteFd.store(-1);
}

void ShutdownSignals::Received()
{
    char bytes[16];
    while (::read(readEnd_.Get(), bytes, sizeof bytes) > 0) {
    }
    // A second signal, should the shutdown itself hang, ends the process.
    SetHandler(SIG_DFL);
    signalWriteFd.store(-1);
    requested_ = true;
    // Dialogs still open (the start-up's circuit-count question, a message) are cancelled, so
    // that whoever opened them can wind down as after a cancel.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
    QCoreApplication::quit();
}

}  // namespace krv
