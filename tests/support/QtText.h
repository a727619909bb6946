#pragma once

#include <QString>
#include <string>

namespace krv::test {

// A widget's text as UTF-8, for comparing with the texts the tests expect.
inline std::string S(const QString& text)
{
    return text.toStdString();
}

}  // namespace krv::test
