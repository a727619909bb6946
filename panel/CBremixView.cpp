#include "panel/CBremixView.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <algorithm>

#include "dialogs/Utf8.h"
#include "flows/Connection.h"
#include "link/DeviceLink.h"
#include "model/AutoOutputEngine.h"
#include "panel/TickSource.h"

namespace krv {

namespace {

constexpr int kWindowHeight = 560;
// Right margin of the window beyond the last column (as the two-circuit window has it).
constexpr int kWindowMargin = 22;

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
    if (const auto it = byId_.find(id); it != byId_.end()) return it->second;
    for (const auto& column : columns_) {
        if (QWidget* control = column ? column->Control(id) : nullptr) return control;
    }
    return nullptr;
}

// --- Controls --------------------------------------------------------------------------------

void CBremixView::CreateControls()
{
    for (PanelBitmap b : {PanelBitmap::PlayGrey, PanelBitmap::StopGrey, PanelBitmap::PauseGrey,
                          PanelBitmap::PlayGreen, PanelBitmap::StopRed, PanelBitmap::PauseBlue,
                          PanelBitmap::MarkerCurrent, PanelBitmap::MarkerOther}) {
        bitmaps_[b] = DrawPanelBitmap(b);
    }

    connectButton_ = new ColourButton(tr("接続"), this);
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

    const ColumnLook look{fontA_, fontB_, fontC_, bitmaps_};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        columns_[static_cast<std::size_t>(ch)] = std::make_unique<ChannelColumn>(ch, this, look);
        ConnectColumn(ch);
    }
    controlsCreated_ = true;
}

void CBremixView::ConnectColumn(int ch)
{
    ChannelColumn* c = &Column(ch);
    connect(c, &ChannelColumn::OutputPressed, this, [this, ch] { OnToggleOutput(ch); });
    connect(c, &ChannelColumn::RangePressed, this, [this, ch] { OnRangeButton(ch); });
    connect(c, &ChannelColumn::FormulaPressed, this, [this, ch] { OnFormulaButton(ch); });
    connect(c, &ChannelColumn::PresetSettingsPressed, this, [this, ch] { OnPresetSettings(ch); });
    connect(c, &ChannelColumn::AutoSettingsPressed, this, [this, ch] { OnAutoOutputSettings(ch); });
    connect(c, &ChannelColumn::StepPressed, this,
            [this, ch](int offset) { OnStepButton(ch, offset); });
    connect(c, &ChannelColumn::PresetPressed, this, [this, ch](int n) { OnPreset(ch, n); });
    connect(c, &ChannelColumn::DisplayModeChosen, this,
            [this, ch](bool scaled) { OnDisplayMode(ch, scaled); });
    connect(c, &ChannelColumn::ValueCommitted, this,
            [this, ch](const QString& text) { OnValueCommitted(ch, text); });
    connect(c, &ChannelColumn::RunPressed, this,
            [this, ch](RunCommand command) { OnRunButton(ch, command); });
}

// --- Initial update and layout ----------------------------------------------------------------

void CBremixView::OnInitialUpdate()
{
    Disconnect();
    if (!controlsCreated_) CreateControls();
    if (!FillPortList()) {
        ui_.ShowMessage(tr("指定接続ポートが存在しません").toStdString(), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
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
    return ShownColumns(state_);
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

    for (int ch = 0; ch < kChannelCount; ++ch) Column(ch).MoveTo(ColumnOrigin(ch), ch < visible);
    for (int ch = 0; ch < visible; ++ch) {
        const ChannelDisplay shown = Display(ch);
        ChannelColumn& column = Column(ch);
        column.ShowAlarmShown(shown);
        column.ShowRangeName(shown);
        column.ShowStepButtons(shown);
        column.ShowAutoOutput(shown);
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
        ui_.ShowMessage(tr("選択されていません。").toStdString(), kCaptionNotice,
                        MessageIcon::Information, MessageButtons::Ok);
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
            const bool panel = stepped.panelChanged[static_cast<std::size_t>(ch)];
            const bool buttons = stepped.runButtons[static_cast<std::size_t>(ch)];
            if (!panel && !buttons) continue;
            const ChannelDisplay shown = Display(ch);
            if (panel) Column(ch).ShowAutoOutput(shown);
            if (buttons) Column(ch).ShowRunFaces(shown);
        }
        if (polling_.Tick(link_, state_, now)) {
            Disconnect();
            // The panel shows the outputs switched off before the box says why; the ticks that
            // come while the box is open keep refreshing it.
            RefreshPanel();
            ShowTickMessage(tr("接続が解除されました。").toStdString());
        }
    }
    if (++refreshTicks_ > 4) {
        RefreshPanel();
        refreshTicks_ = 0;
    }
    RepeatHeldStep();
}

void CBremixView::ShowTickMessage(const std::string& text)
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
    bool anyHeld = false;
    const auto repeat = [&](int ch) {
        const int offset = Column(ch).HeldStep();
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

ChannelDisplay CBremixView::Display(int ch) const
{
    return DisplayOf(state_, ch, link_.IsOpen());
}

ChannelColumn& CBremixView::Column(int ch) const
{
    return *columns_[static_cast<std::size_t>(ch)];
}

void CBremixView::RefreshPanel()
{
    if (!controlsCreated_) return;
    const int visible = VisibleColumns();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ChannelDisplay shown = Display(ch);
        ChannelColumn& column = Column(ch);
        if (ch < visible) {
            column.ShowStatus(shown);
            column.ShowDisplayMode(shown);
            column.ShowPresets(shown);
            column.ShowValue(shown);
        }
        // Hidden columns follow the enable rules as well, so they are right when they show.
        column.ShowEnables(shown);
    }
    connectButton_->SetFaceColour(link_.IsOpen() ? kConnectedColour : kIdleColour);
    ShowConnection();
}

void CBremixView::ShowConnection()
{
    const bool connected = link_.IsOpen();
    if (connected == connectionShown_) return;
    connectionShown_ = connected;
    emit ConnectionShown(connected);
}

void CBremixView::UpdateValueFields()
{
    if (!controlsCreated_) return;
    for (int ch = 0; ch < VisibleColumns(); ++ch) Column(ch).ShowValue(Display(ch));
}

void CBremixView::UpdateAutoOutputPanel(int ch)
{
    if (!controlsCreated_) return;
    Column(ch).ShowAutoOutput(Display(ch));
}

// --- Painting ---------------------------------------------------------------------------------

void CBremixView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setFont(fontA_);
    p.setPen(Qt::black);
    for (int ch = 0; ch < VisibleColumns(); ++ch) {
        ChannelColumn::Paint(p, fontA_, palette(), ch, ColumnOrigin(ch));
    }
    p.end();
    // Whatever brought the window back on screen, it shows the present state at once.
    RefreshPanel();
}

}  // namespace krv
