#include "dialogs/CAutoOutDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShowEvent>

#include <algorithm>

#include "dialogs/DialogLayout.h"

namespace krv {

namespace {

constexpr const char* kWaveformNames[] = {QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "のこぎり波"),
                                          QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "三角波"),
                                          QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "任意波")};
constexpr const char* kRampHint =
    QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "変化量は絶対値にて入力、繰返しは「0」にて連続動作");
constexpr const char* kArbitraryHint =
    QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "繰返しは「0」にて連続動作");
constexpr const char* kRoundingNote =
    QT_TRANSLATE_NOOP("krv::CAutoOutDlg",
                      "PCレスモード以外での小数点２桁の時間設定は小数点１桁に切り上げて動作します");
constexpr const char* kCsvFilter =
    QT_TRANSLATE_NOOP("krv::CAutoOutDlg", "CSVﾌｧｲﾙ(*.csv);;全てのﾌｧｲﾙ(*.*)");
// The preview stands to the right of the form, which keeps its own layout; the dialog grows.
constexpr int kPreviewWidth = 300;
constexpr int kPreviewMargin = 10;
// Steps drawn at most: a repeat of small steps over a wide range is cut off after these.
constexpr std::size_t kPreviewSteps = 20000;

// Point list columns: a hidden one, the row number, then the three that are edited.
constexpr int kNumberColumn = 1;
constexpr int kValueColumn = 2;
constexpr int kIntervalColumn = 3;
constexpr int kPauseColumn = 4;

std::size_t Index(AutoField field)
{
    return static_cast<std::size_t>(field);
}

}  // namespace

