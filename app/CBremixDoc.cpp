#include "app/CBremixDoc.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#include "files/LastStateFile.h"
#include "link/DeviceLink.h"

namespace krv {

namespace {

constexpr const char* kSaveFailedMessage =
    QT_TRANSLATE_NOOP("krv::CBremixDoc", "%1 に保存できませんでした。");
// Texts go to the file in the Windows code page; what has no form there is stored as "?".
constexpr const char* kTextsReplacedMessage = QT_TRANSLATE_NOOP(
    "krv::CBremixDoc", "保存できない文字があったため、「?」に置き換えて保存しました。");

}  // namespace

std::filesystem::path LocalPath(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return std::filesystem::path(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

CBremixDoc::CBremixDoc(DeviceLink& link, AppValues& app, std::filesystem::path lastStatePath,
                       QObject* parent)
    : QObject(parent),
      frames_(link),
      generator(app, &frames_),
      link_(&link),
      app_(&app),
      lastStatePath_(std::move(lastStatePath))
{
    lastStateLoaded = LoadLastState(generator, *app_, Ui(), lastStatePath_);
}

CBremixDoc::~CBremixDoc()
{
    if (writeLastState_) SaveLastState(generator, *app_, lastStatePath_);
}

UserInterface& CBremixDoc::Ui() const
{
    return link_->Ui();
}

bool CBremixDoc::OnNewDocument(const std::function<int()>& askCircuitCount)
{
    if (lastStateLoaded) {
        // The settings of the last run were just restored: keep them, repaired, once.
        lastStateLoaded = false;
        generator.NormaliseChannels();
        generator.ValidateAutoOutput();
    } else {
        const int count = askCircuitCount ? askCircuitCount() : -1;
        if (count != 1 && count != 2 && count != 4) return false;
        generator.circuitCount = count;
        generator.ResetForCircuitCount(count);
    }
    SetPathName(QString());
    return true;
}

LoadOutcome CBremixDoc::OnOpenDocument(const QString& path)
{
    const LoadOutcome outcome = LoadSettingsFile(generator, *app_, LocalPath(path), Ui(), link_);
    if (outcome == LoadOutcome::Loaded || outcome == LoadOutcome::Truncated) {
        // The document no longer holds the restored last state, so a following "新規設定"
        // must ask for a circuit count like every other one.
        lastStateLoaded = false;
    }
    if (outcome == LoadOutcome::Loaded) SetPathName(QFileInfo(path).absoluteFilePath());
    return outcome;
}

bool CBremixDoc::OnSaveDocument(const QString& path, QString* error)
{
    std::string reason;
    bool textsReplaced = false;
    if (!SaveSettingsFile(generator, *app_, LocalPath(path), &reason, &textsReplaced)) {
        QString text = tr(kSaveFailedMessage).arg(path);
        if (!reason.empty()) text += QLatin1Char('\n') + QString::fromStdString(reason);
        if (error) *error = QString::fromStdString(reason);
        Ui().ShowMessage(text.toStdString(), kApplicationTitle, MessageIcon::Warning,
                         MessageButtons::Ok);
        return false;
    }
    SetPathName(QFileInfo(path).absoluteFilePath());
    if (textsReplaced) {
        Ui().ShowMessage(tr(kTextsReplacedMessage).toStdString(), kCaptionNotice,
                         MessageIcon::Information, MessageButtons::Ok);
    }
    return true;
}

QString CBremixDoc::Title() const
{
    if (pathName_.isEmpty()) return tr(kUntitledName);
    return QFileInfo(pathName_).fileName();
}

QString CBremixDoc::WindowCaption() const
{
    return Title() + QStringLiteral(" - ") + QString::fromUtf8(kApplicationTitle);
}

void CBremixDoc::SetPathName(const QString& path)
{
    if (path == pathName_) return;
    pathName_ = path;
    emit PathChanged();
}

}  // namespace krv
