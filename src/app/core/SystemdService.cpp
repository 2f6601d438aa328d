#include "app/core/SystemdService.h"

#include "app/core/StreamCountersText.h"
#include "receiver/core/CSysLogSocket.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>

namespace quendal {

void notifySystemd(const QByteArray& state)
{
    // Without NOTIFY_SOCKET this returns at once; a failure to send is systemd's to notice.
    sd_notify(0, state.constData());
}

bool systemdWantsNotifications()
{
    const char* socket = std::getenv("NOTIFY_SOCKET");
    return socket && *socket;
}

QByteArray systemdReloadingState()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 micros = quint64(now.tv_sec) * 1000000 + quint64(now.tv_nsec) / 1000;
    return "RELOADING=1\nMONOTONIC_USEC=" + QByteArray::number(micros);
}

std::chrono::milliseconds systemdWatchdogPingInterval()
{
    uint64_t micros = 0;
    if (sd_watchdog_enabled(0, &micros) <= 0 || micros == 0)
        return std::chrono::milliseconds(0);
    // Twice per period, so that one late ping is not yet a restart.
    return std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(micros / 2000));
}

SystemdSockets takeSystemdSockets()
{
    SystemdSockets sockets;
    const int count = sd_listen_fds(1);
    if (count < 0) {
        sockets.error = QString::fromLocal8Bit(std::strerror(-count));
        return sockets;
    }
    for (int fd = SD_LISTEN_FDS_START; fd < SD_LISTEN_FDS_START + count; ++fd) {
        if (sd_is_socket(fd, AF_INET, SOCK_DGRAM, -1) > 0 ||
            sd_is_socket(fd, AF_INET6, SOCK_DGRAM, -1) > 0)
            sockets.datagram.push_back(fd);
        else if (sd_is_socket(fd, AF_INET, SOCK_STREAM, 1) > 0 ||
                 sd_is_socket(fd, AF_INET6, SOCK_STREAM, 1) > 0)
            sockets.stream.push_back(fd);
        else
            ++sockets.others;
    }
    return sockets;
}

quint16 boundPort(int descriptor)
{
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    if (local.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(local).sin_port);
    if (local.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(local).sin6_port);
    return 0;
}

QString serviceStatusText(const IntakeCounters& c, quint64 droppedLines)
{
    QString text =
        QStringLiteral("%1 entries stored, %2 written to files").arg(c.stored).arg(c.written);
    if (c.notWritten > 0)
        text += QStringLiteral(", %1 not written").arg(c.notWritten);
    text += QStringLiteral(", %1 dropped by the system").arg(c.kernelDrops);
    if (c.forwarded > 0 || c.forwardFailed > 0)
        text += QStringLiteral(", %1 forwarded, %2 forwards failed")
                    .arg(c.forwarded)
                    .arg(c.forwardFailed);
    if (droppedLines > 0)
        text += QStringLiteral(", %1 lines dropped for a slow reader").arg(droppedLines);
    text += streamCountersText(c);
    return text;
}

} // namespace quendal
