#include "app/core/StreamCountersText.h"

namespace quendal {

QString streamCountersText(const IntakeCounters& c)
{
    const ConnectionCounters& n = c.connections;
    if (n.accepted == 0 && n.refused == 0)
        return {};
    QString text = QStringLiteral("; %1 messages over TCP, %2 over TLS")
                       .arg(QString::number(c.readTcp), QString::number(c.readTls));
    text +=
        QStringLiteral("; connections: %1 open, %2 accepted, %3 refused, ")
            .arg(QString::number(n.open), QString::number(n.accepted), QString::number(n.refused));
    text += QStringLiteral("%1 closed for a bad frame, %2 closed idle, %3 ended mid-message")
                .arg(QString::number(n.badFrames), QString::number(n.idle),
                     QString::number(n.unfinished));
    return text;
}

} // namespace quendal
