// The panel in English beside the Japanese it speaks by default: the main window's menus, the
// channel columns and its messages; every text fits its control in both languages; the language
// chosen from the menu is kept for the next start.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <map>
#include <memory>

#include "app/CBremixApp.h"
#include "app/CBremixDoc.h"
#include "app/CMainFrame.h"
#include "app/PanelLanguage.h"
#include "dialogs/CDacSelect.h"
#include "link/CommPort.h"
#include "model/AppValues.h"
#include "panel/CBremixView.h"
#include "panel/ChannelColumn.h"
#include "panel/PanelWidgets.h"
#include "platform/DocumentsFolder.h"
#include "platform/Translate.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

const QString kCatalogue = QStringLiteral(KRV_CATALOGUE);

class PanelLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2")).clear();
        fs::remove_all(LastStateFilePath().parent_path());
        TheAppValues() = AppValues{};
    }
    void TearDown() override
    {
        app.reset();
        ASSERT_TRUE(InstallTranslations(Language::Japanese));
        QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2")).clear();
        fs::remove_all(LastStateFilePath().parent_path());
    }

    // Starts the panel as bremix2 does, with two circuits, in `language`.
    void Start(std::optional<Language> language)
    {
        // The program finds its catalogue beside itself; a test program lives elsewhere.
        if (language == Language::English) {
            ASSERT_TRUE(InstallTranslations(*language, kCatalogue));
        }
        answerer = std::make_unique<QTimer>();
        QObject::connect(answerer.get(), &QTimer::timeout, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<CDacSelect*>(modal)) {
                QTest::mouseClick(&dialog->TwoCircuitsButton(), Qt::LeftButton);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->reject();
            }
        });
        answerer->start(10);
        CommandLine options;
        options.language = language;
        app = std::make_unique<CBremixApp>(options);
        ASSERT_EQ(app->InitInstance(), CBremixApp::StartResult::Running);
        answerer.reset();
    }

    std::vector<std::string> MenuTitles() const
    {
        std::vector<std::string> titles;
        for (QAction* menu : app->MainFrame()->menuBar()->actions()) {
            titles.push_back(menu->text().toStdString());
        }
        return titles;
    }
    std::string Text(int id) const
    {
        QWidget* control = View().Control(id);
        if (auto* b = qobject_cast<QAbstractButton*>(control)) return b->text().toStdString();
        if (auto* l = qobject_cast<PanelLabel*>(control)) return l->text().toStdString();
        return "?";
    }
    CBremixView& View() const
    {
        return *static_cast<CBremixView*>(app->MainFrame()->centralWidget());
    }

    std::unique_ptr<QTimer> answerer;
    std::unique_ptr<CBremixApp> app;
};

TEST_F(PanelLanguageTest, EnglishWhenAsked)
{
    Start(Language::English);
    CMainFrame& frame = *app->MainFrame();
    EXPECT_EQ(MenuTitles(), (std::vector<std::string>{"&File", "Settings", "Record", "&Help"}));
    EXPECT_EQ(frame.Action(kIdFileNew)->text().toStdString(), "&New Settings\tCtrl+N");
    EXPECT_EQ(frame.Action(kIdLinkedAutoOutput)->text().toStdString(), "Linked Automatic Output");
    EXPECT_EQ(frame.Action(kIdLanguage)->text().toStdString(), "Language / 言語");
    EXPECT_EQ(frame.Action(kIdAppAbout)->text().toStdString(), "&About Bremix...");
    EXPECT_EQ(frame.windowTitle().toStdString(), "Untitled - Bremix2");
    EXPECT_EQ(frame.size(), QSize(482, 560));  // the window keeps its size

    EXPECT_EQ(Text(kConnectButtonId), "Connect");
    EXPECT_EQ(Text(ChannelControlId(0, 25)), "Normal");
    EXPECT_EQ(Text(ChannelControlId(1, 24)), "f(x)");
    EXPECT_EQ(View().Control(ChannelControlId(1, 24))->toolTip().toStdString(), "Formula");
    EXPECT_EQ(Text(ChannelControlId(0, 6)), "OFF");
    // The core's texts follow, and Qt's own buttons speak English.
    EXPECT_EQ(Tr("Caption", "確認"), "Notice");
    EXPECT_EQ(PortRefusal("ttyUSB9"), "ttyUSB9 cannot be used");
    QMessageBox box(QMessageBox::Information, QString(), QString(), QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "Cancel");
}

// Without --lang, a stored choice or an English locale, the panel is exactly as it always was.
TEST_F(PanelLanguageTest, JapaneseByDefault)
{
    Start(std::nullopt);
    EXPECT_EQ(InstalledLanguage(), Language::Japanese);
    EXPECT_EQ(MenuTitles(),
              (std::vector<std::string>{"ファイル(&F)", "設定", "記録", "ヘルプ(&H)"}));
    EXPECT_EQ(app->MainFrame()->Action(kIdFileNew)->text().toStdString(), "新規設定(&N)\tCtrl+N");
    EXPECT_EQ(Text(kConnectButtonId), "接続");
    EXPECT_EQ(Text(ChannelControlId(0, 25)), "ノーマル");
    EXPECT_EQ(Text(ChannelControlId(1, 24)), "式");
    EXPECT_EQ(Text(ChannelControlId(0, 6)), "ＯＦＦ");
    EXPECT_EQ(Tr("Caption", "確認"), "確認");
    EXPECT_EQ(PortRefusal("ttyUSB9"), "ttyUSB9は使えません");
}

