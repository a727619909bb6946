#pragma once

#include <cstdint>
#include <string>

namespace krv::cli {

// A small JSON text builder: the caller writes keys and values in order; commas are placed here.
class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& value);
    JsonWriter& Bool(bool value);
    JsonWriter& Int(long long value);
    JsonWriter& Null();
    // Shortest text that reads back as the same number; null for NaN and infinities.
    JsonWriter& Double(double value);
    JsonWriter& Float(float value);

    const std::string& Text() const { return text_; }

  private:
    void BeforeValue();

    std::string text_;
    bool needComma_ = false;
};

}  // namespace krv::cli
