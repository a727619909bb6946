#include "app/CMainFrame.h"

#include <QAction>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include "app/CAboutDlg.h"
#include "app/CBremixDoc.h"
#include "app/ManualFile.h"
#include "app/PanelLanguage.h"
#include "dialogs/CDacSelect.h"
#include "flows/Connection.h"
#include "model/GeneratorState.h"
#include "platform/Language.h"
#include "platform/Translate.h"

namespace krv {

namespace {

constexpr const char* kFileFilter = "Bremix Files (*.ini)";
constexpr const char* kRecentPlaceholder = QT_TRANSLATE_NOOP("krv::CMainFrame", "最近使った設定");

// The first local file among dropped URLs, or empty.
QString DroppedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls()) return QString();
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
    }
    return QString();
}

// A path as a menu item shows it: "&" would otherwise underline the next character.
QString MenuText(int index, const QString& path)
{
    QString escaped = path;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(escaped);
}

}  // namespace

CMainFrame::CMainFrame(CBremixDoc& doc, QWidget* parent)
    : QMainWindow(parent),
      doc_(doc),
      askLanguage_([this] { return AskLanguage(this, InstalledLanguage()); }),
      askCircuitCount_([this] { return CDacSelect::Ask(this); })
{
    AppValues& app = doc_.App();
    if (app.mainWindowWidth != kOneCircuitWidth && app.mainWindowWidth != kTwoCircuitWidth) {
        app.mainWindowWidth = kOneCircuitWidth;
    }
    setFixedSize(app.mainWindowWidth, kMainWindowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(InitialPosition(screen->availableGeometry()));
    }
    setAcceptDrops(true);
    BuildMenus();
    UpdateCaption();
    connect(&doc_, &CBremixDoc::PathChanged, this, &CMainFrame::UpdateCaption);
}

CMainFrame::~CMainFrame() = default;

QPoint CMainFrame::InitialPosition(const QRect& workArea)
{
    // The work area's right and bottom edges lie just outside it.
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return QPoint(right / 2 - 150, bottom / 2 - 280);
}

void CMainFrame::ApplyWindowWidth()
{
    const int width = doc_.App().mainWindowWidth;
    if (width != kOneCircuitWidth && width != kTwoCircuitWidth) return;
    setFixedSize(width, kMainWindowHeight);
}

void CMainFrame::SetView(std::unique_ptr<QWidget> view, std::function<void()> initialUpdate)
{
    setCentralWidget(view.release());  // the frame owns it from here on
    initialUpdate_ = std::move(initialUpdate);
}

void CMainFrame::SetCircuitCountQuestion(std::function<int()> ask)
{
    askCircuitCount_ = std::move(ask);
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* caption)
{
    QAction* action = menu->addAction(tr(caption));
    action->setObjectName(QStringLiteral("id%1").arg(id));
    action->setData(id);
    actions_[id] = action;
    return action;
}

