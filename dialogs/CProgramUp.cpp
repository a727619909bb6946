#include "dialogs/CProgramUp.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>

#include <memory>
#include <utility>

#include "dialogs/DialogLayout.h"
#include "dialogs/UnitWork.h"
#include "flows/CalibrationSession.h"

namespace krv {

CProgramUp::CProgramUp(DeviceLink& link, GeneratorState& generator, UserInterface& ui,
                       QWidget* parent)
    : QDialog(parent), link_(link), generator_(generator), ui_(ui)
{
    setWindowTitle(tr(kFirmwareDialogTitle));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(240, 100));

    PlaceText(caption_, DialogUnitRect(7, 9, 120, 10), Qt::AlignLeft, tr("更新ファームウェア"));
    PlaceButton(choose_, tr("ファイル選択"), DialogUnitRect(183, 7, 50, 14), kChooseId);
    // A sunken box, as wide as the dialog: a long path is shortened in its middle, and shown
    // whole as the box's tool tip.
    file_.setGeometry(DialogUnitRect(7, 25, 226, 12));
    file_.setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    file_.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    file_.setText(tr(kNoFileText));
    SetControlId(file_, kFileTextId);
    progress_.setGeometry(DialogUnitRect(7, 46, 226, 11));
    progress_.setRange(0, 100);
    progress_.setValue(0);
    progress_.setTextVisible(false);
    SetControlId(progress_, kProgressId);
    PlaceText(status_, DialogUnitRect(7, 63, 226, 10), Qt::AlignLeft, tr(kChooseFileStatus));
    SetControlId(status_, kStatusId);
    PlaceButton(update_, tr("更新"), DialogUnitRect(129, 80, 50, 14), kUpdateId);
    PlaceButton(cancel_, tr("キャンセル"), DialogUnitRect(183, 80, 50, 14), kCancelId);
    update_.setEnabled(false);
    choose_.setToolTip(tr("書き込むファームウェアのファイル（*.cya）を選びます"));
    file_.setToolTip(tr("選んだファームウェアのファイル"));
    progress_.setToolTip(tr("更新の進み具合"));
    status_.setToolTip(tr("更新の状況"));
    update_.setToolTip(tr("選んだファームウェアをユニットに書き込みます"));
    cancel_.setToolTip(tr("更新を中止して閉じます"));
    for (QPushButton* b : {&choose_, &update_, &cancel_}) b->setAutoDefault(false);

    connect(&choose_, &QPushButton::clicked, this, &CProgramUp::ChooseFile);
    connect(&update_, &QPushButton::clicked, this, &CProgramUp::Update);
    connect(&cancel_, &QPushButton::clicked, this, &CProgramUp::reject);
}

CProgramUp::~CProgramUp() = default;

void CProgramUp::ChooseFile()
{
    if (busy_ || started_) return;
    QFileDialog chooser(this);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);  // the file must exist
    chooser.setNameFilters(Q(kFirmwareFileFilters).split(QStringLiteral(";;")));
    chooser.setDefaultSuffix(QStringLiteral("cya"));
    if (!firmwareFile_.isEmpty()) chooser.selectFile(firmwareFile_);
    chooser_ = &chooser;
    const int result = chooser.exec();
    chooser_ = nullptr;
    if (result != QDialog::Accepted) return;
    const QStringList files = chooser.selectedFiles();
    if (files.size() == 1) SetFirmwareFile(files.front());
}

bool CProgramUp::RefuseFile(const QString& path)
{
    const std::string refusal = CheckFirmwareFileForUpdate(path.toStdString());
    if (refusal.empty()) return false;
    ui_.ShowMessage(refusal, kCaptionNotice, MessageIcon::Warning, MessageButtons::Ok);
    return true;
}

void CProgramUp::SetFirmwareFile(const QString& path)
{
    if (busy_ || started_ || path.isEmpty()) return;
    if (RefuseFile(path)) return;
    firmwareFile_ = QFileInfo(path).absoluteFilePath();
    ShowFilePath();
    status_.setText(tr(kFileChosenStatus));
    update_.setEnabled(true);
}

