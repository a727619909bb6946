// The main window: size and place, menus, recent files, commands and dropped files.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "app/CAboutDlg.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "files/SettingsFile.h"
#include "link/DeviceLink.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class MainFrameTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2")).clear();
        doc = std::make_unique<CBremixDoc>(link, app, Dir() / "last" / "krv2.ini");
    }
    void TearDown() override
    {
        frame.reset();
        doc.reset();
        QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2")).clear();
    }

    fs::path Dir() const { return fs::path(temp.path().toStdString()); }
    QString Path(const std::string& name) const
    {
        return QString::fromStdString((Dir() / name).string());
    }
    // A settings file for `circuits` circuits.
    QString SettingsFile(const std::string& name, int circuits = 2)
    {
        AppValues fileApp;
        GeneratorState state{fileApp};
        state.circuitCount = circuits;
        state.ResetForCircuitCount(circuits);
        test::WriteFile(Dir() / name, SaveSettings(state, fileApp));
        return Path(name);
    }

    CMainFrame& MakeFrame()
    {
        frame = std::make_unique<CMainFrame>(*doc);
        auto view = std::make_unique<QWidget>();
        frame->SetView(std::move(view), [this] { ++initialUpdates; });
        frame->SetCircuitCountQuestion([this] {
            ++asked;
            return answer;
        });
        return *frame;
    }

    QMenu* Menu(int index) const { return frame->menuBar()->actions().at(index)->menu(); }

    // The visible items of a menu: "-" for a separator, else id and caption.
    static std::vector<std::string> Items(QMenu* menu)
    {
        std::vector<std::string> items;
        for (QAction* action : menu->actions()) {
            if (!action->isVisible()) continue;
            items.push_back(action->isSeparator() ? std::string("-")
                                                  : std::to_string(action->data().toInt()) + " " +
                                                        action->text().toStdString());
        }
        return items;
    }

    QTemporaryDir temp;
    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    std::unique_ptr<CBremixDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    int initialUpdates = 0;
    int asked = 0;
    int answer = 1;
};

TEST_F(MainFrameTest, WindowHasTheFixedSizeOfTheCircuitCount)
{
    for (int width : {300, 482}) {
        app.mainWindowWidth = width;
        CMainFrame& f = MakeFrame();
        EXPECT_EQ(f.size(), QSize(width, 560));
        EXPECT_EQ(f.minimumSize(), QSize(width, 560));
        EXPECT_EQ(f.maximumSize(), QSize(width, 560));
    }
    for (int width : {0, 299, 481, 600, -482}) {
        app.mainWindowWidth = width;
        CMainFrame& f = MakeFrame();
        EXPECT_EQ(app.mainWindowWidth, 300) << width;
        EXPECT_EQ(f.size(), QSize(300, 560));
    }
}

TEST_F(MainFrameTest, WindowSitsInTheMiddleOfTheWorkArea)
{
    EXPECT_EQ(CMainFrame::InitialPosition(QRect(0, 0, 1920, 1040)), QPoint(810, 240));
    EXPECT_EQ(CMainFrame::InitialPosition(QRect(0, 0, 1025, 767)), QPoint(362, 103));
    // A small work area puts the window partly off the top, as the arithmetic says.
    EXPECT_EQ(CMainFrame::InitialPosition(QRect(0, 0, 800, 500)), QPoint(250, -30));

    CMainFrame& f = MakeFrame();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(f.pos(), CMainFrame::InitialPosition(area));
    f.show();
    EXPECT_EQ(f.size(), QSize(300, 560));
}

TEST_F(MainFrameTest, MenusHoldEveryItemInOrder)
{
    MakeFrame();
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text().toStdString(), "ファイル(&F)");
    EXPECT_EQ(menus[1]->text().toStdString(), "設定");
    EXPECT_EQ(menus[2]->text().toStdString(), "記録");
    EXPECT_EQ(menus[3]->text().toStdString(), "ヘルプ(&H)");

    EXPECT_EQ(Items(Menu(0)), (std::vector<std::string>{
                                  "57600 新規設定(&N)\tCtrl+N",
                                  "57601 開く(&O)...\tCtrl+O",
                                  "57603 上書き保存(&S)\tCtrl+S",
                                  "57604 名前を付けて保存(&A)...",
                                  "-",
                                  "57616 最近使った設定",
                                  "-",
                                  "57665 アプリケーションの終了(&X)",
                              }));
    EXPECT_EQ(Items(Menu(1)), (std::vector<std::string>{
                                  "32787 自動出力\u3000連動動作",
                                  "32791 PCレス設定",
                                  "-",
                                  "32779 アナログ出力調整",
                                  "-",
                                  "32904 Language / 言語",
                              }));
    EXPECT_EQ(Items(Menu(2)), (std::vector<std::string>{
                                  "32900 出力記録を開始...",
                                  "32901 出力記録を停止",
                                  "-",
                                  "32902 トレンド表示",
                              }));
    EXPECT_FALSE(frame->Action(kIdStopOutputLog)->isEnabled());  // nothing is being logged
    EXPECT_EQ(Items(Menu(3)), (std::vector<std::string>{
                                  "32781 発生器\u3000情報",
                                  "32772 発生器\u3000ファームウェア更新",
                                  "32903 診断...",
                                  "-",
                                  "32905 マニュアル(&M)",
                                  "57664 バージョン情報 Bremix(&A)...",
                              }));

    for (int id : {57600, 57601, 57603, 57604, 57616, 57665, 32787, 32791, 32779, 32781, 32772,
                   32903, 57664}) {
        QAction* action = frame->Action(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->objectName().toStdString(), "id" + std::to_string(id));
        EXPECT_EQ(frame->findChild<QAction*>(QStringLiteral("id%1").arg(id)), action);
    }
    EXPECT_EQ(frame->Action(12345), nullptr);
    // No toolbar and no status bar.
    EXPECT_TRUE(frame->findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(frame->findChildren<QStatusBar*>().isEmpty());
    EXPECT_EQ(frame->windowTitle().toStdString(), "無題 - Bremix2");
}

