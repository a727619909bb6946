#include "panel/CBremixView.h"

#include <qdrawutil.h>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <algorithm>

#include "dialogs/CAutoOutDlg.h"
#include "dialogs/CPresetDlg.h"
#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"
#include "flows/Connection.h"
#include "link/DeviceLink.h"
#include "model/AutoOutputEngine.h"
#include "model/ChannelOperations.h"
#include "model/ValueDisplay.h"
#include "panel/TickSource.h"

namespace krv {

namespace {

constexpr int kWindowHeight = 560;
constexpr int kColumnWidth = 230;
// Right margin of the window beyond the last column (as the two-circuit window has it).
constexpr int kWindowMargin = 22;

const QColor kStandaloneTextBackground(0, 255, 0);
const QColor kAlarmTextBackground(255, 0, 0);

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The font of the panel: the Japanese fixed-pitch gothic, at a pixel height.
QFont PanelFont(int pixelSize)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Normal);
    return font;
}

// The panel's face by the height of its cell (ascent plus descent) rather than of its
// characters: the largest pixel size whose cell fits. For the fixed-pitch gothic the cell is the
// em square, so that is the pixel size itself; the fallback faces keep room above and below the
// em square and come out smaller, so their line still fits the value field.
QFont PanelFontByCell(int cellHeight)
{
    QFont font = PanelFont(cellHeight);
    for (int size = cellHeight; size > 1 && QFontMetrics(font).height() > cellHeight; --size) {
        font.setPixelSize(size - 1);
    }
    return font;
}

}  // namespace

CBremixView::CBremixView(DeviceLink& link, GeneratorState& state, UserInterface& ui,
                         PanelOptions options, QWidget* parent)
    : QWidget(parent),
      link_(link),
      state_(state),
      ui_(ui),
      options_(std::move(options)),
      fontA_(PanelFont(12)),
      fontB_(PanelFontByCell(48)),
      fontC_(PanelFont(16))
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kPanelColour);
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(fontA_);
    if (options_.startTimer) ticks_ = std::make_unique<TickSource>(this);
    if (options_.portChanges) {
        // The event loop watches the source's descriptor: no thread and no timer for hot-plug.
        portNotifier_ =
            new QSocketNotifier(options_.portChanges->Fd(), QSocketNotifier::Read, this);
        connect(portNotifier_, &QSocketNotifier::activated, this, [this] { OnPortsChanged(); });
    }
}

CBremixView::~CBremixView()
{
    ticks_.reset();  // no tick after this point
    // The window around the panel may be partly gone: nobody hears of the disconnect.
    blockSignals(true);
    if (link_.IsOpen()) Disconnect();
}

