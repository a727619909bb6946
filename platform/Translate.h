#pragma once

#include <initializer_list>
#include <string>

namespace krv {

// Translates one text of the program: `source` is the Japanese text as the code writes it, in
// `context` (a class or file name that keeps equal Japanese texts apart). Returns the text in the
// language the program runs in; with no translator installed, the Japanese source itself.
//
// Calls are found in the code by Qt's lupdate (it reads Tr as its translate()), so both
// arguments must be string literals.
std::string Tr(const char* context, const char* source);

// Marks a text for translation where it is defined (a table, a constant) without translating
// it; where it is shown, TrMarked translates it. lupdate reads this as QT_TRANSLATE_NOOP.
#define KRV_TRANSLATE_NOOP(context, source) source
std::string TrMarked(const char* context, const char* source);

// `text` with its "%1" replaced by `value`, for translated texts that name something.
std::string WithArg(std::string text, const std::string& value);

// `text` with its %1, %2, ... %9 replaced by `values` in order, in one pass (a value that holds
// "%2" stays as it is): the placeholders of a translated message, whose order may differ.
std::string WithArgs(const std::string& text, std::initializer_list<std::string> values);

// What Tr asks. It is given the context and the source text and returns the translation, or
// nothing (a null function) to keep the source.
using TranslateFunction = std::string (*)(const char* context, const char* source);

// Installs the translator Tr asks from here on (null: the Japanese source). Meant to be called
// once at start, before threads that show texts run; safe to call at any time all the same.
void SetTranslateFunction(TranslateFunction translate);

}  // namespace krv