void CProgramUp::ShowFilePath()
{
    const int room = file_.contentsRect().width() - 2 * file_.margin() - 4;
    file_.setText(file_.fontMetrics().elidedText(firmwareFile_, Qt::ElideMiddle, room));
    file_.setToolTip(firmwareFile_);
}

void CProgramUp::Update()
{
    if (busy_ || started_) return;
    // Nothing of the panel or the unit is touched for an update that cannot start: no file, or
    // one that is not (or no longer) a whole firmware image.
    if (firmwareFile_.isEmpty()) {
        ui_.ShowMessage(TrMarked("FirmwareUpdate", kNoFileChosen), kCaptionNotice,
                        MessageIcon::Warning, MessageButtons::Ok);
        Finish(FirmwareUpdateOutcome::Refused);
        return;
    }
    if (RefuseFile(firmwareFile_)) {
        Finish(FirmwareUpdateOutcome::Refused);
        return;
    }
    if (beforeUpdate) std::exchange(beforeUpdate, nullptr)();
    cancelRequested_.store(false);
    SetBusy(true);

    // The update works on a copy of the document, which the windows may read meanwhile; what it
    // changes (the circuit count, the calibration tables) is taken over once it has ended.
    auto work = std::make_unique<GeneratorState>(generator_);
    FirmwareUpdateRequest request;
    request.firmwareFile = firmwareFile_.toStdString();
    request.backupFolder = backupFolder;
    FirmwareUpdateResult result;

    std::vector<QWidget*> blocked;
    if (parentWidget() != nullptr) blocked.push_back(parentWidget()->window());
    UnitWork unitWork(link_, ui_);
    const bool ran = unitWork.Run(
        [&](UserInterface& ui) {
            const auto report = [this](const std::string& status, int progress) {
                QMetaObject::invokeMethod(
                    this, [this, text = Q(status), progress] { ShowStep(text, progress); },
                    Qt::QueuedConnection);
            };
            FirmwareContext context(link_, ui, report, &cancelRequested_);
            result = RunFirmwareUpdate(context, *work, request);
        },
        blocked);
    if (!ran) {
        SetBusy(false);
        return;
    }
    generator_.circuitCount = work->circuitCount;
    CalibrationTableCopy::Of(*work).ApplyTo(generator_);
    // The steps the work posted are shown before the dialog settles.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    Finish(result.outcome);
}

void CProgramUp::Finish(FirmwareUpdateOutcome outcome)
{
    lastOutcome_ = outcome;
    cancelRequested_.store(false);
    busy_ = false;
    // Refused before anything was read from the unit: the user may correct and start again.
    started_ = outcome != FirmwareUpdateOutcome::Refused;
    choose_.setEnabled(!started_);
    update_.setEnabled(!started_ && !firmwareFile_.isEmpty());
    cancel_.setEnabled(true);
    if (outcome == FirmwareUpdateOutcome::Succeeded) cancel_.setText(tr(kBackButtonText));
}

void CProgramUp::ShowStep(const QString& status, int progress)
{
    if (status_.text() != status) status_.setText(status);
    if (progress_.value() != progress) progress_.setValue(progress);
}

void CProgramUp::SetBusy(bool busy)
{
    busy_ = busy;
    choose_.setEnabled(!busy);
    update_.setEnabled(!busy && !firmwareFile_.isEmpty());
    // "キャンセル" stays usable while busy: it is the way out of a unit that never answers.
    cancel_.setEnabled(true);
}

void CProgramUp::accept()
{
    // No button of this dialog accepts; Enter does nothing.
}

void CProgramUp::reject()
{
    if (busy_) {
        cancelRequested_.store(true);
        return;
    }
    CFtdiPort& bridge = link_.FtdiPort();
    if (bridge.IsFtdiOpen()) bridge.CloseFtdiDevice();
    QDialog::reject();
}

}  // namespace krv