// The menu item keeps the answer for the next start; --lang still wins over it.
TEST_F(PanelLanguageTest, ChoiceFromTheMenuIsKeptForTheNextStart)
{
    Start(std::nullopt);
    CMainFrame& frame = *app->MainFrame();
    const std::optional<Language> answers[] = {Language::English, std::nullopt, Language::Japanese};
    const std::optional<Language> stored[] = {Language::English, Language::English,
                                              Language::Japanese};
    for (std::size_t i = 0; i < std::size(answers); ++i) {
        frame.SetLanguageQuestion([&, i] { return answers[i]; });
        frame.Action(kIdLanguage)->trigger();
        EXPECT_EQ(StoredLanguage(), stored[i]) << i;
        EXPECT_EQ(PanelLanguage(std::nullopt), *stored[i]) << i;
        EXPECT_EQ(PanelLanguage(Language::English), Language::English) << i;
        EXPECT_EQ(PanelLanguage(Language::Japanese), Language::Japanese) << i;
    }
    QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2"))
        .setValue(QStringLiteral("Language"), QStringLiteral("fr"));
    EXPECT_EQ(StoredLanguage(), std::nullopt);  // not a language: the locale decides

    // The question itself: both languages, and that it takes effect at the next start.
    QTimer::singleShot(10, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle().toStdString(), "Language / 言語");
        EXPECT_TRUE(box->text().contains(QStringLiteral("next start")));
        EXPECT_TRUE(box->text().contains(QString::fromUtf8("次回の起動")));
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == QStringLiteral("English")) b->click();
        }
    });
    EXPECT_EQ(AskLanguage(&frame, Language::Japanese), Language::English);
}

// The room a control leaves its text: its contents less a radio button's or check box's mark,
// a button's frame and icon, a sunken label's edge.
int Room(QWidget* w)
{
    QStyle* style = w->style();
    int room = w->contentsRect().width();
    if (qobject_cast<QRadioButton*>(w)) {
        room -= style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
                style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    } else if (qobject_cast<QCheckBox*>(w)) {
        room -= style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        room -= 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        if (!b->icon().isNull()) room -= b->iconSize().width() + 4;
    } else if (auto* l = qobject_cast<PanelLabel*>(w); l && l->Sunken()) {
        room -= 2;
    }
    return room;
}

QString TextOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* l = qobject_cast<PanelLabel*>(w)) return l->text();
    return QString();
}

void SetTextOf(QWidget* w, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    if (auto* l = qobject_cast<PanelLabel*>(w)) l->setText(text);
}

// Every text of the main window fits its control in both languages: the fixed ones as built,
// and each word the model shows in a column (on/off, standalone mode, alarm, waveform) in the
// control that shows it. Where the English word is shortened, its full text is the tooltip.
TEST_F(PanelLanguageTest, TextsFitTheirControlsInBothLanguages)
{
    // Offsets of the column's controls and the model's words they show.
    const std::map<int, std::vector<const char*>> words = {
        {6, {"ＯＮ", "ＯＦＦ"}},
        {0, {"PCレス 固定値出力", " PCレス 自動出力 "}},
        {2, {"出力部高温", "Slewing", "出力不足", "WDOG", "CRC1", "出力異常", "SPI2", "CRC2"}},
        {43, {"のこぎり波", "三角波", "任意波"}},
    };
    for (const Language language : {Language::Japanese, Language::English}) {
        const char* name = LanguageWord(language);
        app.reset();
        ASSERT_TRUE(InstallTranslations(language, kCatalogue));
        Start(language);
        int measured = 0;
        const auto fits = [&](QWidget* w, const QString& text) {
            if (text.trimmed().isEmpty()) return;
            ++measured;
            const int width = QFontMetrics(w->font()).horizontalAdvance(text);
            EXPECT_LE(width, Room(w))
                << name << ": \"" << text.toStdString() << "\" in " << w->objectName().toStdString()
                << " (" << w->metaObject()->className() << ")";
        };
        for (QWidget* w : app->MainFrame()->findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w) &&
                !qobject_cast<PanelLabel*>(w)) {
                continue;
            }
            fits(w, TextOf(w));
        }
        for (int ch = 0; ch < 2; ++ch) {
            for (const auto& [offset, list] : words) {
                QWidget* w = View().Control(ChannelControlId(ch, offset));
                ASSERT_NE(w, nullptr) << offset;
                const QString before = TextOf(w);
                for (const char* word : list) {
                    fits(w, QString::fromStdString(TrMarked("ChannelDisplay", word)));
                }
                SetTextOf(w, before);
            }
        }
        EXPECT_GT(measured, 40) << name;
        // A shortened English text carries its full one as the tooltip.
        QWidget* scaled = View().Control(ChannelControlId(0, 26));
        if (language == Language::English) {
            EXPECT_FALSE(scaled->toolTip().isEmpty());
        } else {
            EXPECT_TRUE(scaled->toolTip().isEmpty());
        }
    }
}

}  // namespace
}  // namespace krv
