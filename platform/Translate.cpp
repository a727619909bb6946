#include "platform/Translate.h"

#include <atomic>

namespace krv {

namespace {

// Worker threads word messages too, so the function is read atomically.
std::atomic<TranslateFunction> theTranslateFunction{nullptr};

}  // namespace

std::string Tr(const char* context, const char* source)
{
    const TranslateFunction translate = theTranslateFunction.load(std::memory_order_acquire);
    if (!translate) return source;
    return translate(context, source);
}

std::string TrMarked(const char* context, const char* source)
{
    return Tr(context, source);
}

std::string WithArg(std::string text, const std::string& value)
{
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

std::string WithArgs(const std::string& text, std::initializer_list<std::string> values)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
        const std::size_t n = digit ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && n < values.size()) {
            out += values.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void SetTranslateFunction(TranslateFunction translate)
{
    theTranslateFunction.store(translate, std::memory_order_release);
}

}  // namespace krv
