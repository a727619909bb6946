// The panel's maintenance commands: calibration, unit information, standalone setup, the
// firmware update and the diagnosis. Each rests the tick's periodic work while its dialog talks to
// the unit; the exchanges that take more than a moment run off the user-interface thread
// (UnitWork), with the panel taking no input meanwhile.
#include "dialogs/CCalDlg.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/CProgramUp.h"
#include "dialogs/ConverterVersionDlg.h"
#include "dialogs/DiagnosisDlg.h"
#include "dialogs/UnitWork.h"
#include "flows/CalibrationSession.h"
#include "flows/Connection.h"
#include "flows/UnitInformation.h"
#include "link/DeviceLink.h"
#include "panel/CBremixView.h"
#include "panel/TickRest.h"
#include "platform/Translate.h"
#include "protocol/StandaloneModes.h"

namespace krv {

namespace {

constexpr const char* kOutputOnRefusal =
    KRV_TRANSLATE_NOOP("MaintenanceCommands", "ＯＮ状態では設定できません。");
constexpr const char* kNotConnected =
    KRV_TRANSLATE_NOOP("MaintenanceCommands", "接続されていません");

}  // namespace

bool CBremixView::AnyOutputOn() const
{
    for (int ch = 0; ch < state_.AddressedCircuits(); ++ch) {
        if (state_.OutputOn(ch)) return true;
    }
    return false;
}

bool CBremixView::CalibrationAvailable() const
{
    return link_.IsOpen();
}

void CBremixView::CalibrationCommand()
{
    if (UnitWork::Busy()) return;
    if (AnyOutputOn()) {
        ui_.ShowMessage(TrMarked("MaintenanceCommands", kOutputOnRefusal), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (!link_.IsOpen()) {
        ui_.ShowMessage(TrMarked("MaintenanceCommands", kNotConnected), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    TickRest rest(tickProcessing_, &polling_.pollingEnabled);
    rest.ResumePolling(true);

    DeviceLink& link = link_;
    const int count = state_.AddressedCircuits();
    const auto ranges = CurrentRanges(state_);
    CalibrationTableCopy tables = CalibrationTableCopy::Of(state_);
    bool read = false;
    UnitWork work(link, ui_);
    work.Run([&](UserInterface&) { read = ReadCurrentCalibration(link, tables, ranges, count); },
             {window()});
    tables.ApplyTo(state_);
    if (!read) {
        ui_.ShowMessage(TrMarked("UnitInformation", kCommunicationError), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    const CalibrationValuesSet noted = NoteCalibration(state_, count);

    CCalDlg dialog(link_, ui_, this);
    dialog.channelCount = count;
    dialog.values = noted;
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    // Confirmed: the dialog's values go into the unit and are stored there. Cancelled: the
    // selectors read before go back; nothing is stored.
    if (confirmed) {
        TakeCalibrationResult(state_, dialog.values, count);
    } else {
        RestoreCalibrationModes(state_, noted, count);
    }
    tables = CalibrationTableCopy::Of(state_);
    const CalibrationValuesSet& written = confirmed ? dialog.values : noted;
    work.Run(
        [&](UserInterface&) { WriteCalibrationEntries(link, tables, written, count, confirmed); },
        {window()});
    RefreshPanel();
}

void CBremixView::UpdateFirmwareCommand()
{
    if (UnitWork::Busy()) return;
    // The tick rests while the dialog is open. The unit restarts into its boot loader: nothing
    // may stay switched on, and the update reaches it through its USB bridge, not through the
    // port. That happens only once an update with a whole firmware file starts; closing the
    // dialog without one leaves the panel as it was.
    TickRest rest(tickProcessing_, &polling_.pollingEnabled);
    bool released = false;

    const int circuits = state_.circuitCount;
    {
        CProgramUp dialog(link_, state_, ui_, this);
        dialog.backupFolder = options_.firmwareBackupFolder;
        dialog.beforeUpdate = [&] {
            ReleaseUnitForFirmwareUpdate(link_, state_);
            released = true;
            RefreshPanel();
            ShowConnection();
        };
        dialog.exec();
    }
    if (!released && link_.IsOpen()) rest.ResumePolling(rest.WasPolling());
    // The unit's serial number gives the circuit count; the user connects again to go on.
    if (state_.circuitCount != circuits) LayoutChannels();
    RefreshPanel();
    ShowConnection();
}

void CBremixView::UnitInfoCommand()
{
    if (UnitWork::Busy()) return;
    TickRest rest(tickProcessing_);
    if (link_.IsOpen()) {
        ConverterVersionDlg dialog(link_, state_, ui_, this);
        dialog.circuits = state_.circuitCount;
        dialog.exec();
    } else {
        ui_.ShowMessage(TrMarked("MaintenanceCommands", kNotConnected), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
    }
}

void CBremixView::DiagnosisCommand()
{
    if (UnitWork::Busy()) return;
    // The checks may ask the unit over the panel's own open port: the tick rests meanwhile.
    TickRest rest(tickProcessing_, &polling_.pollingEnabled);
    DeviceLink& link = link_;
    DiagnosisDlg dialog(link, ui_, this);
    dialog.options.linkInUse = link.IsOpen();
    dialog.options.port = link.IsOpen()
                              ? PortNameFromPath(link.PortName())
                              : PortNameFromEntryText(portList_->currentText().toStdString());
    dialog.exec();
    rest.ResumePolling(rest.WasPolling() && link.IsOpen());
}

void CBremixView::StandaloneSetupCommand()
{
    if (UnitWork::Busy()) return;
    if (AnyOutputOn()) {
        ui_.ShowMessage(TrMarked("MaintenanceCommands", kOutputOnRefusal), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    TickRest rest(tickProcessing_, &polling_.pollingEnabled);
    rest.ResumePolling(true);

    CPcResSetupDlg dialog(link_, state_, ui_, this);
    dialog.linkWasOpen = link_.IsOpen();
    for (std::size_t k = 0; k < dialog.fixedValues.size(); ++k) {
        dialog.fixedValues[k] = NarrowToFloat(state_.channels[k].outputValue);
    }
    dialog.exec();

    // Whatever the dialog did, the panel shows and obeys the modes the unit now runs.
    if (link_.IsOpen()) {
        DeviceLink& link = link_;
        std::optional<std::array<StandaloneModeReport, 2>> modes;
        UnitWork work(link, ui_);
        work.Run([&](UserInterface&) { modes = ReadStandaloneModes(link); }, {window()});
        if (modes) state_.ApplyStandaloneModes(*modes);
    }
    RefreshPanel();
}

}  // namespace krv
