// Start-up and shut-down of the whole application, with the real panel, in the test's home
// folder (set up by the test program's main()).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/CBremixApp.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "dialogs/CDacSelect.h"
#include "files/SettingsFile.h"
#include "model/AppValues.h"
#include "panel/CBremixView.h"
#include "panel/OutputRecording.h"
#include "panel/TrendWindow.h"
#include "platform/DocumentsFolder.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class AppStartTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        fs::remove_all(LastStateFilePath().parent_path());
        TheAppValues() = AppValues{};
    }
    void TearDown() override { fs::remove_all(LastStateFilePath().parent_path()); }

    static std::string FileFor(int circuits)
    {
        AppValues values;
        GeneratorState state{values};
        state.circuitCount = circuits;
        state.ResetForCircuitCount(circuits);
        return SaveSettings(state, values);
    }

    // Clicks `button` of the circuit-count dialog when it comes, and closes any message.
    void AnswerCircuitCount(QPushButton& (CDacSelect::*button)())
    {
        dismisser_ = std::make_unique<QTimer>();
        QObject::connect(dismisser_.get(), &QTimer::timeout, [this, button] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<CDacSelect*>(modal)) {
                ++questions;
                QTest::mouseClick(&(dialog->*button)(), Qt::LeftButton);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                messages.push_back(box->text().toStdString());
                box->reject();
            }
        });
        dismisser_->start(10);
    }

    int questions = 0;
    std::vector<std::string> messages;
    std::unique_ptr<QTimer> dismisser_;
};

TEST_F(AppStartTest, CancelledQuestionEndsTheStartWithoutTrace)
{
    AnswerCircuitCount(&CDacSelect::CancelButton);
    {
        CBremixApp app(CommandLine{});
        EXPECT_EQ(app.InitInstance(), CBremixApp::StartResult::Cancelled);
        EXPECT_EQ(questions, 1);
        EXPECT_FALSE(app.MainFrame()->isVisible());
    }
    // The next start asks again.
    EXPECT_TRUE(fs::is_directory(LastStateFilePath().parent_path()));
    EXPECT_FALSE(fs::exists(LastStateFilePath()));
}

TEST_F(AppStartTest, ChosenCountSizesTheWindowAndIsRememberedAtExit)
{
    AnswerCircuitCount(&CDacSelect::TwoCircuitsButton);
    {
        CBremixApp app(CommandLine{});
        ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
        EXPECT_EQ(questions, 1);
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_EQ(app.MainFrame()->width(), 482);
        EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(), "無題 - Bremix2");
    }
    ASSERT_TRUE(fs::exists(LastStateFilePath()));
    {
        CBremixApp app(CommandLine{});
        ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
        EXPECT_EQ(questions, 1);  // restored, not asked
        EXPECT_EQ(app.Document()->generator.circuitCount, 2);
        EXPECT_EQ(app.MainFrame()->width(), 482);
    }
}

TEST_F(AppStartTest, QtsOwnButtonsAndFileChooserSpeakJapaneseAfterTheStart)
{
    AnswerCircuitCount(&CDacSelect::TwoCircuitsButton);
    CBremixApp app(CommandLine{});
    ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
    QMessageBox box(QMessageBox::Information, QStringLiteral("確認"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "キャンセル");
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    // The chooser the panel opens files with (Qt's own where the desktop offers none).
    QFileDialog chooser(app.MainFrame());
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    for (const auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::Reject}) {
        const QString text = chooser.labelText(label);
        const bool japanese =
            std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
        EXPECT_TRUE(japanese) << text.toStdString();
    }
}

TEST_F(AppStartTest, FileOnTheCommandLineIsOpenedInsteadOfTheQuestion)
{
    AnswerCircuitCount(&CDacSelect::TwoCircuitsButton);
    const fs::path file = fs::path(QDir::tempPath().toStdString()) /
                          ("krv-start-" + std::to_string(::getpid()) + ".ini");
    test::WriteFile(file, FileFor(1));
    CommandLine options;
    options.settingsFile = file.string();
    {
        CBremixApp app(options);
        ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
        EXPECT_EQ(questions, 0);
        EXPECT_EQ(app.Document()->PathName().toStdString(), file.string());
        EXPECT_EQ(app.MainFrame()->width(), 300);
        EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(),
                  file.filename().string() + " - Bremix2");
    }
    // A file that cannot be used: said so, and the start goes on as without it.
    test::WriteFile(file, "not a settings file");
    {
        CBremixApp app(options);
        ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
        EXPECT_EQ(questions, 1);
        EXPECT_TRUE(app.Document()->PathName().isEmpty());
        EXPECT_FALSE(messages.empty());
        EXPECT_EQ(app.MainFrame()->width(), 482);
    }
    fs::remove(file);
}

TEST_F(AppStartTest, SimulatedUnitIsListedFirstAndExtraPortsFollow)
{
    AnswerCircuitCount(&CDacSelect::OneCircuitButton);
    CommandLine options;
    options.simulateCircuits = 4;
    options.ports = {"/dev/ttyKRVTEST9"};
    CBremixApp app(options);
    ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
    auto* view = qobject_cast<CBremixView*>(app.MainFrame()->centralWidget());
    ASSERT_NE(view, nullptr);
    auto* ports = qobject_cast<QComboBox*>(view->Control(kPortListId));
    ASSERT_NE(ports, nullptr);
    ASSERT_GE(ports->count(), 2);
    EXPECT_EQ(ports->currentIndex(), 0);
    EXPECT_TRUE(ports->itemText(0).startsWith(QStringLiteral("(pts/")))
        << ports->itemText(0).toStdString();
    QStringList texts;
    for (int i = 0; i < ports->count(); ++i) texts.append(ports->itemText(i));
    EXPECT_TRUE(texts.join(QLatin1Char('|')).contains(QStringLiteral("(ttyKRVTEST9)")));
}

TEST_F(AppStartTest, RecordMenuStartsAndStopsTheLogAndShowsTheTrend)
{
    AnswerCircuitCount(&CDacSelect::TwoCircuitsButton);
    const std::string log = LastStateFilePath().parent_path().string() + "/log.csv";
    {
        CBremixApp app(CommandLine{});
        ASSERT_EQ(app.InitInstance(), CBremixApp::StartResult::Running);
        OutputRecording* recording = app.Recording();
        ASSERT_NE(recording, nullptr);
        recording->chooseLogFile = [&] { return QString::fromStdString(log); };
        QAction* start = app.MainFrame()->Action(kIdStartOutputLog);
        QAction* stop = app.MainFrame()->Action(kIdStopOutputLog);
        EXPECT_TRUE(start->isEnabled());
        EXPECT_FALSE(stop->isEnabled());
        start->trigger();
        EXPECT_TRUE(recording->Logging());
        EXPECT_FALSE(start->isEnabled());
        EXPECT_TRUE(stop->isEnabled());
        stop->trigger();
        EXPECT_FALSE(recording->Logging());
        EXPECT_TRUE(start->isEnabled());

        app.MainFrame()->Action(kIdShowTrend)->trigger();
        ASSERT_NE(recording->Trend(), nullptr);
        EXPECT_TRUE(recording->Trend()->isVisible());
        EXPECT_EQ(recording->Trend()->windowTitle().toStdString(), "トレンド表示");
        // Not a reason to keep running once the panel is closed.
        EXPECT_FALSE(recording->Trend()->testAttribute(Qt::WA_QuitOnClose));
    }
    EXPECT_TRUE(fs::exists(log));
}

}  // namespace
}  // namespace krv
