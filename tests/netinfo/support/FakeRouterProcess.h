#pragma once

#include "support/TestSupport.h"

#include <QProcess>
#include <QRegularExpression>

namespace quendal::test {

// quendal-fake-router as a real process on 127.0.0.1 and a free port it picks itself.
class FakeRouterProcess
{
public:
    explicit FakeRouterProcess(const QStringList& routerOptions)
    {
        process_.start(QStringLiteral(QUENDAL_FAKE_ROUTER_BINARY),
                       QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
                           routerOptions);
        const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        waitUntil([&] {
            errors_ += QString::fromUtf8(process_.readAllStandardError());
            const auto match = listening.match(errors_);
            if (match.hasMatch())
                port_ = quint16(match.captured(1).toUInt());
            return port_ != 0 || process_.state() == QProcess::NotRunning;
        });
    }
    ~FakeRouterProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // 0 when the router did not come up.
    quint16 port() const { return port_; }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QString errors_;
    quint16 port_ = 0;
};

} // namespace quendal::test