CAutoOutDlg::CAutoOutDlg(GeneratorState& generator, UserInterface& ui, QWidget* parent)
    : QDialog(parent), generator_(generator), ui_(ui)
{
    setWindowTitle(tr("自動出力設定"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(339, 189));

    PlaceText(channelCaption_, DialogUnitRect(17, 7, 32, 8), Qt::AlignCenter, tr("チャンネル"));
    channelText_.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PlaceValueText(channelText_, DialogUnitRect(7, 17, 52, 11), Qt::AlignCenter, 1050);
    PlaceText(rangeCaption_, DialogUnitRect(105, 6, 20, 8), Qt::AlignCenter, tr("レンジ"));
    PlaceValueText(rangeText_, DialogUnitRect(75, 17, 77, 11), Qt::AlignCenter, 1043);
    PlaceText(lowerCaption_, DialogUnitRect(178, 7, 25, 8), Qt::AlignCenter, tr("最小値"));
    PlaceText(upperCaption_, DialogUnitRect(237, 7, 25, 8), Qt::AlignCenter, tr("最大値"));
    PlaceValueText(lowerText_, DialogUnitRect(171, 17, 40, 11), Qt::AlignCenter, 1044);
    PlaceValueText(upperText_, DialogUnitRect(230, 17, 40, 11), Qt::AlignCenter, 1045);

    SetControlId(waveform_, 1015);
    for (const char* name : kWaveformNames) waveform_.addItem(tr(name));
    const QRect comboBox = DialogUnitRect(7, 38, 98, 12);
    waveform_.setGeometry(comboBox.x(), comboBox.y(), comboBox.width(),
                          std::max(comboBox.height(), waveform_.sizeHint().height()));
    SetControlId(picture_, 1056);
    picture_.move(DialogUnitsToPixelsX(114), DialogUnitsToPixelsY(39));

    // The five fields, each with its caption on the left (the repeat count's has no id).
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    struct FieldRow {
        QLabel& caption;
        int captionId;
        QRect captionPlace;
        QString text;
        QLineEdit& field;
        QRect fieldPlace;
        int fieldId;
    };
    for (const FieldRow& row : {
             FieldRow{startCaption_, 1046, DialogUnitRect(15, 58, 35, 8), tr("開始値"), start_,
                      DialogUnitRect(51, 56, 42, 14), 1051},
             FieldRow{endCaption_, 1047, DialogUnitRect(15, 73, 34, 8), tr("終了値"), end_,
                      DialogUnitRect(51, 70, 42, 15), 1052},
             FieldRow{stepCaption_, 1048, DialogUnitRect(15, 88, 34, 8), tr("変化量"), step_,
                      DialogUnitRect(51, 85, 42, 15), 1053},
             FieldRow{intervalCaption_, 1049, DialogUnitRect(15, 103, 33, 8), tr("更新間隔"),
                      interval_, DialogUnitRect(51, 100, 42, 15), 1054},
             FieldRow{repeatCaption_, 0, DialogUnitRect(15, 118, 32, 8), tr("繰返し"), repeat_,
                      DialogUnitRect(51, 115, 42, 15), 1055},
         }) {
        if (row.captionId != 0) SetControlId(row.caption, row.captionId);
        PlaceText(row.caption, row.captionPlace, left, row.text);
        PlaceField(row.field, row.fieldPlace, row.fieldId);
    }
    SetControlId(seconds_, 1061);
    PlaceText(seconds_, DialogUnitRect(96, 103, 9, 8), left, tr("秒"));
    PlaceText(times_, DialogUnitRect(96, 118, 9, 8), left, tr("回"));
    SetControlId(hint_, 1062);
    PlaceText(hint_, DialogUnitRect(15, 134, 317, 11), left, tr(kRampHint));
    PlaceText(note_, DialogUnitRect(15, 148, 307, 8), left, tr(kRoundingNote));

    // The point list, 1000 rows of number, value, interval and pause mark.
    SetControlId(points_, 1059);
    points_.setGeometry(QRect(QPoint(170, 62), QPoint(471, 209)));
    points_.setFrameStyle(QFrame::Box | QFrame::Plain);
    points_.setColumnCount(5);
    points_.setRowCount(kArbitraryPointCount);
    points_.setHorizontalHeaderLabels(
        {QString(), tr("順番"), tr("値"), tr("更新間隔 (秒)"), tr("一時停止")});
    const int widths[] = {0, 40, 80, 100, 60};
    for (int column = 0; column < 5; ++column) points_.setColumnWidth(column, widths[column]);
    points_.setColumnHidden(0, true);
    points_.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    points_.horizontalHeader()->setHighlightSections(false);
    points_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    points_.verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 5);
    for (int row = 0; row < kArbitraryPointCount; ++row) {
        points_.SetCellText(row, kNumberColumn, QString::number(row + 1));
    }
    connect(&points_, &QTableWidget::cellDoubleClicked, &points_, &CEditListCtrl::OpenEditor);

    PlaceButton(csv_, tr("CSV読込"), DialogUnitRect(6, 168, 50, 14), 1032);
    PlaceOkCancel(*this, ok_, cancel_, tr("戻る"), 228, 168);
    // Enter belongs to the fields and the point list's editor; only OK may take it otherwise.
    ok_.setAutoDefault(true);
    csv_.setAutoDefault(false);
    cancel_.setAutoDefault(false);
    connect(&csv_, &QPushButton::clicked, this, &CAutoOutDlg::ImportCsv);

    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        QLineEdit& edit = Field(field);
        edit.installEventFilter(this);
        connect(&edit, &QLineEdit::textChanged, this, [this, field] { FieldEdited(field); });
    }
    connect(&waveform_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) ApplyWaveform(index);
    });
    SetToolTips();
    AttachPreview();
}

void CAutoOutDlg::SetToolTips()
{
    waveform_.setToolTip(tr("出力する波形：のこぎり波、三角波、任意波"));
    start_.setToolTip(tr("出力を始める値（レンジの最小値～最大値）"));
    end_.setToolTip(tr("のこぎり波は終わる値、三角波は折り返す値（レンジの最小値～最大値）"));
    step_.setToolTip(tr("１回の更新で変わる量（絶対値、０以外）"));
    interval_.setToolTip(tr("値を更新する間隔（秒、０より大きく9999以下）"));
    repeat_.setToolTip(tr("繰返し回数（0～1000000、0 で連続）"));
    points_.setToolTip(
        tr("任意波の点：値、更新間隔（秒）、一時停止は「1」\nダブルクリックで編集します"));
    csv_.setToolTip(tr("CSVファイル（値,更新間隔,一時停止）から点を読み込みます"));
    ok_.setToolTip(tr("設定を確定して閉じます"));
    cancel_.setToolTip(tr("変更を捨てて戻ります"));
}

