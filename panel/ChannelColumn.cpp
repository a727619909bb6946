#include "panel/ChannelColumn.h"

#include <qdrawutil.h>
#include <QFontMetrics>
#include <QPainter>

#include "dialogs/Utf8.h"
#include "platform/Translate.h"

namespace krv {

namespace {

const QColor kStandaloneTextBackground(0, 255, 0);
const QColor kAlarmTextBackground(255, 0, 0);

// A word of the model's display (on/off, standalone mode, waveform, alarm) in the panel's
// language; the model marks them in context "ChannelDisplay".
QString Shown(const std::string& word)
{
    return QString::fromStdString(TrMarked("ChannelDisplay", word.c_str()));
}

// A translation too long for its control is shortened; the full text is then the tooltip. The
// Japanese texts are whole, so they get none.
void FullTextAsToolTip(QAbstractButton* control, const QString& full)
{
    if (control->text() != full) control->setToolTip(full);
}

QColor ToColour(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace

ChannelColumn::ChannelColumn(int ch, QWidget* panel, const ColumnLook& look)
    : ch_(ch), panel_(panel), look_(look)
{
    CreateStatusRow();
    CreateModeRow();
    CreateValueControls();
    CreatePresetButtons();
    CreateAutoOutputControls();
    ConnectSignals();
}

QWidget* ChannelColumn::Control(int id) const
{
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

// --- Creation ---------------------------------------------------------------------------------

template <typename W>
W* ChannelColumn::Place(int offset, W* widget, const QRect& where)
{
    widget->setFont(look_.controls);
    widget->setGeometry(where);
    widget->hide();
    placed_.emplace_back(widget, where);
    const int id = ChannelControlId(ch_, offset);
    // The five automatic-output value labels share one id; the first keeps the name.
    if (byId_.count(id) == 0) {
        byId_[id] = widget;
        widget->setObjectName(QStringLiteral("id%1").arg(id));
    }
    return widget;
}

PanelLabel* ChannelColumn::Label(int offset, const QString& text, const QRect& where, bool sunken)
{
    return Place(offset, new PanelLabel(text, Qt::AlignCenter, sunken, panel_), where);
}

QPushButton* ChannelColumn::Button(int offset, const QString& text, const QRect& where)
{
    return Place(offset, new QPushButton(text, panel_), where);
}

void ChannelColumn::CreateStatusRow()
{
    calibrationMark_ = Label(1, QStringLiteral("---"), {12, 62, 18, 12}, false);
    standaloneLabel_ = Label(0, QStringLiteral("-----"), {30, 62, 120, 12}, false);
    alarmLabel_ = Label(2, tr("温度異常"), {144, 62, 74, 12}, false);
    calibrationMark_->SetTextColours(Qt::black, kStandaloneTextBackground);
    standaloneLabel_->SetTextColours(Qt::black, kStandaloneTextBackground);
    alarmLabel_->SetTextColours(Qt::white, kAlarmTextBackground);
}

void ChannelColumn::CreateModeRow()
{
    rangeButton_ = Button(23, QStringLiteral("xxx"), {24, 80, 80, 26});
    onOffButton_ = Place(6, new ColourButton(QStringLiteral(" "), panel_), {134, 80, 80, 26});
    normalMode_ = Place(25, new QRadioButton(tr("ノーマル"), panel_), {19, 124, 68, 24});
    scaledMode_ = Place(26, new QRadioButton(tr("換算"), panel_), {103, 124, 50, 24});
    // The panel sets the checks itself.
    normalMode_->setAutoExclusive(false);
    scaledMode_->setAutoExclusive(false);
    formulaButton_ = Button(24, tr("式"), {153, 124, 40, 20});
    FullTextAsToolTip(scaledMode_, tr("換算", "full text"));
    FullTextAsToolTip(formulaButton_, tr("式", "full text"));
}

void ChannelColumn::CreateValueControls()
{
    for (int k = 0; k < 6; ++k) {
        const int x = 165 - 24 * k;
        up_[static_cast<std::size_t>(k)] = Button(8 + 2 * k, QStringLiteral("△"), {x, 160, 22, 24});
        down_[static_cast<std::size_t>(k)] =
            Button(9 + 2 * k, QStringLiteral("▽"), {x, 250, 22, 24});
    }
    plus_ = Button(20, QStringLiteral("＋"), {21, 160, 22, 24});
    minus_ = Button(21, QStringLiteral("－"), {21, 250, 22, 24});

    valueField_ = Place(22, new ValueField(panel_), {14, 186, 176, 60});
    valueField_->setFont(look_.value);
    unitLabel_ = Label(49, QStringLiteral("---"), {192, 222, 28, 24}, true);
    unitLabel_->setFont(look_.unit);
}

void ChannelColumn::CreatePresetButtons()
{
    // Three rows of three, without the last place of the last row.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int n = 3 * i + j;
            if (n >= kPresetsPerRange) continue;
            QPushButton* preset = Button(29 + n, QString(), {13 + 70 * j, 293 + 26 * i, 68, 24});
            preset->setIcon(look_.bitmaps.at(PanelBitmap::MarkerCurrent));
            preset->setProperty("marker", static_cast<int>(PanelBitmap::MarkerCurrent));
            preset->setIconSize(QSize(6, 12));
            presets_[static_cast<std::size_t>(n)] = preset;
        }
    }
    presetSettings_ = Button(38, tr("設定"), {179, 349, 40, 20});
    FullTextAsToolTip(presetSettings_, tr("設定", "full text"));
}

void ChannelColumn::CreateAutoOutputControls()
{
    waveformLabel_ = Label(43, QStringLiteral("---"), {15, 381, 205, 18}, true);
    const QRect valueLabels[5] = {{15, 403, 60, 18},
                                  {91, 403, 60, 18},
                                  {159, 403, 60, 18},
                                  {15, 423, 60, 18},
                                  {91, 423, 60, 18}};
    for (int i = 0; i < 5; ++i) {
        autoLabels_[static_cast<std::size_t>(i)] =
            Label(44, QStringLiteral("---"), valueLabels[i], true);
    }
    startButton_ = Button(40, QString(), {15, 447, 40, 20});
    pauseButton_ = Button(41, QString(), {65, 447, 40, 20});
    stopButton_ = Button(42, QString(), {115, 447, 40, 20});
    for (QPushButton* b : {startButton_, pauseButton_, stopButton_}) b->setIconSize(QSize(14, 14));
    autoSettingsButton_ = Button(39, tr("設定"), {179, 447, 40, 20});
    FullTextAsToolTip(autoSettingsButton_, tr("設定", "full text"));
    autoSettingsButton_->setEnabled(true);
}

void ChannelColumn::ConnectSignals()
{
    connect(onOffButton_, &QPushButton::clicked, this, [this] { emit OutputPressed(); });
    connect(rangeButton_, &QPushButton::clicked, this, [this] { emit RangePressed(); });
    connect(formulaButton_, &QPushButton::clicked, this, [this] { emit FormulaPressed(); });
    connect(presetSettings_, &QPushButton::clicked, this, [this] { emit PresetSettingsPressed(); });
    connect(autoSettingsButton_, &QPushButton::clicked, this,
            [this] { emit AutoSettingsPressed(); });
    for (int offset = 8; offset <= 21; ++offset) {
        auto* step = static_cast<QPushButton*>(Control(ChannelControlId(ch_, offset)));
        connect(step, &QPushButton::clicked, this, [this, offset] { emit StepPressed(offset); });
    }
    for (int n = 0; n < kPresetsPerRange; ++n) {
        connect(presets_[static_cast<std::size_t>(n)], &QPushButton::clicked, this,
                [this, n] { emit PresetPressed(n); });
    }
    connect(normalMode_, &QRadioButton::clicked, this, [this] { emit DisplayModeChosen(false); });
    connect(scaledMode_, &QRadioButton::clicked, this, [this] { emit DisplayModeChosen(true); });
    connect(valueField_, &QPlainTextEdit::textChanged, this, [this] { OnValueFieldChanged(); });
    connect(startButton_, &QPushButton::clicked, this,
            [this] { emit RunPressed(RunCommand::Start); });
    connect(pauseButton_, &QPushButton::clicked, this,
            [this] { emit RunPressed(RunCommand::Pause); });
    connect(stopButton_, &QPushButton::clicked, this,
            [this] { emit RunPressed(RunCommand::Stop); });
}

void ChannelColumn::OnValueFieldChanged()
{
    QString text = valueField_->toPlainText();
    // A line break in the text is the Enter key: the value is committed.
    const bool committed = text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (!committed) {
        valueField_->SetBackground(kValueFieldTypingColour);
        editing_ = true;
        return;
    }
    valueField_->SetBackground(kValueFieldColour);
    emit ValueCommitted(text);
    editing_ = false;
}

// --- Layout and painting ----------------------------------------------------------------------

void ChannelColumn::MoveTo(int origin, bool shown)
{
    for (auto& [widget, where] : placed_) {
        widget->move(origin + where.x(), where.y());
        widget->setVisible(shown);
    }
}

void ChannelColumn::Paint(QPainter& painter, const QFont& font, const QPalette& palette, int ch,
                          int origin)
{
    const QFontMetrics metrics(font);
    // Texts are placed by the top-left corner of their cell.
    const auto text = [&](int x, int y, const QString& s) {
        painter.drawText(x, y + metrics.ascent(), s);
    };
    const QString numbers[4] = {QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"),
                                QStringLiteral("４")};
    const int x = origin;
    qDrawWinPanel(&painter, QRect(QPoint(x + 4, 40), QPoint(x + 228, 489)), palette, true);
    text(x + 110, 45, numbers[ch]);
    for (const QRect& box : {QRect(QPoint(x + 9, 116), QPoint(x + 224, 285)),
                             QRect(QPoint(x + 9, 289), QPoint(x + 224, 373)),
                             QRect(QPoint(x + 9, 377), QPoint(x + 224, 471))}) {
        qDrawShadeRect(&painter, box, palette, true, 1, 0);
    }
    text(x + 77, 406, QStringLiteral("→"));
    text(x + 77, 426, tr("秒"));
    text(x + 153, 426, tr("回"));
}

// --- Display ----------------------------------------------------------------------------------

void ChannelColumn::ShowStatus(const ChannelDisplay& d)
{
    const QString onText = Shown(d.onOffText);
    if (onOffButton_->text() != onText) onOffButton_->setText(onText);
    onOffButton_->SetFaceColour(ToColour(d.onOffFace));

    if (d.calibrationMark) calibrationMark_->setText(Q(*d.calibrationMark));
    calibrationMark_->show();
    standaloneLabel_->setText(Shown(d.standaloneText));
    standaloneLabel_->show();

    const QString alarm = Shown(d.alarmText);
    if (alarmLabel_->text() != alarm) alarmLabel_->setText(alarm);
    alarmLabel_->setVisible(!alarm.isEmpty());
}

void ChannelColumn::ShowAlarmShown(const ChannelDisplay& d)
{
    alarmLabel_->setVisible(!d.alarmText.empty());
}

void ChannelColumn::ShowRangeName(const ChannelDisplay& d)
{
    const QString name = Q(d.rangeName);
    if (rangeButton_->text() != name) {
        rangeButton_->setText(name);
        unitLabel_->setText(Q(d.rangeUnit));
    }
}

void ChannelColumn::ShowDisplayMode(const ChannelDisplay& d)
{
    scaledMode_->setChecked(d.scalingOn);
    normalMode_->setChecked(!d.scalingOn);
    unitLabel_->setText(Q(d.unit));
}

void ChannelColumn::ShowStepButtons(const ChannelDisplay& d)
{
    for (std::size_t k = 0; k < d.stepButtons.digit.size(); ++k) {
        up_[k]->setVisible(d.stepButtons.digit[k]);
        down_[k]->setVisible(d.stepButtons.digit[k]);
    }
    plus_->setVisible(d.stepButtons.sign);
    minus_->setVisible(d.stepButtons.sign);
}

void ChannelColumn::ShowValue(const ChannelDisplay& d)
{
    if (editing_) return;
    const QString text = Q(d.valueText);
    if (valueField_->toPlainText() != text) valueField_->SetTextQuietly(text);
}

void ChannelColumn::ShowPresets(const ChannelDisplay& d)
{
    if (!d.presets) return;
    for (std::size_t n = 0; n < presets_.size(); ++n) {
        const PresetButton& preset = (*d.presets)[n];
        const QString text = Q(preset.text);
        if (presets_[n]->text() != text) presets_[n]->setText(text);
        const PanelBitmap marker =
            preset.current ? PanelBitmap::MarkerCurrent : PanelBitmap::MarkerOther;
        if (presets_[n]->property("marker").toInt() != static_cast<int>(marker)) {
            presets_[n]->setIcon(look_.bitmaps.at(marker));
            presets_[n]->setProperty("marker", static_cast<int>(marker));
        }
    }
}

void ChannelColumn::ShowAutoOutput(const ChannelDisplay& d)
{
    const AutoOutputTexts& texts = d.autoOutput;
    const std::string* values[5] = {&texts.start, &texts.end, &texts.step, &texts.interval,
                                    &texts.repeat};
    for (std::size_t i = 0; i < autoLabels_.size(); ++i) autoLabels_[i]->setText(Q(*values[i]));
    waveformLabel_->setText(Shown(texts.waveform));
    ShowRunFaces(d);
    for (QPushButton* b : {startButton_, pauseButton_, stopButton_})
        b->setVisible(d.runButtonsShown);
}

void ChannelColumn::ShowRunFaces(const ChannelDisplay& d)
{
    if (!d.runFaces) return;
    const auto face = [&](QPushButton* button, bool lit, PanelBitmap litImage,
                          PanelBitmap greyImage) {
        button->setIcon(look_.bitmaps.at(lit ? litImage : greyImage));
    };
    face(startButton_, d.runFaces->start, PanelBitmap::PlayGreen, PanelBitmap::PlayGrey);
    face(pauseButton_, d.runFaces->pause, PanelBitmap::PauseBlue, PanelBitmap::PauseGrey);
    face(stopButton_, d.runFaces->stop, PanelBitmap::StopRed, PanelBitmap::StopGrey);
}

void ChannelColumn::ShowEnables(const ChannelDisplay& d)
{
    const ColumnEnables& e = d.enables;
    for (QWidget* w : {static_cast<QWidget*>(rangeButton_), static_cast<QWidget*>(normalMode_),
                       static_cast<QWidget*>(scaledMode_), static_cast<QWidget*>(formulaButton_)}) {
        w->setEnabled(e.rangeAndMode);
    }
    for (QPushButton* w : up_) w->setEnabled(e.valueControls);
    for (QPushButton* w : down_) w->setEnabled(e.valueControls);
    plus_->setEnabled(e.valueControls);
    minus_->setEnabled(e.valueControls);
    valueField_->setEnabled(e.valueControls);
    for (QPushButton* w : presets_) w->setEnabled(e.valueControls);
    presetSettings_->setEnabled(e.valueControls);
    for (QPushButton* w : {startButton_, pauseButton_, stopButton_}) w->setEnabled(e.runButtons);
    if (e.autoSettings) autoSettingsButton_->setEnabled(*e.autoSettings);
}

int ChannelColumn::HeldStep() const
{
    for (int offset = 8; offset <= 21; ++offset) {
        const auto* b = static_cast<const QPushButton*>(Control(ChannelControlId(ch_, offset)));
        if (b && b->isVisible() && b->isDown()) return offset;
    }
    return -1;
}

}  // namespace krv
