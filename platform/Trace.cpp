#include "platform/Trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/ThreadName.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace detail {
std::atomic<bool> gTraceOn{false};
}

namespace {

using namespace std::chrono_literals;

// One queued event. Its bytes are copied in, so queueing allocates nothing. A frame longer than
// a slot (the reader hands over at most 512 bytes at a time) is cut, and the line says by how
// much.
struct Slot {
    static constexpr std::size_t kPortSize = 48;
    static constexpr std::size_t kTextSize = 528;
    std::int64_t at = 0;  // monotonic, nanoseconds
    TraceKind kind = TraceKind::Sent;
    std::uint8_t portLength = 0;
    std::uint16_t textLength = 0;
    std::uint32_t fullLength = 0;
    std::array<char, kPortSize> port{};
    std::array<char, kTextSize> text{};
};

constexpr std::size_t kQueueSlots = 512;
// The writer looks for events this often, so the threads that report them never have to wake it.
constexpr auto kDrainInterval = 50ms;

struct TraceState {
    std::mutex queueMutex;  // held only to copy one slot in or out
    std::vector<Slot> slots;
    std::size_t head = 0;  // next to write out
    std::size_t count = 0;
    bool accepting = false;
    std::uint64_t dropped = 0;

    std::mutex controlMutex;  // Start and Stop
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread writer;

    std::string path;
    std::size_t limit = kDefaultTraceLimit;
    std::string header;
    UniqueFd fd;
    std::size_t written = 0;
    std::uint64_t droppedReported = 0;
    // The wall clock at the trace's start, and the monotonic clock then: lines carry wall-clock
    // times that still only ever increase.
    std::chrono::system_clock::time_point wallStart;
    std::int64_t monoStart = 0;
};

// Never destroyed: threads may still look at it while the process exits.
TraceState& State()
{
    static TraceState* state = new TraceState;
    return *state;
}

std::int64_t MonotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Now().time_since_epoch()).count();
}

const char* KindName(TraceKind kind)
{
    switch (kind) {
        case TraceKind::Sent:
            return "TX";
        case TraceKind::Received:
            return "RX";
        case TraceKind::Bridge:
            return "USB";
        case TraceKind::Port:
            return "PORT";
        case TraceKind::Exchange:
            return "EXCH";
    }
    return "?";
}

std::string TimeText(const TraceState& s, std::int64_t at)
{
    const auto wall = s.wallStart + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                        std::chrono::nanoseconds(at - s.monoStart));
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(wall.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%06lld",
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec, static_cast<long long>(micros % 1000000));
    return buffer;
}

bool OpenTraceFile(TraceState& s, int extraFlags, std::string* error)
{
    s.fd.Reset(
        ::open(s.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | extraFlags, 0644));
    if (!s.fd.Valid()) {
        if (error) *error = s.path + ": " + std::strerror(errno);
        return false;
    }
    const off_t end = ::lseek(s.fd.Get(), 0, SEEK_END);
    s.written = end > 0 ? static_cast<std::size_t>(end) : 0;
    return true;
}

void WriteOut(TraceState& s, std::string_view bytes)
{
    if (!s.fd.Valid() || bytes.empty()) return;
    int error = 0;
    WriteAll(s.fd.Get(), bytes, error);  // a trace that cannot be written is lost, nothing more
    s.written += bytes.size();
}

// Appends `lines` (whole lines), moving to FILE.1 first when they would take the file past its
// limit.
void Append(TraceState& s, const std::string& lines)
{
    if (lines.empty()) return;
    if (s.written > 0 && s.written + lines.size() > s.limit) {
        const std::string older = s.path + ".1";
        if (::rename(s.path.c_str(), older.c_str()) == 0 && OpenTraceFile(s, O_TRUNC, nullptr)) {
            WriteOut(s, s.header);
        }
    }
    WriteOut(s, lines);
}

// Starts the run's part of the file with its header, in a new file when the old one is full.
void BeginRun(TraceState& s)
{
    if (s.written > 0 && s.written + s.header.size() > s.limit) {
        const std::string older = s.path + ".1";
        if (::rename(s.path.c_str(), older.c_str()) == 0) OpenTraceFile(s, O_TRUNC, nullptr);
    }
    WriteOut(s, s.header);
}

std::string FormatLine(const TraceState& s, const Slot& slot)
{
    std::string line = TimeText(s, slot.at);
    line += ' ';
    line += KindName(slot.kind);
    line += ' ';
    line.append(slot.port.data(), slot.portLength);
    line += ' ';
    const std::string_view text(slot.text.data(), slot.textLength);
    if (slot.kind == TraceKind::Sent || slot.kind == TraceKind::Received) {
        line += std::to_string(slot.fullLength);
        line += slot.fullLength == 1 ? " byte " : " bytes ";
        line += TraceEscape(text);
        if (slot.fullLength > slot.textLength) {
            line += " (+" + std::to_string(slot.fullLength - slot.textLength) + " not shown)";
        }
    } else {
        line += text;
    }
    line += '\n';
    return line;
}

// Takes what is queued, one slot at a time, and writes it in one go.
void Drain(TraceState& s)
{
    std::string lines;
    for (;;) {
        Slot slot;
        std::uint64_t dropped = 0;
        {
            std::lock_guard lock(s.queueMutex);
            dropped = s.dropped;
            if (s.count == 0) break;
            slot = s.slots[s.head];
            s.head = (s.head + 1) % kQueueSlots;
            --s.count;
        }
        if (dropped != s.droppedReported) {
            lines += TimeText(s, slot.at) + " LOST - " +
                     std::to_string(dropped - s.droppedReported) +
                     " events were dropped: the trace could not keep up\n";
            s.droppedReported = dropped;
        }
        const std::string line = FormatLine(s, slot);
        // Written in batches, cut where the file would pass its limit, so that no file grows
        // past it (unless by a single line longer than the limit).
        if (!lines.empty() &&
            (s.written + lines.size() + line.size() > s.limit || lines.size() >= 64 * 1024)) {
            Append(s, lines);
            lines.clear();
        }
        lines += line;
    }
    Append(s, lines);
}

