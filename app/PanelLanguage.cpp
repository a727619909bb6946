#include "app/PanelLanguage.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Translate.h"

namespace krv {

namespace {

constexpr const char* kLanguageKey = "Language";

Language theInstalledLanguage = Language::Japanese;
bool theInstallComplete = false;     // the last call installed every part
QTranslator* theOwnTexts = nullptr;  // the English catalogue
QTranslator* theQtTexts = nullptr;   // Qt's translations of its own texts

QSettings PreferenceStore()
{
    return QSettings(QStringLiteral("Holvik"), QStringLiteral("Bremix2"));
}

void Remove(QTranslator*& translator)
{
    if (!translator) return;
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
}

// The core asks through krv::Tr; the installed translators answer.
std::string QtTranslate(const char* context, const char* source)
{
    return QCoreApplication::translate(context, source).toStdString();
}

QTranslator* Load(const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

bool InstallParts(Language language, const QString& catalogue);

}  // namespace

std::optional<Language> StoredLanguage()
{
    const QString word = PreferenceStore().value(QString::fromUtf8(kLanguageKey)).toString();
    return ParseLanguage(word.toStdString());
}

void StoreLanguage(Language language)
{
    PreferenceStore().setValue(QString::fromUtf8(kLanguageKey),
                               QString::fromUtf8(LanguageWord(language)));
}

Language PanelLanguage(std::optional<Language> commandLine)
{
    return ChooseLanguage(commandLine, StoredLanguage(), ProcessEnvironment());
}

Language InstalledLanguage()
{
    return theInstalledLanguage;
}

bool InstallTranslations(Language language, const QString& catalogue)
{
    if (theInstallComplete && language == theInstalledLanguage) return true;
    theInstallComplete = InstallParts(language, catalogue);
    return theInstallComplete;
}

namespace {

QTranslator* theTerminalTexts = nullptr;  // lives until the process ends

std::string FromTerminalTexts(const char* context, const char* source)
{
    const QString translated = theTerminalTexts->translate(context, source);
    return translated.isEmpty() ? std::string(source) : translated.toStdString();
}

}  // namespace

bool InstallTerminalTranslations(Language language)
{
    if (language == Language::Japanese) {
        SetTranslateFunction(nullptr);
        return true;
    }
    if (!theTerminalTexts) {
        const std::filesystem::path file = EnglishCatalogue(ProgramFolder());
        auto translator = std::make_unique<QTranslator>();
        if (file.empty() || !translator->load(QFile::decodeName(file.c_str()))) return false;
        theTerminalTexts = translator.release();
    }
    SetTranslateFunction(FromTerminalTexts);
    return true;
}

namespace {

bool InstallParts(Language language, const QString& catalogue)
{
    Remove(theOwnTexts);
    Remove(theQtTexts);
    SetTranslateFunction(nullptr);
    theInstalledLanguage = language;
    bool complete = true;
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == Language::Japanese) {
        theQtTexts = Load(QStringLiteral("qtbase_ja"), qtFolder);
        if (!theQtTexts) {
            std::fprintf(stderr, "bremix2: %s\n",
                         WithArg(Tr("PanelLanguage",
                                    "Qt の日本語訳 (%1 の qtbase_ja.qm) が"
                                    "インストールされていません。標準の"
                                    "ダイアログは英語で表示されます"),
                                 qtFolder.toLocal8Bit().toStdString())
                             .c_str());
            complete = false;
        }
        return complete;
    }
    // Qt's texts are written in English; its English file only adds plural forms.
    theQtTexts = Load(QStringLiteral("qtbase_en"), qtFolder);
    QString file = catalogue;
    if (file.isEmpty()) {
        file = QFile::decodeName(QByteArray::fromStdString(EnglishCatalogue(ProgramFolder())));
    }
    theOwnTexts = file.isEmpty() ? nullptr : Load(file, QString());
    if (!theOwnTexts) {
        // Without the catalogue there is nothing to translate with: both languages at once.
        std::fputs(
            "bremix2: 英語のカタログ (krv_en.qm) がインストールされていません。パネルは日本語で"
            "表示します\n"
            "bremix2: the English catalogue (krv_en.qm) is not installed; the panel "
            "stays Japanese\n",
            stderr);
        complete = false;
    } else {
        SetTranslateFunction(QtTranslate);
    }
    return complete;
}

}  // namespace

std::optional<Language> AskLanguage(QWidget* parent, Language current)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kLanguageCaption),
                    QString::fromUtf8("パネルの表示言語を選んでください。次回の起動から有効に"
                                      "なります。\n"
                                      "Choose the language of the panel. It takes effect at "
                                      "the next start."),
                    QMessageBox::Cancel, parent);
    QPushButton* english = box.addButton(QStringLiteral("English"), QMessageBox::AcceptRole);
    QPushButton* japanese = box.addButton(QString::fromUtf8("日本語"), QMessageBox::AcceptRole);
    box.setDefaultButton(current == Language::English ? english : japanese);
    box.exec();
    if (box.clickedButton() == english) return Language::English;
    if (box.clickedButton() == japanese) return Language::Japanese;
    return std::nullopt;
}

}  // namespace krv
