#include "sim/SimServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/Clock.h"
#include "platform/ThreadName.h"

namespace krv::sim {

namespace {

bool Fail(std::string* error, const std::string& what, int err = 0)
{
    if (error != nullptr) {
        *error = err != 0 ? what + ": " + std::generic_category().message(err) : what;
    }
    return false;
}

// Number of whole bytes that have finished on the wire `elapsed` after a transfer started: the
// largest n with WireTime(n) <= elapsed, so a wake-up armed for WireTime(n) finds byte n done.
std::size_t BytesDone(std::chrono::nanoseconds elapsed, std::size_t total)
{
    if (elapsed.count() <= 0) return 0;
    if (elapsed >= WireTime(total)) return total;
    auto done =
        static_cast<std::size_t>(elapsed.count() * kBaudRate / (kBitsPerByte * 1'000'000'000));
    // WireTime rounds down, so the division can come out one short.
    if (done < total && WireTime(done + 1) <= elapsed) ++done;
    return done;
}

}  // namespace

SimServer::SimServer(ServerOptions options)
    : options_(std::move(options)), unit_(options_.unit), random_(options_.seed)
{
}

SimServer::~SimServer()
{
    Stop();
}

bool SimServer::Start(std::string* error)
{
    if (thread_.joinable()) return Fail(error, "the virtual unit is already running");

    std::string why;
    if (!CheckUnitConfig(options_.unit, &why)) return Fail(error, why);
    std::optional<FaultPlan> plan;
    {
        std::lock_guard lock(mutex_);
        plan = FaultPlan::Parse(options_.faults, &why);
    }
    if (!plan) return Fail(error, why);

    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid()) return Fail(error, "posix_openpt", errno);
    if (::grantpt(master.Get()) != 0) return Fail(error, "grantpt", errno);
    if (::unlockpt(master.Get()) != 0) return Fail(error, "unlockpt", errno);
    char name[128] = {};
    if (const int err = ::ptsname_r(master.Get(), name, sizeof name); err != 0) {
        return Fail(error, "ptsname_r", err);
    }
    // The thread drains the master until EAGAIN and must never block writing to it.
    const int flags = ::fcntl(master.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        return Fail(error, "fcntl(O_NONBLOCK)", errno);
    }

    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!slave.Valid()) return Fail(error, std::string("open ") + name, errno);
    // Raw from the start, so nothing is translated or echoed even before a client sets the port
    // up (a fresh pty would turn LF into CR LF and echo what the client writes).
    termios tio{};
    if (::tcgetattr(slave.Get(), &tio) != 0) return Fail(error, "tcgetattr", errno);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(slave.Get(), TCSANOW, &tio) != 0) return Fail(error, "tcsetattr", errno);

    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) return Fail(error, "eventfd", errno);
    UniqueFd timer(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (!timer.Valid()) return Fail(error, "timerfd_create", errno);
    UniqueFd unitTimer(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (!unitTimer.Valid()) return Fail(error, "timerfd_create", errno);

    master_ = std::move(master);
    slaveHold_ = std::move(slave);
    wakeFd_ = std::move(wake);
    timerFd_ = std::move(timer);
    unitTimerFd_ = std::move(unitTimer);
    unitArmedFor_ = TimePoint::max();
    assembler_.Reset();
    out_.clear();
    rxVirtual_ = TimePoint{};
    txFree_ = TimePoint{};
    awakeAt_ = TimePoint{};
    armedFor_ = TimePoint::max();
    {
        std::lock_guard lock(mutex_);
        faults_ = std::move(*plan);
        unsolicited_.clear();
        stopRequested_ = false;
        unplugRequested_ = false;
        unplugged_ = false;
        serving_ = true;
        portPath_ = name;
    }
    thread_ = std::thread(&SimServer::Run, this);
    SetThreadName(thread_, kThreadName);
    threadHandle_ = thread_.native_handle();
    return true;
}

void SimServer::Stop()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopRequested_ = true;
        }
        Wake();
        thread_.join();
    }
    out_.clear();
    master_.Reset();
    slaveHold_.Reset();
    timerFd_.Reset();
    unitTimerFd_.Reset();
    wakeFd_.Reset();
    std::lock_guard lock(mutex_);
    serving_ = false;
    changed_.notify_all();
}

