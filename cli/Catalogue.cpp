// The only part of krvctl built on Qt (Core alone): the catalogue's reader, so that krvctl and
// the panel share one catalogue.
#include "cli/Catalogue.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTranslator>
#include <cstdio>
#include <string>

#include "platform/Translate.h"

namespace krv::cli {

namespace {

QTranslator* theCatalogue = nullptr;  // lives until the process ends

std::string FromCatalogue(const char* context, const char* source)
{
    const QString translated = theCatalogue->translate(context, source);
    return translated.isEmpty() ? std::string(source) : translated.toStdString();
}

}  // namespace

void UseLanguage(Language language)
{
    if (language == Language::Japanese || theCatalogue) return;
    const std::filesystem::path file = EnglishCatalogue(ProgramFolder());
    auto* catalogue = new QTranslator;
    if (file.empty() || !catalogue->load(QFile::decodeName(QByteArray::fromStdString(file)))) {
        delete catalogue;
        // Without the catalogue there is nothing to translate with: both languages at once.
        std::fputs(
            "krvctl: 英語のカタログ (krv_en.qm) がインストールされていません。日本語で"
            "表示します\n"
            "krvctl: the English catalogue (krv_en.qm) is not installed; texts stay "
            "Japanese\n",
            stderr);
        return;
    }
    theCatalogue = catalogue;
    SetTranslateFunction(FromCatalogue);
}

}  // namespace krv::cli
