// The manual the help menu opens is found beside the program, installed or in the build tree;
// bremix2 --help and its complaints about the command line follow the locale and --lang.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ManualFile.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

TEST(ManualFileTest, FoundInstalledOrInTheBuildTree)
{
    struct Case {
        const char* name;
        std::vector<const char*> present;  // files under the prefix
        const char* found;                 // relative to the prefix; "" for none
    };
    const Case table[] = {
        {"installed", {"share/doc/bremix2/manual.html"}, "share/doc/bremix2/manual.html"},
        {"build tree", {"doc/manual.html"}, "doc/manual.html"},
        {"both: the installed one",
         {"doc/manual.html", "share/doc/bremix2/manual.html"},
         "share/doc/bremix2/manual.html"},
        {"none", {}, ""},
        {"a folder of that name is no manual", {"share/doc/bremix2/manual.html/"}, ""},
        {"another package's manual", {"share/doc/krvctl/manual.html"}, ""},
    };
    for (const Case& c : table) {
        test::TempFolder prefix;
        const fs::path root = prefix.Path("");
        fs::create_directories(root / "bin");
        for (const char* file : c.present) {
            const fs::path path = root / file;
            if (path.filename().empty()) {
                fs::create_directories(path);
            } else {
                fs::create_directories(path.parent_path());
                prefix.Write(file, "<html></html>");
            }
        }
        const fs::path found = FindManual(root / "bin");
        EXPECT_EQ(found, *c.found ? root / c.found : fs::path()) << c.name;
    }
    // The first place named when nothing is found is where the package installs it.
    EXPECT_EQ(ManualCandidates("/usr/bin").front(), fs::path("/usr/share/doc/bremix2/manual.html"));
    EXPECT_TRUE(ManualCandidates(fs::path()).empty());
}

TEST(CommandLineTest, LanguageIsFoundBeforeParsing)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(LanguageArgument(Args{}), std::nullopt);
    EXPECT_EQ(LanguageArgument(Args{"--lang", "en"}), Language::English);
    EXPECT_EQ(LanguageArgument(Args{"--lang=ja", "--bogus"}), Language::Japanese);
    EXPECT_EQ(LanguageArgument(Args{"--lang=en", "--lang", "fr"}), Language::English);
    EXPECT_EQ(LanguageArgument(Args{"--lang"}), std::nullopt);
    EXPECT_EQ(LanguageArgument(Args{"--", "--lang=en"}), std::nullopt);  // a file's name
}

// The built program, with the locale set as a user's shell sets it and a home of its own (no
// language stored by the panel).
TEST(CommandLineTest, HelpAndComplaintsFollowTheLocale)
{
    test::TempFolder home;
    struct Case {
        const char* lang;
        std::vector<std::string> args;
        int status;
        const char* out;  // how standard output starts
        const char* err;  // standard error, whole
    };
    const Case table[] = {
        {"C", {"--help"}, 0, "使い方: bremix2 [オプション] [SETTINGS-FILE]\n\nKRVの操作パネル", ""},
        {"ja_JP.UTF-8", {"-h"}, 0, "使い方: bremix2", ""},
        {"en_US.UTF-8", {"--help"}, 0, "Usage: bremix2 [options] [SETTINGS-FILE]\n\nThe KRV", ""},
        {"C", {"--lang", "en", "--help"}, 0, "Usage: bremix2", ""},
        {"en_US.UTF-8", {"--lang=ja", "--help"}, 0, "使い方: bremix2", ""},
        {"C",
         {"--bogus"},
         2,
         "",
         "bremix2: 不明なオプション --bogus\n詳しくは 'bremix2 --help' を見てください。\n"},
        {"en_US.UTF-8",
         {"--bogus"},
         2,
         "",
         "bremix2: unknown option --bogus\nTry 'bremix2 --help'.\n"},
        {"en_US.UTF-8",
         {"--simulate=3"},
         2,
         "",
         "bremix2: --simulate takes 1, 2 or 4 circuits, not \"3\"\nTry 'bremix2 --help'.\n"},
        {"C",
         {"--simulate=3", "--lang=en"},
         2,
         "",
         "bremix2: --simulate takes 1, 2 or 4 circuits, not \"3\"\nTry 'bremix2 --help'.\n"},
        {"C",
         {"--port"},
         2,
         "",
         "bremix2: --port にはパス PATH が要ります\n詳しくは 'bremix2 --help' を見てください。\n"},
    };
    for (const Case& c : table) {
        std::vector<std::string> argv = {"/usr/bin/env",
                                         "-u",
                                         "LANGUAGE",
                                         "-u",
                                         "LC_ALL",
                                         "-u",
                                         "LC_MESSAGES",
                                         std::string("LANG=") + c.lang,
                                         "HOME=" + home.Path(""),
                                         "XDG_CONFIG_HOME=" + home.Path(""),
                                         KRV_BREMIX2};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const test::RunResult result = test::RunCommand(argv);
        const std::string what = std::string(c.lang) + " " + c.args.front();
        EXPECT_EQ(result.status, c.status) << what;
        EXPECT_EQ(result.out.substr(0, std::string(c.out).size()), c.out) << what;
        EXPECT_EQ(result.err, c.err) << what;
    }
    // Every option is in the help of both languages, as typed.
    for (const char* lang : {"C", "en_US.UTF-8"}) {
        const test::RunResult help = test::RunCommand(
            {"/usr/bin/env", "-u", "LANGUAGE", "-u", "LC_ALL", "-u", "LC_MESSAGES",
             std::string("LANG=") + lang, "HOME=" + home.Path(""), KRV_BREMIX2, "--help"});
        for (const char* option :
             {"--simulate[=CIRCUITS]", "--port PATH", "--trace FILE", "--lang LANG", "--help"}) {
            EXPECT_NE(help.out.find(option), std::string::npos) << lang << ": " << option;
        }
    }
}

}  // namespace
}  // namespace krv