QWidget* CBremixView::Control(int id) const
{
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

// --- Controls --------------------------------------------------------------------------------

template <typename W>
W* CBremixView::Place(Column& column, int ch, int offset, W* widget, const QRect& where)
{
    widget->setFont(fontA_);
    widget->setGeometry(where);
    widget->hide();
    column.placed.emplace_back(widget, where);
    const int id = ChannelControlId(ch, offset);
    // The five automatic-output value labels share one id; the first keeps the name.
    if (byId_.count(id) == 0) {
        byId_[id] = widget;
        widget->setObjectName(QStringLiteral("id%1").arg(id));
    }
    return widget;
}

void CBremixView::CreateControls()
{
    for (PanelBitmap b : {PanelBitmap::PlayGrey, PanelBitmap::StopGrey, PanelBitmap::PauseGrey,
                          PanelBitmap::PlayGreen, PanelBitmap::StopRed, PanelBitmap::PauseBlue,
                          PanelBitmap::MarkerCurrent, PanelBitmap::MarkerOther}) {
        bitmaps_[b] = DrawPanelBitmap(b);
    }

    connectButton_ = new ColourButton(QStringLiteral("接続"), this);
    connectButton_->setGeometry(6, 8, 50, 23);
    connectButton_->setDefault(true);
    connectButton_->setObjectName(QStringLiteral("id%1").arg(kConnectButtonId));
    byId_[kConnectButtonId] = connectButton_;
    connect(connectButton_, &QPushButton::clicked, this, [this] { OnConnectButton(); });

    portList_ = new QComboBox(this);
    portList_->setGeometry(58, 8, 220, 23);
    portList_->setMaxVisibleItems(300 / 18);
    portList_->setObjectName(QStringLiteral("id%1").arg(kPortListId));
    byId_[kPortListId] = portList_;
    connect(portList_, &QComboBox::currentIndexChanged, this, [this] {
        if (!fillingPorts_)
            chosenPort_ = PortNameFromEntryText(portList_->currentText().toStdString());
    });

    for (int ch = 0; ch < kChannelCount; ++ch) CreateColumn(ch);
    controlsCreated_ = true;
}

void CBremixView::CreateColumn(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    const auto label = [&](int offset, const QString& text, const QRect& where, bool sunken) {
        return Place(c, ch, offset, new PanelLabel(text, Qt::AlignCenter, sunken, this), where);
    };
    const auto button = [&](int offset, const QString& text, const QRect& where) {
        return Place(c, ch, offset, new QPushButton(text, this), where);
    };

    c.calibrationMark = label(1, QStringLiteral("---"), {12, 62, 18, 12}, false);
    c.standaloneLabel = label(0, QStringLiteral("-----"), {30, 62, 120, 12}, false);
    c.alarmLabel = label(2, QStringLiteral("温度異常"), {144, 62, 74, 12}, false);
    c.calibrationMark->SetTextColours(Qt::black, kStandaloneTextBackground);
    c.standaloneLabel->SetTextColours(Qt::black, kStandaloneTextBackground);
    c.alarmLabel->SetTextColours(Qt::white, kAlarmTextBackground);

    c.rangeButton = button(23, QStringLiteral("xxx"), {24, 80, 80, 26});
    c.onOffButton = Place(c, ch, 6, new ColourButton(QStringLiteral(" "), this), {134, 80, 80, 26});
    c.normalMode =
        Place(c, ch, 25, new QRadioButton(QStringLiteral("ノーマル"), this), {19, 124, 68, 24});
    c.scaledMode =
        Place(c, ch, 26, new QRadioButton(QStringLiteral("換算"), this), {103, 124, 50, 24});
    // The panel sets the checks itself.
    c.normalMode->setAutoExclusive(false);
    c.scaledMode->setAutoExclusive(false);
    c.formulaButton = button(24, QStringLiteral("式"), {153, 124, 40, 20});

    for (int k = 0; k < 6; ++k) {
        const int x = 165 - 24 * k;
        c.up[static_cast<std::size_t>(k)] =
            button(8 + 2 * k, QStringLiteral("△"), {x, 160, 22, 24});
        c.down[static_cast<std::size_t>(k)] =
            button(9 + 2 * k, QStringLiteral("▽"), {x, 250, 22, 24});
    }
    c.plus = button(20, QStringLiteral("＋"), {21, 160, 22, 24});
    c.minus = button(21, QStringLiteral("－"), {21, 250, 22, 24});

    c.valueField = Place(c, ch, 22, new ValueField(this), {14, 186, 176, 60});
    c.valueField->setFont(fontB_);
    c.unitLabel = label(49, QStringLiteral("---"), {192, 222, 28, 24}, true);
    c.unitLabel->setFont(fontC_);

    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int n = 3 * i + j;
            if (n > 7) continue;
            QPushButton* preset = button(29 + n, QString(), {13 + 70 * j, 293 + 26 * i, 68, 24});
            preset->setIcon(bitmaps_[PanelBitmap::MarkerCurrent]);
            preset->setProperty("marker", static_cast<int>(PanelBitmap::MarkerCurrent));
            preset->setIconSize(QSize(6, 12));
            c.presets[static_cast<std::size_t>(n)] = preset;
        }
    }
    c.presetSettings = button(38, QStringLiteral("設定"), {179, 349, 40, 20});

    c.waveformLabel = label(43, QStringLiteral("---"), {15, 381, 205, 18}, true);
    const QRect valueLabels[5] = {{15, 403, 60, 18},
                                  {91, 403, 60, 18},
                                  {159, 403, 60, 18},
                                  {15, 423, 60, 18},
                                  {91, 423, 60, 18}};
    for (int i = 0; i < 5; ++i) {
        c.autoLabels[static_cast<std::size_t>(i)] =
            label(44, QStringLiteral("---"), valueLabels[i], true);
    }
    c.startButton = button(40, QString(), {15, 447, 40, 20});
    c.pauseButton = button(41, QString(), {65, 447, 40, 20});
    c.stopButton = button(42, QString(), {115, 447, 40, 20});
    for (QPushButton* b : {c.startButton, c.pauseButton, c.stopButton})
        b->setIconSize(QSize(14, 14));
    c.autoSettingsButton = button(39, QStringLiteral("設定"), {179, 447, 40, 20});
    c.autoSettingsButton->setEnabled(true);

    connect(c.onOffButton, &QPushButton::clicked, this, [this, ch] { OnToggleOutput(ch); });
    connect(c.rangeButton, &QPushButton::clicked, this, [this, ch] { OnRangeButton(ch); });
    connect(c.formulaButton, &QPushButton::clicked, this, [this, ch] { OnFormulaButton(ch); });
    connect(c.presetSettings, &QPushButton::clicked, this, [this, ch] { OnPresetSettings(ch); });
    connect(c.autoSettingsButton, &QPushButton::clicked, this,
            [this, ch] { OnAutoOutputSettings(ch); });
    for (int offset = 8; offset <= 21; ++offset) {
        auto* step = static_cast<QPushButton*>(Control(ChannelControlId(ch, offset)));
        connect(step, &QPushButton::clicked, this,
                [this, ch, offset] { OnStepButton(ch, offset); });
    }
    for (int n = 0; n < 8; ++n) {
        connect(c.presets[static_cast<std::size_t>(n)], &QPushButton::clicked, this,
                [this, ch, n] { OnPreset(ch, n); });
    }
    connect(c.normalMode, &QRadioButton::clicked, this, [this, ch] { OnDisplayMode(ch, false); });
    connect(c.scaledMode, &QRadioButton::clicked, this, [this, ch] { OnDisplayMode(ch, true); });
    connect(c.valueField, &QPlainTextEdit::textChanged, this,
            [this, ch] { OnValueFieldChanged(ch); });
    connect(c.startButton, &QPushButton::clicked, this,
            [this, ch] { OnRunButton(ch, RunCommand::Start); });
    connect(c.pauseButton, &QPushButton::clicked, this,
            [this, ch] { OnRunButton(ch, RunCommand::Pause); });
    connect(c.stopButton, &QPushButton::clicked, this,
            [this, ch] { OnRunButton(ch, RunCommand::Stop); });
}

