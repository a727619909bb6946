#include "app/RecentFileList.h"

#include <QSettings>

namespace krv {

namespace {

constexpr const char* kGroup = "Recent File List";

QString Key(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

}  // namespace

QStringList RecentFileList::Files() const
{
    QSettings settings(QStringLiteral("Holvik"), QStringLiteral("Bremix2"));
    settings.beginGroup(QString::fromUtf8(kGroup));
    QStringList files;
    for (int i = 0; i < kSize; ++i) {
        const QString file = settings.value(Key(i)).toString();
        if (!file.isEmpty() && !files.contains(file)) files.append(file);
    }
    return files;
}

void RecentFileList::Add(const QString& path)
{
    if (path.isEmpty()) return;
    QStringList files = Files();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kSize) files.removeLast();
    Store(files);
}

void RecentFileList::Remove(const QString& path)
{
    QStringList files = Files();
    if (files.removeAll(path) > 0) Store(files);
}

void RecentFileList::Store(const QStringList& files)
{
    QSettings settings(QStringLiteral("Holvik"), QStringLiteral("Bremix2"));
    settings.beginGroup(QString::fromUtf8(kGroup));
    for (int i = 0; i < kSize; ++i) {
        if (i < files.size()) {
            settings.setValue(Key(i), files[i]);
        } else {
            settings.remove(Key(i));
        }
    }
}

}  // namespace krv
