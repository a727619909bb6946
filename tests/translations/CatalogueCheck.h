#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

namespace krv::test {

// The problems of a Qt Linguist catalogue (.ts) for the program's use, one line each: a message
// in use without a translation, one marked unfinished, a translation that drops or adds a
// placeholder of its source (%1 to %9, %n, printf's %d, %s and the like, in order) or changes
// its number of line breaks. Messages lupdate marked vanished or obsolete are not in use and
// are left out; so is the XML's own well-formedness, which is reported as one problem.
std::vector<std::string> CatalogueProblems(const QByteArray& ts);

}  // namespace krv::test
