#include "files/OutputLog.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "model/GeneratorState.h"
#include "platform/Translate.h"

namespace krv {

namespace {

// A number with `decimals` places; a value that rounds to zero shows no minus sign.
std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 6), value);
    std::string result = text;
    if (result.front() == '-' && result.find_first_not_of("-0.") == std::string::npos) {
        result.erase(0, 1);
    }
    return result;
}

std::string StandaloneModeName(std::int32_t mode)
{
    switch (mode) {
        case kStandaloneOff:
            return "off";
        case kStandaloneFixed:
            return "fixed";
        case kStandaloneAuto:
            return "auto";
        default:
            return std::to_string(mode);
    }
}

std::string RunStateName(std::int32_t state)
{
    switch (state) {
        case 0:
            return "stopped";
        case 1:
            return "running";
        case 2:
            return "paused";
        default:
            return std::to_string(state);
    }
}

void AppendField(std::string& line, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

std::string WithReason(const char* text, const std::filesystem::path& path, int error)
{
    std::string message = TrMarked("OutputLog", text);
    message += "\n";
    message += path.string();
    if (error != 0) {
        message += "\n(";
        message += std::strerror(error);
        message += ")";
    }
    return message;
}

// SIGPIPE held back on this thread while a pipe is written: a reader that went away ends the log
// (EPIPE), not the program.
class PipeSignalHeld {
  public:
    PipeSignalHeld()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &saved_);
    }
    ~PipeSignalHeld()
    {
        // Take back a SIGPIPE this write raised, unless one was pending before.
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) && !sigismember(&saved_, SIGPIPE)) {
            const timespec none{};
            sigtimedwait(&pipe_, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

  private:
    sigset_t pipe_;
    sigset_t saved_;
};

// Writes all of `bytes`; false with errno set on failure. `written` counts what did get out.
bool WriteAllTo(int fd, const std::string& bytes, std::size_t& written)
{
    written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

OutputLogRow DescribeChannel(const GeneratorState& state, int ch)
{
    OutputLogRow row;
    if (ch < 0 || ch >= kChannelCount) return row;
    const auto i = static_cast<std::size_t>(ch);
    const ChannelSettings& c = state.channels[i];
    row.channel = ch + 1;
    row.range = RangeKey(c.range);
    if (row.range.empty()) row.range = std::to_string(c.range);
    if (const std::optional<double> value = RangeValueOfCode(c.range, c.outputCode)) {
        row.value = Fixed(*value, GetRangeLimits(c.range).decimals);
    }
    if (c.scalingOn) {
        row.convertedValue = Fixed(c.outputValue, c.scaledDigits);
        row.convertedUnit = c.scaledUnit;
    }
    row.on = state.OutputOn(ch);
    row.alarm = state.StatusText(ch);
    row.standaloneMode = StandaloneModeName(state.unitAutoOutput[i].standaloneMode);
    row.runState = RunStateName(state.autoOutput[i].runState);
    return row;
}

std::string FormatLogRow(const OutputLogRow& row)
{
    std::string line;
    line.reserve(128);
    AppendField(line, row.time);
    line += ',';
    line += std::to_string(row.channel);
    for (const std::string* field :
         {&row.range, &row.value, &row.convertedValue, &row.convertedUnit}) {
        line += ',';
        AppendField(line, *field);
    }
    line += row.on ? ",on," : ",off,";
    AppendField(line, row.alarm);
    for (const std::string* field : {&row.standaloneMode, &row.runState, &row.event}) {
        line += ',';
        AppendField(line, *field);
    }
    line += '\n';
    return line;
}

std::string FormatLogTime(std::chrono::system_clock::time_point moment)
{
    using namespace std::chrono;
    const std::int64_t ms = duration_cast<milliseconds>(moment.time_since_epoch()).count();
    std::int64_t seconds = ms / 1000;
    std::int64_t milli = ms % 1000;
    if (milli < 0) {
        milli += 1000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char date[40];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s.%03d%c%02ld:%02ld", date, static_cast<int>(milli),
                  offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

const char* OutputEventName(OutputEvent event)
{
    switch (event) {
        case OutputEvent::Sent:
            return "sent";
        case OutputEvent::Status:
            return "status";
        case OutputEvent::RunState:
            return "run";
    }
    return "";
}

OutputLog::OutputLog(UserInterface& ui, WallClock clock) : ui_(ui), clock_(std::move(clock))
{
    if (!clock_) clock_ = [] { return std::chrono::system_clock::now(); };
}

OutputLog::~OutputLog()
{
    Stop();
}

bool OutputLog::Start(const std::filesystem::path& path)
{
    Stop();
    const auto refuse = [&](const char* text, int error) {
        ui_.ShowMessage(WithReason(text, path, error), kOutputLogCaption, MessageIcon::Warning,
                        MessageButtons::Ok);
        return false;
    };

    // A device or a pipe (a terminal, /dev/stdout) is written as it is. A pipe nobody reads yet
    // is refused rather than waited for.
    struct stat before {};
    const bool exists = ::stat(path.c_str(), &before) == 0;
    const bool special = exists && !S_ISREG(before.st_mode) && !S_ISDIR(before.st_mode);
    const int flags = special ? O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC | O_NONBLOCK
                              : O_RDWR | O_APPEND | O_CREAT | O_NOCTTY | O_CLOEXEC;
    UniqueFd fd(::open(path.c_str(), flags, 0644));
    if (!fd.Valid()) return refuse(kOutputLogCannotCreate, errno);
    if (special) ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);

    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return refuse(kOutputLogCannotCreate, errno);
    regular_ = S_ISREG(st.st_mode);
    // Two writers in one file would interleave their rows: the second is refused. (File systems
    // without locks let both through.)
    if (regular_ && ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return refuse(kOutputLogInUse, 0);
    }

    std::string opening;
    size_ = regular_ ? static_cast<std::int64_t>(st.st_size) : 0;
    if (regular_ && size_ > 0) {
        // Continued only when it is one of ours: the header must be its whole first line.
        const std::string expected = std::string(kOutputLogHeader) + "\n";
        std::string first(expected.size(), '\0');
        const ssize_t n = ::pread(fd.Get(), first.data(), first.size(), 0);
        if (n < 0) return refuse(kOutputLogCannotCreate, errno);
        if (static_cast<std::size_t>(n) != first.size() || first != expected) {
            return refuse(kOutputLogNotALog, 0);
        }
        // A row cut short by a crash or a full disk ends here, so the next row starts a line.
        char lastByte = '\n';
        if (::pread(fd.Get(), &lastByte, 1, size_ - 1) == 1 && lastByte != '\n') opening = "\n";
    } else {
        opening = std::string(kOutputLogHeader) + "\n";
    }

    fd_ = std::move(fd);
    path_ = path;
    rows_ = 0;
    for (auto& last : last_) last.reset();
    if (!opening.empty() && !Write(opening)) return false;
    return true;
}

void OutputLog::Stop()
{
    if (!fd_.Valid()) return;
    if (regular_) ::fdatasync(fd_.Get());
    fd_.Reset();
}

void OutputLog::Record(const GeneratorState& state, int ch, OutputEvent event)
{
    Record(state, ch, OutputEventName(event), false);
}

void OutputLog::RecordAll(const GeneratorState& state)
{
    for (int ch = 0; ch < state.AddressedCircuits(); ++ch) Record(state, ch, "start", true);
}

void OutputLog::Record(const GeneratorState& state, int ch, const char* event, bool always)
{
    if (!fd_.Valid() || ch < 0 || ch >= kChannelCount) return;
    OutputLogRow row = DescribeChannel(state, ch);
    std::string key = FormatLogRow(row);
    auto& last = last_[static_cast<std::size_t>(ch)];
    if (!always && last && *last == key) return;
    row.time = FormatLogTime(clock_());
    row.event = event;
    if (!Write(FormatLogRow(row))) return;
    last = std::move(key);
    ++rows_;
}

bool OutputLog::Write(const std::string& bytes)
{
    std::size_t written = 0;
    std::optional<PipeSignalHeld> held;
    if (!regular_) held.emplace();
    const bool done = WriteAllTo(fd_.Get(), bytes, written);
    const int error = errno;
    held.reset();
    if (done) {
        size_ += static_cast<std::int64_t>(written);
        return true;
    }
    // What did get out of a row that did not fit is taken back, so the file ends with a whole row.
    // Only when the file is exactly as this log left it plus that part.
    struct stat st {};
    if (regular_ && written > 0 && ::fstat(fd_.Get(), &st) == 0 &&
        st.st_size == size_ + static_cast<std::int64_t>(written)) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd_.Get(), size_);
    }
    Fail(kOutputLogWriteFailed, error);
    return false;
}

void OutputLog::Fail(const char* text, int error)
{
    fd_.Reset();
    ui_.ShowMessage(WithReason(text, path_, error), kOutputLogCaption, MessageIcon::Warning,
                    MessageButtons::Ok);
    if (onStopped) onStopped();
}

}  // namespace krv