// --- Initial update and layout ----------------------------------------------------------------

void CBremixView::OnInitialUpdate()
{
    Disconnect();
    if (!controlsCreated_) CreateControls();
    if (!FillPortList()) {
        ui_.ShowMessage("指定接続ポートが存在しません", kCaptionNotice, MessageIcon::Information,
                        MessageButtons::Ok);
    }
    LayoutChannels();
    if (firstUpdate_) {
        RefreshPanel();
        firstUpdate_ = false;
    }
}

PortList CBremixView::CurrentPorts() const
{
    PortList list = options_.listPorts ? options_.listPorts(options_.extraPorts)
                                       : EnumeratePorts(options_.extraPorts);
    if (!options_.simulatedPort.empty()) {
        const std::string simulated = PortNameFromPath(options_.simulatedPort);
        std::erase_if(list, [&](const PortEntry& e) { return e.name == simulated; });
        list.insert(list.begin(), PortEntry{"KRV virtual unit", simulated, PortNumber(simulated)});
    }
    return list;
}

int CBremixView::PreferredPort(const PortList& list) const
{
    // The virtual unit started for this run is the port to use.
    if (!options_.simulatedPort.empty() && !list.empty()) return 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].name == state_.App().lastPortName) return static_cast<int>(i);
    }
    return -1;
}

