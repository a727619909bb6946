// Prints, for each file named on the command line, the MIME type Qt's database gives it from its
// name and content, and the one it gives from the name alone: "NAME-AND-CONTENT NAME-ONLY".
#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QMimeDatabase database;
    for (int i = 1; i < argc; ++i) {
        const QString file = QString::fromLocal8Bit(argv[i]);
        std::printf(
            "%s %s\n", qPrintable(database.mimeTypeForFile(file).name()),
            qPrintable(database.mimeTypeForFile(file, QMimeDatabase::MatchExtension).name()));
    }
    return 0;
}
