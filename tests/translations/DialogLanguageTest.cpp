// Every dialog in English beside the Japanese it shows by default: its texts fit their controls at
// the dialog's fixed size in both languages, every control explains itself in a tooltip in both,
// and the texts and the checks' messages are English only when English is asked for.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

#include "app/PanelLanguage.h"
#include "dialogs/CAutoOutDlg.h"
#include "dialogs/CCalDlg.h"
#include "dialogs/CDacSelect.h"
#include "dialogs/CPcResSetupDlg.h"
#include "dialogs/CPresetDlg.h"
#include "dialogs/CProgramUp.h"
#include "dialogs/CRangeSelectDlg.h"
#include "dialogs/CScaleDlg.h"
#include "dialogs/ConverterVersionDlg.h"
#include "dialogs/DiagnosisDlg.h"
#include "dialogs/DialogTestSupport.h"
#include "link/DeviceLink.h"
#include "model/AppValues.h"
#include "support/RecordingUi.h"

// Its own namespace: the test program is built as one unity batch with the panel's test.
namespace krv::dialog_language {
namespace {

const QString kEnglishCatalogue = QStringLiteral(KRV_CATALOGUE);

// What the dialogs are made from: an interface that records messages, a link that is not open and
// a two-circuit generator whose channel 2 runs a 4 to 20 mA sawtooth.
struct Parts {
    Parts()
    {
        state.circuitCount = 2;
        state.channels[1].range = kRange4_20mA;
    }
    test::RecordingUi ui;
    DeviceLink link{ui};
    AppValues app;
    GeneratorState state{app};
};

// One dialog of the program: how it is made (and prepared as the panel prepares it), whether it may
// be shown without a unit, and the states that show other texts in the same controls.
struct DialogCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>(Parts&)> make;
    bool show;
    std::vector<std::function<void(QDialog&)>> variants;
};

template <typename D>
D& As(QDialog& dialog)
{
    return static_cast<D&>(dialog);
}

const std::vector<DialogCase>& Dialogs()
{
    static const std::vector<DialogCase> dialogs = {
        {"range",
         [](Parts& p) {
             auto d = std::make_unique<CRangeSelectDlg>(p.ui);
             d->range = kRangeE0_24mA;
             return d;
         },
         true,
         {}},
        {"scale",
         [](Parts& p) {
             auto d = std::make_unique<CScaleDlg>(p.ui);
             d->range = kRange4_20mA;
             d->scaledMax = 100.0;
             d->scaledUnit = "%";
             return d;
         },
         true,
         {}},
        {"preset",
         [](Parts& p) {
             auto d = std::make_unique<CPresetDlg>(p.ui);
             d->lowerText = " 4.000";
             d->upperText = "20.000";
             d->lower = 4.0;
             d->upper = 20.0;
             d->decimals = 3;
             return d;
         },
         true,
         {}},
        {"auto output",
         [](Parts& p) {
             auto d = std::make_unique<CAutoOutDlg>(p.state, p.ui);
             d->channel = 1;
             d->chooseCsvFile = [] { return QString(); };
             return d;
         },
         true,
         {[](QDialog& d) { As<CAutoOutDlg>(d).WaveformBox().setCurrentIndex(kTriangle); },
          [](QDialog& d) { As<CAutoOutDlg>(d).WaveformBox().setCurrentIndex(kArbitrary); }}},
        {"circuits", [](Parts&) { return std::make_unique<CDacSelect>(); }, true, {}},
        {"standalone",
         [](Parts& p) { return std::make_unique<CPcResSetupDlg>(p.link, p.state, p.ui); },
         true,
         {}},
        {"calibration",
         [](Parts& p) {
             auto d = std::make_unique<CCalDlg>(p.link, p.ui);
             d->channelCount = 2;
             d->values[0] = {kRangeE0_24mA, 2, 200, -200, "  0.000", " 24.000"};
             return d;
         },
         true,
         {}},
        {"firmware",
         [](Parts& p) { return std::make_unique<CProgramUp>(p.link, p.state, p.ui); },
         true,
         {[](QDialog& d) {
             auto& f = As<CProgramUp>(d);
             f.StatusText().setText(CProgramUp::tr(kFileChosenStatus));
             f.CancelButton().setText(CProgramUp::tr(kBackButtonText));
         }}},
        // Shown, these two would read the unit; their layout is that of the dialog as built.
        {"information",
         [](Parts& p) { return std::make_unique<ConverterVersionDlg>(p.link, p.state, p.ui); },
         false,
         {}},
        {"diagnosis",
         [](Parts& p) { return std::make_unique<DiagnosisDlg>(p.link, p.ui); },
         false,
         {}},
    };
    return dialogs;
}

class DialogLanguageTest : public ::testing::Test {
  protected:
    void TearDown() override { ASSERT_TRUE(InstallTranslations(Language::Japanese)); }

