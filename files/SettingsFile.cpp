#include "files/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>

#include "flows/Connection.h"
#include "link/DeviceLink.h"
#include "platform/AtomicFile.h"
#include "platform/TextEncoding.h"
#include "platform/Translate.h"
#include "platform/UniqueFd.h"

namespace krv {

namespace {

constexpr const char* kWrongMarkerMessage =
    KRV_TRANSLATE_NOOP("SettingsFile", "ファイル形式が違います。");
constexpr const char* kWrongVersionMessage = KRV_TRANSLATE_NOOP(
    "SettingsFile", "ファイルバージョンが異なります、最新バージョンをインストールしてください。");
constexpr const char* kEndOfFileMessage =
    KRV_TRANSLATE_NOOP("SettingsFile", "%1 の末尾以降にアクセスしようとしました。");
constexpr const char* kCannotReadMessage = KRV_TRANSLATE_NOOP("SettingsFile", "%1 を開けません。");

// Settings files are about 46 KB; nothing a settings set holds comes near this. A larger file is
// read only this far, so opening the wrong file by mistake cannot exhaust the memory.
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

constexpr int kVersion100 = 100;
constexpr int kVersion110 = 110;
constexpr int kVersion120 = 120;
constexpr int kOldPointCount = 100;

std::string WithPath(const char* pattern, const std::string& path)
{
    return WithArg(TrMarked("SettingsFile", pattern), path);
}

// Thrown by the reader when the layout runs past the end of the data; caught in LoadSettings.
struct EndOfData {};

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Left() const { return bytes_.size() - pos_; }

    std::string_view Take(std::size_t count)
    {
        if (count > Left()) throw EndOfData{};
        const std::string_view part = bytes_.substr(pos_, count);
        pos_ += count;
        return part;
    }

    std::uint64_t Unsigned(std::size_t size)
    {
        const std::string_view part = Take(size);
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = value << 8 | static_cast<unsigned char>(part[i]);
        }
        return value;
    }

    std::uint8_t Byte() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::uint64_t U64() { return Unsigned(8); }
    bool Bool() { return Byte() != 0; }
    std::int32_t Int32() { return static_cast<std::int32_t>(U32()); }
    float Float32() { return std::bit_cast<float>(U32()); }
    double Float64() { return std::bit_cast<double>(U64()); }

    // A length-prefixed string, returned as code-page (CP932) bytes. Wide strings are converted.
    std::string String()
    {
        bool wide = false;
        std::uint64_t length = Byte();
        if (length == 0xFF) {
            length = U16();
            if (length == 0xFFFE) {
                // A UTF-16 string: a length prefix of the ordinary form follows, counting units.
                wide = true;
                length = Byte();
                if (length == 0xFF) length = LongLength(U16());
            } else {
                length = LongLength(length);
            }
        }
        // A length beyond what is left cannot be satisfied: no allocation for it.
        if (wide) {
            if (length > Left() / 2) throw EndOfData{};
            return Utf8ToCp932Lossy(Utf16LeToUtf8(Take(static_cast<std::size_t>(length) * 2)));
        }
        if (length > Left()) throw EndOfData{};
        return std::string(Take(static_cast<std::size_t>(length)));
    }

  private:
    // The rest of a prefix whose 16-bit part was `length16`.
    std::uint64_t LongLength(std::uint64_t length16)
    {
        if (length16 < 0xFFFF) return length16;
        const std::uint32_t length32 = U32();
        if (length32 < 0xFFFFFFFFu) return length32;
        return U64();
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

class ByteWriter {
  public:
    void Unsigned(std::uint64_t value, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            out_.push_back(static_cast<char>(value & 0xFF));
            value >>= 8;
        }
    }
    void Bool(bool value) { Unsigned(value ? 1 : 0, 1); }
    void Int32(std::int32_t value) { Unsigned(static_cast<std::uint32_t>(value), 4); }
    void Float32(float value) { Unsigned(std::bit_cast<std::uint32_t>(value), 4); }
    void Float64(double value) { Unsigned(std::bit_cast<std::uint64_t>(value), 8); }

    // `bytes` in the code page, behind the shortest length prefix that holds its length.
    void String(std::string_view bytes)
    {
        const std::uint64_t n = bytes.size();
        if (n < 0xFF) {
            Unsigned(n, 1);
        } else if (n < 0xFFFE) {
            Unsigned(0xFF, 1);
            Unsigned(n, 2);
        } else if (n < 0xFFFFFFFFu) {
            Unsigned(0xFF, 1);
            Unsigned(0xFFFF, 2);
            Unsigned(n, 4);
        } else {
            Unsigned(0xFF, 1);
            Unsigned(0xFFFF, 2);
            Unsigned(0xFFFFFFFFu, 4);
            Unsigned(n, 8);
        }
        out_.append(bytes);
    }

    std::string Take() { return std::move(out_); }

  private:
    std::string out_;
};

// The leading decimal number of a text: leading white space and a sign allowed, reading stops at
// the first non-digit, no digits give 0. Saturates instead of overflowing.
long long LeadingDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < LLONG_MAX / 100) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