bool SimServer::Running() const
{
    std::lock_guard lock(mutex_);
    return serving_;
}

std::string SimServer::PortPath() const
{
    std::lock_guard lock(mutex_);
    return portPath_;
}

bool SimServer::SetFaults(std::string_view list, std::string* error)
{
    auto plan = FaultPlan::Parse(list, error);
    if (!plan) return false;
    std::lock_guard lock(mutex_);
    faults_ = std::move(*plan);
    options_.faults = std::string(list);
    return true;
}

void SimServer::Unplug()
{
    std::unique_lock lock(mutex_);
    if (!serving_ || unplugged_) return;
    unplugRequested_ = true;
    lock.unlock();
    Wake();
    lock.lock();
    changed_.wait(lock, [this] { return unplugged_ || !serving_; });
}

void SimServer::SendUnsolicited(std::string line)
{
    if (line.empty()) return;
    {
        std::lock_guard lock(mutex_);
        if (!serving_) return;
        unsolicited_.push_back(std::move(line));
    }
    Wake();
}

void SimServer::SendResendRequest()
{
    SendUnsolicited(std::string(kResendRequest));
}

void SimServer::Restart()
{
    std::unique_lock lock(mutex_);
    if (serving_) {
        const std::uint64_t request = ++restartsRequested_;
        lock.unlock();
        Wake();
        lock.lock();
        changed_.wait(lock, [&] { return restartsDone_ >= request || !serving_; });
        if (restartsDone_ >= request) return;
    }
    // Not served (or stopped meanwhile): there is no line to talk on, only registers.
    unit_.PowerCycle();
}

std::vector<OutputRecord> SimServer::OutputHistory(int channel) const
{
    std::lock_guard lock(mutex_);
    return unit_.OutputHistory(channel);
}

std::vector<ReceivedLine> SimServer::Received() const
{
    std::lock_guard lock(mutex_);
    return {received_.begin(), received_.end()};
}

std::vector<SentLine> SimServer::Sent() const
{
    std::lock_guard lock(mutex_);
    return {sent_.begin(), sent_.end()};
}

std::size_t SimServer::ReceivedCount() const
{
    std::lock_guard lock(mutex_);
    return receivedCount_;
}

std::size_t SimServer::SentCount() const
{
    std::lock_guard lock(mutex_);
    return sentCount_;
}

void SimServer::ClearRecords()
{
    std::lock_guard lock(mutex_);
    received_.clear();
    sent_.clear();
    receivedCount_ = 0;
    sentCount_ = 0;
}

void SimServer::SetRecordLimit(std::size_t lines)
{
    std::lock_guard lock(mutex_);
    options_.recordLimit = lines;
    while (received_.size() > lines) received_.pop_front();
    while (sent_.size() > lines) sent_.pop_front();
}

void SimServer::RecordReceived(ReceivedLine line)
{
    ++receivedCount_;
    if (options_.recordLimit == 0) return;
    if (received_.size() >= options_.recordLimit) received_.pop_front();
    received_.push_back(std::move(line));
}

void SimServer::RecordSent(SentLine line)
{
    ++sentCount_;
    if (options_.recordLimit == 0) return;
    if (sent_.size() >= options_.recordLimit) sent_.pop_front();
    sent_.push_back(std::move(line));
}

bool SimServer::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return receivedCount_ >= count; });
}

bool SimServer::WaitForSent(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return sentCount_ >= count; });
}

std::chrono::nanoseconds SimServer::ServingThreadCpuTime() const
{
    if (!thread_.joinable()) return std::chrono::nanoseconds(0);
    clockid_t clock;
    // The thread's id stays valid until it is joined, and only Stop() joins it.
    if (::pthread_getcpuclockid(threadHandle_, &clock) != 0) {
        return std::chrono::nanoseconds(0);
    }
    timespec ts{};
    if (::clock_gettime(clock, &ts) != 0) return std::chrono::nanoseconds(0);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

void SimServer::Wake() const
{
    const std::uint64_t one = 1;
    // A full counter (never reached in practice) still leaves the eventfd readable.
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_.Get(), &one, sizeof one);
}