CAutoOutDlg::~CAutoOutDlg()
{
    // A field destroyed while it has the focus loses it; the dialog must not handle that for a
    // field that is half gone.
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        Field(field).removeEventFilter(this);
    }
}

QLineEdit& CAutoOutDlg::Field(AutoField field)
{
    switch (field) {
        case AutoField::Start:
            return start_;
        case AutoField::End:
            return end_;
        case AutoField::Step:
            return step_;
        case AutoField::Interval:
            return interval_;
        case AutoField::Repeat:
            break;
    }
    return repeat_;
}

QLabel& CAutoOutDlg::FieldCaption(AutoField field)
{
    switch (field) {
        case AutoField::Start:
            return startCaption_;
        case AutoField::End:
            return endCaption_;
        case AutoField::Step:
            return stepCaption_;
        case AutoField::Interval:
            return intervalCaption_;
        case AutoField::Repeat:
            break;
    }
    return repeatCaption_;
}

bool CAutoOutDlg::InputsValid() const
{
    if (channel < 0 || channel >= kChannelCount) return false;
    const OutputRange slot = rangeInEffect.value_or(generator_.RangeInEffect(channel));
    return slot >= 0 && slot < kRangeTableSize;
}

void CAutoOutDlg::showEvent(QShowEvent* event)
{
    // Filled each time the program shows the dialog, not when the window system merely restores
    // it, which would throw away what the user has typed.
    if (!event->spontaneous()) Initialise();
    QDialog::showEvent(event);
}

void CAutoOutDlg::Initialise()
{
    if (!InputsValid()) return;
    slot_ = rangeInEffect.value_or(generator_.RangeInEffect(channel));
    initialised_ = true;
    limits_ = generator_.ChannelRangeLimits(channel, slot_);

    const RampSettings& ramp = generator_.autoOutput[static_cast<std::size_t>(channel)]
                                   .ramps[static_cast<std::size_t>(slot_)];
    const int waveform =
        ramp.waveform >= kSawtooth && ramp.waveform <= kArbitrary ? ramp.waveform : kSawtooth;
    filling_ = true;
    waveform_.setCurrentIndex(waveform);
    filling_ = false;
    ApplyWaveform(waveform);

    channelText_.setText(QString(QChar(0xFF11 + channel)));  // "１" … "４"
    rangeText_.setText(Q(RangeDisplayName(slot_)));
    lowerText_.setText(Q(AutoValueText(limits_.decimals, limits_.lower)));
    upperText_.setText(Q(AutoValueText(limits_.decimals, limits_.upper)));
    FillPointList();
    waveform_.setFocus();
    UpdatePreview();
}

void CAutoOutDlg::ApplyWaveform(int waveform)
{
    const bool arbitrary = waveform == kArbitrary;
    for (const AutoField field :
         {AutoField::Start, AutoField::End, AutoField::Step, AutoField::Interval}) {
        FieldCaption(field).setVisible(!arbitrary);
        Field(field).setVisible(!arbitrary);
    }
    seconds_.setVisible(!arbitrary);
    endCaption_.setText(waveform == kTriangle ? tr("折返値") : tr("終了値"));
    hint_.setText(tr(arbitrary ? kArbitraryHint : kRampHint));
    picture_.SetWaveform(waveform);
    picture_.setVisible(!arbitrary);
    points_.setVisible(arbitrary);
    if (!arbitrary) points_.CloseEditor();
    csv_.setEnabled(arbitrary);
    FillFields();
}

void CAutoOutDlg::FillFields()
{
    if (!InputsValid()) return;
    const RampSettings& ramp = generator_.autoOutput[static_cast<std::size_t>(channel)]
                                   .ramps[static_cast<std::size_t>(slot_)];
    filling_ = true;
    start_.setText(Q(AutoValueText(limits_.decimals, ramp.start)));
    end_.setText(Q(AutoValueText(limits_.decimals, ramp.end)));
    step_.setText(Q(AutoValueText(limits_.decimals, ramp.step)));
    interval_.setText(Q(StoredIntervalText(ramp.interval)));
    repeat_.setText(QString::number(ramp.repeat));
    filling_ = false;
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        lastGood_[Index(field)] = Field(field).text();
    }
}

