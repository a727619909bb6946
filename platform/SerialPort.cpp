#include "platform/SerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "platform/Clock.h"

namespace krv {

namespace {

bool ApplyLineSettings(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_cflag &= ~(PARENB | CSTOPB | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B19200) != 0 || ::cfsetospeed(&tio, B19200) != 0) return false;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

// USB serial bridges hold short replies until their latency timer runs out (16 ms by default on
// the FTDI driver); low-latency mode makes the driver pass them on after 1 ms. Drivers without
// the setting (and pseudo-terminals) simply refuse it.
void RequestLowLatency(int fd)
{
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) != 0) return;
    if (ss.flags & ASYNC_LOW_LATENCY) return;
    ss.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &ss);
}

}  // namespace

SerialPort::OpenResult SerialPort::Open(const std::string& path, std::string* error)
{
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (error) *error = std::strerror(err);
        // A terminal in exclusive mode refuses every other open by an ordinary user.
        return err == EBUSY ? OpenResult::Busy : OpenResult::Failed;
    }
    UniqueFd owned(fd);
    // Ownership first: until the lock is held the port may be another program's, whose line
    // settings, queued bytes and exclusive mode are not to be touched.
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        const int err = errno;
        if (err == EINTR) continue;
        if (error) *error = std::strerror(err);
        return err == EWOULDBLOCK ? OpenResult::Busy : OpenResult::Failed;
    }
    if (!::isatty(fd)) {
        if (error) *error = "not a terminal device";
        return OpenResult::Failed;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        if (error) *error = std::strerror(errno);
        return OpenResult::Failed;
    }
    const bool settingsApplied = ApplyLineSettings(fd);
    RequestLowLatency(fd);
    fd_ = std::move(owned);
    return settingsApplied ? OpenResult::Opened : OpenResult::OpenedWithoutSettings;
}

void SerialPort::Close()
{
    if (!fd_.Valid()) return;
    ::ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();  // releases the lock
}

SerialPort::ReadStatus SerialPort::ReadAvailable(std::uint8_t* buffer, std::size_t capacity,
                                                 std::size_t& count)
{
    count = 0;
    for (;;) {
        const ssize_t n = ::read(fd_.Get(), buffer, capacity);
        if (n > 0) {
            count = static_cast<std::size_t>(n);
            return ReadStatus::Data;
        }
        if (n == 0) return ReadStatus::HungUp;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadStatus::Nothing;
        return ReadStatus::HungUp;
    }
}

bool SerialPort::WriteAll(const std::uint8_t* data, std::size_t length,
                          std::chrono::milliseconds budget)
{
    const TimePoint deadline = Now() + budget;
    while (length > 0) {
        const ssize_t n = ::write(fd_.Get(), data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The driver's queue is full: wait for room, but never longer than the budget.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now()).count();
        if (left <= 0) return false;
        pollfd pfd{fd_.Get(), POLLOUT, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) return false;
        if (r > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
    }
    return true;
}

bool SerialPort::ReadErrorCounters(LineErrorCounts& counts) const
{
    serial_icounter_struct ic{};
    if (::ioctl(fd_.Get(), TIOCGICOUNT, &ic) != 0) return false;
    counts.frame = static_cast<std::uint32_t>(ic.frame);
    counts.parity = static_cast<std::uint32_t>(ic.parity);
    counts.brk = static_cast<std::uint32_t>(ic.brk);
    return true;
}

}  // namespace krv