void SimServer::Run()
{
    for (;;) {
        ArmUnitTimer();
        pollfd fds[4] = {{wakeFd_.Get(), POLLIN, 0},
                         {timerFd_.Get(), POLLIN, 0},
                         {unitTimerFd_.Get(), POLLIN, 0},
                         {-1, 0, 0}};
        nfds_t count = 3;
        if (master_.Valid()) {
            fds[3] = {master_.Get(), POLLIN, 0};
            count = 4;
        }
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_.Get(), &value, sizeof value);
            {
                std::lock_guard lock(mutex_);
                if (stopRequested_) break;
            }
            HandleRequests();
        }
        if (fds[1].revents != 0) {
            std::uint64_t expirations;
            [[maybe_unused]] const ssize_t n =
                ::read(timerFd_.Get(), &expirations, sizeof expirations);
            armedFor_ = TimePoint::max();
        }
        if (fds[2].revents != 0) StepUnit();
        if (count == 4 && master_.Valid() && fds[3].revents != 0) ReadMaster();
        Pump();
    }
    std::lock_guard lock(mutex_);
    serving_ = false;
    changed_.notify_all();
}

void SimServer::HandleRequests()
{
    bool unplug = false;
    std::deque<std::string> lines;
    bool silenced = false;
    std::uint64_t restart = 0;
    {
        std::lock_guard lock(mutex_);
        unplug = unplugRequested_ && !unplugged_;
        unplugRequested_ = false;
        lines.swap(unsolicited_);
        silenced = faults_.SilencesEverything();
        if (restartsRequested_ > restartsDone_) restart = restartsRequested_;
    }
    if (unplug) CloseUnplugged();
    // Lines asked for before the restart would have been cut off by it.
    if (restart != 0) {
        RestartUnit(restart, silenced);
        lines.clear();
    }
    if (silenced || !master_.Valid()) return;
    const TimePoint now = Clock::now();
    for (std::string& line : lines) {
        FaultedReply reply;
        reply.chunks.push_back(std::move(line));
        Schedule(std::move(reply), now);
    }
}

void SimServer::RestartUnit(std::uint64_t request, bool silenced)
{
    const TimePoint now = Clock::now();
    // Replies not yet begun are lost with the power. One already partly on the wire is let
    // finish: cut off, it would run into the resend request and hide it from the host.
    const bool midLine = !out_.empty() && out_.front().written > 0;
    out_.erase(out_.begin() + (midLine ? 1 : 0), out_.end());
    assembler_.Reset();
    awakeAt_ = now + StartUpTime();
    bool starts = false;
    {
        std::lock_guard lock(mutex_);
        unit_.PowerCycle();
        starts = unit_.RunningFirmware().has_value();
        restartsDone_ = request;
    }
    changed_.notify_all();
    // A unit whose flash holds no firmware does not start.
    if (silenced || !starts || !master_.Valid()) return;
    FaultedReply hello;
    hello.chunks.emplace_back(kResendRequest);
    Schedule(std::move(hello), awakeAt_);
}

void SimServer::ReadMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            // The slave side is gone, which the slave held here should prevent; stop watching
            // the master rather than spin on its hang-up.
            CloseUnplugged();
            return;
        }
        const TimePoint now = Clock::now();
        const std::string_view chunk(buffer, static_cast<std::size_t>(n));
        // Bytes cannot arrive faster than the line carries them: each one finishes a byte time
        // after the later of its real arrival and the end of the byte before it.
        const TimePoint base = std::max(now, rxVirtual_);
        rxVirtual_ = base + WireTime(chunk.size());
        for (LineAssembler::Line& line : assembler_.Feed(chunk)) {
            const TimePoint arrived = base + WireTime(line.endOffset);
            std::vector<FaultedReply> replies;
            {
                std::lock_guard lock(mutex_);
                RecordReceived(ReceivedLine{line.bytes, now});
                // A unit still starting up does not listen yet.
                if (now >= awakeAt_) {
                    for (std::string& reply : unit_.HandleLine(line.bytes, now)) {
                        replies.push_back(faults_.Apply(std::move(reply), random_));
                    }
                }
            }
            changed_.notify_all();
            for (FaultedReply& reply : replies) {
                Schedule(std::move(reply), options_.instant ? now : arrived);
            }
        }
    }
}