bool CBremixView::FillPortList()
{
    const QSignalBlocker quiet(portList_);
    portList_->clear();
    const PortList list = CurrentPorts();
    for (const PortEntry& entry : list) portList_->addItem(Q(PortEntryText(entry)));
    const int preferred = PreferredPort(list);
    if (preferred >= 0) {
        portList_->setCurrentIndex(preferred);
        return true;
    }
    if (portList_->count() > 0) portList_->setCurrentIndex(0);
    return false;
}

void CBremixView::OnPortsChanged()
{
    if (!options_.portChanges->TakeChanges() || !controlsCreated_) return;
    const PortList list = CurrentPorts();
    QStringList texts;
    for (const PortEntry& entry : list) texts.append(Q(PortEntryText(entry)));
    QStringList shown;
    for (int i = 0; i < portList_->count(); ++i) shown.append(portList_->itemText(i));
    // Events of ports the list does not show (pseudo-terminals, placeholders) change nothing;
    // leaving the box alone keeps an open drop-down where it is.
    if (texts == shown) return;
    const std::string selected = PortNameFromEntryText(portList_->currentText().toStdString());
    const int preferred = PreferredPort(list);
    const std::string preferredName =
        preferred >= 0 ? list[static_cast<std::size_t>(preferred)].name : std::string();
    fillingPorts_ = true;
    portList_->clear();
    portList_->addItems(texts);
    portList_->setCurrentIndex(PortToSelect(list, {chosenPort_, preferredName, selected}));
    fillingPorts_ = false;
}

int CBremixView::VisibleColumns() const
{
    return std::clamp(state_.circuitCount, 1, kChannelCount);
}

int CBremixView::ColumnOrigin(int ch) const
{
    const int x0 = VisibleColumns() == 1 ? 20 : 0;
    return (ch == 0 ? x0 : 0) + kColumnWidth * ch;
}

void CBremixView::LayoutChannels()
{
    if (!controlsCreated_) return;
    const int visible = VisibleColumns();

    // One or two columns use the window width of the settings set. More columns widen the window
    // so that every channel of a four-circuit unit can be reached.
    int width = state_.App().mainWindowWidth;
    if (width != 300 && width != 482) width = 300;
    if (visible > 2) width = std::max(width, visible * kColumnWidth + kWindowMargin);
    if (QWidget* frame = window(); frame != this) {
        frame->setFixedSize(width, kWindowHeight);
        // A window that grew keeps its top-left corner unless that would push it off the screen.
        if (const QScreen* screen = frame->screen()) {
            const QRect area = screen->availableGeometry();
            const int overhang = frame->frameGeometry().right() - area.right();
            if (overhang > 0) frame->move(std::max(area.left(), frame->x() - overhang), frame->y());
        }
    }

    for (int ch = 0; ch < kChannelCount; ++ch) {
        Column& c = columns_[static_cast<std::size_t>(ch)];
        const int origin = ColumnOrigin(ch);
        for (auto& [widget, where] : c.placed) {
            widget->move(origin + where.x(), where.y());
            widget->setVisible(ch < visible);
        }
    }
    for (int ch = 0; ch < visible; ++ch) {
        columns_[static_cast<std::size_t>(ch)].alarmLabel->setVisible(
            !state_.StatusText(ch).empty());
        UpdateRangeLabels(ch);
        UpdateDigitButtons(ch);
        UpdateAutoOutputPanel(ch);
    }
    update();
}

// --- Connection -------------------------------------------------------------------------------

void CBremixView::OnConnectButton()
{
    if (connecting_) return;  // a press while the connect is still talking to the unit
    if (link_.IsOpen()) {
        Disconnect();
    } else {
        Connect();
    }
}

