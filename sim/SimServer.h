#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/UniqueFd.h"
#include "sim/FaultPlan.h"
#include "sim/LineAssembler.h"
#include "sim/VirtualUnit.h"
#include "sim/WireTiming.h"

namespace krv::sim {

struct ServerOptions {
    // Lines kept in each traffic record by default: enough for any one exchange or test step,
    // and about 100 kB per direction however long the unit runs.
    static constexpr std::size_t kDefaultRecordLimit = 1024;

    UnitConfig unit;
    bool instant = false;    // false: real wire timing at 19200 baud (default)
    std::uint64_t seed = 1;  // seeds the generator of the faults' random choices
    std::string faults;      // fault list ("drop:2,noise"), empty = none
    // Newest lines kept in each traffic record (received, sent); older ones are forgotten and
    // only counted. 0 keeps no lines, only the counts.
    std::size_t recordLimit = kDefaultRecordLimit;
    // Time the unit needs after a restart before it listens and asks for the outputs again;
    // none: SimServer::kStartUpTime. Longer for a unit that boots slowly.
    std::optional<std::chrono::milliseconds> startUpTime;
};

struct ReceivedLine {
    std::string bytes;
    std::chrono::steady_clock::time_point time;  // when its last byte was read from the pty
};

struct SentLine {
    std::string bytes;
    std::chrono::steady_clock::time_point time;  // when the write of its last byte returned
};

// Serves a VirtualUnit on the master side of a new pseudo-terminal, on its own thread. The
// thread sleeps in poll() on the master, an eventfd (requests from other threads) and a timerfd
// (the next byte due on the simulated wire), so an idle unit costs no processor time.
class SimServer {
  public:
    explicit SimServer(ServerOptions options);
    ~SimServer();  // Stop()
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Creates the pty and starts serving. Fails when already running, when the options are not
    // usable (bad fault list, circuit count) or when the pty cannot be set up. After Stop() a new
    // Start() serves a new pty.
    bool Start(std::string* error = nullptr);
    // Stops the thread (at once: replies still on the wire are dropped) and closes the pty.
    void Stop();
    bool Running() const;

    std::string PortPath() const;  // "/dev/pts/N": what a client opens

    // Replaces the fault plan while running; the seeded generator carries on.
    bool SetFaults(std::string_view list, std::string* error = nullptr);

    // Closes the master side: the client's port hangs up and the unit is gone for good (until
    // Stop() and Start()). Returns when the pty is closed.
    void Unplug();

    // Sends a line the unit emits on its own (CR LF included by the caller), after anything
    // already on its way out. Faults do not apply to it, except that a unit silenced for good
    // (an unconditional `silent`) sends nothing at all.
    void SendUnsolicited(std::string line);
    // The unit asks the host to send every channel's output frame again (kResendRequest).
    void SendResendRequest();

    // The serving thread's name, as `top -H` shows it.
    static constexpr std::string_view kThreadName = "krv-sim-pty";

    // At wire timing the bytes of a reply are written in slices of this many: a slice goes out
    // when its last byte is due, and the last slice of a line when the line's last byte is due.
    // No byte ever leaves before the wire would have delivered it, and a line ends exactly when
    // it would on the wire; only the bytes inside a line arrive up to a slice late, as they do
    // through a USB bridge, which passes bytes on in packets too. Writing byte by byte would
    // wake this thread and the host's reader 60 times for one status reply instead of 4.
    static constexpr std::size_t kWriteSlice = 16;

    // Time the unit needs after power-on before it talks again, unless the options say otherwise.
    static constexpr std::chrono::milliseconds kStartUpTime{50};
    std::chrono::milliseconds StartUpTime() const
    {
        return options_.startUpTime.value_or(kStartUpTime);
    }

    // Power cycle: replies not yet begun and a partly received line are lost, every channel's
    // registers go back to their power-on values (VirtualUnit::PowerCycle), and the unit ignores
    // what it receives for kStartUpTime (the lines are still recorded); then it sends the resend
    // request. The registers are reset when this returns. While the server is not running only
    // the registers are reset.
    void Restart();

