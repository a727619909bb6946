#include "protocol/Calibration.h"

#include "link/DeviceLink.h"
#include "protocol/CommandFrame.h"
#include "protocol/Exchange.h"
#include "protocol/HexText.h"

namespace krv {

namespace {

bool IsChannel(int ch)
{
    return ch >= 0 && ch < kCalibrationChannels;
}

const char* TableLetter(int table)
{
    switch (table) {
        case kMakerTable:
            return "M";
        case kUserTable:
            return "U";
        default:
            return "";
    }
}

// Channel digit and range code: "%X%02X".
CommandFrame& ChannelAndRange(CommandFrame& frame, int ch, OutputRange range)
{
    return frame.Hex1(static_cast<unsigned>(ch + 1) & 0xF)
        .Hex2(static_cast<unsigned>(range) & 0xFF);
}

// Commands answered by OK alone; every other line is passed over until the time-out.
ExchangeSettings AcknowledgedSettings(LinkKind kind, bool waitCursor)
{
    ExchangeSettings settings;
    settings.link = kind;
    settings.timeout = kShortTimeout;
    settings.waitCursor = waitCursor;
    return settings;
}

bool ExchangeForOk(DeviceLink& link, const ExchangeSettings& settings, const std::string& frame)
{
    return RunExchange(link, settings, frame, [](std::string_view line) {
               return line.substr(0, 2) == "OK" ? LineVerdict::Match : LineVerdict::Ignore;
           }) == ExchangeResult::Success;
}

// Whether a calibration reply answers the read of `table`, channel `ch` and `range`: the same
// table letter, channel and range code.
bool AnswersRead(std::string_view line, const CalibrationReply& reply, int ch, int table,
                 OutputRange range)
{
    const std::string_view letter = TableLetter(table);
    return !letter.empty() && line[3] == letter[0] && reply.channel == ch &&
           reply.range == static_cast<unsigned>(range);
}

}  // namespace

std::string InitUserCalibrationFrame()
{
    return CommandFrame::Framed("CINIU").WithEtx();
}

std::string ReadCalibrationFrame(int ch, int table, OutputRange range)
{
    CommandFrame frame = CommandFrame::Framed("CR");
    frame.Text(TableLetter(table));
    return ChannelAndRange(frame, ch, range).WithEtxAndChecksum();
}

std::string CalibrationTrialFrame(int trial, int ch, OutputRange range, std::uint16_t zero,
                                  std::uint16_t gain)
{
    CommandFrame frame = CommandFrame::Framed("CTU");
    ChannelAndRange(frame, ch, range);
    switch (trial) {
        case kTrialNormal:
            frame.Hex4(0x0000).Hex4(0x0000);
            break;
        case kTrialMinimum:
            frame.Hex4(0x0000).Hex4(0x0002);
            break;
        case kTrialMaximum:
            frame.Hex4(0xFFFF).Hex4(0x0002);
            break;
        default:
            break;  // no pair
    }
    return frame.Hex4(zero).Hex4(gain).WithEtxAndChecksum();
}

std::string WriteCalibrationFrame(int ch, OutputRange range, int table,
                                  const MakerCalibrationEntry& maker,
                                  const UserCalibrationEntry& user)
{
    CommandFrame frame = CommandFrame::Framed("CM");
    if (table == kMakerTable || table == kUserTable) {
        frame.Text(TableLetter(table));
        ChannelAndRange(frame, ch, range);
        const bool isMaker = table == kMakerTable;
        frame.Hex4(user.mode);
        frame.Hex4(isMaker ? maker.zero : user.zero);
        frame.Hex4(isMaker ? maker.gain : user.gain);
    }
    return frame.WithEtxAndChecksum();
}

std::string SaveCalibrationFrame(int table)
{
    return CommandFrame::Framed("CW").Text(TableLetter(table)).WithEtxAndChecksum();
}

std::optional<CalibrationReply> DecodeCalibrationReply(std::string_view reply)
{
    unsigned sum = 0;
    std::size_t etx = 1;
    for (; etx < reply.size() && reply[etx] != kEtx; ++etx) {
        sum += static_cast<unsigned char>(reply[etx]);
    }
    if (etx >= reply.size() || reply.size() != kCalibrationReplyLength) return std::nullopt;
    sum += static_cast<unsigned char>(kEtx);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (etx + 2 >= reply.size() || reply[etx + 1] != kDigits[(sum >> 4) & 0xF] ||
        reply[etx + 2] != kDigits[sum & 0xF]) {
        return std::nullopt;
    }
    if (reply[4] < '1' || reply[4] > '4') return std::nullopt;

    CalibrationReply decoded;
    decoded.maker = reply[3] == 'M';
    decoded.channel = reply[4] - '1';
    decoded.range = static_cast<unsigned>(HexFieldSkipping(reply, 5, 2));
    decoded.mode = static_cast<std::uint16_t>(HexFieldSkipping(reply, 7, 4));
    decoded.zero = static_cast<std::uint16_t>(HexFieldSkipping(reply, 11, 4));
    decoded.gain = static_cast<std::uint16_t>(HexFieldSkipping(reply, 15, 4));
    return decoded;
}

void StoreCalibrationReply(const CalibrationReply& reply, const CalibrationTables& tables)
{
    if (reply.range >= static_cast<unsigned>(kRangeTableSize) || !IsChannel(reply.channel)) return;
    const ChannelCalibrationTables& target = tables[static_cast<std::size_t>(reply.channel)];
    if (target.user != nullptr) (*target.user)[reply.range].mode = reply.mode;
    if (reply.maker) {
        if (target.maker != nullptr) {
            (*target.maker)[reply.range].zero = reply.zero;
            (*target.maker)[reply.range].gain = reply.gain;
        }
    } else if (target.user != nullptr) {
        (*target.user)[reply.range].zero = reply.zero;
        (*target.user)[reply.range].gain = reply.gain;
    }
}

bool InitUserCalibration(DeviceLink& link)
{
    return ExchangeForOk(link, AcknowledgedSettings(LinkKind::Com, false),
                         InitUserCalibrationFrame());
}

bool ReadCalibration(DeviceLink& link, LinkKind kind, int ch, int table, OutputRange range,
                     const CalibrationTables& tables)
{
    if (!IsChannel(ch)) return false;
    ExchangeSettings settings = AcknowledgedSettings(kind, true);
    settings.pauseBeforeSend = kCalibrationReadPause;
    std::optional<CalibrationReply> accepted;
    const ExchangeResult result = RunExchange(
        link, settings, ReadCalibrationFrame(ch, table, range), [&](std::string_view line) {
            if (line.size() < 3 || line[0] != kStx || line.substr(1, 2) != "CR") {
                return LineVerdict::Ignore;
            }
            const std::optional<CalibrationReply> decoded = DecodeCalibrationReply(line);
            if (!decoded) return LineVerdict::WrongLine;
            // A reply that arrives after its time-out, or the answer to its resend, belongs to
            // an earlier read: taking it would leave the entry asked for unread.
            if (!AnswersRead(line, *decoded, ch, table, range)) return LineVerdict::Ignore;
            accepted = decoded;
            return LineVerdict::Match;
        });
    if (result != ExchangeResult::Success || !accepted) return false;
    StoreCalibrationReply(*accepted, tables);
    return true;
}

bool SetCalibrationTrial(DeviceLink& link, int trial, int ch, OutputRange range, std::uint16_t zero,
                         std::uint16_t gain)
{
    if (!IsChannel(ch)) return false;
    return ExchangeForOk(link, AcknowledgedSettings(LinkKind::Com, false),
                         CalibrationTrialFrame(trial, ch, range, zero, gain));
}

bool WriteCalibration(DeviceLink& link, LinkKind kind, int ch, OutputRange range, int table,
                      const CalibrationTables& tables)
{
    if (!IsChannel(ch)) return false;
    const ChannelCalibrationTables& source = tables[static_cast<std::size_t>(ch)];
    const auto index = static_cast<std::size_t>(range);
    const bool inTable = range >= 0 && range < kRangeTableSize;
    const MakerCalibrationEntry maker =
        inTable && source.maker != nullptr ? (*source.maker)[index] : MakerCalibrationEntry{};
    const UserCalibrationEntry user =
        inTable && source.user != nullptr ? (*source.user)[index] : UserCalibrationEntry{};
    return ExchangeForOk(link, AcknowledgedSettings(kind, true),
                         WriteCalibrationFrame(ch, range, table, maker, user));
}

bool SaveCalibration(DeviceLink& link, LinkKind kind, int table)
{
    return ExchangeForOk(link, AcknowledgedSettings(kind, true), SaveCalibrationFrame(table));
}

}  // namespace krv
