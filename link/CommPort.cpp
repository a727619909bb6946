#include "link/CommPort.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/DebugTrace.h"
#include "platform/ThreadName.h"
#include "platform/Trace.h"
#include "platform/Translate.h"

namespace krv {

namespace {

// How long a write may wait for room in the driver's queue before the frame is given up. Frames
// are short; a queue that stays full this long belongs to a line that is not moving at all.
constexpr std::chrono::milliseconds kWriteBudget{100};

}  // namespace

std::string PortRefusal(const std::string& name)
{
    return WithArg(Tr("CommPort", "%1は使えません"), name);
}

CCommPort::~CCommPort()
{
    ClosePort();
}

std::string CCommPort::DevicePath(const std::string& portName)
{
    if (!portName.empty() && portName.front() == '/') return portName;
    return "/dev/" + portName;
}

bool CCommPort::OpenPort(UserInterface& ui)
{
    if (IsOpen()) return true;

    const SerialPort::OpenResult result = port_.Open(DevicePath(portName_));
    if (TraceOn()) {
        static constexpr const char* kResults[] = {"opened", "failed", "opened without settings",
                                                   "busy: another program has it"};
        TraceEvent(TraceKind::Port, portName_,
                   std::string("open ") + DevicePath(portName_) +
                       " at 19200 baud: " + kResults[static_cast<int>(result)]);
    }
    if (result == SerialPort::OpenResult::Failed || result == SerialPort::OpenResult::Busy) {
        std::string text = PortRefusal(portName_);
        if (result == SerialPort::OpenResult::Busy) {
            text += "\n" + TrMarked("CommPort", kPortInUseText);
        }
        ui.ShowMessage(text, kApplicationTitle, MessageIcon::None, MessageButtons::Ok);
        return false;
    }
    if (result == SerialPort::OpenResult::OpenedWithoutSettings) {
        DebugTrace("RS232C SetCommState Error\n");
    }

    stopEvent_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopEvent_.Valid()) {
        port_.Close();
        ui.ShowMessage(PortRefusal(portName_), kApplicationTitle, MessageIcon::None,
                       MessageButtons::Ok);
        return false;
    }
    isOpen_.store(true, std::memory_order_release);
    reader_ = std::thread([this] { ReaderLoop(); });
    SetThreadName(reader_, "krv-reader");
    return true;
}

void CCommPort::ClosePort()
{
    if (!IsOpen()) return;
    isOpen_.store(false, std::memory_order_release);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopEvent_.Get(), &one, sizeof one);
    if (reader_.joinable()) reader_.join();
    port_.Close();
    stopEvent_.Reset();
    if (TraceOn()) TraceEvent(TraceKind::Port, portName_, "closed");
}

void CCommPort::WriteText(const char* text, std::size_t length)
{
    if (!IsOpen() || length == 0) return;
    if (TraceOn()) TraceEvent(TraceKind::Sent, portName_, std::string_view(text, length));
    if (!port_.WriteAll(reinterpret_cast<const std::uint8_t*>(text), length, kWriteBudget) &&
        TraceOn()) {
        TraceEvent(TraceKind::Port, portName_, "write failed or timed out: frame not sent whole");
    }
}

std::uint8_t CCommPort::TakeLineErrors()
{
    if (lineErrors_.load(std::memory_order_acquire) == 0) return 0;
    return lineErrors_.exchange(0, std::memory_order_acq_rel);
}

void CCommPort::WaitForInput(TimePoint deadline)
{
    std::unique_lock lock(waitMutex_);
    waiters_.fetch_add(1, std::memory_order_seq_cst);
    // Pairs with the fence in WakeWaiters: either the reader sees this waiter and notifies it
    // (under the lock, so not before the wait has begun), or the condition below sees what the
    // reader published before it looked for waiters.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    inputArrived_.wait_until(lock, deadline, [this] {
        return !ring_.Empty() || lineErrors_.load(std::memory_order_acquire) != 0;
    });
    waiters_.fetch_sub(1, std::memory_order_relaxed);
}

void CCommPort::DeliverReceived(const std::uint8_t* data, std::size_t length)
{
    ring_.Push(data, length);
    WakeWaiters();
}

void CCommPort::DeliverLineErrors(std::uint8_t flags)
{
    if (flags == 0) return;
    lineErrors_.fetch_or(flags, std::memory_order_acq_rel);
    WakeWaiters();
}

void CCommPort::WakeWaiters()
{
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (waiters_.load(std::memory_order_relaxed) == 0) return;
    // Taking the lock orders the publication above before the waiter's check of its condition, so
    // a wake-up cannot fall between that check and the wait.
    {
        std::lock_guard lock(waitMutex_);
    }
    inputArrived_.notify_all();
}

void CCommPort::ReaderLoop()
{
    LineErrorCounts lastCounts;
    bool countersAvailable = port_.ReadErrorCounters(lastCounts);
    bool hungUp = false;
    std::uint8_t scratch[kRingSize];

    while (IsOpen()) {
        pollfd fds[2] = {{stopEvent_.Get(), POLLIN, 0}, {port_.Fd(), POLLIN, 0}};
        // A port that has gone away reports hang-up on every poll; after that only the stop event
        // is worth waiting for.
        const int r = ::poll(fds, hungUp ? 1 : 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;
        if (hungUp) continue;

        const short events = fds[1].revents;
        const bool hangUpReported = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (events & (POLLIN | POLLHUP | POLLERR)) {
            std::size_t count = 0;
            for (;;) {
                const SerialPort::ReadStatus status =
                    port_.ReadAvailable(scratch, sizeof scratch, count);
                if (status == SerialPort::ReadStatus::Data) {
                    // Traced before it is handed on, so the reply is never stamped later than
                    // what the exchange sends once it has seen it.
                    if (TraceOn()) {
                        TraceEvent(TraceKind::Received, portName_,
                                   std::string_view(reinterpret_cast<const char*>(scratch), count));
                    }
                    DeliverReceived(scratch, count);
                    // A read that did not fill the buffer took everything queued; what comes
                    // later wakes the next poll(). Asking again would only fetch EAGAIN, one
                    // system call per pass for nothing. A full buffer, or a port going away
                    // (last bytes before the hang-up), is read on.
                    if (count < sizeof scratch && !hangUpReported) break;
                    continue;
                }
                if (status == SerialPort::ReadStatus::HungUp) hungUp = true;
                break;
            }
        }
        if (hangUpReported) hungUp = true;
        if (hungUp && TraceOn())
            TraceEvent(TraceKind::Port, portName_, "hung up: the port is gone");

        // Ports without the counters (a pseudo-terminal) refused them when the reader started and
        // are not asked again.
        if (countersAvailable) {
            LineErrorCounts now;
            if (port_.ReadErrorCounters(now)) {
                std::uint8_t flags = 0;
                if (now.frame != lastCounts.frame) flags |= kFramingError;
                if (now.parity != lastCounts.parity) flags |= kParityError;
                if (now.brk != lastCounts.brk) flags |= kBreakError;
                lastCounts = now;
                DeliverLineErrors(flags);
                if (flags != 0 && TraceOn()) {
                    TraceEvent(TraceKind::Port, portName_,
                               std::string("line error:") +
                                   ((flags & kFramingError) ? " framing" : "") +
                                   ((flags & kParityError) ? " parity" : "") +
                                   ((flags & kBreakError) ? " break" : ""));
                }
            } else {
                countersAvailable = false;
            }
        }
    }
}

}  // namespace krv
