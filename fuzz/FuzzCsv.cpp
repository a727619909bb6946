// Feeds arbitrary bytes to the CSV reader, once from memory and once through a file descriptor,
// and checks that both readings agree and stay within their bounds.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "input/AutoOutputChecks.h"
#include "platform/CCsvFile.h"

namespace {

using krv::fuzz::Require;

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        } else if (lead >= 0x80) {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

struct Reading {
    std::vector<std::vector<std::string>> records;
    krv::CCsvFile::Stop stop = krv::CCsvFile::Stop::None;

    bool operator==(const Reading&) const = default;
};

// Every record up to the first stop, then one more call after it.
Reading ReadAll(krv::CCsvFile& file)
{
    Reading reading;
    while (reading.records.size() < 2000 && file.ReadRecord()) {
        Require(file.FieldCount() >= 1, "a record has a field");
        Require(static_cast<std::size_t>(file.FieldCount()) <= krv::CCsvFile::kMaxLineBytes + 1,
                "fields bounded by the line length");
        std::vector<std::string> fields;
        std::string field;
        for (int i = 0; file.GetField(i, field); ++i) {
            Require(IsValidUtf8(field), "fields are UTF-8");
            Require(field.size() <= 3 * krv::CCsvFile::kMaxLineBytes, "field size bounded");
            fields.push_back(field);
        }
        Require(static_cast<int>(fields.size()) == file.FieldCount(), "every field is handed out");
        Require(!file.GetField(-1, field), "no field before the first");
        reading.records.push_back(std::move(fields));
    }
    reading.stop = file.StopReason();
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    krv::CCsvFile memory;
    memory.OpenBytes(bytes);
    const Reading fromMemory = ReadAll(memory);

    // The same bytes as a regular file: a memory file, reached by its path like any other.
    const int fd = ::memfd_create("fuzz.csv", MFD_CLOEXEC);
    Require(fd >= 0, "memfd_create");
    Require(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
    krv::CCsvFile file;
    Require(file.Open("/proc/self/fd/" + std::to_string(fd)), "open a regular file");
    const Reading fromFile = ReadAll(file);
    Require(fromFile == fromMemory, "file and memory readings agree");
    file.Close();
    Require(!file.ReadRecord(), "nothing after close");
    ::close(fd);

    krv::CCsvFile again;
    again.OpenBytes(bytes);
    const krv::CsvPointImport imported = krv::ReadCsvPoints(again);
    Require(imported.rows.size() <= krv::kArbitraryPointCount, "at most the list's rows");
    for (const krv::PointRowTexts& row : imported.rows) {
        Require(IsValidUtf8(row.value) && IsValidUtf8(row.interval) && IsValidUtf8(row.pause),
                "cells are UTF-8");
    }
    krv::CsvStopMessage(imported.stop);
    return 0;
}
