#pragma once

#include <QString>

namespace korvel {

// One running copy per user: an exclusive lock on a file in the runtime directory, held for
// the life of the object. The lock goes with the process, so a crashed copy never blocks.
class SingleInstance {
public:
    // name: "KorvelOneInstance" for the desktop program.
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another copy already holds the lock.
    bool alreadyRunning() const { return alreadyRunning_; }
    void release();
    QString lockPath() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    bool alreadyRunning_ = false;
};

} // namespace korvel
