// Feeds arbitrary bytes to the firmware image file reader (from memory and through a file) and,
// as S-record text, to the packer, whose file must read back as the records it was made from.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "fuzz/FuzzSupport.h"

namespace {

using krv::fuzz::Require;

bool IsUpperHex(const std::string& text)
{
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

void CheckReading(std::string_view bytes)
{
    krv::FirmwareHeader header;
    krv::FirmwareImage image;
    krv::FirmwareRecordCounts counts;
    const krv::FirmwareReadResult result = krv::ReadFirmwareBytes(bytes, header, image, counts);
    Require(image.Bytes().size() == krv::FirmwareImage::kSize, "the image keeps its size");
    if (bytes.empty()) Require(result == krv::FirmwareReadResult::Empty, "empty is empty");
    if (bytes.size() >= 4) {
        Require(result == krv::FirmwareReadResult::Read, "four bytes are a header");
        Require(header.version.size() == 6 && IsUpperHex(header.version), "six hex digits");
    }
    std::size_t typed = 0;
    for (const auto& [type, n] : counts.byType) typed += n;
    Require(typed + counts.truncated == counts.records, "every record is counted once");
    Require(counts.truncated <= 1, "only the last record can be cut off");
    Require(counts.badChecksum + counts.malformed <= typed, "refusals are records");
    Require(counts.lowest.has_value() == counts.highest.has_value(), "span has both ends");

    // The check reads as the reader does, and says why whenever it refuses.
    krv::FirmwareImage checkedImage;
    krv::FirmwareRecordCounts checkedCounts;
    const krv::FirmwareFileCheck check =
        krv::CheckFirmwareBytes(bytes, &checkedImage, &checkedCounts);
    Require(check.Usable() == check.Reason().empty(), "a refusal has a reason");
    if (result == krv::FirmwareReadResult::Read) {
        Require(checkedCounts == counts && checkedImage.Bytes() == image.Bytes(),
                "the check builds the image the reader does");
        if (check.Usable()) {
            Require(counts.badChecksum == 0 && counts.malformed == 0 && counts.truncated == 0 &&
                        counts.bytesOutside == 0,
                    "a usable file has no refused record");
        }
    } else {
        Require(!check.Usable(), "a file without its header is refused");
    }

    // The same bytes as a regular file.
    const int fd = ::memfd_create("fuzz.cya", MFD_CLOEXEC);
    Require(fd >= 0, "memfd_create");
    Require(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
    krv::FirmwareHeader fileHeader;
    krv::FirmwareImage fileImage;
    krv::FirmwareRecordCounts fileCounts;
    const auto fileResult = krv::ReadFirmwareFile("/proc/self/fd/" + std::to_string(fd), fileHeader,
                                                  fileImage, fileCounts);
    ::close(fd);
    Require(fileResult == result, "file and memory agree on the result");
    Require(fileCounts == counts, "file and memory agree on the records");
    Require(fileImage.Bytes() == image.Bytes(), "file and memory agree on the image");
}

void CheckPacking(std::string_view text)
{
    std::vector<krv::SRecord> records;
    std::string error;
    if (!krv::ParseSRecords(text, records, error)) {
        Require(error.rfind("line ", 0) == 0, "errors name their line");
        return;
    }
    krv::FirmwareImage expected;
    std::size_t dataRecords = 0;
    for (const krv::SRecord& r : records) {
        if (r.type != '1' && r.type != '2' && r.type != '3') continue;
        ++dataRecords;
        for (std::size_t d = 0; d < r.data.size(); ++d) {
            if (const auto index =
                    krv::FirmwareImage::IndexOf(r.address + static_cast<std::uint32_t>(d))) {
                expected[*index] = r.data[d];
            }
        }
    }
    krv::PackSummary summary;
    const std::string file = krv::PackFirmware(records, {0x02, 0x01, 0x00}, &summary);
    Require(summary.recordsIn == records.size(), "every record is taken");
    Require(summary.recordsOut >= dataRecords, "no data record is lost");
    krv::FirmwareHeader header;
    krv::FirmwareImage image;
    krv::FirmwareRecordCounts counts;
    Require(krv::ReadFirmwareBytes(file, header, image, counts) == krv::FirmwareReadResult::Read,
            "a packed file reads");
    Require(header.version == "020100", "the version survives");
    Require(counts.records == summary.recordsOut, "every packed record is read");
    Require(counts.badChecksum + counts.malformed + counts.truncated == 0,
            "packed records are sound");
    Require(image.Bytes() == expected.Bytes(), "the packed file gives the records' image");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckReading(bytes);
    CheckPacking(bytes);
    return 0;
}
