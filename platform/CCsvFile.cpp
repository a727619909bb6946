#include "platform/CCsvFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/TextEncoding.h"

namespace krv {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Windows text files may end in Ctrl-Z; its text-mode reading stops there, so ours does too.
constexpr char kEndOfText = '\x1A';

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string StripFieldQuotes(std::string_view text)
{
    if (text.empty() || (text.front() != '"' && text.back() != '"')) return std::string(text);
    // The first character: one byte, or a lead byte with its continuation bytes.
    std::size_t first = 1;
    while (first < text.size() && IsUtf8Continuation(text[first])) ++first;
    // The last character starts at the last byte that is no continuation byte.
    std::size_t last = text.size() - 1;
    while (last > 0 && IsUtf8Continuation(text[last]) && text.size() - last < 4) --last;
    if (last < first) return std::string();
    return std::string(text.substr(first, last - first));
}

CCsvFile::CCsvFile() : buffer_(kReadChunk) {}

bool CCsvFile::Open(const std::string& path)
{
    Close();
    // Non-blocking, so that opening a FIFO cannot hang; it is refused below anyway.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.Valid()) return false;
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    fd_ = std::move(fd);
    fromMemory_ = false;
    open_ = true;
    stop_ = Stop::None;
    return true;
}

void CCsvFile::OpenBytes(std::string_view bytes)
{
    Close();
    memory_.assign(bytes);
    fromMemory_ = true;
    open_ = true;
    stop_ = Stop::None;
}

void CCsvFile::Close()
{
    fd_.Reset();
    memory_.clear();
    memory_.shrink_to_fit();
    open_ = false;
    fromMemory_ = false;
    inputEnded_ = false;
    bufferPos_ = 0;
    bufferEnd_ = 0;
    stop_ = Stop::NotOpen;
    line_.clear();
    fields_.clear();
}

bool CCsvFile::Refill()
{
    bufferPos_ = 0;
    bufferEnd_ = 0;
    if (inputEnded_) return false;
    if (fromMemory_) {
        // The whole input is in memory_ and is handed out in one piece.
        inputEnded_ = true;
        bufferEnd_ = memory_.size();
        return bufferEnd_ > 0;
    }
    for (;;) {
        const ssize_t n = ::read(fd_.Get(), buffer_.data(), buffer_.size());
        if (n > 0) {
            bufferEnd_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        inputEnded_ = true;
        if (n < 0) stop_ = Stop::ReadError;
        return false;
    }
}

bool CCsvFile::NextByte(char& byte)
{
    if (bufferPos_ == bufferEnd_ && !Refill()) return false;
    byte = (fromMemory_ ? memory_.data() : buffer_.data())[bufferPos_++];
    if (byte == kEndOfText) {
        inputEnded_ = true;
        bufferPos_ = bufferEnd_;
        return false;
    }
    return true;
}

bool CCsvFile::ReadRecord()
{
    fields_.clear();
    line_.clear();
    if (!open_ || stop_ == Stop::LineTooLong || stop_ == Stop::ReadError) {
        if (!open_) stop_ = Stop::NotOpen;
        return false;
    }
    bool sawLineFeed = false;
    bool sawAnything = false;
    char byte = 0;
    while (NextByte(byte)) {
        sawAnything = true;
        if (byte == '\n') {
            sawLineFeed = true;
            break;
        }
        // One byte of room for the carriage return of a full-length line.
        if (line_.size() > kMaxLineBytes) {
            line_.clear();
            stop_ = Stop::LineTooLong;
            return false;
        }
        line_.push_back(byte);
    }
    if (stop_ == Stop::ReadError) {
        line_.clear();
        return false;
    }
    if (!sawAnything) {
        stop_ = Stop::EndOfFile;
        return false;
    }
    if (sawLineFeed && !line_.empty() && line_.back() == '\r') line_.pop_back();
    if (line_.size() > kMaxLineBytes) {
        line_.clear();
        stop_ = Stop::LineTooLong;
        return false;
    }
    if (line_.empty()) {
        stop_ = Stop::EmptyLine;
        return false;
    }
    stop_ = Stop::None;
    // A comma cannot be the second byte of a double-byte character, so splitting the raw bytes is
    // safe.
    fields_.emplace_back();
    for (const char c : line_) {
        if (c == ',') {
            fields_.emplace_back();
        } else {
            fields_.back().push_back(c);
        }
    }
    return true;
}

bool CCsvFile::GetField(int index, std::string& text) const
{
    if (index < 0 || index >= FieldCount()) return false;
    text = StripFieldQuotes(Cp932ToUtf8(fields_[static_cast<std::size_t>(index)]));
    return true;
}

}  // namespace krv
