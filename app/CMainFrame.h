#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QRect>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/RecentFileList.h"
#include "platform/Language.h"

class QAction;
class QMenu;
class QUrl;

namespace krv {

class CBremixDoc;

// Menu command ids.
inline constexpr int kIdFileNew = 57600;
inline constexpr int kIdFileOpen = 57601;
inline constexpr int kIdFileSave = 57603;
inline constexpr int kIdFileSaveAs = 57604;
inline constexpr int kIdFileMru1 = 57616;  // 57616 to 57619: the recent files
inline constexpr int kIdAppExit = 57665;
inline constexpr int kIdLinkedAutoOutput = 32787;
inline constexpr int kIdStandaloneSetup = 32791;
inline constexpr int kIdCalibration = 32779;
inline constexpr int kIdUnitInfo = 32781;
inline constexpr int kIdFirmwareUpdate = 32772;
inline constexpr int kIdDiagnosis = 32903;
inline constexpr int kIdAppAbout = 57664;
// The "記録" menu: the output log and the trend.
inline constexpr int kIdStartOutputLog = 32900;
inline constexpr int kIdStopOutputLog = 32901;
inline constexpr int kIdShowTrend = 32902;
inline constexpr int kIdLanguage = 32904;
inline constexpr int kIdManual = 32905;

inline constexpr int kMainWindowHeight = 560;

// The main window: a fixed-size frame around the panel view, with the menu bar.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // Puts a width other than one of the two the panel lays out for back to the one-circuit
    // width, sizes the window and places it in the middle of the screen.
    explicit CMainFrame(CBremixDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Installs the panel view as the window's content; `initialUpdate` lays it out again after
    // every new settings set and every file opened.
    void SetView(std::unique_ptr<QWidget> view, std::function<void()> initialUpdate);
    // Replaces the circuit-count dialog (tests answer the question themselves).
    void SetCircuitCountQuestion(std::function<int()> ask);
    // Replaces the question of the language item (tests answer it themselves).
    void SetLanguageQuestion(std::function<std::optional<Language>()> ask);
    // Replaces how the manual is found (the installed one beside the program by default) and how
    // it is opened (the desktop's browser by default; true when it could be handed over).
    void SetManualFinder(std::function<std::filesystem::path()> find);
    void SetManualOpener(std::function<bool(const QUrl&)> open);
    // Tells the frame when the calibration command may run (while connected); until then its
    // menu item is greyed.
    void SetCalibrationAvailability(std::function<bool()> available);
    // Enables the menu items by the state they depend on (the frame also does so whenever the
    // menu opens).
    void UpdateCommandStates();

    // The menu item with command id `id`, or null.
    QAction* Action(int id) const;

    // --- Commands ---------------------------------------------------------------------------

    // "新規設定": a new settings set; false when the user cancelled (nothing changed then).
    bool NewDocument();
    // Opens the settings file `path`; true when it was read completely.
    bool OpenDocument(const QString& path);
    // "上書き保存": saves to the document's file, or asks for one when it has none.
    bool SaveDocument();
    // "名前を付けて保存": asks for a file name and saves there.
    bool SaveDocumentAs();
    // Opens recent file `index` (0 = most recent); a file that cannot be opened leaves the list.
    bool OpenRecentFile(int index);
    void ShowAbout();
    // "マニュアル": opens the installed manual; says where it was expected when it is missing.
    void ShowManual();
    // "Language / 言語": asks for the panel's language and keeps it for the next start.
    void ChooseLanguage();

    QStringList RecentFiles() const { return recent_.Files(); }

    // Sizes the window for the current main window width, keeping its position.
    void ApplyWindowWidth();
    // Where the window goes on a screen whose work area is `workArea`.
    static QPoint InitialPosition(const QRect& workArea);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QAction* AddCommand(QMenu* menu, int id, const char* caption);
    void BuildMenus();
    void UpdateRecentFileItems();
    void UpdateCaption();
    void DocumentReplaced();

    CBremixDoc& doc_;
    RecentFileList recent_;
    std::function<std::optional<Language>()> askLanguage_;
    std::map<int, QAction*> actions_;
    std::array<QAction*, RecentFileList::kSize> recentItems_{};
    std::function<void()> initialUpdate_;
    std::function<int()> askCircuitCount_;
    std::function<bool()> calibrationAvailable_;
    std::function<std::filesystem::path()> findManual_;
    std::function<bool(const QUrl&)> openManual_;
};

}  // namespace krv