// Old versions count intervals in tenths of a second.
std::int32_t TenthsToHundredths(std::int32_t tenths)
{
    const std::int64_t hundredths = std::int64_t{tenths} * 10;
    if (hundredths > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (hundredths < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(hundredths);
}

void ReadChannel(ByteReader& in, int version, GeneratorState& state, int ch)
{
    ChannelSettings& c = state.channels[ch];
    AutoOutputChannel& a = state.autoOutput[ch];

    // Scaling and range take effect at once (a unit is never connected here: the load lets it go).
    state.SetScalingMode(ch, in.Bool());
    c.range = in.Int32();
    // A code that is none of the ten ranges (only a damaged or hostile file holds one) would
    // index past the per-range tables and go to the unit as a range it does not have. It is read
    // as range 0, the repair the start-up applies to the last state.
    if (!IsValidRange(c.range)) c.range = 0;
    state.RangeToModeBits(ch);
    state.ApplyRangeDefaults(ch);
    state.SendAllCircuits();

    c.scaledMin = in.Float64();
    c.scaledMax = in.Float64();
    c.scaledDigits = in.Int32();
    if (version >= kVersion110) {
        c.scaledUnit = Cp932ToUtf8(in.String());
    } else {
        c.scaledUnit.clear();
    }
    for (auto& row : c.presets) {
        for (double& preset : row) preset = in.Float64();
    }
    a.standaloneMode = version == kVersion120 ? in.Int32() : 0;

    for (RampSettings& r : a.ramps) {
        r.waveform = in.Int32();
        r.repeat = in.Int32();
        if (version == kVersion120) {
            r.start = in.Float32();
            r.end = in.Float32();
            r.step = in.Float32();
            r.interval = in.Int32();
        } else {
            r.start = NarrowToFloat(in.Float64());
            r.end = NarrowToFloat(in.Float64());
            r.step = NarrowToFloat(in.Float64());
            r.interval = TenthsToHundredths(in.Int32());
        }
        r.reserved = version >= kVersion110 ? in.Bool() : false;
    }

    // Version 100 has 100 points; the rest of the list keeps what it held.
    const int points = version == kVersion100 ? kOldPointCount : kArbitraryPointCount;
    for (int i = 0; i < points; ++i) {
        ArbitraryPoint& p = a.points[i];
        p.used = in.Bool();
        if (version == kVersion120) {
            p.value = in.Float32();
            p.interval = in.Int32();
        } else {
            p.value = NarrowToFloat(in.Float64());
            p.interval = TenthsToHundredths(in.Int32());
        }
        p.pause = version >= kVersion110 ? in.Bool() : false;
    }
}

void ShowWarning(UserInterface& ui, const std::string& text)
{
    ui.ShowMessage(text, kApplicationTitle, MessageIcon::Warning, MessageButtons::Ok);
}

}  // namespace

std::string SaveSettings(const GeneratorState& state, const AppValues& app, bool* textsReplaced)
{
    bool replaced = false;
    auto encode = [&replaced](const std::string& text) {
        bool lossy = false;
        std::string bytes = Utf8ToCp932Lossy(text, &lossy);
        replaced = replaced || lossy;
        return bytes;
    };

    ByteWriter out;
    out.String(kSettingsStartMarker);
    out.String(kSettingsVersionText);
    out.Int32(state.circuitCount);
    out.String(encode(app.lastPortName));
    out.Bool(app.linkedAutoOutput);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ChannelSettings& c = state.channels[ch];
        const AutoOutputChannel& a = state.autoOutput[ch];
        out.Bool(c.scalingOn);
        out.Int32(c.range);
        out.Float64(c.scaledMin);
        out.Float64(c.scaledMax);
        out.Int32(c.scaledDigits);
        out.String(encode(c.scaledUnit));
        for (const auto& row : c.presets) {
            for (double preset : row) out.Float64(preset);
        }
        out.Int32(a.standaloneMode);
        for (const RampSettings& r : a.ramps) {
            out.Int32(r.waveform);
            out.Int32(r.repeat);
            out.Float32(r.start);
            out.Float32(r.end);
            out.Float32(r.step);
            out.Int32(r.interval);
            out.Bool(r.reserved);
        }
        for (const ArbitraryPoint& p : a.points) {
            out.Bool(p.used);
            out.Float32(p.value);
            out.Int32(p.interval);
            out.Bool(p.pause);
        }
    }
    out.String(kSettingsEndMarker);
    if (textsReplaced) *textsReplaced = replaced;
    return out.Take();
}

