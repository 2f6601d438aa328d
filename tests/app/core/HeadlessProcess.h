#pragma once

#include "support/TestSupport.h"

#include <QProcess>

#include <chrono>
#include <csignal>
#include <functional>

namespace quendal::test {

// The receiver without a window, run as its own process in a temporary folder.
class Headless
{
public:
    // `quendal-syslog --headless`, or the service binary `quendal-syslogd` when asked for.
    // `childSetup` runs in the new process just before the program starts.
    explicit Headless(QStringList arguments, const QString& workingDirectory,
                      bool serviceBinary = false, const std::function<void()>& childSetup = {})
    {
        process_.setWorkingDirectory(workingDirectory);
        if (childSetup)
            process_.setChildProcessModifier(childSetup);
        if (serviceBinary)
            process_.start(QStringLiteral(QUENDAL_SYSLOGD_BINARY), arguments);
        else
            process_.start(QStringLiteral(QUENDAL_SYSLOG_BINARY),
                           QStringList{QStringLiteral("--headless")} + arguments);
    }
    ~Headless()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool waitUntilReceiving()
    {
        return waitUntil([&] {
                   errors_ += process_.readAllStandardError();
                   return errors_.contains("receiving syslog") ||
                          process_.state() == QProcess::NotRunning;
               }) &&
               errors_.contains("receiving syslog");
    }
    // Sends the signal; the exit code, or -1 when it did not end normally within `limit`.
    int stop(int signalNumber = SIGTERM, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        sendSignal(process_.processId(), signalNumber);
        process_.waitForFinished(int(limit.count()));
        if (process_.state() != QProcess::NotRunning)
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    int waitForExit()
    {
        process_.waitForFinished(5000);
        return process_.exitCode();
    }
    bool isRunning() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }
    QByteArray output() { return output_ += process_.readAllStandardOutput(); }
    QByteArray errors() { return errors_ += process_.readAllStandardError(); }

private:
    QProcess process_;
    QByteArray output_;
    QByteArray errors_;
};

} // namespace quendal::test
