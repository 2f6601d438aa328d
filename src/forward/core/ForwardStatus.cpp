#include "forward/core/ForwardStatus.h"

#include <QStringList>

namespace quendal {

using namespace Qt::StringLiterals;

QString forwardStateText(ForwardState state)
{
    switch (state) {
    case ForwardState::Connecting:
        return u"connecting"_s;
    case ForwardState::Connected:
        return u"connected"_s;
    case ForwardState::Waiting:
        return u"waiting to reconnect"_s;
    case ForwardState::CertificateRefused:
        return u"certificate refused"_s;
    case ForwardState::QueueUnusable:
        return u"queue unusable"_s;
    }
    return {};
}

QString forwardStatusLine(const ForwardStatusList& targets)
{
    QStringList parts;
    for (const ForwardTargetStatus& t : targets)
        parts << QStringLiteral("%1: %2, %3 queued, %4 delivered, %5 dropped")
                     .arg(t.name, forwardStateText(t.state), QString::number(t.queuedEntries),
                          QString::number(t.acknowledged), QString::number(t.dropped));
    return parts.join(u"; "_s);
}

QStringList forwardSummaryLines(const ForwardStatusList& targets)
{
    QStringList lines;
    for (const ForwardTargetStatus& t : targets) {
        QString line = u"forwarded to "_s + t.name;
        if (t.name != t.url)
            line += u" ("_s + t.url + u')';
        line += QStringLiteral(": accepted %1").arg(t.accepted);
        if (t.carriedOver > 0)
            line += QStringLiteral(" + %1 queued before").arg(t.carriedOver);
        line += QStringLiteral(" = delivered %1 + still queued %2 + dropped %3; %4 sent, "
                               "%5 failed connection attempts")
                    .arg(t.acknowledged)
                    .arg(t.queuedEntries)
                    .arg(t.dropped)
                    .arg(t.sent)
                    .arg(t.failedAttempts);
        if (t.tornSkipped > 0)
            line += QStringLiteral(", %1 damaged records skipped").arg(t.tornSkipped);
        lines << line;
    }
    return lines;
}

} // namespace quendal
