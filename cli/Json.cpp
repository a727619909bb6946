#include "cli/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/CliArgs.h"

namespace krv::cli {

namespace {

template <typename T>
std::string ShortestNumber(T value, int minDigits, int maxDigits)
{
    char buffer[64];
    // Whole numbers as plain digits (100, not 1e+02), as long as they are exact.
    if (std::trunc(value) == value && std::fabs(value) < static_cast<T>(1e15)) {
        std::snprintf(buffer, sizeof buffer, "%.0f", static_cast<double>(value));
        return buffer;
    }
    for (int digits = minDigits; digits <= maxDigits; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
        if (static_cast<T>(std::strtod(buffer, nullptr)) == value) break;
    }
    return buffer;
}

}  // namespace

void JsonWriter::BeforeValue()
{
    if (needComma_) text_ += ',';
    needComma_ = true;
}

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    text_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    text_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    text_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    text_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key)
{
    BeforeValue();
    text_ += JsonString(key);
    text_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value)
{
    BeforeValue();
    text_ += JsonString(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Int(long long value)
{
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::Double(double value)
{
    BeforeValue();
    text_ += std::isfinite(value) ? ShortestNumber(value, 1, 17) : "null";
    return *this;
}

JsonWriter& JsonWriter::Float(float value)
{
    BeforeValue();
    text_ += std::isfinite(value) ? ShortestNumber(value, 1, 9) : "null";
    return *this;
}

}  // namespace krv::cli