void SimServer::Schedule(FaultedReply reply, TimePoint ready)
{
    for (std::string& chunk : reply.chunks) {
        OutChunk out;
        out.bytes = std::move(chunk);
        out.ready = ready + reply.delay;
        out_.push_back(std::move(out));
    }
}

void SimServer::Pump()
{
    while (!out_.empty() && master_.Valid()) {
        OutChunk& chunk = out_.front();
        const TimePoint now = Clock::now();
        if (!chunk.started) {
            chunk.start = options_.instant ? chunk.ready : std::max(chunk.ready, txFree_);
            chunk.started = true;
        }
        const std::size_t size = chunk.bytes.size();
        std::size_t due = chunk.written;
        if (options_.instant) {
            if (chunk.start <= now) due = size;
        } else {
            due = std::max(due, BytesDone(now - chunk.start, size));
        }
        while (chunk.written < due) {
            const ssize_t n =
                ::write(master_.Get(), chunk.bytes.data() + chunk.written, due - chunk.written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // The client's input queue is full (it does not read) or gone: like bytes on a
                // real line that nobody takes in, these are lost.
                chunk.written = due;
                break;
            }
            chunk.written += static_cast<std::size_t>(n);
        }
        if (chunk.written == size) {
            {
                std::lock_guard lock(mutex_);
                RecordSent(SentLine{std::move(chunk.bytes), Clock::now()});
            }
            changed_.notify_all();
            if (!options_.instant) txFree_ = chunk.start + WireTime(size);
            out_.pop_front();
            continue;
        }
        ArmTimer(options_.instant
                     ? chunk.start
                     : chunk.start + WireTime(std::min(chunk.written + kWriteSlice, size)));
        return;
    }
    ArmTimer(TimePoint::max());
}

namespace {

// Sets the timer `fd` to fire at `due` (never: TimePoint::max()), unless it is set for that
// already.
void ArmTimerFd(int fd, TimePoint due, TimePoint& armedFor)
{
    if (due == armedFor) return;
    armedFor = due;
    itimerspec setting{};
    if (due != TimePoint::max()) {
        // steady_clock is CLOCK_MONOTONIC, so its time points are the timer's absolute times.
        const auto ns = std::max<std::int64_t>(
            1,
            std::chrono::duration_cast<std::chrono::nanoseconds>(due.time_since_epoch()).count());
        setting.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        setting.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    ::timerfd_settime(fd, TFD_TIMER_ABSTIME, &setting, nullptr);
}

}  // namespace

void SimServer::ArmTimer(TimePoint due)
{
    ArmTimerFd(timerFd_.Get(), due, armedFor_);
}

void SimServer::ArmUnitTimer()
{
    TimePoint due;
    {
        std::lock_guard lock(mutex_);
        due = unit_.NextStandaloneStep();
    }
    ArmTimerFd(unitTimerFd_.Get(), due, unitArmedFor_);
}

void SimServer::StepUnit()
{
    std::uint64_t expirations;
    [[maybe_unused]] const ssize_t n = ::read(unitTimerFd_.Get(), &expirations, sizeof expirations);
    unitArmedFor_ = TimePoint::max();
    std::lock_guard lock(mutex_);
    unit_.AdvanceStandalone(Clock::now());
}

void SimServer::CloseUnplugged()
{
    out_.clear();
    assembler_.Reset();
    master_.Reset();
    slaveHold_.Reset();
    ArmTimer(TimePoint::max());
    std::lock_guard lock(mutex_);
    unplugged_ = true;
    changed_.notify_all();
}

}  // namespace krv::sim
