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

void SetTranslateFunction(TranslateFunction translate)
{
    theTranslateFunction.store(translate, std::memory_order_release);
}

}  // namespace krv
