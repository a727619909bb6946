// Every Japanese text written in the program's code reaches the catalogue (the dialogs and their
// checks counted on their own): a text shown without tr() (or a marker lupdate does not read as
// one) would stay Japanese in English. So would a constant marked where it is defined and shown
// without TrMarked.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
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

// The source texts of the catalogue.
std::set<std::string> CatalogueSources()
{
    std::set<std::string> sources;
    QFile ts(QStringLiteral(KRV_TS_FILE));
    if (!ts.open(QIODevice::ReadOnly)) return sources;
    for (QXmlStreamReader xml(&ts); !xml.atEnd();) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"source") {
            sources.insert(xml.readElementText().toStdString());
        }
    }
    return sources;
}

// The translated sources, path and code, from the list lupdate is given.
std::vector<std::pair<std::string, std::string>> TranslatedSources()
{
    std::vector<std::pair<std::string, std::string>> files;
    std::ifstream list(KRV_SOURCES_LIST);
    for (std::string path; std::getline(list, path);) {
        if (path.empty() || path[0] != '/') continue;  // the include folder
        std::ifstream file(path);
        std::stringstream code;
        code << file.rdbuf();
        files.emplace_back(path, code.str());
    }
    return files;
}

// A text written in both languages at once, a Japanese line and its English line: shown where
// no catalogue can be (its absence, the choice of language itself).
bool InBothLanguages(const std::string& text)
{
    bool japanese = false;
    bool english = false;
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (HasJapanese(line)) {
            japanese = true;
        } else if (std::count_if(line.begin(), line.end(),
                                 [](unsigned char c) { return std::isalpha(c); }) > 8) {
            english = true;
        }
    }
    return japanese && english;
}

// The names of the texts marked where they are defined (KRV_TRANSLATE_NOOP), by the context
// given there.
std::map<std::string, std::string> MarkedConstants(const std::string& code)
{
    static const QRegularExpression definition(
        QStringLiteral(R"re(\b(k[A-Z]\w*)(\[\])?\s*=\s*KRV_TRANSLATE_NOOP\(\s*"(\w+)")re"));
    std::map<std::string, std::string> names;
    for (auto it = definition.globalMatch(QString::fromStdString(code)); it.hasNext();) {
        const auto match = it.next();
        names[match.captured(1).toStdString()] = match.captured(3).toStdString();
    }
    return names;
}

// Where code hands a marked constant as it is to something that shows it (a message, a status,
// a label, printf's arguments): those lines, "path:line: name". The helpers that translate what
// they are given (a dialog's Refuse, a flow's Fail) are not such places.
std::vector<std::string> ShownUntranslated(const std::string& path, const std::string& code,
                                           const std::map<std::string, std::string>& marked)
{
    static const QRegularExpression name(QStringLiteral(R"(\b(\w+::)?(k[A-Z]\w*)\b)"));
    static const QRegularExpression sink(
        QStringLiteral(R"(\b(ShowMessage|Message|SetStatus|fputs|puts|setText|setToolTip|Q|)"
                       R"(fromStdString|fromUtf8)\(\s*$|\bf?printf\(.*,\s*$)"));
    static const QRegularExpression translated(QStringLiteral(R"re(\bTrMarked\(\s*"\w+",\s*$)re"));
    std::vector<std::string> found;
    std::stringstream lines(code);
    int number = 0;
    for (std::string text; std::getline(lines, text);) {
        ++number;
        const QString line = QString::fromStdString(text);
        for (auto it = name.globalMatch(line); it.hasNext();) {
            const auto match = it.next();
            if (!marked.count(match.captured(2).toStdString())) continue;
            const QString before = line.left(match.capturedStart());
            if (sink.match(before).hasMatch() && !translated.match(before).hasMatch()) {
                found.push_back(path + ":" + std::to_string(number) + ": " +
                                match.captured(2).toStdString());
            }
        }
    }
    return found;
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

namespace krv::test {
namespace {

TEST(SourceTextsTest, MarkedConstantsShownAsTheyAreAreFound)
{
    const std::map<std::string, std::string> marked = {{"kNoFile", "Files"}, {"kDone", "Flows"}};
    const struct {
        const char* code;
        std::size_t found;
    } cases[] = {
        {"ui.ShowMessage(kNoFile, kCaption, icon, buttons);", 1},
        {"ui.ShowMessage(TrMarked(\"Files\", kNoFile), kCaption);", 0},
        {"std::fprintf(stderr, \"%s\\n\", kNoFile);", 1},
        {"std::fprintf(stderr, \"%s\\n\", TrMarked(\"Files\", kNoFile).c_str());", 0},
        {"steps.Message(kDone);", 1},
        {"context.Message(Session::kDone);", 1},
        {"context.Message(Text(kDone));", 0},
        {"return Refuse(kDone);", 0},
        {"if (m == kDone) return;", 0},
        {"label.setText(Q(kNoFile));", 1},
        {"status.SetStatus(kOther);", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownUntranslated("x.cpp", c.code, marked).size(), c.found) << c.code;
    }
    EXPECT_EQ(
        MarkedConstants("inline constexpr const char* kA =\n    KRV_TRANSLATE_NOOP(\"Ctx\", "
                        "\"テキスト\");\nconst char* kB[] = KRV_TRANSLATE_NOOP(\"C2\", \"x\");"),
        (std::map<std::string, std::string>{{"kA", "Ctx"}, {"kB", "C2"}}));
    EXPECT_TRUE(InBothLanguages("言語を選んでください。\nChoose the language."));
    EXPECT_FALSE(InBothLanguages("回路数\t%1"));
    EXPECT_FALSE(InBothLanguages("ファイル (*.csv)"));
}

// The whole program, as lupdate reads it: every Japanese text is in the catalogue, and a text
// marked where it is defined is translated before it is shown.
TEST(SourceTextsTest, EveryTextOfTheProgramReachesTheCatalogue)
{
    const std::set<std::string> sources = CatalogueSources();
    ASSERT_GT(sources.size(), 500u);
    const auto files = TranslatedSources();
    ASSERT_GT(files.size(), 100u);

    // Names, not texts: the fixed-pitch gothic, and Japanese as the language menu names it.
    const std::set<std::string> names = {"ＭＳ ゴシック", "日本語", "Language / 言語"};
    std::map<std::string, std::string> marked;
    int texts = 0;
    for (const auto& [path, code] : files) {
        marked.merge(MarkedConstants(code));
        for (const std::string& literal : StringLiterals(code)) {
            if (!HasJapanese(literal) || names.count(literal) || InBothLanguages(literal)) continue;
            ++texts;
            EXPECT_TRUE(sources.count(literal)) << "\"" << literal << "\" of " << path;
        }
    }
    EXPECT_GT(texts, 600);
    EXPECT_GT(marked.size(), 80u);
    for (const auto& [path, code] : files) {
        for (const std::string& place : ShownUntranslated(path, code, marked)) {
            ADD_FAILURE() << place << " is shown without TrMarked";
        }
    }
}

}  // namespace
}  // namespace krv::test
