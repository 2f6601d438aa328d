#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace quendal {

// Turns SIGINT, SIGTERM and the like into a Qt signal on the event loop's thread, so the
// datagram in hand is finished before anything reacts to them.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace quendal