void WriterLoop(TraceState& s)
{
    std::unique_lock lock(s.wakeMutex);
    while (!s.stopping) {
        s.wake.wait_for(lock, kDrainInterval, [&] { return s.stopping; });
        lock.unlock();
        Drain(s);
        lock.lock();
    }
}

void StopLocked(TraceState& s)
{
    if (!s.writer.joinable()) return;
    detail::gTraceOn.store(false, std::memory_order_relaxed);
    {
        std::lock_guard lock(s.queueMutex);
        s.accepting = false;
    }
    {
        std::lock_guard lock(s.wakeMutex);
        s.stopping = true;
    }
    s.wake.notify_all();
    s.writer.join();
    Drain(s);  // what came in while the writer finished
    std::uint64_t dropped = 0;
    {
        std::lock_guard lock(s.queueMutex);
        dropped = s.dropped;
    }
    if (dropped != s.droppedReported) {
        Append(s, TimeText(s, MonotonicNanoseconds()) + " LOST - " +
                      std::to_string(dropped - s.droppedReported) +
                      " events were dropped: the trace could not keep up\n");
        s.droppedReported = dropped;
    }
    Append(s, TimeText(s, MonotonicNanoseconds()) + " END - trace stopped\n");
    s.fd.Reset();
}

}  // namespace

std::string TraceEscape(std::string_view bytes)
{
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out.push_back(ch);
                } else {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
                    out += buffer;
                }
        }
    }
    out += '"';
    return out;
}

void TraceEvent(TraceKind kind, std::string_view port, std::string_view text)
{
    TraceState& s = State();
    std::lock_guard lock(s.queueMutex);
    if (!s.accepting) return;
    // Stamped under the lock: the queue's order is then the order of the time stamps.
    const std::int64_t at = MonotonicNanoseconds();
    if (s.count == kQueueSlots) {
        ++s.dropped;
        return;
    }
    Slot& slot = s.slots[(s.head + s.count) % kQueueSlots];
    ++s.count;
    slot.at = at;
    slot.kind = kind;
    const std::size_t portLength = std::min(port.size(), Slot::kPortSize);
    std::memcpy(slot.port.data(), port.data(), portLength);
    slot.portLength = static_cast<std::uint8_t>(portLength);
    const std::size_t textLength = std::min(text.size(), Slot::kTextSize);
    std::memcpy(slot.text.data(), text.data(), textLength);
    slot.textLength = static_cast<std::uint16_t>(textLength);
    slot.fullLength = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), UINT32_MAX));
}

bool StartTrace(const std::string& path, std::size_t limitBytes, std::string_view program,
                std::string* error)
{
    TraceState& s = State();
    std::lock_guard control(s.controlMutex);
    StopLocked(s);

    s.path = path;
    s.limit = std::max<std::size_t>(limitBytes, 1024);
    if (!OpenTraceFile(s, O_APPEND, error)) return false;
    s.wallStart = std::chrono::system_clock::now();
    s.monoStart = MonotonicNanoseconds();
    s.header = "# KRV wire trace of " + std::string(program) + " (pid " +
               std::to_string(::getpid()) + "), times in UTC, started " + TimeText(s, s.monoStart) +
               "\n";
    BeginRun(s);
    {
        std::lock_guard lock(s.queueMutex);
        if (s.slots.empty()) s.slots.resize(kQueueSlots);
        s.head = 0;
        s.count = 0;
        s.dropped = 0;
        s.accepting = true;
    }
    s.droppedReported = 0;
    s.stopping = false;
    s.writer = std::thread([&s] { WriterLoop(s); });
    SetThreadName(s.writer, "krv-trace");
    detail::gTraceOn.store(true, std::memory_order_relaxed);
    return true;
}

void StopTrace()
{
    TraceState& s = State();
    std::lock_guard control(s.controlMutex);
    StopLocked(s);
}

std::uint64_t TraceDropped()
{
    TraceState& s = State();
    std::lock_guard lock(s.queueMutex);
    return s.dropped;
}

std::optional<TraceRequest> TraceRequested(const std::optional<std::string>& optionPath)
{
    TraceRequest request;
    if (optionPath && !optionPath->empty()) {
        request.path = *optionPath;
    } else if (const char* env = std::getenv("KRV_TRACE"); env != nullptr && *env != '\0') {
        request.path = env;
    } else {
        return std::nullopt;
    }
    if (const char* limit = std::getenv("KRV_TRACE_LIMIT"); limit != nullptr) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(limit, &end, 10);
        if (errno == 0 && end != limit && *end == '\0' && value >= 1024) {
            request.limitBytes = static_cast<std::size_t>(value);
        }
    }
    return request;
}

TraceSession::~TraceSession()
{
    if (running_) StopTrace();
}

bool TraceSession::Start(const std::optional<std::string>& optionPath, std::string_view program,
                         std::string* error)
{
    const auto request = TraceRequested(optionPath);
    if (!request) return true;
    running_ = StartTrace(request->path, request->limitBytes, program, error);
    return running_;
}

}  // namespace krv
