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
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QtCharts/QChart>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "app/CAboutDlg.h"
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
#include "panel/TrendWindow.h"
#include "platform/DocumentsFolder.h"
#include "platform/Translate.h"
#include "protocol/Ranges.h"
#include "support/TempFolder.h"

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
    // The trend window as the record menu opens it, shown and laid out.
    TrendWindow* OpenTrend() const
    {
        app->MainFrame()->Action(kIdShowTrend)->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* trend = qobject_cast<TrendWindow*>(w); trend && trend->isVisible()) {
                return trend;
            }
        }
        return nullptr;
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
    EXPECT_EQ(View().Control(ChannelControlId(1, 24))->toolTip().toStdString(),
              "Formula\nSet the conversion formula and its unit");
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
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->textFormat() != Qt::RichText) return l->text();
        QTextDocument shown;  // what the label shows of its markup
        shown.setHtml(l->text());
        return shown.toPlainText();
    }
    if (auto* l = qobject_cast<PanelLabel*>(w)) return l->text();
    return QString();
}

void SetTextOf(QWidget* w, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    if (auto* l = qobject_cast<PanelLabel*>(w)) l->setText(text);
}

// The trend window in both languages: its title, buttons (also paused), labels, the plots'
// titles, the tooltip of every control and the message of a PNG that cannot be saved.
TEST_F(PanelLanguageTest, TrendWindowInBothLanguages)
{
    struct Expected {
        Language language;
        const char* title;
        const char* pause;
        const char* resume;
        const char* exportButton;
        const char* span;
        std::vector<const char*> legend;
        const char* plotTitle;  // how the first plot's title starts
        const char* cannotSave;
    };
    const Expected table[] = {
        {Language::Japanese,
         "トレンド表示",
         "一時停止",
         "再開",
         "PNG保存...",
         "直近10分",
         {"出力オフ", "未接続"},
         "チャンネル１　",
         "PNGファイルを保存できません。\n"},
        {Language::English,
         "Trend",
         "Pause",
         "Resume",
         "Save PNG...",
         "Last 10 min",
         {"Output off", "Not connected"},
         "Channel 1  ",
         "Cannot save the PNG file.\n"},
    };
    for (const Expected& e : table) {
        const char* name = LanguageWord(e.language);
        app.reset();
        ASSERT_TRUE(InstallTranslations(e.language, kCatalogue));
        Start(e.language);
        TrendWindow* trend = OpenTrend();
        ASSERT_NE(trend, nullptr) << name;
        EXPECT_EQ(trend->windowTitle().toStdString(), e.title) << name;
        EXPECT_EQ(trend->PauseButton().text().toStdString(), e.pause) << name;
        const QString runningTip = trend->PauseButton().toolTip();
        trend->SetPaused(true);
        EXPECT_EQ(trend->PauseButton().text().toStdString(), e.resume) << name;
        EXPECT_NE(trend->PauseButton().toolTip(), runningTip) << name;
        trend->SetPaused(false);
        EXPECT_EQ(trend->ExportButton().text().toStdString(), e.exportButton) << name;
        auto* span = trend->findChild<QLabel*>(QStringLiteral("trendSpan"));
        ASSERT_NE(span, nullptr);
        EXPECT_EQ(span->text().toStdString(), e.span) << name;
        const QString legend = TextOf(trend->findChild<QLabel*>(QStringLiteral("trendLegend")));
        for (const char* word : e.legend) {
            EXPECT_TRUE(legend.contains(QString::fromUtf8(word))) << name << ": " << word;
        }
        EXPECT_TRUE(trend->Chart(0)->title().startsWith(QString::fromUtf8(e.plotTitle)))
            << name << ": " << trend->Chart(0)->title().toStdString();
        for (QWidget* w : trend->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                EXPECT_FALSE(w->toolTip().isEmpty())
                    << name << ": " << w->objectName().toStdString();
            }
        }
        std::vector<std::string> errors;
        trend->choosePngFile = [] { return QStringLiteral("/nonexistent-folder/trend.png"); };
        trend->showError = [&](const QString& text) { errors.push_back(text.toStdString()); };
        trend->ExportButton().click();
        EXPECT_EQ(errors, std::vector<std::string>{std::string(e.cannotSave) +
                                                   "/nonexistent-folder/trend.png"})
            << name;
    }
}

// Every control of the main window explains itself in both languages.
TEST_F(PanelLanguageTest, EveryPanelControlHasATooltip)
{
    for (const Language language : {Language::Japanese, Language::English}) {
        app.reset();
        ASSERT_TRUE(InstallTranslations(language, kCatalogue));
        Start(language);
        int controls = 0;
        for (QWidget* w : View().findChildren<QWidget*>()) {
            if (!w->objectName().startsWith(QStringLiteral("id"))) continue;
            ++controls;
            EXPECT_FALSE(w->toolTip().isEmpty())
                << LanguageWord(language) << ": " << w->objectName().toStdString() << " ("
                << w->metaObject()->className() << ")";
        }
        EXPECT_GT(controls, 2 * 40) << LanguageWord(language);
        // The connect button's tooltip is in the panel's language.
        const QString tip = View().Control(kConnectButtonId)->toolTip();
        EXPECT_EQ(tip.contains(QStringLiteral("Connect")), language == Language::English);
    }
}

