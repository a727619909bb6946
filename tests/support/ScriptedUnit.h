#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/CommandFrame.h"
#include "support/PtyPair.h"

namespace krv::test {

// A unit played by the test on the master side of a pseudo-terminal: every line the link sends
// is recorded and handed to a script (line, its index), whose answer goes back.
class ScriptedUnit {
  public:
    using Script = std::function<std::string(const std::string& line, int index)>;

    explicit ScriptedUnit(Script script) : script_(std::move(script)), thread_([this] { Run(); }) {}
    ~ScriptedUnit()
    {
        stop_ = true;
        thread_.join();
    }

    std::string PortName() const { return pty_.PortName(); }
    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // Waits until `count` lines have come (for ten seconds at most: a cap for a broken case, not
    // a measure of speed); returns the lines there are.
    std::vector<std::string> WaitForLines(std::size_t count) const
    {
        std::unique_lock lock(mutex_);
        lineCame_.wait_for(lock, std::chrono::seconds(10), [&] { return lines_.size() >= count; });
        return lines_;
    }
    // Waits until every byte the link wrote before the call has been read and handled, so that
    // Lines() holds each line it sent by then. A link's writes are done when they return: the
    // bytes wait in the pty, and a round of the reading thread that begins after the call takes
    // all of them. True unless ten seconds pass first.
    bool Settle() const
    {
        std::unique_lock lock(mutex_);
        const std::uint64_t wanted = rounds_ + 2;  // the round under way may have begun earlier
        return roundDone_.wait_for(lock, std::chrono::seconds(10),
                                   [&] { return rounds_ >= wanted; });
    }

  private:
    void Run()
    {
        std::string pending;
        while (!stop_) {
            pending += pty_.Receive(std::chrono::milliseconds(20));
            for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end + 2);
                pending.erase(0, end + 2);
                int index;
                {
                    std::lock_guard lock(mutex_);
                    lines_.push_back(line);
                    index = static_cast<int>(lines_.size()) - 1;
                }
                lineCame_.notify_all();
                if (script_) pty_.Send(script_(line, index));
            }
            {
                std::lock_guard lock(mutex_);
                ++rounds_;
            }
            roundDone_.notify_all();
        }
    }

    PtyPair pty_;
    Script script_;
    mutable std::mutex mutex_;
    mutable std::condition_variable lineCame_;
    mutable std::condition_variable roundDone_;
    std::vector<std::string> lines_;
    std::uint64_t rounds_ = 0;  // rounds of Run() ended
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: starts when everything it uses exists
};

// Fields of the unit's 60-byte status reply; the defaults describe a quiet channel in range 0.
struct StatusFields {
    char channel = '1';
    unsigned range = 0, code = 0, mainControl = 0x0008, mainStatus = 0, extControl = 0,
             extStatus = 0, calibrationMode = 0, runState = 0;
};

inline std::string StatusReply(const StatusFields& f)
{
    return CommandFrame::Framed("R")
        .Text(std::string(1, f.channel))
        .Hex2(f.range)
        .Hex4(f.code)
        .Hex4(f.mainControl)
        .Text("000000000000")
        .Hex4(f.mainStatus)
        .Hex4(f.extControl)
        .Text("000000000000")
        .Hex4(f.extStatus)
        .Hex4(f.calibrationMode)
        .Hex2(f.runState)
        .WithEtxAndChecksum();
}

}  // namespace krv::test
