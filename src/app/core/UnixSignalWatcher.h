#pragma once

#include <QObject>
#include <QString>

#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace quendal {

// Turns SIGINT, SIGTERM and the like into a Qt signal on the event loop's thread, so the
// datagram in hand is finished before anything reacts to them. It needs one descriptor: create
// it before anything else takes descriptors, and refuse to run when isWatching() is false (the
// signals would then end the process, or do nothing, unseen).
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

    bool isWatching() const { return notifier_ != nullptr; }
    // Why it is not watching.
    QString error() const { return error_; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();
    std::unique_ptr<QSocketNotifier> notifier_;
    QString error_;
};

} // namespace quendal
