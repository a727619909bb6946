// The settings document: new settings sets, the last state, opening and saving files.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "app/CBremixDoc.h"
#include "files/SettingsFile.h"
#include "link/DeviceLink.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

const std::string kWrongMarker = "ファイル形式が違います。";
const std::string kWrongVersion =
    "ファイルバージョンが異なります、最新バージョンをインストールしてください。";

class BremixDocTest : public ::testing::Test {
  protected:
    fs::path Dir() const { return fs::path(temp.path().toStdString()); }
    fs::path LastState() const { return Dir() / "Holvik" / "Bremix2" / "krv2.ini"; }
    QString Path(const char* name) const { return QString::fromStdString((Dir() / name).string()); }

    std::unique_ptr<CBremixDoc> MakeDoc()
    {
        return std::make_unique<CBremixDoc>(link, app, LastState());
    }

    // A settings file of a two-circuit set with a few fields that differ from the defaults.
    std::string TwoCircuitFile(const std::string& port = "ttyUSB3")
    {
        AppValues fileApp;
        fileApp.lastPortName = port;
        fileApp.linkedAutoOutput = true;
        GeneratorState state{fileApp};
        state.circuitCount = 2;
        state.ResetForCircuitCount(2);
        state.channels[1].range = 3;
        state.channels[1].scaledUnit = "kPa";
        state.channels[0].scaledDigits = 9;  // out of range: only a start-up repairs it
        return SaveSettings(state, fileApp);
    }

    // Counts the questions and gives `answer`.
    std::function<int()> Answer(int answer)
    {
        return [this, answer] {
            ++asked;
            return answer;
        };
    }

    QTemporaryDir temp;
    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    int asked = 0;
};

