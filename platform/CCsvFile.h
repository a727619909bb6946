#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

namespace krv {

// Reads a comma-separated text file one line at a time and hands out the fields of the line read
// last. The files come from other programs (spreadsheets, the Windows version of the panel) and
// are written in the Windows Japanese code page; fields are handed out as UTF-8.
//
// The format is the simple one those files use: a comma always starts a new field, a field that
// begins or ends with a double quote loses its first and last character, and that is all; there
// are no escapes and no header line. A line feed ends a line, with or without a carriage return
// before it, and Ctrl-Z ends the file as it does for Windows text files.
//
// Any file may be handed in, so nothing here trusts it: a line longer than kMaxLineBytes stops the
// reading instead of growing without bound, and only regular files are opened (a pipe or a device
// could block or never end).
class CCsvFile {
  public:
    // Far more than any line of numbers needs, small enough that a caller keeping a thousand lines'
    // fields stays within a few megabytes.
    static constexpr std::size_t kMaxLineBytes = 4096;

    // Why the last ReadRecord returned false.
    enum class Stop {
        None,         // it did not: a record was read
        NotOpen,      // no file is open
        EndOfFile,    // no line was left
        EmptyLine,    // the line read was empty; the next call reads on after it
        LineTooLong,  // a line exceeded kMaxLineBytes; the file is not read any further
        ReadError,    // the system reported an error; the file is not read any further
    };

    CCsvFile();
    CCsvFile(const CCsvFile&) = delete;
    CCsvFile& operator=(const CCsvFile&) = delete;

    // Opens a regular file for reading. False when it cannot be opened or is no regular file.
    bool Open(const std::string& path);
    // Reads from a copy of `bytes` instead of a file (tests and fuzzing).
    void OpenBytes(std::string_view bytes);
    void Close();
    bool IsOpen() const { return open_; }

    // Reads the next line and splits it at every comma. False at the end of the file, at an empty
    // line and on the failures of Stop; the field list is empty then.
    bool ReadRecord();
    // Field `index` (from 0) of the line read last, with enclosing quotes stripped. False when
    // there is no such field.
    bool GetField(int index, std::string& text) const;
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    Stop StopReason() const { return stop_; }

  private:
    // The next byte of the input; false at its end or on an error (stop_ tells which).
    bool NextByte(char& byte);
    bool Refill();

    UniqueFd fd_;
    bool open_ = false;
    bool fromMemory_ = false;
    bool inputEnded_ = false;
    std::string memory_;
    std::vector<char> buffer_;
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
    Stop stop_ = Stop::NotOpen;
    std::string line_;
    std::vector<std::string> fields_;  // as read, in the file's code page
};

// `text` without an enclosing pair of double quotes: when its first or else its last character is
// a double quote, the first and the last character are removed, whatever they are (a single quote
// character leaves nothing). UTF-8 in, UTF-8 out; characters are removed whole.
std::string StripFieldQuotes(std::string_view text);

}  // namespace krv
