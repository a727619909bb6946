#include "platform/DocumentsFolder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace krv {
namespace {

namespace fs = std::filesystem;

class DocumentsFolderTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        }
        fs::create_directories(root / "config");
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    }
    void TearDown() override
    {
        fs::remove_all(root);
        ::unsetenv("XDG_CONFIG_HOME");
        for (const auto& [name, value] : saved) ::setenv(name.c_str(), value.c_str(), 1);
    }
    void UserDirs(const std::string& content, const fs::path& folder = {})
    {
        std::ofstream((folder.empty() ? root / "config" : folder) / "user-dirs.dirs") << content;
    }

    std::vector<std::pair<std::string, std::string>> saved;
    const fs::path root = fs::temp_directory_path() / ("krv-docs-" + std::to_string(::getpid()));
    const fs::path home = root / "home";
};

TEST_F(DocumentsFolderTest, ConfiguredFolderOrDocumentsInTheHome)
{
    EXPECT_EQ(DocumentsFolder(), home / "Documents");
    EXPECT_EQ(LastStateFilePath(), home / "Documents" / "Holvik" / "Bremix2" / "krv2.ini");
    UserDirs(
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "  XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"  # comment\n");
    EXPECT_EQ(DocumentsFolder(), home / "ドキュメント");
}

TEST_F(DocumentsFolderTest, ValueForms)
{
    const std::pair<const char*, fs::path> cases[] = {
        {"XDG_DOCUMENTS_DIR=\"/srv/docs\"", "/srv/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"", home},
        {"XDG_DOCUMENTS_DIR=\"${HOME}/My Docs\"", home / "My Docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\\\"b\"", home / "a\"b"},
        {"XDG_DOCUMENTS_DIR = $HOME/Bare", home / "Bare"},
        {"XDG_DOCUMENTS_DIR=\"/first\"\nXDG_DOCUMENTS_DIR=\"/second\"", "/second"},
        // Not usable: the default applies.
        {"XDG_DOCUMENTS_DIR=\"Documents2\"", home / "Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"", home / "Documents"},
        {"#XDG_DOCUMENTS_DIR=\"/commented\"", home / "Documents"},
        {"XDG_DOCUMENTS_DIRX=\"/other\"", home / "Documents"},
    };
    for (const auto& [line, expected] : cases) {
        UserDirs(std::string(line) + "\n");
        EXPECT_EQ(DocumentsFolder(), expected) << line;
    }
}

TEST_F(DocumentsFolderTest, DefaultConfigFolderAndHome)
{
    ::unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(home / ".config");
    UserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", home / ".config");
    EXPECT_EQ(DocumentsFolder(), home / "Docs");

    ::unsetenv("HOME");
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(HomeFolder(), fs::path(entry->pw_dir));
}

}  // namespace
}  // namespace krv
