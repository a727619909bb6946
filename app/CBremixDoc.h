#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>

#include "files/SettingsFile.h"
#include "flows/LinkFrameSink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "platform/DocumentsFolder.h"
#include "platform/UserInterface.h"

namespace krv {

class DeviceLink;

// The one settings document of the panel: the generator's settings set, its file, and the
// settings of the last run that carry over to the next start.
class CBremixDoc : public QObject {
    Q_OBJECT

  public:
    // Sets the defaults, then restores the settings of the last run from `lastStatePath`.
    // Messages go to the link's user interface.
    CBremixDoc(DeviceLink& link, AppValues& app,
               std::filesystem::path lastStatePath = LastStateFilePath(),
               QObject* parent = nullptr);
    // Writes the settings set to the last-state file. A failure there is dropped: there is no
    // one left to tell at exit, and the previous file stays intact.
    ~CBremixDoc() override;
    CBremixDoc(const CBremixDoc&) = delete;
    CBremixDoc& operator=(const CBremixDoc&) = delete;

  private:
    // The generator's output frames go over the link; declared before the generator that uses it.
    LinkFrameSink frames_;

  public:
    GeneratorState generator;
    // The constructor found a last-state file; the first new-document step keeps what it read.
    bool lastStateLoaded = false;

    // Starts a new settings set. Right after a restored last state the restored set is kept
    // (repaired); otherwise `askCircuitCount` chooses: 1, 2 or 4 resets everything for that many
    // circuits, anything else (cancel) fails and changes nothing. On success the document has no
    // file.
    bool OnNewDocument(const std::function<int()>& askCircuitCount);

    // Reads the settings file at `path`. Only a file read completely becomes the document's
    // file, so a later save can never overwrite a file this program did not understand. The
    // reason for a refusal has been shown through the user interface.
    LoadOutcome OnOpenDocument(const QString& path);

    // Writes the settings set to `path`; on success it becomes the document's file. A failure
    // is shown through the user interface and described in `error`.
    bool OnSaveDocument(const QString& path, QString* error = nullptr);

    // The document's file, empty for a settings set never saved or opened.
    const QString& PathName() const { return pathName_; }
    // The file's name without its folder, or "無題".
    QString Title() const;
    // "<title> - Bremix2".
    QString WindowCaption() const;

    // The document is dropped without becoming the last state: a start-up the user cancelled
    // before choosing a circuit count leaves the last-state file as it was.
    void SkipLastStateWrite() { writeLastState_ = false; }

    UserInterface& Ui() const;
    // The link the unit is reached through; the generator's frames go over it.
    DeviceLink& Link() const { return *link_; }
    AppValues& App() const { return *app_; }
    const std::filesystem::path& LastStatePath() const { return lastStatePath_; }

  signals:
    // The document's file (and with it the title) changed.
    void PathChanged();

  private:
    void SetPathName(const QString& path);

    DeviceLink* link_;
    AppValues* app_;
    std::filesystem::path lastStatePath_;
    QString pathName_;
    bool writeLastState_ = true;
};

// The name shown for a settings set that has no file yet.
inline constexpr const char* kUntitledName = QT_TRANSLATE_NOOP("krv::CBremixDoc", "無題");

// A file path as the operating system takes it.
std::filesystem::path LocalPath(const QString& path);

}  // namespace krv
