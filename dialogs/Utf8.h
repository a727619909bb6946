#pragma once

#include <QString>
#include <string>

namespace krv {

// UTF-8 text (the core's strings) for a widget.
inline QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}
inline QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

}  // namespace krv