// The manual item: in the help menu in both languages, it hands the manual found to the opener,
// and says where the manual was expected when it is missing or cannot be opened.
TEST_F(PanelLanguageTest, ManualItemOpensTheInstalledManual)
{
    test::TempFolder folder;
    const std::string manual = folder.Write("manual.html", "<html></html>");
    struct Case {
        Language language;
        const char* item;
        const char* missing;  // how the message of a missing manual starts
        const char* unopened;
    };
    const Case table[] = {
        {Language::Japanese, "マニュアル(&M)", "マニュアルが見つかりません。",
         "マニュアルを開けません。"},
        {Language::English, "&Manual", "The manual is not installed.", "Cannot open the manual."},
    };
    for (const Case& c : table) {
        const char* name = LanguageWord(c.language);
        app.reset();
        ASSERT_TRUE(InstallTranslations(c.language, kCatalogue));
        Start(c.language);
        CMainFrame& frame = *app->MainFrame();
        QAction* item = frame.Action(kIdManual);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->text().toStdString(), c.item) << name;
        EXPECT_TRUE(
            app->MainFrame()->menuBar()->actions().back()->menu()->actions().contains(item));

        std::vector<QUrl> opened;
        bool opens = true;
        std::filesystem::path found = manual;
        frame.SetManualFinder([&] { return found; });
        frame.SetManualOpener([&](const QUrl& url) {
            opened.push_back(url);
            return opens;
        });
        item->trigger();
        ASSERT_EQ(opened.size(), 1u) << name;
        EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(manual))) << name;

        // Missing, then refused by the desktop: a warning each time, nothing more opened.
        const auto warning = [&](std::function<void()> act) {
            QString text;
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    text = box->text();
                    box->accept();
                }
            });
            act();
            return text.toStdString();
        };
        found.clear();
        const std::string missing = warning([&] { item->trigger(); });
        EXPECT_EQ(missing.rfind(c.missing, 0), 0u) << name << ": " << missing;
        EXPECT_NE(missing.find("manual.html"), std::string::npos) << missing;
        found = manual;
        opens = false;
        const std::string unopened = warning([&] { item->trigger(); });
        EXPECT_EQ(unopened.rfind(c.unopened, 0), 0u) << name << ": " << unopened;
        EXPECT_NE(unopened.find(manual), std::string::npos) << unopened;
        EXPECT_EQ(opened.size(), 2u) << name;
    }
}

// Every text of the main window fits its control in both languages: the fixed ones as built,
// and each word the model shows in a column (on/off, standalone mode, alarm, waveform) in the
// control that shows it. Where the English word is shortened, its full text is the tooltip.
TEST_F(PanelLanguageTest, TextsFitTheirControlsInBothLanguages)
{
    // Offsets of the column's controls and the model's words they show (the range button shows
    // every range's name).
    std::map<int, std::vector<std::string>> words = {
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
        // Range names come translated from the core.
        words[23].clear();
        for (OutputRange range = 0; range <= kScaledRange; ++range) {
            if (const std::string shown = RangeDisplayName(range); !shown.empty()) {
                words[23].push_back(shown);
            }
        }
        int measured = 0;
        const auto fits = [&](QWidget* w, const QString& text) {
            if (text.trimmed().isEmpty()) return;
            ++measured;
            const int width = QFontMetrics(w->font()).horizontalAdvance(text);
            EXPECT_LE(width, Room(w))
                << name << ": \"" << text.toStdString() << "\" in " << w->objectName().toStdString()
                << " (" << w->metaObject()->className() << ")";
            // A radio button's or check box's text runs to the right of its mark, and must not
            // run under, or touch, a neighbour to its right (the column's "f(x)" button).
            if (!qobject_cast<QRadioButton*>(w) && !qobject_cast<QCheckBox*>(w)) return;
            const QRect inside = w->contentsRect();
            const QRect drawn(w->mapToParent(QPoint(inside.right() + 1 - Room(w), inside.top())),
                              QSize(width + 2, inside.height()));
            for (QWidget* other :
                 w->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                EXPECT_TRUE(other == w || !other->isVisible() ||
                            !other->geometry().intersects(drawn))
                    << name << ": \"" << text.toStdString() << "\" runs under "
                    << other->objectName().toStdString();
            }
        };
        // Every window with texts: the main window, the about box and the trend window, the latter
        // paused as well (its button then says how to resume).
        TrendWindow* trend = OpenTrend();
        ASSERT_NE(trend, nullptr);
        CAboutDlg about(app->MainFrame());
        const std::vector<std::pair<QWidget*, std::function<void()>>> windows = {
            {app->MainFrame(), [] {}},
            {&about, [] {}},
            {trend, [] {}},
            {trend, [trend] { trend->SetPaused(true); }},
        };
        for (const auto& [window, prepare] : windows) {
            prepare();
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w) &&
                    !qobject_cast<PanelLabel*>(w)) {
                    continue;
                }
                fits(w, TextOf(w));
            }
        }
        trend->SetPaused(false);
        for (int ch = 0; ch < 2; ++ch) {
            for (const auto& [offset, list] : words) {
                QWidget* w = View().Control(ChannelControlId(ch, offset));
                ASSERT_NE(w, nullptr) << offset;
                const QString before = TextOf(w);
                for (const std::string& word : list) {
                    fits(w, QString::fromStdString(TrMarked("ChannelDisplay", word.c_str())));
                }
                SetTextOf(w, before);
            }
        }
        EXPECT_GT(measured, 50) << name;
        // A shortened English text leads the tooltip with its full one; the whole Japanese
        // text is not repeated there.
        QWidget* scaled = View().Control(ChannelControlId(0, 26));
        const QString help = QCoreApplication::translate("krv::ChannelColumn",
                                                         "換算式で換算した値で表示・設定します");
        if (language == Language::English) {
            EXPECT_EQ(scaled->toolTip(),
                      QCoreApplication::translate("krv::ChannelColumn", "換算", "full text") +
                          QLatin1Char('\n') + help);
        } else {
            EXPECT_EQ(scaled->toolTip(), help);
        }
    }
}

}  // namespace
}  // namespace krv
