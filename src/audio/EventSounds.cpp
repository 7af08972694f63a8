#include "audio/EventSounds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace korvel {

QString LocateSound(const QString& fileName) {
    const QStringList folders = {QCoreApplication::applicationDirPath(), QDir::currentPath()};
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QFileInfo file(QDir(folder), fileName);
        if (file.isFile()) return file.absoluteFilePath();
    }
    return {};
}

void EventSounds::play(const QString& fileName) {
    if (!output_) return;
    const QString path = LocateSound(fileName);
    if (path.isEmpty()) return;
    output_->PlayFile(path);
}

} // namespace korvel
