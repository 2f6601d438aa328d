#include "xvfb/XvfbDisplay.h"

#include <QByteArray>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quendal::test {

XvfbDisplay::~XvfbDisplay()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

QString XvfbDisplay::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
}

bool XvfbDisplay::start(QString* error)
{
    const QByteArray path = program().toLocal8Bit();
    if (path.isEmpty()) {
        *error = QStringLiteral("Xvfb is not installed");
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        // The server goes with the test process, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The write end stays open in the server, which writes the display number to it.
        ::fcntl(fds[1], F_SETFD, 0);
        const QByteArray fd = QByteArray::number(fds[1]);
        ::execl(path.constData(), "Xvfb", "-displayfd", fd.constData(), "-screen", "0",
                "1280x900x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The number comes once the server listens, followed by a line feed.
    QByteArray number;
    pollfd wait{fds[0], POLLIN, 0};
    while (!number.endsWith('\n') && ::poll(&wait, 1, 20000) > 0) {
        char buffer[16];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, got);
    }
    ::close(fds[0]);
    bool ok = false;
    number.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb did not name its display");
        return false;
    }
    name_ = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

} // namespace quendal::test