void CMainFrame::BuildMenus()
{
    // The text after the tab is what the menu shows in its shortcut column; the shortcut set on
    // the action is what makes the key work.
    QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
    QAction* fileNew = AddCommand(file, kIdFileNew, QT_TR_NOOP("新規設定(&N)\tCtrl+N"));
    fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(fileNew, &QAction::triggered, this, [this] { NewDocument(); });
    QAction* fileOpen = AddCommand(file, kIdFileOpen, QT_TR_NOOP("開く(&O)...\tCtrl+O"));
    fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(fileOpen, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, tr("開く"), QFileInfo(doc_.PathName()).path(), QString::fromUtf8(kFileFilter));
        if (!path.isEmpty()) OpenDocument(path);
    });
    QAction* fileSave = AddCommand(file, kIdFileSave, QT_TR_NOOP("上書き保存(&S)\tCtrl+S"));
    fileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(fileSave, &QAction::triggered, this, [this] { SaveDocument(); });
    QAction* fileSaveAs = AddCommand(file, kIdFileSaveAs, QT_TR_NOOP("名前を付けて保存(&A)..."));
    connect(fileSaveAs, &QAction::triggered, this, [this] { SaveDocumentAs(); });
    file->addSeparator();
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* item = AddCommand(file, kIdFileMru1 + i, kRecentPlaceholder);
        connect(item, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        recentItems_[static_cast<std::size_t>(i)] = item;
    }
    file->addSeparator();
    QAction* exit = AddCommand(file, kIdAppExit, QT_TR_NOOP("アプリケーションの終了(&X)"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    // Another instance may have changed the list meanwhile.
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFileItems);
    UpdateRecentFileItems();

    // The unit's commands belong to the panel (ConnectPanelCommands).
    QMenu* settings = menuBar()->addMenu(tr("設定"));
    QAction* linked = AddCommand(settings, kIdLinkedAutoOutput, QT_TR_NOOP("自動出力　連動動作"));
    linked->setCheckable(true);
    AddCommand(settings, kIdStandaloneSetup, QT_TR_NOOP("PCレス設定"));
    settings->addSeparator();
    AddCommand(settings, kIdCalibration, QT_TR_NOOP("アナログ出力調整"));
    settings->addSeparator();
    // Not translated: it has to be found whatever language the panel speaks.
    QAction* language = settings->addAction(QString::fromUtf8(kLanguageCaption));
    language->setObjectName(QStringLiteral("id%1").arg(kIdLanguage));
    language->setData(kIdLanguage);
    actions_[kIdLanguage] = language;
    connect(language, &QAction::triggered, this, &CMainFrame::ChooseLanguage);
    connect(settings, &QMenu::aboutToShow, this, [this, linked] {
        linked->setChecked(doc_.App().linkedAutoOutput);
        UpdateCommandStates();
    });

    // Records of the outputs; the application connects them to the panel's recording.
    QMenu* record = menuBar()->addMenu(tr("記録"));
    AddCommand(record, kIdStartOutputLog, QT_TR_NOOP("出力記録を開始..."));
    AddCommand(record, kIdStopOutputLog, QT_TR_NOOP("出力記録を停止"))->setEnabled(false);
    record->addSeparator();
    AddCommand(record, kIdShowTrend, QT_TR_NOOP("トレンド表示"));

    QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
    AddCommand(help, kIdUnitInfo, QT_TR_NOOP("発生器　情報"));
    AddCommand(help, kIdFirmwareUpdate, QT_TR_NOOP("発生器　ファームウェア更新"));
    AddCommand(help, kIdDiagnosis, QT_TR_NOOP("診断..."));
    help->addSeparator();
    QAction* manual = AddCommand(help, kIdManual, QT_TR_NOOP("マニュアル(&M)"));
    connect(manual, &QAction::triggered, this, &CMainFrame::ShowManual);
    QAction* about = AddCommand(help, kIdAppAbout, QT_TR_NOOP("バージョン情報 Bremix(&A)..."));
    connect(about, &QAction::triggered, this, &CMainFrame::ShowAbout);

    UpdateCommandStates();
}

void CMainFrame::SetCalibrationAvailability(std::function<bool()> available)
{
    calibrationAvailable_ = std::move(available);
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    actions_[kIdCalibration]->setEnabled(calibrationAvailable_ && calibrationAvailable_());
}

void CMainFrame::UpdateRecentFileItems()
{
    const QStringList files = recent_.Files();
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* item = recentItems_[static_cast<std::size_t>(i)];
        if (i < files.size()) {
            item->setText(MenuText(i, files[i]));
            item->setEnabled(true);
            item->setVisible(true);
        } else if (i == 0) {
            item->setText(tr(kRecentPlaceholder));
            item->setEnabled(false);
            item->setVisible(true);
        } else {
            item->setVisible(false);
        }
    }
}

void CMainFrame::UpdateCaption()
{
    setWindowTitle(doc_.WindowCaption());
}