void CAutoOutDlg::FillPointList()
{
    const std::vector<PointRowTexts> rows = PointListTexts(
        generator_.autoOutput[static_cast<std::size_t>(channel)].points, limits_.decimals);
    for (int row = 0; row < kArbitraryPointCount; ++row) {
        const PointRowTexts& texts = rows[static_cast<std::size_t>(row)];
        points_.SetCellText(row, kValueColumn, Q(texts.value));
        points_.SetCellText(row, kIntervalColumn, Q(texts.interval));
        points_.SetCellText(row, kPauseColumn, Q(texts.pause));
    }
}

bool CAutoOutDlg::eventFilter(QObject* watched, QEvent* event)
{
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        if (watched != &Field(field)) continue;
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            LeaveField(field);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Enter finishes the entry in the field, as leaving it does; it does not confirm.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                LeaveField(field);
                return true;
            }
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CAutoOutDlg::FieldEdited(AutoField field)
{
    if (filling_) return;
    const QString text = Field(field).text();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        filling_ = true;
        Field(field).setText(Q(WithoutLineBreaks(text.toStdString())));
        filling_ = false;
        LeaveField(field);
    }
}

void CAutoOutDlg::LeaveField(AutoField field)
{
    QLineEdit& edit = Field(field);
    const std::optional<std::string> text =
        ReformatAutoField(field, limits_.decimals, edit.text().toStdString());
    filling_ = true;
    if (text) {
        edit.setText(Q(*text));
        lastGood_[Index(field)] = edit.text();
    } else {
        edit.setText(lastGood_[Index(field)]);
    }
    filling_ = false;
}

std::vector<PointRowTexts> CAutoOutDlg::PointTexts() const
{
    std::vector<PointRowTexts> rows(static_cast<std::size_t>(kArbitraryPointCount));
    for (int row = 0; row < kArbitraryPointCount; ++row) {
        PointRowTexts& texts = rows[static_cast<std::size_t>(row)];
        texts.value = points_.CellText(row, kValueColumn).toStdString();
        texts.interval = points_.CellText(row, kIntervalColumn).toStdString();
        texts.pause = points_.CellText(row, kPauseColumn).toStdString();
    }
    return rows;
}

void CAutoOutDlg::Refuse(const std::string& message)
{
    ui_.ShowMessage(TrMarked("AutoOutputChecks", message.c_str()), kCaptionNotice,
                    MessageIcon::Information, MessageButtons::Ok);
}

void CAutoOutDlg::ShowPointListFailure(const PointListCheckResult& result)
{
    Refuse(result.message);
    if (result.row >= 0) {
        points_.selectRow(result.row);
        points_.scrollTo(points_.model()->index(result.row, kValueColumn));
    }
}

void CAutoOutDlg::ImportCsv()
{
    if (!InputsValid()) return;
    const QString path =
        chooseCsvFile ? chooseCsvFile()
                      : QFileDialog::getOpenFileName(this, QString(), QString(), tr(kCsvFilter));
    if (!path.isEmpty()) {
        points_.CloseEditor();
        CCsvFile file;
        if (!file.Open(QFile::encodeName(path).toStdString())) {
            Refuse(kCsvOpenError);
        } else {
            for (int row = 0; row < kArbitraryPointCount; ++row) {
                for (const int column : {kValueColumn, kIntervalColumn, kPauseColumn}) {
                    points_.SetCellText(row, column, QString());
                }
            }
            const CsvPointImport imported = ReadCsvPoints(file);
            file.Close();
            for (std::size_t i = 0; i < imported.rows.size(); ++i) {
                const int row = static_cast<int>(i);
                points_.SetCellText(row, kValueColumn, Q(imported.rows[i].value));
                points_.SetCellText(row, kIntervalColumn, Q(imported.rows[i].interval));
                points_.SetCellText(row, kPauseColumn, Q(imported.rows[i].pause));
            }
            const std::string problem = CsvStopMessage(imported.stop);
            if (!problem.empty()) Refuse(problem);
        }
    }
    // The list is checked as it now stands, so a file that does not fit is pointed out at once.
    const PointListCheckResult check = CheckPointList(PointTexts(), limits_);
    if (!check.Accepted()) ShowPointListFailure(check);
}

