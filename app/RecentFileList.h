#pragma once

#include <QString>
#include <QStringList>

namespace krv {

// The settings files used last, most recent first, kept in the user's application settings
// (QSettings "Holvik" / "Bremix2") so that they survive the run.
class RecentFileList {
  public:
    static constexpr int kSize = 4;

    QStringList Files() const;
    // Puts `path` at the top; the oldest entry falls off when the list is full.
    void Add(const QString& path);
    void Remove(const QString& path);

  private:
    void Store(const QStringList& files);
};

}  // namespace krv
