// The English catalogue is complete for the code as it is: lupdate run over the sources adds
// every text the code marks, and each one has a finished English translation that keeps the
// source's placeholders and line breaks.
#include <gtest/gtest.h>

#include <QFile>

#include <filesystem>
#include <sstream>

#include "CatalogueCheck.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace krv::test {
namespace {

QByteArray Catalogue(const std::string& messages)
{
    return QByteArray::fromStdString(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
        "<TS version=\"2.1\" language=\"en_US\" sourcelanguage=\"ja\">\n<context>\n"
        "    <name>krv::Test</name>\n" +
        messages + "</context>\n</TS>\n");
}

std::string MessageXml(const std::string& source, const std::string& translation)
{
    return "<message><source>" + source + "</source>" + translation + "</message>\n";
}

TEST(CatalogueTest, CheckFindsEveryKindOfFault)
{
    struct Case {
        const char* what;
        std::string messages;
        const char* problem;  // the start of the one problem expected; null: none
    };
    const Case cases[] = {
        {"finished", MessageXml("接続", "<translation>Connect</translation>"), nullptr},
        {"vanished text is not in use",
         MessageXml("旧", "<translation type=\"vanished\">Old</translation>"), nullptr},
        {"obsolete text is not in use",
         MessageXml("旧", "<translation type=\"obsolete\">Old</translation>"), nullptr},
        {"unfinished", MessageXml("接続", "<translation type=\"unfinished\">Connect</translation>"),
         "unfinished"},
        {"empty", MessageXml("接続", "<translation></translation>"), "empty translation"},
        {"none at all", MessageXml("接続", ""), "no translation"},
        {"Qt placeholders kept in another order",
         MessageXml("%1 の %2", "<translation>%2 of %1</translation>"), nullptr},
        {"Qt placeholder dropped",
         MessageXml("%1 に保存できません", "<translation>Cannot save</translation>"),
         "placeholders differ"},
        {"Qt placeholder changed", MessageXml("%1 件", "<translation>%2 items</translation>"),
         "placeholders differ"},
        {"%n dropped", MessageXml("%n 個", "<translation>items</translation>"),
         "placeholders differ"},
        {"printf placeholder dropped",
         MessageXml("%d 以上です", "<translation>is too many</translation>"),
         "placeholders differ"},
        {"printf placeholders swapped",
         MessageXml("%s: %d 回", "<translation>%d times: %s</translation>"), "placeholders differ"},
        {"%% is no placeholder", MessageXml("100%%", "<translation>100 percent</translation>"),
         nullptr},
        {"line break dropped", MessageXml("一行目\n二行目", "<translation>One line</translation>"),
         "line breaks differ"},
        {"line breaks kept",
         MessageXml("一行目\n二行目", "<translation>Line one\nline two</translation>"), nullptr},
        {"plural forms each checked",
         MessageXml("%n 個",
                    "<translation><numerusform>%n item</numerusform>"
                    "<numerusform>items</numerusform></translation>"),
         "placeholders differ"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> problems = CatalogueProblems(Catalogue(c.messages));
        if (!c.problem) {
            EXPECT_TRUE(problems.empty()) << c.what << ": " << problems.front();
        } else {
            ASSERT_EQ(problems.size(), 1u) << c.what;
            EXPECT_EQ(problems[0].rfind(c.problem, 0), 0u) << c.what << ": " << problems[0];
        }
    }
    EXPECT_FALSE(CatalogueProblems("<TS><context>").empty());
    EXPECT_FALSE(CatalogueProblems(Catalogue("")).empty());
}

// lupdate is run over a copy, so that a text added to the code or changed in it, and not yet
// translated, shows as unfinished here.
TEST(CatalogueTest, EnglishCatalogueCoversTheCode)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string copy = folder.Path("krv_en.ts");
    std::filesystem::copy_file(KRV_TS_FILE, copy);
    std::vector<std::string> argv = {KRV_LUPDATE};
    std::istringstream options(KRV_LUPDATE_OPTIONS);
    for (std::string word; options >> word;) argv.push_back(word);
    argv.insert(argv.end(), {std::string("@") + KRV_SOURCES_LIST, "-ts", copy});
    const RunResult run = RunCommand(argv);
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    QFile file(QString::fromStdString(copy));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray ts = file.readAll();
    for (const std::string& problem : CatalogueProblems(ts)) ADD_FAILURE() << problem;
    // Found: the number lupdate reports, so a change to what it reads does not go unnoticed.
    EXPECT_NE(run.out.find("Found "), std::string::npos) << run.out;
    std::cout << run.out;
}

}  // namespace
}  // namespace krv::test