void CAutoOutDlg::accept()
{
    if (!InputsValid()) {
        QDialog::reject();
        return;
    }
    if (!initialised_) Initialise();
    // What is being typed counts as entered, as if the user had left the field or cell first.
    points_.CloseEditor();
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        if (Field(field).hasFocus()) LeaveField(field);
    }

    AutoOutputChannel& automatic = generator_.autoOutput[static_cast<std::size_t>(channel)];
    RampSettings& ramp = automatic.ramps[static_cast<std::size_t>(slot_)];
    const int waveform = waveform_.currentIndex();
    const RampFieldTexts texts{start_.text().toStdString(), end_.text().toStdString(),
                               step_.text().toStdString(), interval_.text().toStdString(),
                               repeat_.text().toStdString()};
    const RampCheckResult checked = CheckRampFields(waveform, texts, limits_, ramp.interval);
    if (!checked.Accepted()) {
        Refuse(checked.message);
        QLineEdit& field = Field(checked.field);
        field.setFocus();
        field.selectAll();
        return;
    }
    std::vector<PointRowTexts> rows;
    if (waveform == kArbitrary) {
        rows = PointTexts();
        const PointListCheckResult list = CheckPointList(rows, limits_);
        if (!list.Accepted()) {
            ShowPointListFailure(list);
            return;
        }
    }
    ramp = RampToStore(waveform, checked, ramp);
    if (waveform == kArbitrary) StorePointList(rows, automatic.points);
    QDialog::accept();
}

void CAutoOutDlg::AttachPreview()
{
    const QSize form = size();
    setFixedSize(form.width() + kPreviewWidth + kPreviewMargin, form.height());
    preview_.setGeometry(form.width(), kPreviewMargin, kPreviewWidth,
                         form.height() - 2 * kPreviewMargin);
    // Edits come in bursts (typing, a CSV file filling a thousand cells): redraw once they pause.
    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(60);
    connect(&previewTimer_, &QTimer::timeout, this, &CAutoOutDlg::UpdatePreview);
    const auto later = [this] { previewTimer_.start(); };
    for (const AutoField field : {AutoField::Start, AutoField::End, AutoField::Step,
                                  AutoField::Interval, AutoField::Repeat}) {
        connect(&Field(field), &QLineEdit::textChanged, this, later);
    }
    connect(&waveform_, &QComboBox::currentIndexChanged, this, later);
    connect(&points_, &QTableWidget::cellChanged, this, later);
}

void CAutoOutDlg::UpdatePreview()
{
    previewTimer_.stop();
    if (!InputsValid() || !initialised_) return;
    // What OK would store, checked as OK checks it; the preview is of that.
    const AutoOutputChannel& automatic = generator_.autoOutput[static_cast<std::size_t>(channel)];
    const RampSettings& stored = automatic.ramps[static_cast<std::size_t>(slot_)];
    const int waveform = waveform_.currentIndex();
    const RampFieldTexts texts{start_.text().toStdString(), end_.text().toStdString(),
                               step_.text().toStdString(), interval_.text().toStdString(),
                               repeat_.text().toStdString()};
    const RampCheckResult checked = CheckRampFields(waveform, texts, limits_, stored.interval);
    if (!checked.Accepted()) {
        preview_.SetNote(Q(TrMarked("AutoOutputChecks", checked.message.c_str())));
        return;
    }
    ArbitraryPoints points = automatic.points;
    if (waveform == kArbitrary) {
        const std::vector<PointRowTexts> rows = PointTexts();
        const PointListCheckResult list = CheckPointList(rows, limits_);
        if (!list.Accepted()) {
            preview_.SetNote(Q(TrMarked("AutoOutputChecks", list.message.c_str())) +
                             tr("（%1行目）").arg(list.row + 1));
            return;
        }
        StorePointList(rows, points);
    }
    preview_.SetRepeat(OneRepeat(RampToStore(waveform, checked, stored), points, kPreviewSteps),
                       limits_);
}

}  // namespace krv