void CBremixView::Connect()
{
    connecting_ = true;
    // No status request inside the connect sequence: the ticks that run while it lets events
    // through would put their replies between the unit's answers to VER, CH and MS. Only a
    // successful connect switches polling on.
    polling_.Stop();
    polling_.pollChannel = 0;
    const std::string text = portList_->currentText().toStdString();
    if (text.empty()) {
        if (link_.IsOpen()) link_.ClosePort();
        ui_.ShowMessage("選択されていません。", kCaptionNotice, MessageIcon::Information,
                        MessageButtons::Ok);
        connecting_ = false;
        return;
    }
    ConnectOptions options;
    options.circuitCountChanged = [this] { LayoutChannels(); };
    const ConnectOutcome outcome =
        ConnectToUnit(link_, state_, PortNameFromEntryText(text), ui_, options);
    if (outcome == ConnectOutcome::Connected) {
        polling_.Start();
        connectButton_->SetFaceColour(kConnectedColour);
    }
    connecting_ = false;
    ShowConnection();
}

void CBremixView::Disconnect()
{
    polling_.Stop();
    DisconnectFromUnit(link_, state_);
    if (connectButton_) connectButton_->SetFaceColour(kIdleColour);
    ShowConnection();
}

// --- Channel operations ---------------------------------------------------------------------

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
        ui_.ShowMessage("接続されていません", kCaptionNotice, MessageIcon::Information,
                        MessageButtons::Ok);
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
    UpdateDisplayMode(ch);
    UpdateDigitButtons(ch);
    UpdateAutoOutputPanel(ch);
    UpdatePresetButtons(ch);
    UpdateValueFields();
}

