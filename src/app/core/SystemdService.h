#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <vector>

namespace quendal {

struct IntakeCounters;

// The service's side of systemd: readiness, status, reload and watchdog notifications, and the
// sockets systemd binds for it (socket activation). A process that systemd did not start (no
// NOTIFY_SOCKET, no LISTEN_FDS) sends nothing and inherits nothing.

// Sends `state` ("READY=1", "STATUS=...", several separated by line feeds) to systemd.
void notifySystemd(const QByteArray& state);
// Whether systemd listens to the notifications (Type=notify).
bool systemdWantsNotifications();
// "RELOADING=1" with the time systemd wants with it.
QByteArray systemdReloadingState();
// How often systemd's watchdog wants a ping (half of WatchdogSec=); zero when it wants none.
std::chrono::milliseconds systemdWatchdogPingInterval();

// The sockets systemd handed over (LISTEN_FDS), taken out of the environment so that no child
// inherits them.
struct SystemdSockets
{
    std::vector<int> datagram; // bound IPv4 or IPv6 datagram sockets
    std::vector<int> stream;   // listening IPv4 or IPv6 stream sockets
    int others = 0;            // sockets of other kinds, left alone
    QString error;             // the hand-over could not be read
};
SystemdSockets takeSystemdSockets();
// The port a socket is bound to; 0 when it cannot be told.
quint16 boundPort(int descriptor);

// The counters as the one line of `systemctl status`.
QString serviceStatusText(const IntakeCounters& counters, quint64 droppedLines);

} // namespace quendal
