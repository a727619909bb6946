// The last-state file, in a home folder of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/LastStateFile.h"
#include "files/SettingsFile.h"
#include "support/FileContents.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

using test::ReadAll;

class LastStateFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        }
        fs::create_directories(root / "home");
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    }
    void TearDown() override
    {
        fs::remove_all(root);
        ::unsetenv("XDG_CONFIG_HOME");
        for (const auto& [name, value] : saved) ::setenv(name.c_str(), value.c_str(), 1);
    }

    std::vector<std::pair<std::string, std::string>> saved;
    const fs::path root = fs::temp_directory_path() / ("krv-last-" + std::to_string(::getpid()));
    const fs::path folder = root / "home" / "Documents" / "Holvik" / "Bremix2";
    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
};

TEST_F(LastStateFileTest, FirstRunCreatesTheFoldersAndLoadsNothing)
{
    ASSERT_EQ(LastStateFilePath(), folder / "krv2.ini");
    const std::string before = SaveSettings(state, app);
    EXPECT_FALSE(LoadLastState(state, app, ui));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(LoadLastState(state, app, ui));  // folders there, file not
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(SaveSettings(state, app), before);
}

TEST_F(LastStateFileTest, StateOfTheLastExitComesBack)
{
    state.circuitCount = 2;
    state.channels[1].range = kRange0_24mA;
    state.channels[1].presets[7][3] = 12.5;
    app.lastPortName = "ttyUSB1";
    ASSERT_TRUE(SaveLastState(state, app));

    AppValues nextApp;
    GeneratorState next(nextApp);
    EXPECT_TRUE(LoadLastState(next, nextApp, ui));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(next.channels[1].range, kRange0_24mA);
    EXPECT_EQ(next.channels[1].presets[7][3], 12.5);
    EXPECT_EQ(nextApp.lastPortName, "ttyUSB1");
    EXPECT_EQ(nextApp.mainWindowWidth, 482);

    // A damaged file still counts as loaded; its message is shown, nothing is taken.
    std::ofstream(folder / "krv2.ini") << "\x05other";
    EXPECT_TRUE(LoadLastState(state, app, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ファイル形式が違います。"});
}

TEST_F(LastStateFileTest, SavingReplacesTheFileInOneStep)
{
    const fs::path file = folder / "krv2.ini";
    ASSERT_TRUE(SaveLastState(state, app));
    const std::string first = ReadAll(file);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    std::ifstream reader(file, std::ios::binary);  // someone still reading the old one

    app.lastPortName = "ttyACM0";
    ASSERT_TRUE(SaveLastState(state, app));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), first);
    EXPECT_EQ(ReadAll(file), SaveSettings(state, app));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);  // no temporary left

    std::ofstream(root / "blocker") << "x";
    std::string error;
    EXPECT_FALSE(SaveLastState(state, app, root / "blocker" / "Holvik" / "krv2.ini", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace krv