    // Makes the dialog in `language`, on screen where it may be shown.
    std::unique_ptr<QDialog> Open(const DialogCase& c, Language language)
    {
        EXPECT_TRUE(InstallTranslations(language, kEnglishCatalogue));
        std::unique_ptr<QDialog> dialog = c.make(parts);
        if (c.show) {
            dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get())) << c.name;
        } else if (dialog->layout()) {
            dialog->layout()->activate();
        }
        return dialog;
    }

    Parts parts;
};

// The controls of a dialog a user works with: those on the dialog itself or in its group boxes
// (not the parts that make up a list or a combo box).
std::vector<QWidget*> Controls(QDialog& dialog)
{
    std::vector<QWidget*> controls;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->parentWidget() != &dialog && !qobject_cast<QGroupBox*>(w->parentWidget())) continue;
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
            qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QProgressBar*>(w)) {
            controls.push_back(w);
        }
    }
    return controls;
}

std::string Name(const QWidget* w)
{
    return w->objectName().toStdString() + " (" + w->metaObject()->className() + ")";
}

// Every text of the dialog as it stands fits its control, no text runs into another or into a
// control, and everything stays inside the dialog. Returns how many texts were measured.
int ExpectTextsFit(QDialog& dialog, const std::string& where)
{
    SCOPED_TRACE(where);
    int measured = 0;
    std::vector<QRect> texts;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->isHidden()) continue;
        const QFontMetrics metrics = w->fontMetrics();
        if (auto* push = qobject_cast<QPushButton*>(w)) {
            if (push->text().isEmpty()) continue;
            ++measured;
            EXPECT_GE(push->width(), metrics.horizontalAdvance(push->text()) + 8)
                << "\"" << push->text().toStdString() << "\" in " << Name(w);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            ++measured;
            EXPECT_GE(button->width(), button->sizeHint().width())
                << "\"" << button->text().toStdString() << "\" in " << Name(w);
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            ++measured;
            EXPECT_GE(group->width(), metrics.horizontalAdvance(group->title()) + 16)
                << "\"" << group->title().toStdString() << "\"";
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || label->parentWidget() != &dialog) continue;
            ++measured;
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            if (label->frameStyle() == QFrame::NoFrame && !dialog.layout()) {
                texts.push_back(test::TextExtent(*label));
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const int room = combo->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option,
                                                  QStyle::SC_ComboBoxEditField, combo)
                                 .width();
            for (int i = 0; i < combo->count(); ++i) {
                ++measured;
                EXPECT_LE(metrics.horizontalAdvance(combo->itemText(i)), room)
                    << "\"" << combo->itemText(i).toStdString() << "\" in " << Name(w);
            }
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
            const QFontMetrics header = table->horizontalHeader()->fontMetrics();
            for (int column = 0; column < table->columnCount(); ++column) {
                const QTableWidgetItem* item = table->horizontalHeaderItem(column);
                if (table->isColumnHidden(column) || !item) continue;
                ++measured;
                EXPECT_LE(header.horizontalAdvance(item->text()) + 8, table->columnWidth(column))
                    << "\"" << item->text().toStdString() << "\" heads a column too narrow";
            }
        }
    }
    if (!dialog.layout()) test::ExpectNoOverlap(dialog, texts);
    return measured;
}

// Each dialog, in each language, at the size the Japanese one has, with every text in full; the
// other texts some controls show later measured in the same controls.
TEST_F(DialogLanguageTest, TextsFitTheirControlsInBothLanguages)
{
    for (const DialogCase& c : Dialogs()) {
        QSize japaneseSize;
        for (const Language language : {Language::Japanese, Language::English}) {
            const std::string where = std::string(c.name) + ", " + LanguageWord(language);
            std::unique_ptr<QDialog> dialog = Open(c, language);
            if (language == Language::Japanese) {
                japaneseSize = dialog->size();
            } else {
                EXPECT_EQ(dialog->size(), japaneseSize) << where;
            }
            EXPECT_GT(ExpectTextsFit(*dialog, where), 1) << where;
            int variant = 0;
            for (const auto& change : c.variants) {
                change(*dialog);
                ExpectTextsFit(*dialog, where + ", state " + std::to_string(++variant));
            }
        }
    }
}