TEST_F(BremixDocTest, FirstStartAsksForTheCircuitCountAndSetsTheWidth)
{
    auto doc = MakeDoc();
    EXPECT_FALSE(doc->lastStateLoaded);
    EXPECT_TRUE(fs::is_directory(LastState().parent_path()));
    EXPECT_TRUE(ui.Messages().empty());

    ASSERT_TRUE(doc->OnNewDocument(Answer(1)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(doc->generator.circuitCount, 1);
    EXPECT_EQ(app.mainWindowWidth, 300);

    ASSERT_TRUE(doc->OnNewDocument(Answer(2)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(doc->generator.circuitCount, 2);
    EXPECT_EQ(app.mainWindowWidth, 482);

    // Four circuits only come from a unit; the window keeps its width.
    ASSERT_TRUE(doc->OnNewDocument(Answer(4)));
    EXPECT_EQ(doc->generator.circuitCount, 4);
    EXPECT_EQ(app.mainWindowWidth, 482);
    EXPECT_EQ(doc->Title().toStdString(), "無題");
    EXPECT_EQ(doc->WindowCaption().toStdString(), "無題 - Bremix2");
}

TEST_F(BremixDocTest, CancelledOrInvalidCircuitCountFailsAndChangesNothing)
{
    WriteFile(Dir() / "two.ini", TwoCircuitFile());
    auto doc = MakeDoc();
    ASSERT_EQ(doc->OnOpenDocument(Path("two.ini")), LoadOutcome::Loaded);
    const std::string before = SaveSettings(doc->generator, app);
    const int widthBefore = app.mainWindowWidth;

    for (int answer : {-1, 0, 3, 5}) {
        EXPECT_FALSE(doc->OnNewDocument(Answer(answer))) << answer;
        EXPECT_EQ(SaveSettings(doc->generator, app), before) << answer;
        EXPECT_EQ(app.mainWindowWidth, widthBefore);
        EXPECT_EQ(doc->PathName(), Path("two.ini"));
    }
    EXPECT_FALSE(doc->OnNewDocument(nullptr));
}

TEST_F(BremixDocTest, RestoredLastStateIsKeptOnceThenTheCountIsAskedAgain)
{
    fs::create_directories(LastState().parent_path());
    WriteFile(LastState(), TwoCircuitFile("ttyACM1"));
    auto doc = MakeDoc();
    EXPECT_TRUE(doc->lastStateLoaded);
    EXPECT_EQ(doc->generator.circuitCount, 2);
    EXPECT_EQ(app.mainWindowWidth, 482);
    EXPECT_EQ(app.lastPortName, "ttyACM1");
    EXPECT_TRUE(app.linkedAutoOutput);

    ASSERT_TRUE(doc->OnNewDocument(Answer(1)));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(doc->lastStateLoaded);
    EXPECT_EQ(doc->generator.circuitCount, 2);
    EXPECT_EQ(doc->generator.channels[1].range, 3);
    EXPECT_EQ(doc->generator.channels[1].scaledUnit, "kPa");
    EXPECT_EQ(doc->generator.channels[0].scaledDigits, 0);  // repaired
    EXPECT_TRUE(doc->PathName().isEmpty());

    ASSERT_TRUE(doc->OnNewDocument(Answer(1)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(doc->generator.circuitCount, 1);
    EXPECT_EQ(doc->generator.channels[1].scaledUnit, "");
}

TEST_F(BremixDocTest, RefusedLastStateStillSkipsTheQuestion)
{
    fs::create_directories(LastState().parent_path());
    WriteFile(LastState(), std::string("\x05hello", 6));
    auto doc = MakeDoc();
    EXPECT_TRUE(doc->lastStateLoaded);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{kWrongMarker});
    EXPECT_EQ(doc->generator.circuitCount, 1);
    EXPECT_TRUE(doc->OnNewDocument(Answer(2)));
    EXPECT_EQ(asked, 0);
}

TEST_F(BremixDocTest, DestructorWritesTheLastState)
{
    {
        auto doc = MakeDoc();
        ASSERT_TRUE(doc->OnNewDocument(Answer(2)));
        doc->generator.channels[0].range = 5;
        app.lastPortName = "pts/7";
    }
    ASSERT_TRUE(fs::exists(LastState()));
    app = AppValues{};
    auto doc = MakeDoc();
    EXPECT_TRUE(doc->lastStateLoaded);
    EXPECT_EQ(doc->generator.circuitCount, 2);
    EXPECT_EQ(doc->generator.channels[0].range, 5);
    EXPECT_EQ(app.lastPortName, "pts/7");
}

TEST_F(BremixDocTest, SkippedOrImpossibleLastStateWriteIsSilent)
{
    {
        auto doc = MakeDoc();
        doc->SkipLastStateWrite();
    }
    EXPECT_FALSE(fs::exists(LastState()));

    // A folder that cannot exist (its parent is a file): dropped without a word.
    WriteFile(Dir() / "plain", "x");
    {
        CBremixDoc doc(link, app, Dir() / "plain" / "sub" / "krv2.ini");
        EXPECT_FALSE(doc.lastStateLoaded);
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(BremixDocTest, OpenedFileBecomesThePathAndTheTitle)
{
    WriteFile(Dir() / "bench.ini", TwoCircuitFile("ttyUSB9"));
    auto doc = MakeDoc();
    QSignalSpy changed(doc.get(), &CBremixDoc::PathChanged);
    ASSERT_EQ(doc->OnOpenDocument(Path("bench.ini")), LoadOutcome::Loaded);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(doc->PathName(), Path("bench.ini"));
    EXPECT_EQ(doc->Title().toStdString(), "bench.ini");
    EXPECT_EQ(doc->WindowCaption().toStdString(), "bench.ini - Bremix2");
    EXPECT_EQ(doc->generator.circuitCount, 2);
    EXPECT_EQ(app.lastPortName, "ttyUSB9");
    EXPECT_EQ(app.mainWindowWidth, 482);
    // A file the user opens is taken as read.
    EXPECT_EQ(doc->generator.channels[0].scaledDigits, 9);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(BremixDocTest, OpeningAFileEndsTheKeepTheLastStateRule)
{
    fs::create_directories(LastState().parent_path());
    WriteFile(LastState(), TwoCircuitFile());
    WriteFile(Dir() / "given.ini", TwoCircuitFile());
    auto doc = MakeDoc();
    ASSERT_TRUE(doc->lastStateLoaded);
    ASSERT_EQ(doc->OnOpenDocument(Path("given.ini")), LoadOutcome::Loaded);
    // "新規設定" after a file was opened is a new settings set like any other.
    EXPECT_TRUE(doc->OnNewDocument(Answer(1)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(doc->generator.circuitCount, 1);
}

TEST_F(BremixDocTest, RefusedFileIsNeverTakenAsThePath)
{
    WriteFile(Dir() / "good.ini", TwoCircuitFile());
    const std::string foreign = std::string("\x05hello", 6) + std::string(100, 'z');
    WriteFile(Dir() / "foreign.ini", foreign);
    std::string newer = TwoCircuitFile();
    newer.replace(21, 4, "0130");
    WriteFile(Dir() / "newer.ini", newer);

    auto doc = MakeDoc();
    ASSERT_EQ(doc->OnOpenDocument(Path("good.ini")), LoadOutcome::Loaded);
    const std::string before = SaveSettings(doc->generator, app);
    QSignalSpy changed(doc.get(), &CBremixDoc::PathChanged);

    EXPECT_EQ(doc->OnOpenDocument(Path("foreign.ini")), LoadOutcome::WrongMarker);
    EXPECT_EQ(doc->OnOpenDocument(Path("newer.ini")), LoadOutcome::WrongVersion);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kWrongMarker, kWrongVersion}));
    EXPECT_EQ(ui.Messages()[0].caption, "Bremix2");
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(doc->PathName(), Path("good.ini"));
    EXPECT_EQ(SaveSettings(doc->generator, app), before);

    // "上書き保存" goes to the file that was read, never to the refused ones.
    doc->generator.channels[2].range = 6;
    ASSERT_TRUE(doc->OnSaveDocument(doc->PathName()));
    EXPECT_EQ(ReadFile(Dir() / "foreign.ini"), foreign);
    EXPECT_EQ(ReadFile(Dir() / "newer.ini"), newer);
    EXPECT_EQ(ReadFile(Dir() / "good.ini"), SaveSettings(doc->generator, app));
}

TEST_F(BremixDocTest, TruncatedFileKeepsWhatWasReadButNotThePath)
{
    const std::string whole = TwoCircuitFile("ttyUSB5");
    WriteFile(Dir() / "cut.ini", whole.substr(0, 40));
    WriteFile(Dir() / "empty.ini", "");
    auto doc = MakeDoc();

    EXPECT_EQ(doc->OnOpenDocument(Path("cut.ini")), LoadOutcome::Truncated);
    EXPECT_EQ(doc->generator.circuitCount, 2);  // read before the end
    EXPECT_EQ(app.lastPortName, "ttyUSB5");
    EXPECT_EQ(doc->OnOpenDocument(Path("empty.ini")), LoadOutcome::Truncated);
    EXPECT_TRUE(doc->PathName().isEmpty());
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{
                  (Dir() / "cut.ini").string() + " の末尾以降にアクセスしようとしました。",
                  (Dir() / "empty.ini").string() + " の末尾以降にアクセスしようとしました。"}));
}

TEST_F(BremixDocTest, MissingFileIsReportedAndNotTaken)
{
    auto doc = MakeDoc();
    EXPECT_EQ(doc->OnOpenDocument(Path("gone.ini")), LoadOutcome::ReadError);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Texts()[0].find("gone.ini"), std::string::npos);
    EXPECT_TRUE(doc->PathName().isEmpty());
}

TEST_F(BremixDocTest, SaveTakesTheNewPathAndFailureKeepsTheOld)
{
    auto doc = MakeDoc();
    ASSERT_TRUE(doc->OnNewDocument(Answer(2)));
    ASSERT_TRUE(doc->OnSaveDocument(Path("saved.ini")));
    EXPECT_EQ(doc->Title().toStdString(), "saved.ini");
    EXPECT_EQ(ReadFile(Dir() / "saved.ini"), SaveSettings(doc->generator, app));

    QString error;
    EXPECT_FALSE(doc->OnSaveDocument(Path("no-such-folder/x.ini"), &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_NE(ui.Texts()[0].find("x.ini に保存できませんでした。"), std::string::npos);
    EXPECT_EQ(doc->PathName(), Path("saved.ini"));
}

TEST_F(BremixDocTest, TextWithoutAWindowsFormIsReportedWhenSaved)
{
    auto doc = MakeDoc();
    ASSERT_TRUE(doc->OnNewDocument(Answer(1)));
    app.lastPortName = "tty\xF0\x9F\x98\x80";  // an emoji has no CP932 form
    ASSERT_TRUE(doc->OnSaveDocument(Path("lossy.ini")));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].caption, "確認");
}

}  // namespace
}  // namespace krv