void CBremixView::OnValueFieldChanged(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    QString text = c.valueField->toPlainText();
    // A line break in the text is the Enter key: the value is committed.
    const bool committed = text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (!committed) {
        c.valueField->SetBackground(kValueFieldTypingColour);
        c.editing = true;
        return;
    }
    c.valueField->SetBackground(kValueFieldColour);
    WithPollingHeld([&] { CommitTypedValue(state_, ch, text.toStdString()); });
    c.editing = false;
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
        ui_.ShowMessage("ＯＮ状態では切替できません。", kCaptionNotice, MessageIcon::Information,
                        MessageButtons::Ok);
        return;
    }
    WithPollingHeld([&] {
        CRangeSelectDlg dialog(ui_, this);
        dialog.range = state_.channels[static_cast<std::size_t>(ch)].range;
        if (dialog.exec() != QDialog::Accepted) return;
        if (state_.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode != kStandaloneOff) {
            ui_.ShowMessage("変換器にPCレス設定を書込後、有効となります", kCaptionNotice,
                            MessageIcon::Information, MessageButtons::Ok);
        }
        ApplyRange(state_, ch, dialog.range);
        UpdateDigitButtons(ch);
        UpdateRangeLabels(ch);
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
    UpdateDigitButtons(ch);
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
    UpdatePresetButtons(ch);
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
        ui_.ShowMessage("接続されていません", kCaptionNotice, MessageIcon::Information,
                        MessageButtons::Ok);
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

// --- Tick -------------------------------------------------------------------------------------

bool CBremixView::event(QEvent* event)
{
    if (event->type() == kTickEvent) {
        OnTick(static_cast<TickSource::TickEvent*>(event)->due);
        return true;
    }
    return QWidget::event(event);
}

void CBremixView::OnTick(TimePoint due)
{
    if (!tickProcessing_ || firstUpdate_) return;
    if (CheckUnsolicitedLine(link_, state_)) polling_.Heard();
    if (link_.IsOpen()) {
        // A tick on time steps on the 50 ms grid; ticks that waited behind a busy moment take
        // the present time, so they catch up with one step rather than a burst of them.
        const TimePoint now = Clock();
        const TimePoint when = now - due < TickSource::kPeriod ? due : now;
        const AutoTickResult stepped = AutoOutputTick(state_, AutoOutputClockAt(when));
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (stepped.panelChanged[static_cast<std::size_t>(ch)]) UpdateAutoOutputPanel(ch);
            if (stepped.runButtons[static_cast<std::size_t>(ch)]) UpdateRunButtons(ch);
        }
        if (polling_.Tick(link_, state_, now)) {
            Disconnect();
            // The panel shows the outputs switched off before the box says why; the ticks that
            // come while the box is open keep refreshing it.
            RefreshPanel();
            ShowTickMessage("接続が解除されました。");
        }
    }
    if (++refreshTicks_ > 4) {
        RefreshPanel();
        refreshTicks_ = 0;
    }
    RepeatHeldStep();
}

void CBremixView::ShowTickMessage(const char* text)
{
    // Ticks go on while the box is open (it runs its own event loop); none of them opens a
    // second one.
    if (tickMessageOpen_) return;
    tickMessageOpen_ = true;
    ui_.ShowMessage(text, kCaptionWarning, MessageIcon::Warning, MessageButtons::Ok);
    tickMessageOpen_ = false;
}

void CBremixView::RepeatHeldStep()
{
    repeatHeld_ = false;
    if (!controlsCreated_) return;
    // A step button counts as held while it is down: pressed with the mouse with the cursor on
    // it, or with the space bar while it has the focus.
    const auto heldStep = [&](int ch) -> int {
        for (int offset = 8; offset <= 21; ++offset) {
            const auto* b = static_cast<const QPushButton*>(Control(ChannelControlId(ch, offset)));
            if (b && b->isVisible() && b->isDown()) return offset;
        }
        return -1;
    };
    bool anyHeld = false;
    const auto repeat = [&](int ch) {
        const int offset = heldStep(ch);
        if (offset < 0) return false;
        anyHeld = true;
        repeatHeld_ = true;
        if (++repeatTicks_ > 5) OnStepButton(ch, offset);
        return true;
    };
    repeat(0);
    if (state_.circuitCount >= 2) repeat(1);
    if (state_.circuitCount >= 3) {
        // Channels 3 and 4 share one step per tick.
        if (!repeat(2)) repeat(3);
    }
    if (!anyHeld) repeatTicks_ = 0;
}

// --- Display ----------------------------------------------------------------------------------

void CBremixView::RefreshPanel()
{
    if (!controlsCreated_) return;
    const int visible = VisibleColumns();
    for (int ch = 0; ch < visible; ++ch) {
        Column& c = columns_[static_cast<std::size_t>(ch)];
        const bool on = state_.OutputOn(ch);
        const QString onText = Q(OnOffText(on));
        if (c.onOffButton->text() != onText) c.onOffButton->setText(onText);
        c.onOffButton->SetFaceColour(on ? kConnectedColour : kIdleColour);

        const ChannelSettings& settings = state_.channels[static_cast<std::size_t>(ch)];
        if (settings.range >= 0 && settings.range < kRangeTableSize) {
            std::string mark;
            const auto mode =
                settings.userCalibration[static_cast<std::size_t>(settings.range)].mode;
            if (CalibrationMarkText(mode, mark)) c.calibrationMark->setText(Q(mark));
        }
        c.calibrationMark->show();
        c.standaloneLabel->setText(Q(StandaloneModeText(
            state_.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode)));
        c.standaloneLabel->show();

        const QString alarm = Q(state_.StatusText(ch));
        if (c.alarmLabel->text() != alarm) c.alarmLabel->setText(alarm);
        c.alarmLabel->setVisible(!alarm.isEmpty());

        UpdateDisplayMode(ch);
        UpdatePresetButtons(ch);
    }
    connectButton_->SetFaceColour(link_.IsOpen() ? kConnectedColour : kIdleColour);
    UpdateValueFields();
    UpdateEnableStates();
    ShowConnection();
}

void CBremixView::ShowConnection()
{
    const bool connected = link_.IsOpen();
    if (connected == connectionShown_) return;
    connectionShown_ = connected;
    emit ConnectionShown(connected);
}

void CBremixView::UpdateEnableStates()
{
    const bool connected = link_.IsOpen();
    for (int ch = 0; ch < std::min(2, kChannelCount); ++ch) {
        Column& c = columns_[static_cast<std::size_t>(ch)];
        const int mode = state_.unitAutoOutput[static_cast<std::size_t>(ch)].standaloneMode;
        const bool on = state_.OutputOn(ch);
        const int run = state_.autoOutput[static_cast<std::size_t>(ch)].runState;

        bool a = true;
        bool b = true;
        bool cGroup = true;
        int settings = -1;  // -1: left as it is
        if (!connected) {
            settings = run == 0 ? 1 : 0;
        } else if (mode == kStandaloneFixed) {
            a = b = !on;
            cGroup = false;
            settings = 0;
        } else if (mode == kStandaloneAuto) {
            a = !on;
            b = false;
            settings = on ? 0 : (run == 0 ? 1 : 0);
        }
        for (QWidget* w :
             {static_cast<QWidget*>(c.rangeButton), static_cast<QWidget*>(c.normalMode),
              static_cast<QWidget*>(c.scaledMode), static_cast<QWidget*>(c.formulaButton)}) {
            w->setEnabled(a);
        }
        for (QPushButton* w : c.up) w->setEnabled(b);
        for (QPushButton* w : c.down) w->setEnabled(b);
        c.plus->setEnabled(b);
        c.minus->setEnabled(b);
        c.valueField->setEnabled(b);
        for (QPushButton* w : c.presets) w->setEnabled(b);
        c.presetSettings->setEnabled(b);
        for (QPushButton* w : {c.startButton, c.pauseButton, c.stopButton}) w->setEnabled(cGroup);
        if (settings >= 0) c.autoSettingsButton->setEnabled(settings == 1);
    }
}

void CBremixView::UpdateValueFields()
{
    if (!controlsCreated_) return;
    for (int ch = 0; ch < VisibleColumns(); ++ch) {
        Column& c = columns_[static_cast<std::size_t>(ch)];
        if (c.editing) continue;
        const QString text = Q(ValueText(state_, ch));
        if (c.valueField->toPlainText() != text) c.valueField->SetTextQuietly(text);
    }
}

void CBremixView::UpdateDisplayMode(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    const ChannelSettings& settings = state_.channels[static_cast<std::size_t>(ch)];
    c.scaledMode->setChecked(settings.scalingOn);
    c.normalMode->setChecked(!settings.scalingOn);
    c.unitLabel->setText(Q(settings.scalingOn ? settings.scaledUnit : RangeUnit(settings.range)));
}

void CBremixView::UpdateRangeLabels(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    const OutputRange range = state_.channels[static_cast<std::size_t>(ch)].range;
    const QString name = Q(RangeDisplayName(range));
    if (c.rangeButton->text() != name) {
        c.rangeButton->setText(name);
        c.unitLabel->setText(Q(RangeUnit(range)));
    }
}

void CBremixView::UpdateDigitButtons(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    if (ch >= VisibleColumns()) return;
    const StepButtons shown = StepButtonVisibility(ChannelLimits(state_, ch));
    for (std::size_t k = 0; k < shown.digit.size(); ++k) {
        c.up[k]->setVisible(shown.digit[k]);
        c.down[k]->setVisible(shown.digit[k]);
    }
    c.plus->setVisible(shown.sign);
    c.minus->setVisible(shown.sign);
}

void CBremixView::UpdatePresetButtons(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    const ChannelSettings& settings = state_.channels[static_cast<std::size_t>(ch)];
    const OutputRange slot = PresetSlot(state_, ch);
    if (slot < 0 || slot >= kRangeTableSize) return;
    const int decimals = ChannelLimits(state_, ch).decimals;
    for (std::size_t n = 0; n < c.presets.size(); ++n) {
        const double preset = settings.presets[static_cast<std::size_t>(slot)][n];
        const QString text = Q(FormatValue(decimals, preset));
        if (c.presets[n]->text() != text) c.presets[n]->setText(text);
        const PanelBitmap marker =
            preset == settings.outputValue ? PanelBitmap::MarkerCurrent : PanelBitmap::MarkerOther;
        if (c.presets[n]->property("marker").toInt() != static_cast<int>(marker)) {
            c.presets[n]->setIcon(bitmaps_[marker]);
            c.presets[n]->setProperty("marker", static_cast<int>(marker));
        }
    }
}

void CBremixView::UpdateAutoOutputPanel(int ch)
{
    if (!controlsCreated_) return;
    Column& c = columns_[static_cast<std::size_t>(ch)];
    const AutoOutputTexts texts = AutoOutputPanelTexts(state_, ch);
    const std::string* values[5] = {&texts.start, &texts.end, &texts.step, &texts.interval,
                                    &texts.repeat};
    for (std::size_t i = 0; i < 5; ++i) c.autoLabels[i]->setText(Q(*values[i]));
    c.waveformLabel->setText(Q(texts.waveform));
    UpdateRunButtons(ch);
    const bool runButtons = !(ch > 0 && state_.App().linkedAutoOutput) && ch < VisibleColumns();
    for (QPushButton* b : {c.startButton, c.pauseButton, c.stopButton}) b->setVisible(runButtons);
}

void CBremixView::UpdateRunButtons(int ch)
{
    Column& c = columns_[static_cast<std::size_t>(ch)];
    PanelBitmap start;
    PanelBitmap pause;
    PanelBitmap stop;
    switch (state_.autoOutput[static_cast<std::size_t>(ch)].runState) {
        case 0:
            start = PanelBitmap::PlayGreen, pause = PanelBitmap::PauseBlue,
            stop = PanelBitmap::StopGrey;
            break;
        case 1:
            start = PanelBitmap::PlayGrey, pause = PanelBitmap::PauseBlue,
            stop = PanelBitmap::StopRed;
            break;
        case 2:
            start = PanelBitmap::PlayGreen, pause = PanelBitmap::PauseGrey,
            stop = PanelBitmap::StopRed;
            break;
        default:
            return;
    }
    c.startButton->setIcon(bitmaps_[start]);
    c.pauseButton->setIcon(bitmaps_[pause]);
    c.stopButton->setIcon(bitmaps_[stop]);
}

// --- Painting ---------------------------------------------------------------------------------

void CBremixView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setFont(fontA_);
    p.setPen(Qt::black);
    const QFontMetrics metrics(fontA_);
    // Texts are placed by the top-left corner of their cell.
    const auto text = [&](int x, int y, const QString& s) {
        p.drawText(x, y + metrics.ascent(), s);
    };
    const QString numbers[4] = {QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"),
                                QStringLiteral("４")};
    for (int ch = 0; ch < VisibleColumns(); ++ch) {
        const int x = ColumnOrigin(ch);
        qDrawWinPanel(&p, QRect(QPoint(x + 4, 40), QPoint(x + 228, 489)), palette(), true);
        text(x + 110, 45, numbers[ch]);
        for (const QRect& box : {QRect(QPoint(x + 9, 116), QPoint(x + 224, 285)),
                                 QRect(QPoint(x + 9, 289), QPoint(x + 224, 373)),
                                 QRect(QPoint(x + 9, 377), QPoint(x + 224, 471))}) {
            qDrawShadeRect(&p, box, palette(), true, 1, 0);
        }
        text(x + 77, 406, QStringLiteral("→"));
        text(x + 77, 426, QStringLiteral("秒"));
        text(x + 153, 426, QStringLiteral("回"));
    }
    p.end();
    // Whatever brought the window back on screen, it shows the present state at once.
    RefreshPanel();
}

}  // namespace krv
