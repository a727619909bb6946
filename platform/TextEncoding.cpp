#include "platform/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace krv {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// One conversion descriptor per call: iconv_t carries state and must not be shared between
// threads, and opening one costs a few microseconds, which no caller notices.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    enum class Stop { Done, Invalid, Incomplete };

    // Converts from `in` on, appending to `out`, until the input is used up or a sequence cannot
    // be converted; `in` and `inLeft` then point at that sequence.
    Stop Run(const char*& in, std::size_t& inLeft, std::string& out)
    {
        char buffer[512];
        while (inLeft > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            in = inPtr;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (error == E2BIG) continue;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
            return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
        }
        return Stop::Done;
    }

  private:
    iconv_t cd_;
};

// Length of the well-formed UTF-8 sequence at the start of `text`, or 1 for a malformed one (so a
// caller that skips it moves on by at least one byte).
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    Converter converter("UTF-8", "CP932");
    if (!converter.Valid()) {
        // Without the converter only ASCII can be trusted.
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out += kReplacementCharacter;
            }
        }
        return out;
    }
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    while (converter.Run(in, inLeft, out) != Converter::Stop::Done) {
        // Skip one byte only: a trail byte of CP932 may be ASCII that decodes on its own.
        out += kReplacementCharacter;
        ++in;
        --inLeft;
    }
    return out;
}

bool Utf8ToCp932(std::string_view text, std::string& out)
{
    Converter converter("CP932", "UTF-8");
    if (!converter.Valid()) return false;
    std::string converted;
    converted.reserve(text.size());
    const char* in = text.data();
    std::size_t inLeft = text.size();
    if (converter.Run(in, inLeft, converted) != Converter::Stop::Done) return false;
    out = std::move(converted);
    return true;
}

std::string Utf8ToCp932Lossy(std::string_view text, bool* replaced)
{
    bool anyReplaced = false;
    std::string out;
    out.reserve(text.size());
    Converter converter("CP932", "UTF-8");
    const char* in = text.data();
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        if (converter.Valid()) {
            const Converter::Stop stop = converter.Run(in, inLeft, out);
            if (stop == Converter::Stop::Done) break;
            if (stop == Converter::Stop::Incomplete) {
                // The text ends inside a character: one replacement for all of it.
                out.push_back('?');
                anyReplaced = true;
                break;
            }
        } else if (static_cast<unsigned char>(*in) < 0x80) {
            // Without a converter only ASCII can be written as it is.
            out.push_back(*in);
            ++in;
            --inLeft;
            continue;
        }
        const std::size_t skip = Utf8SequenceLength(std::string_view(in, inLeft));
        out.push_back('?');
        anyReplaced = true;
        in += skip;
        inLeft -= skip;
    }
    if (replaced) *replaced = anyReplaced;
    return out;
}

int Cp932Length(std::string_view text)
{
    std::string out;
    if (!Utf8ToCp932(text, out)) return -1;
    return static_cast<int>(out.size());
}

std::string Utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const std::uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += kReplacementCharacter;
        } else {
            AppendUtf8(out, unit);
        }
    }
    if (bytes.size() % 2 != 0) out += kReplacementCharacter;
    return out;
}

}  // namespace krv