// Every control of every dialog has a tooltip in both languages, and the English one is not the
// Japanese one.
TEST_F(DialogLanguageTest, EveryControlHasATooltipInBothLanguages)
{
    int controls = 0;
    for (const DialogCase& c : Dialogs()) {
        std::vector<QString> japanese;
        for (const Language language : {Language::Japanese, Language::English}) {
            std::unique_ptr<QDialog> dialog = Open(c, language);
            const std::vector<QWidget*> found = Controls(*dialog);
            EXPECT_FALSE(found.empty()) << c.name;
            for (std::size_t i = 0; i < found.size(); ++i) {
                const QString tip = found[i]->toolTip();
                EXPECT_FALSE(tip.isEmpty())
                    << c.name << ", " << LanguageWord(language) << ": " << Name(found[i]);
                if (language == Language::Japanese) {
                    japanese.push_back(tip);
                    ++controls;
                } else if (i < japanese.size()) {
                    EXPECT_NE(tip, japanese[i]) << c.name << ": " << Name(found[i]);
                }
            }
            if (language == Language::English) {
                EXPECT_EQ(found.size(), japanese.size()) << c.name;
            }
        }
    }
    EXPECT_GT(controls, 70);
}

QString ControlText(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return QStringLiteral("?");
}

// A text of a dialog: its title for "", else the text of the control of that object name.
QString Text(QDialog& dialog, const char* object)
{
    if (!*object) return dialog.windowTitle();
    QWidget* w = dialog.findChild<QWidget*>(QString::fromUtf8(object));
    return w ? ControlText(w) : QStringLiteral("<no %1>").arg(QString::fromUtf8(object));
}

// A few texts of each dialog: English when asked for, the exact Japanese by default. The last
// rows are the checks' messages as the dialogs show them when OK finds a field wrong.
TEST_F(DialogLanguageTest, EnglishWhenAskedJapaneseByDefault)
{
    struct Row {
        const char* dialog;
        const char* object;  // "" for the window title
        const char* japanese;
        const char* english;
    };
    const Row rows[] = {
        {"range", "", "出力レンジ選択", "Output Range"},
        {"range", "id2", "キャンセル", "Cancel"},
        {"scale", "", "換算式", "Scaling"},
        {"preset", "id2", "戻る", "Back"},
        {"auto output", "", "自動出力設定", "Automatic Output"},
        {"auto output", "id1046", "開始値", "Start"},
        {"auto output", "id1032", "CSV読込", "Load CSV"},
        {"circuits", "id1023", "２ 回路用", "2 circuits"},
        {"standalone", "", "PCレス設定", "Standalone Setup"},
        {"standalone", "id1082", "チャネル1", "Channel 1"},
        {"standalone", "id1085", "固定値出力", "Fixed value"},
        {"standalone", "id1071", "待機中", "Idle"},
        {"calibration", "id1067", "メーカー調整有効", "Factory"},
        {"calibration", "id1033", "最小値　出力", "Output minimum"},
        {"firmware", "", "ファームウェア更新", "Firmware Update"},
        {"firmware", "id1014", "更新ファームウェアを選択してください", "Choose the firmware file"},
        {"information", "", "発生器　情報", "Generator Information"},
        {"diagnosis", "", "診断", "Diagnosis"},
    };
    std::map<std::string, const DialogCase*> byName;
    for (const DialogCase& c : Dialogs()) byName[c.name] = &c;
    for (const Language language : {Language::Japanese, Language::English}) {
        const bool english = language == Language::English;
        for (const Row& row : rows) {
            std::unique_ptr<QDialog> dialog = Open(*byName.at(row.dialog), language);
            EXPECT_EQ(Text(*dialog, row.object).toStdString(), english ? row.english : row.japanese)
                << row.dialog << " " << row.object;
        }

        // The checks' messages, in the language of the dialog that shows them.
        struct Refusal {
            const char* dialog;
            std::function<void(QDialog&)> enter;
            const char* japanese;
            const char* english;
        };
        const Refusal refusals[] = {
            {"scale", [](QDialog& d) { test::Retype(As<CScaleDlg>(d).MinimumField(), "x"); },
             kScaleMinimumError, "The minimum is not valid"},
            {"preset", [](QDialog& d) { test::Retype(*d.findChild<QLineEdit*>("id1027"), "99"); },
             kPresetOutOfRangeError, "A value is out of range"},
            {"auto output",
             [](QDialog& d) { test::Retype(As<CAutoOutDlg>(d).Field(AutoField::Start), "x"); },
             kStartNotNumber, "The start value is not a number"},
        };
        for (const Refusal& r : refusals) {
            parts.ui.Clear();
            std::unique_ptr<QDialog> dialog = Open(*byName.at(r.dialog), language);
            r.enter(*dialog);
            QTest::mouseClick(dialog->findChild<QPushButton*>("id1"), Qt::LeftButton);
            const std::vector<std::string> texts = parts.ui.Texts();
            ASSERT_FALSE(texts.empty()) << r.dialog;
            EXPECT_EQ(texts.front(), english ? r.english : r.japanese) << r.dialog;
            EXPECT_TRUE(dialog->isVisible()) << r.dialog << " closed on a wrong field";
        }
    }
}

}  // namespace
}  // namespace krv::dialog_language
