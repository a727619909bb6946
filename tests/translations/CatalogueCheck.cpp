#include "CatalogueCheck.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>

namespace krv::test {

namespace {

struct Message {
    QString context;
    QString source;
    QStringList translations;  // one, or one per plural form
    QString type;              // "", "unfinished", "vanished", "obsolete"
};

// Qt's %1..%9 and %n (any order), then printf's conversions (in order).
QStringList Placeholders(const QString& text)
{
    static const QRegularExpression qt(QStringLiteral("%(?:[1-9]|n)"));
    static const QRegularExpression printf(
        QStringLiteral("%[-+ #0]*(?:\\d+|\\*)?(?:\\.(?:\\d+|\\*))?(?:l|ll|z|h)?[diouxXeEfgGcs]"));
    QString plain = text;
    plain.replace(QStringLiteral("%%"), QString());
    QStringList qtMarks;
    for (const auto& m : qt.globalMatch(plain)) qtMarks.append(m.captured());
    qtMarks.sort();
    QStringList printfMarks;
    for (const auto& m : printf.globalMatch(plain)) printfMarks.append(m.captured());
    return qtMarks + QStringList{QStringLiteral("|")} + printfMarks;
}

std::string Describe(const Message& m)
{
    return m.context.toStdString() + " \"" + m.source.left(40).toStdString() + "\"";
}

void Check(const Message& m, std::vector<std::string>& problems)
{
    if (m.type == QLatin1String("vanished") || m.type == QLatin1String("obsolete")) return;
    if (m.type == QLatin1String("unfinished")) {
        problems.push_back("unfinished: " + Describe(m));
        return;
    }
    if (m.translations.isEmpty()) {
        problems.push_back("no translation: " + Describe(m));
        return;
    }
    for (const QString& t : m.translations) {
        if (t.isEmpty()) {
            problems.push_back("empty translation: " + Describe(m));
            continue;
        }
        if (Placeholders(t) != Placeholders(m.source)) {
            problems.push_back("placeholders differ: " + Describe(m) + " -> \"" + t.toStdString() +
                               "\"");
        }
        if (t.count(QLatin1Char('\n')) != m.source.count(QLatin1Char('\n'))) {
            problems.push_back("line breaks differ: " + Describe(m));
        }
    }
}

}  // namespace

std::vector<std::string> CatalogueProblems(const QByteArray& ts)
{
    std::vector<std::string> problems;
    QXmlStreamReader xml(ts);
    QString context;
    int messages = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            ++messages;
            Message m;
            m.context = context;
            bool hasTranslation = false;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    hasTranslation = true;
                    m.type = xml.attributes().value(QStringLiteral("type")).toString();
                    // Plural forms come as <numerusform> children; else the text is the element's.
                    QString text;
                    bool numerus = false;
                    while (!xml.atEnd()) {
                        xml.readNext();
                        if (xml.isCharacters()) text += xml.text();
                        if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
                            numerus = true;
                            m.translations.append(xml.readElementText());
                        }
                        if (xml.isEndElement() && xml.name() == QLatin1String("translation")) break;
                    }
                    if (!numerus) m.translations.append(text);
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (!hasTranslation) m.translations.clear();
            Check(m, problems);
        }
    }
    if (xml.hasError())
        problems.push_back("not a well-formed catalogue: " + xml.errorString().toStdString());
    if (messages == 0) problems.push_back("no messages");
    return problems;
}

}  // namespace krv::test
