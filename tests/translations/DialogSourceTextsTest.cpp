// Every Japanese text written in the dialogs' code and their checks reaches the catalogue: a text
// shown without tr() (or a marker lupdate does not read as one) would stay Japanese in English.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace krv::test {
namespace {

// The string literals of C++ source, adjacent ones joined, comments and character literals
// skipped; escapes \n, \t, \", \' and \\ read as the characters they stand for.
std::vector<std::string> StringLiterals(const std::string& code)
{
    std::vector<std::string> literals;
    bool joinNext = false;  // only white space since the last literal ended
    for (std::size_t i = 0; i < code.size();) {
        const char c = code[i];
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            if (i == std::string::npos) break;
            joinNext = false;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i + 2);
            if (i == std::string::npos) break;
            i += 2;
            joinNext = false;
        } else if (c == '"' || c == '\'') {
            std::string text;
            for (++i; i < code.size() && code[i] != c; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    const char e = code[++i];
                    text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    text += code[i];
                }
            }
            ++i;
            if (c == '\'') {
                joinNext = false;
            } else if (joinNext && !literals.empty()) {
                literals.back() += text;
            } else {
                literals.push_back(text);
                joinNext = true;
            }
        } else {
            if (!std::isspace(static_cast<unsigned char>(c))) joinNext = false;
            ++i;
        }
    }
    return literals;
}

// Whether a text has kana or kanji (units, arrows and full-width digits need no translation).
bool HasJapanese(const std::string& utf8)
{
    for (const QChar ch : QString::fromStdString(utf8)) {
        const char16_t u = ch.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF65 && u <= 0xFF9F)) {
            return true;
        }
    }
    return false;
}

TEST(DialogSourceTextsTest, LiteralsAreReadCommentsAndCharactersSkipped)
{
    const struct {
        const char* code;
        std::vector<std::string> literals;
    } cases[] = {
        {"f(\"a\", 'b', \"c\");", {"a", "c"}},
        {"x = \"one \"\n    \"two\";", {"one two"}},
        {"// \"not\" this\n/* nor \"this\" */ g(\"yes\\n\\\"q\\\"\");", {"yes\n\"q\""}},
        {"h(\"a\") + \"b\";", {"a", "b"}},
        {"c = '\"'; s = \"d\";", {"d"}},
    };
    for (const auto& c : cases) EXPECT_EQ(StringLiterals(c.code), c.literals) << c.code;
    EXPECT_TRUE(HasJapanese("戻る"));
    EXPECT_TRUE(HasJapanese("CSVﾌｧｲﾙ"));
    EXPECT_FALSE(HasJapanese("4～20mA"));
    EXPECT_FALSE(HasJapanese("▲"));
    EXPECT_FALSE(HasJapanese("１"));
}

TEST(DialogSourceTextsTest, EveryJapaneseTextOfTheDialogsIsInTheCatalogue)
{
    std::set<std::string> sources;
    QFile ts(QStringLiteral(KRV_TS_FILE));
    ASSERT_TRUE(ts.open(QIODevice::ReadOnly));
    for (QXmlStreamReader xml(&ts); !xml.atEnd();) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"source") {
            sources.insert(xml.readElementText().toStdString());
        }
    }
    ASSERT_GT(sources.size(), 100u);

    // Names, not texts: the fixed-pitch gothic the number fields ask for.
    const std::set<std::string> names = {"ＭＳ ゴシック"};
    std::ifstream list(KRV_SOURCES_LIST);
    int files = 0;
    int texts = 0;
    for (std::string path; std::getline(list, path);) {
        if (path.find("/dialogs/") == std::string::npos &&
            path.find("/input/") == std::string::npos) {
            continue;
        }
        std::ifstream file(path);
        ASSERT_TRUE(file) << path;
        std::stringstream code;
        code << file.rdbuf();
        ++files;
        for (const std::string& literal : StringLiterals(code.str())) {
            if (!HasJapanese(literal) || names.count(literal)) continue;
            ++texts;
            EXPECT_TRUE(sources.count(literal)) << "\"" << literal << "\" of " << path;
        }
    }
    EXPECT_GT(files, 20);
    EXPECT_GT(texts, 150);
}

}  // namespace
}  // namespace krv::test
