#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/UniqueFd.h"

namespace krv {

// Turns SIGINT, SIGTERM and SIGHUP into an orderly quit of the event loop, so that a panel
// stopped from its terminal or by the session still switches the outputs off, closes the port
// and writes its last state. A second signal ends the process at once.
class ShutdownSignals : public QObject {
    Q_OBJECT

  public:
    ShutdownSignals();
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // A signal arrived. The event loop ignores a quit before it runs, so the start-up asks.
    bool Requested() const { return requested_; }

  private:
    void Received();

    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool requested_ = false;
};

}  // namespace krv
