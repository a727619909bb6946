#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krv {

// A wire trace for the field: every frame sent and received, the USB bridge's calls and the
// exchanges' outcomes, one event a line with a microsecond time stamp, written to a file the user
// names (--trace FILE, or KRV_TRACE=FILE). Events are copied into a bounded queue and written by
// the "krv-trace" thread, so the thread that reports them never waits for the disk; when the
// queue is full the event is dropped and counted, and the file says how many were lost.
// The file is kept to a bounded size: at the limit it becomes FILE.1 (replacing an older one)
// and a new FILE is begun.

enum class TraceKind : std::uint8_t {
    Sent,      // bytes handed to the port or bridge
    Received,  // bytes read from the port or bridge
    Bridge,    // a call to the USB bridge and its result
    Port,      // the serial port opened or closed
    Exchange,  // an exchange's outcome: a retry, a time-out, a wrong line, giving up
};

namespace detail {
extern std::atomic<bool> gTraceOn;
}

// The fast path every caller takes first: one relaxed load.
inline bool TraceOn()
{
    return detail::gTraceOn.load(std::memory_order_relaxed);
}

// Queues one event. `port` names where it happened ("pts/3", "usb:Holvik KRV FT230X"); frames
// (Sent, Received) are written with their bytes escaped, other kinds as text. Call it only when
// TraceOn(); it never blocks for longer than copying the event.
void TraceEvent(TraceKind kind, std::string_view port, std::string_view text);

inline constexpr std::size_t kDefaultTraceLimit = 4u * 1024 * 1024;

// Starts writing the trace to `path` (created or appended to; at `limitBytes` it rotates).
// `program` goes into the header line. False with `error` set when the file cannot be opened;
// a trace already running is stopped first.
bool StartTrace(const std::string& path, std::size_t limitBytes, std::string_view program,
                std::string* error);

// Writes out everything queued, and stops. Harmless when no trace runs.
void StopTrace();

// Events lost so far because the queue was full.
std::uint64_t TraceDropped();

// The file to trace to: `optionPath` (from --trace) when given, else KRV_TRACE when set and not
// empty. The limit is KRV_TRACE_LIMIT (bytes) when set to a whole number of at least 1024, else
// kDefaultTraceLimit.
struct TraceRequest {
    std::string path;
    std::size_t limitBytes = kDefaultTraceLimit;
};
std::optional<TraceRequest> TraceRequested(const std::optional<std::string>& optionPath);

// Runs a trace for as long as it lives (StopTrace when it goes).
class TraceSession {
  public:
    TraceSession() = default;
    ~TraceSession();
    TraceSession(const TraceSession&) = delete;
    TraceSession& operator=(const TraceSession&) = delete;
    // TraceRequested(optionPath), then StartTrace. True when no trace was asked for.
    bool Start(const std::optional<std::string>& optionPath, std::string_view program,
               std::string* error);

  private:
    bool running_ = false;
};

// "\"VER\\r\\n\"": printable ASCII as it is, the rest escaped, in double quotes.
std::string TraceEscape(std::string_view bytes);

}  // namespace krv
