#pragma once

#include <QString>

namespace quendal {

// Keeps a second window of the receiver from starting. The lock is an flock on a file in the
// user's runtime folder: the kernel releases it when the process ends, however it ends, so a
// crashed instance never blocks the next start.
class SingleInstanceLock
{
public:
    // The lock file of the user: QuendalSysLog.lock in $XDG_RUNTIME_DIR, else in the temporary
    // folder with the user id in its name.
    static QString defaultPath();

    explicit SingleInstanceLock(const QString& path = defaultPath());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    enum class Result
    {
        Acquired,
        HeldElsewhere, // another instance runs
        Unavailable,   // the lock file cannot be used; `error` says why, the caller decides
    };
    Result tryLock(QString* error = nullptr);
    bool isLocked() const { return fd_ >= 0; }
    void unlock();
    QString path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
};

} // namespace quendal
