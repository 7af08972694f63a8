#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace korvel {

SingleInstance::SingleInstance(const QString& name) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty()) dir = QDir::tempPath();
    path_ = dir + QLatin1Char('/') + name + QLatin1String(".lock");
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return; // no runtime directory to lock in: behave as the only copy
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        alreadyRunning_ = true;
        ::close(fd_);
        fd_ = -1;
    }
}

SingleInstance::~SingleInstance() { release(); }

void SingleInstance::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace korvel