    // The accepted W frames of a channel index 0..3 (VirtualUnit::OutputHistory). Each record's
    // time is when the frame's last byte was read from the pty, as in Received().
    std::vector<OutputRecord> OutputHistory(int channel) const;

    // The traffic records. Each keeps the newest lines up to the record limit (ServerOptions) and
    // counts every line since the server was made or the last ClearRecords(), so a unit serving for
    // days holds a bounded record.
    //
    // Complete lines received, oldest first (at most the record limit).
    std::vector<ReceivedLine> Received() const;
    // Lines written (replies and injected lines), oldest first (at most the record limit). A
    // client may read a line's last byte just before its record is made: wait with
    // WaitForSent() before looking.
    std::vector<SentLine> Sent() const;
    // Lines received / sent since the server was made or the last ClearRecords(), kept or not.
    std::size_t ReceivedCount() const;
    std::size_t SentCount() const;
    void ClearRecords();
    // Changes the record limit from now on; the records drop their oldest lines to fit.
    void SetRecordLimit(std::size_t lines);

    // Wake when a line is received or sent; true once at least `count` lines have been received
    // (sent) since the server was made or the last ClearRecords().
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;
    bool WaitForSent(std::size_t count, std::chrono::milliseconds timeout) const;

    // Runs `f` on the unit under the server's lock (for inspecting or changing its state).
    template <typename F>
    decltype(auto) WithUnit(F&& f)
    {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(unit_);
    }

    // Processor time the serving thread has used so far (zero when it is not running).
    std::chrono::nanoseconds ServingThreadCpuTime() const;

  private:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // Bytes on their way out. In wire timing byte k of a chunk completes at start + (k+1) byte
    // times, where start is the later of `ready` and the end of the chunk before it.
    struct OutChunk {
        std::string bytes;
        TimePoint ready;
        TimePoint start{};
        bool started = false;
        std::size_t written = 0;
    };

    void Run();
    void Wake() const;
    void HandleRequests();
    void RestartUnit(std::uint64_t request, bool silenced);
    void ReadMaster();
    void Schedule(FaultedReply reply, TimePoint ready);
    void Pump();
    void ArmTimer(TimePoint due);
    // The unit's own clock: steps of the outputs it runs by itself.
    void ArmUnitTimer();
    void StepUnit();
    void CloseUnplugged();
    // Both under mutex_.
    void RecordReceived(ReceivedLine line);
    void RecordSent(SentLine line);

    ServerOptions options_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    // Guarded by mutex_.
    VirtualUnit unit_;
    FaultPlan faults_;
    std::mt19937_64 random_;
    std::deque<ReceivedLine> received_;  // the newest options_.recordLimit lines
    std::deque<SentLine> sent_;
    std::size_t receivedCount_ = 0;
    std::size_t sentCount_ = 0;
    std::deque<std::string> unsolicited_;
    bool stopRequested_ = false;
    bool unplugRequested_ = false;
    bool unplugged_ = false;
    std::uint64_t restartsRequested_ = 0;
    std::uint64_t restartsDone_ = 0;
    bool serving_ = false;  // the thread runs and answers requests
    std::string portPath_;

    // Owned by the serving thread while it runs.
    UniqueFd master_;
    UniqueFd slaveHold_;  // keeps the slave open so a client closing it never hangs up the master
    UniqueFd wakeFd_;
    UniqueFd timerFd_;
    UniqueFd unitTimerFd_;
    LineAssembler assembler_;
    TimePoint rxVirtual_{};  // when the last received byte finished on the simulated wire
    TimePoint txFree_{};     // when the simulated transmit line is free again
    TimePoint awakeAt_{};    // after a restart: when the unit listens again
    std::deque<OutChunk> out_;
    TimePoint armedFor_{TimePoint::max()};
    TimePoint unitArmedFor_{TimePoint::max()};

    std::thread thread_;
    std::thread::native_handle_type threadHandle_{};  // for reading its processor time
};

}  // namespace krv::sim