LoadOutcome LoadSettings(GeneratorState& state, AppValues& app, std::string_view bytes,
                         const std::string& path, UserInterface& ui, DeviceLink* unit)
{
    ByteReader in(bytes);
    try {
        if (in.String() != kSettingsStartMarker) {
            ShowWarning(ui, TrMarked("SettingsFile", kWrongMarkerMessage));
            return LoadOutcome::WrongMarker;
        }
        const long long version = LeadingDecimal(in.String());
        if (version != kVersion100 && version != kVersion110 && version != kVersion120) {
            ShowWarning(ui, TrMarked("SettingsFile", kWrongVersionMessage));
            return LoadOutcome::WrongVersion;
        }
        const int v = static_cast<int>(version);

        // The file is taken from here on. A connected unit is let go first, its outputs switched
        // off: sending it the file's ranges while an output is on would put a value of another
        // range into the plant for as long as the load takes.
        if (unit != nullptr && unit->IsOpen()) DisconnectFromUnit(*unit, state);
        state.circuitCount = in.Int32();
        app.mainWindowWidth = state.circuitCount == 1 ? kOneCircuitWidth : kTwoCircuitWidth;
        app.lastPortName = Cp932ToUtf8(in.String());
        if (v >= kVersion110) app.linkedAutoOutput = in.Bool();
        for (int ch = 0; ch < kChannelCount; ++ch) ReadChannel(in, v, state, ch);
        // Whatever follows the last point (the end marker) is not needed.
        return LoadOutcome::Loaded;
    } catch (const EndOfData&) {
        ShowWarning(ui, WithPath(kEndOfFileMessage, path));
        return LoadOutcome::Truncated;
    }
}

LoadOutcome LoadSettingsFile(GeneratorState& state, AppValues& app,
                             const std::filesystem::path& path, UserInterface& ui, DeviceLink* unit)
{
    auto cannotRead = [&](int error) {
        std::string text = WithPath(kCannotReadMessage, path.string());
        if (error != 0) text += std::string("\n") + std::strerror(error);
        ShowWarning(ui, text);
        return LoadOutcome::ReadError;
    };

    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return cannotRead(errno);
    UniqueFd file(fd);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) return cannotRead(errno);
    // Only a regular file: a FIFO or device could block or never end.
    if (!S_ISREG(info.st_mode)) return cannotRead(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);

    std::string bytes;
    const auto size = static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0);
    bytes.resize(std::min(size, kMaxFileBytes));
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t n = ::read(file.Get(), bytes.data() + have, bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            return cannotRead(errno);
        }
        if (n == 0) break;  // the file shrank meanwhile
        have += static_cast<std::size_t>(n);
    }
    bytes.resize(have);
    return LoadSettings(state, app, bytes, path.string(), ui, unit);
}

bool SaveSettingsFile(const GeneratorState& state, const AppValues& app,
                      const std::filesystem::path& path, std::string* error, bool* textsReplaced)
{
    return WriteFileAtomically(path, SaveSettings(state, app, textsReplaced), error);
}

}  // namespace krv
