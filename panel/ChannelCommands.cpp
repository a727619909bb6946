// The operations of the channel columns' controls: each changes the model through the channel
// operations (which send to the unit while connected) and then shows the column again.
#include <QMetaObject>

#include "dialogs/CAutoOutDlg.h"
#include "dialogs/CPresetDlg.h"
#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"
#include "link/DeviceLink.h"
#include "model/AutoOutputEngine.h"
#include "model/ChannelOperations.h"
#include "model/ValueDisplay.h"
#include "panel/CBremixView.h"
#include "platform/Translate.h"

namespace krv {

template <typename F>
void CBremixView::WithPollingHeld(F&& change)
{
    const bool polling = polling_.pollingEnabled;
    polling_.pollingEnabled = false;
    change();
    polling_.pollingEnabled = polling;
}

void CBremixView::OnToggleOutput(int ch)
{
    if (!link_.IsOpen()) {
        ui_.ShowMessage(Tr("ChannelCommands", "接続されていません"), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    WithPollingHeld([&] { ToggleOutput(state_, ch); });
}

void CBremixView::OnStepButton(int ch, int offset)
{
    // Even offsets step up, odd ones down; 20 and 21 are the sign buttons (position 6).
    WithPollingHeld([&] {
        StepDigit(state_, ch, (offset - 8) / 2, offset % 2 == 1);
        if (link_.IsOpen()) RefreshPanel();
    });
    UpdateValueFields();
}

void CBremixView::OnPreset(int ch, int n)
{
    WithPollingHeld([&] {
        SelectPreset(state_, ch, n);
        if (link_.IsOpen()) RefreshPanel();
    });
    UpdateValueFields();
}

void CBremixView::OnDisplayMode(int ch, bool scaled)
{
    if (state_.autoOutput[static_cast<std::size_t>(ch)].runState == 0) {
        WithPollingHeld([&] { state_.SetScalingMode(ch, scaled); });
    }
    // The panel sets the radio buttons' checks itself, also when nothing changed.
    const ChannelDisplay shown = Display(ch);
    ChannelColumn& column = Column(ch);
    column.ShowDisplayMode(shown);
    if (ch < VisibleColumns()) column.ShowStepButtons(shown);
    column.ShowAutoOutput(shown);
    column.ShowPresets(shown);
    UpdateValueFields();
}

void CBremixView::OnValueCommitted(int ch, const QString& text)
{
    WithPollingHeld([&] { CommitTypedValue(state_, ch, text.toStdString()); });
    // The field shows the value as taken (or the old one after a text that was no number); the
    // text is replaced once this change notification has returned.
    QMetaObject::invokeMethod(
        this, [this] { UpdateValueFields(); }, Qt::QueuedConnection);
}

void CBremixView::OnRangeButton(int ch)
{
    // A running or paused automatic output keeps its range.
    if (state_.autoOutput[static_cast<std::size_t>(ch)].runState != 0) return;
    if (state_.OutputOn(ch)) {
        ui_.ShowMessage(Tr("ChannelCommands", "ＯＮ状態では切替できません。"), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    WithPollingHeld([&] {
        CRangeSelectDlg dialog(ui_, this);
        dialog.range = state_.channels[static_cast<std::size_t>(ch)].range;
        if (dialog.exec() != QDialog::Accepted) return;
        if (state_.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode != kStandaloneOff) {
            ui_.ShowMessage(Tr("ChannelCommands", "変換器にPCレス設定を書込後、有効となります"),
                            kCaptionNotice, MessageIcon::Information, MessageButtons::Ok);
        }
        ApplyRange(state_, ch, dialog.range);
        const ChannelDisplay shown = Display(ch);
        if (ch < VisibleColumns()) Column(ch).ShowStepButtons(shown);
        Column(ch).ShowRangeName(shown);
        UpdateValueFields();
    });
    UpdateAutoOutputPanel(ch);
}

void CBremixView::OnFormulaButton(int ch)
{
    if (state_.autoOutput[static_cast<std::size_t>(ch)].runState != 0) return;
    const ChannelSettings& c = state_.channels[static_cast<std::size_t>(ch)];
    CScaleDlg dialog(ui_, this);
    dialog.channel = ch;
    dialog.range = c.range;
    dialog.scaledMin = c.scaledMin;
    dialog.scaledMax = c.scaledMax;
    dialog.scaledDigits = c.scaledDigits;
    dialog.scaledUnit = c.scaledUnit;
    if (dialog.exec() != QDialog::Accepted) return;
    ApplyConversion(state_, ch, dialog.newMin, dialog.newMax, dialog.newDigits, dialog.newUnit);
    if (ch < VisibleColumns()) Column(ch).ShowStepButtons(Display(ch));
    RefreshPanel();
}

void CBremixView::OnPresetSettings(int ch)
{
    const RangeLimits limits = ChannelLimits(state_, ch);
    const OutputRange slot = PresetSlot(state_, ch);
    if (slot < 0 || slot >= kRangeTableSize) return;
    auto& presets =
        state_.channels[static_cast<std::size_t>(ch)].presets[static_cast<std::size_t>(slot)];
    CPresetDlg dialog(ui_, this);
    dialog.channel = ch;
    dialog.lowerText = LowerLimitText(state_, ch);
    dialog.upperText = UpperLimitText(state_, ch);
    dialog.lower = limits.lower;
    dialog.upper = limits.upper;
    dialog.decimals = limits.decimals;
    dialog.values = presets;
    if (dialog.exec() != QDialog::Accepted) return;
    presets = dialog.values;
    Column(ch).ShowPresets(Display(ch));
}

void CBremixView::OnAutoOutputSettings(int ch)
{
    // The settings of a running or paused automatic output stay as they are.
    if (state_.autoOutput[static_cast<std::size_t>(ch)].runState != 0) return;
    CAutoOutDlg dialog(state_, ui_, this);
    dialog.channel = ch;
    dialog.rangeInEffect = state_.RangeInEffect(ch);
    dialog.exec();
    UpdateAutoOutputPanel(ch);
}

void CBremixView::OnRunButton(int ch, RunCommand command)
{
    const auto run = [&](int channel) {
        switch (command) {
            case RunCommand::Start:
                return StartAutoOutput(state_, channel, AutoOutputClockAt(Clock()));
            case RunCommand::Pause:
                return PauseAutoOutput(state_, channel);
            case RunCommand::Stop:
                return StopAutoOutput(state_, channel);
        }
        return false;
    };
    if (!run(ch)) {
        ui_.ShowMessage(Tr("ChannelCommands", "接続されていません"), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
        UpdateAutoOutputPanel(ch);
        return;
    }
    UpdateAutoOutputPanel(ch);
    // Channel 1's buttons drive channel 2 as well while the two run linked.
    if (ch == 0 && state_.circuitCount > 1 && state_.App().linkedAutoOutput) {
        run(1);
        UpdateAutoOutputPanel(1);
    }
    UpdateValueFields();
}

void CBremixView::ToggleLinkedCommand()
{
    state_.App().linkedAutoOutput = !state_.App().linkedAutoOutput;
    UpdateAutoOutputPanel(1);
}

}  // namespace krv