TEST_F(MainFrameTest, CalibrationWaitsForTheConnectionAndTheFirmwareUpdateIsAlwaysThere)
{
    MakeFrame();
    // Without a panel to ask, the calibration counts as not connected.
    for (int id : {32779, 57616}) {
        EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
    }
    for (int id : {57600, 57601, 57603, 57604, 57665, 57664, 32787, 32791, 32781, 32772}) {
        EXPECT_TRUE(frame->Action(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(frame->Action(kIdLinkedAutoOutput)->isCheckable());

    bool connected = true;
    frame->SetCalibrationAvailability([&] { return connected; });
    EXPECT_TRUE(frame->Action(32779)->isEnabled());
    connected = false;
    // The settings menu asks again whenever it opens.
    emit Menu(1)->aboutToShow();
    EXPECT_FALSE(frame->Action(32779)->isEnabled());
}

TEST_F(MainFrameTest, AcceleratorsRunTheirCommands)
{
    MakeFrame();
    EXPECT_EQ(frame->Action(57600)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(frame->Action(57601)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(frame->Action(57603)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(frame->Action(57604)->shortcut().isEmpty());

    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    answer = 2;
    QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(doc->generator.circuitCount, 2);
}

TEST_F(MainFrameTest, NewSettingsSetResizesAndLaysOutTheView)
{
    CMainFrame& f = MakeFrame();
    const QPoint where = f.pos();
    answer = 2;
    EXPECT_TRUE(f.NewDocument());
    EXPECT_EQ(initialUpdates, 1);
    EXPECT_EQ(f.size(), QSize(482, 560));
    EXPECT_EQ(f.maximumSize(), QSize(482, 560));
    EXPECT_EQ(f.pos(), where);

    // Cancelled: nothing changes, the view is left alone.
    answer = -1;
    EXPECT_FALSE(f.NewDocument());
    EXPECT_EQ(initialUpdates, 1);
    EXPECT_EQ(f.size(), QSize(482, 560));
    EXPECT_EQ(doc->generator.circuitCount, 2);
}

TEST_F(MainFrameTest, OpeningFollowsTheFile)
{
    CMainFrame& f = MakeFrame();
    const QString one = SettingsFile("one.ini", 1);
    const QString two = SettingsFile("two.ini", 2);
    ASSERT_TRUE(f.OpenDocument(two));
    EXPECT_EQ(f.windowTitle().toStdString(), "two.ini - Bremix2");
    EXPECT_EQ(f.size(), QSize(482, 560));
    EXPECT_EQ(initialUpdates, 1);
    ASSERT_TRUE(f.OpenDocument(one));
    EXPECT_EQ(f.size(), QSize(300, 560));
    EXPECT_EQ(initialUpdates, 2);

    // A refused file leaves window, view and title as they were.
    test::WriteFile(Dir() / "other.ini", "\x05Other" + std::string(200, '\0'));
    EXPECT_FALSE(f.OpenDocument(Path("other.ini")));
    EXPECT_EQ(initialUpdates, 2);
    EXPECT_EQ(f.windowTitle().toStdString(), "one.ini - Bremix2");
    EXPECT_EQ(f.RecentFiles(), (QStringList{one, two}));
}

TEST_F(MainFrameTest, RecentFilesKeepTheLastFour)
{
    CMainFrame& f = MakeFrame();
    QStringList opened;
    for (int i = 1; i <= 5; ++i) {
        opened.prepend(SettingsFile("s" + std::to_string(i) + ".ini"));
        ASSERT_TRUE(f.OpenDocument(opened.front()));
    }
    EXPECT_EQ(f.RecentFiles(), opened.mid(0, 4));
    // Opening one again moves it to the top without a duplicate.
    ASSERT_TRUE(f.OpenDocument(opened[2]));
    EXPECT_EQ(f.RecentFiles(), (QStringList{opened[2], opened[0], opened[1], opened[3]}));

    EXPECT_EQ(Items(Menu(0)), (std::vector<std::string>{
                                  "57600 新規設定(&N)\tCtrl+N",
                                  "57601 開く(&O)...\tCtrl+O",
                                  "57603 上書き保存(&S)\tCtrl+S",
                                  "57604 名前を付けて保存(&A)...",
                                  "-",
                                  "57616 &1 " + opened[2].toStdString(),
                                  "57617 &2 " + opened[0].toStdString(),
                                  "57618 &3 " + opened[1].toStdString(),
                                  "57619 &4 " + opened[3].toStdString(),
                                  "-",
                                  "57665 アプリケーションの終了(&X)",
                              }));
    EXPECT_TRUE(frame->Action(57616)->isEnabled());

    // The list outlives the window.
    frame.reset();
    CMainFrame& again = MakeFrame();
    EXPECT_EQ(again.RecentFiles().size(), 4);
    EXPECT_TRUE(again.Action(57619)->isVisible());
}

TEST_F(MainFrameTest, RecentFileThatIsGoneLeavesTheList)
{
    CMainFrame& f = MakeFrame();
    const QString keep = SettingsFile("keep.ini");
    const QString gone = SettingsFile("gone.ini");
    ASSERT_TRUE(f.OpenDocument(keep));
    ASSERT_TRUE(f.OpenDocument(gone));
    fs::remove(Dir() / "gone.ini");

    f.Action(kIdFileMru1)->trigger();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Texts()[0].find("gone.ini"), std::string::npos);
    EXPECT_EQ(f.RecentFiles(), QStringList{keep});
    EXPECT_EQ(doc->PathName(), gone);  // the document keeps what it had

    f.Action(kIdFileMru1)->trigger();
    EXPECT_EQ(doc->PathName(), keep);
    EXPECT_FALSE(f.Action(kIdFileMru1 + 1)->isVisible());
}

TEST_F(MainFrameTest, AmpersandInAPathIsShownAsItIs)
{
    CMainFrame& f = MakeFrame();
    const QString odd = SettingsFile("a&b.ini");
    ASSERT_TRUE(f.OpenDocument(odd));
    QString shown = f.Action(kIdFileMru1)->text();
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    EXPECT_EQ(shown, QStringLiteral("&1 ") + odd);
}

TEST_F(MainFrameTest, SaveUsesTheDocumentsFileOrAsksForOne)
{
    CMainFrame& f = MakeFrame();
    answer = 2;
    ASSERT_TRUE(f.NewDocument());
    // No file yet: "上書き保存" asks for a name; the extension is added when left out.
    test::ModalAnswer name([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Bremix Files (*.ini)")});
        dialog->selectFile(Path("bench"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(f.SaveDocument());
    EXPECT_TRUE(name.Handled());
    EXPECT_EQ(doc->PathName(), Path("bench.ini"));
    EXPECT_EQ(f.windowTitle().toStdString(), "bench.ini - Bremix2");
    EXPECT_EQ(f.RecentFiles(), QStringList{Path("bench.ini")});

    doc->generator.channels[0].range = 2;
    ASSERT_TRUE(f.SaveDocument());  // no dialog this time
    EXPECT_EQ(test::ReadFile(Dir() / "bench.ini"), SaveSettings(doc->generator, app));

    test::ModalAnswer cancel([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(f.SaveDocumentAs());
    EXPECT_TRUE(cancel.Handled());
    EXPECT_EQ(doc->PathName(), Path("bench.ini"));
}

TEST_F(MainFrameTest, DroppedFileIsOpened)
{
    CMainFrame& f = MakeFrame();
    const QString file = SettingsFile("dropped.ini", 1);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &drop);
    QTRY_COMPARE(doc->PathName(), file);
    EXPECT_EQ(initialUpdates, 1);

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(&f, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainFrameTest, AboutAndExit)
{
    CMainFrame& f = MakeFrame();
    f.show();
    test::ModalAnswer about([](QWidget* modal) {
        auto* dialog = qobject_cast<CAboutDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->VersionText().toStdString(), "Version 2.0.2.0");
        QTest::mouseClick(&dialog->OkButton(), Qt::LeftButton);
    });
    f.Action(kIdAppAbout)->trigger();
    EXPECT_TRUE(about.Handled());
    EXPECT_TRUE(f.isVisible());
    f.Action(kIdAppExit)->trigger();
    EXPECT_FALSE(f.isVisible());
}

}  // namespace
}  // namespace krv
