// Feeds arbitrary bytes from "the unit" through the receive ring and the line assembly, in chunks
// and with line errors where the input says so, and hands every complete line to the status
// decoder, the calibration and memory read decoders, and to the panel's handling of unsolicited
// lines.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "flows/StatusPolling.h"
#include "fuzz/FuzzSupport.h"
#include "link/DeviceLink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "protocol/Calibration.h"
#include "protocol/StandaloneMemory.h"
#include "protocol/StatusReply.h"

namespace {

using krv::fuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static krv::SilentUserInterface ui;
    krv::DeviceLink link(ui);
    krv::AppValues app;
    krv::GeneratorState state(app);  // never connected: a resend request sends nothing
    state.circuitCount = 4;
    // The first byte of each chunk gives its length (1 to 64); 0xFF reports a framing error.
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        if (control == 0xFF) {
            link.CommPort().DeliverLineErrors(krv::kFramingError);
        } else {
            const std::size_t length = std::min<std::size_t>(1 + control % 64, size - at);
            link.CommPort().DeliverReceived(data + at, length);
            at += length;
        }
        for (;;) {
            const krv::ReadLineResult result = link.ReadLine(krv::LinkKind::Com);
            Require(result >= krv::kNoLine && result <= krv::kLineComplete, "ReadLine result");
            Require(link.ReplyFill() >= 0 && link.ReplyFill() < krv::DeviceLink::kReplyLineSize,
                    "fill position");
            if (result != krv::kLineComplete) break;
            const std::string_view line = link.ReplyLine();
            Require(line.size() >= 3 && line.size() <= krv::DeviceLink::kReplyLineSize,
                    "line length");
            Require(line.substr(line.size() - 2) == "\r\n", "line end");
            if (const auto report = krv::DecodeStatusReply(line)) {
                Require(report->channel >= 0 && report->channel < 4, "status channel");
                Require(line.size() == krv::kStatusReplyLength, "status length");
            }
            state.ParseStatusReply(line);
            if (const auto reply = krv::DecodeCalibrationReply(line)) {
                Require(reply->channel >= 0 && reply->channel < 4, "calibration channel");
                Require(line.size() == krv::kCalibrationReplyLength, "calibration length");
                static krv::MakerCalibrationTable maker;
                static krv::UserCalibrationTable user;
                krv::CalibrationTables tables;
                tables.fill({&maker, &user});
                krv::StoreCalibrationReply(*reply, tables);
            }
            if (krv::DecodeMemoryReadReply(line)) {
                Require(line.size() == krv::kMemoryReadReplyLength, "memory read length");
            }
        }
        krv::CheckUnsolicitedLine(link, state);
    }
    return 0;
}