void CMainFrame::DocumentReplaced()
{
    ApplyWindowWidth();
    if (initialUpdate_) initialUpdate_();
}

bool CMainFrame::NewDocument()
{
    if (!doc_.OnNewDocument(askCircuitCount_)) return false;
    DocumentReplaced();
    return true;
}

bool CMainFrame::OpenDocument(const QString& path)
{
    const LoadOutcome outcome = doc_.OnOpenDocument(path);
    if (outcome == LoadOutcome::Loaded) {
        recent_.Add(doc_.PathName());
        UpdateRecentFileItems();
    }
    // A file that ended early still replaced part of the settings set: show what it holds now.
    if (outcome == LoadOutcome::Loaded || outcome == LoadOutcome::Truncated) DocumentReplaced();
    return outcome == LoadOutcome::Loaded;
}

bool CMainFrame::OpenRecentFile(int index)
{
    const QStringList files = recent_.Files();
    if (index < 0 || index >= files.size()) return false;
    const QString path = files[index];
    if (OpenDocument(path)) return true;
    // The load has told the user why; a file that cannot be opened is not offered again.
    recent_.Remove(path);
    UpdateRecentFileItems();
    return false;
}

bool CMainFrame::SaveDocument()
{
    if (doc_.PathName().isEmpty()) return SaveDocumentAs();
    if (!doc_.OnSaveDocument(doc_.PathName())) return false;
    recent_.Add(doc_.PathName());
    UpdateRecentFileItems();
    return true;
}

bool CMainFrame::SaveDocumentAs()
{
    QString proposal = doc_.PathName();
    if (proposal.isEmpty()) proposal = doc_.Title() + QStringLiteral(".ini");
    QFileDialog dialog(this, tr("名前を付けて保存"), proposal, QString::fromUtf8(kFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    QString path = dialog.selectedFiles().constFirst();
    // Not every file dialog adds the default suffix itself.
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".ini");
    if (!doc_.OnSaveDocument(path)) return false;
    recent_.Add(doc_.PathName());
    UpdateRecentFileItems();
    return true;
}

void CMainFrame::SetLanguageQuestion(std::function<std::optional<Language>()> ask)
{
    askLanguage_ = std::move(ask);
}

void CMainFrame::ChooseLanguage()
{
    if (const std::optional<Language> chosen = askLanguage_()) StoreLanguage(*chosen);
}

void CMainFrame::ShowAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::SetManualFinder(std::function<std::filesystem::path()> find)
{
    findManual_ = std::move(find);
}

void CMainFrame::SetManualOpener(std::function<bool(const QUrl&)> open)
{
    openManual_ = std::move(open);
}

void CMainFrame::ShowManual()
{
    const std::filesystem::path file = findManual_ ? findManual_() : FindManual(ProgramFolder());
    if (file.empty()) {
        // Where the installation puts it, so that a missing documentation folder (a system that
        // leaves out /usr/share/doc) can be recognised.
        const std::vector<std::filesystem::path> candidates = ManualCandidates(ProgramFolder());
        const QString expected = candidates.empty()
                                     ? QStringLiteral("share/doc/bremix2/manual.html")
                                     : QFile::decodeName(candidates.front().c_str());
        QMessageBox::warning(
            this, QString::fromStdString(TrMarked("Caption", kCaptionWarning)),
            tr("マニュアルが見つかりません。次の場所にあるはずです。\n%1").arg(expected));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QFile::decodeName(file.c_str()));
    const bool opened = openManual_ ? openManual_(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        QMessageBox::warning(this, QString::fromStdString(TrMarked("Caption", kCaptionWarning)),
                             tr("マニュアルを開けません。\n%1").arg(url.toLocalFile()));
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // Opened after the drop has finished, so that a message about the file does not hold up
    // the program the file was dragged from.
    QMetaObject::invokeMethod(
        this, [this, path] { OpenDocument(path); }, Qt::QueuedConnection);
}

}  // namespace krv
