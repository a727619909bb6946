#include "dialogs/ConverterVersionDlg.h"

#include <QFontMetricsF>
#include <QShowEvent>
#include <QTextOption>

#include <algorithm>

#include "dialogs/DialogLayout.h"
#include "dialogs/UnitWork.h"
#include "flows/CalibrationSession.h"
#include "flows/UnitInformation.h"
#include "model/CalibrationValues.h"
#include "platform/TextEncoding.h"

namespace krv {

ConverterVersionDlg::ConverterVersionDlg(DeviceLink& link, GeneratorState& generator,
                                         UserInterface& ui, QWidget* parent)
    : QDialog(parent), link_(link), generator_(generator), ui_(ui)
{
    setWindowTitle(tr("発生器　情報"));
    setFont(DialogFont());
    setFixedSize(DialogUnitSize(309, 176));

    edit_.setGeometry(DialogUnitRect(7, 7, 295, 142));
    SetControlId(edit_, 1065);
    edit_.setReadOnly(true);
    edit_.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetTableTabs();

    PlaceOkCancel(*this, ok_, cancel_, tr("キャンセル"), 198, 155);
    edit_.setToolTip(tr("ユニットの型式、版数と各レンジの調整値"));
    ok_.setToolTip(tr("閉じます"));
    cancel_.setToolTip(tr("閉じます"));
}

ConverterVersionDlg::~ConverterVersionDlg() = default;

void ConverterVersionDlg::SetTableTabs()
{
    // The numbers of a range line follow its name after one tab, or two for the short names,
    // under a header laid out with ideographic spaces. Tab stops placed by this font's widths
    // keep names, numbers and header in line whatever font stands in for the dialog font: the
    // first stop between the short names and the long ones, the numbers' column under "ZERO",
    // and the next ones a column (three ideographic spaces and "ZERO") apart.
    const QFontMetricsF metrics(edit_.font());
    const qreal wide = metrics.horizontalAdvance(QChar(0x3000));
    const qreal numbers = 11 * wide;
    const qreal column = 3 * wide + metrics.horizontalAdvance(QStringLiteral("ZERO"));
    qreal shortest = numbers;
    qreal longest = 0;
    for (const OutputRange range : NamedCalibrationRanges()) {
        const std::string name = RangeDisplayName(range);
        const qreal width = metrics.horizontalAdvance(Q("  " + name));
        if (Cp932Length(name) < 8) {
            longest = std::max(longest, width);
        } else {
            shortest = std::min(shortest, width);
        }
    }
    const qreal first = longest < shortest ? (longest + shortest) / 2 : numbers / 2;
    QList<QTextOption::Tab> tabs{QTextOption::Tab(first, QTextOption::LeftTab)};
    for (int k = 0; k < 8; ++k)
        tabs.append(QTextOption::Tab(numbers + k * column, QTextOption::LeftTab));
    QTextOption option = edit_.document()->defaultTextOption();
    option.setTabs(tabs);
    edit_.document()->setDefaultTextOption(option);
}

void ConverterVersionDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The unit is read once the dialog is on screen, and only when the program shows it (not when
    // the window system restores it).
    if (!event->spontaneous() && !reading_ && !readDone_) {
        QMetaObject::invokeMethod(this, &ConverterVersionDlg::ReadUnit, Qt::QueuedConnection);
    }
}

void ConverterVersionDlg::ReadUnit()
{
    if (reading_ || readDone_ || !isVisible()) return;
    reading_ = true;
    text_.clear();
    edit_.clear();
    // The unit's values go into a copy of the tables, which the document takes over afterwards:
    // the panel keeps reading the document while the dialog is open.
    CalibrationTableCopy tables = CalibrationTableCopy::Of(generator_);
    bool read = false;
    UnitWork work(link_, ui_);
    work_ = &work;
    QWidget* panel = parentWidget() ? parentWidget()->window() : nullptr;
    const bool ran = work.Run(
        [&](UserInterface& ui) {
            read = ReadUnitCalibration(link_, tables.Tables(), circuits, &ui);
        },
        {panel});
    const bool stopped = work.StopRequested();
    work_ = nullptr;
    reading_ = false;
    readDone_ = true;
    tables.ApplyTo(generator_);
    if (ran && read) {
        text_ = FormatUnitInformation(generator_, circuits);
        QString shown = Q(text_);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit_.setPlainText(shown);
    } else if (!stopped) {
        ui_.ShowMessage(TrMarked("UnitInformation", kCommunicationError), kCaptionNotice,
                        MessageIcon::Warning, MessageButtons::Ok);
    }
    emit ReadFinished();
    if (closeWith_) QDialog::done(*closeWith_);
}

void ConverterVersionDlg::done(int result)
{
    if (reading_) {
        // The read stops after the range it is at; the dialog closes when it has.
        closeWith_ = result;
        if (work_) work_->RequestStop();
        return;
    }
    QDialog::done(result);
}

}  // namespace krv
