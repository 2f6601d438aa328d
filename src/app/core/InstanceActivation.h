#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quendal {

// How a second start reaches the running window: the instance holding the single-instance
// lock listens on a local socket of the user; a second start connects, asks it to show its
// window, and exits.
class InstanceActivation : public QObject
{
    Q_OBJECT

public:
    // The socket name of this user's instance.
    static QString defaultName();

    explicit InstanceActivation(const QString& name = defaultName(), QObject* parent = nullptr);
    ~InstanceActivation() override;

    // Starts listening; only the lock holder may, since a socket left by a crashed instance is
    // removed first. False with `error` set when the socket cannot be made.
    bool listen(QString* error = nullptr);

    // The second start's side: asks the running instance to show its window. False when none
    // answered within `timeoutMs`.
    static bool askRunningInstanceToShow(const QString& name = defaultName(), int timeoutMs = 2000);

Q_SIGNALS:
    void showRequested();

private:
    QString name_;
    QLocalServer* server_;
};

} // namespace quendal
