#include "app/core/HeadlessOutput.h"

#include "app/core/StreamCountersText.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/WanStatus.h"

namespace quendal {

void appendStatusLine(QByteArray& out, const WanStatus& status)
{
    out.append("Status");
    for (int i = 0; i < kWanFieldCount; ++i) {
        const auto field = WanField(i);
        out.append('\t');
        out.append(wanFieldKey(field));
        appendEscaped(out, status.value(field));
    }
    if (const auto mode = status.mode()) {
        out.append("\tBBandMode=");
        appendEscaped(out, *mode);
    }
    out.append('\n');
}

QString summaryLine(const IntakeCounters& c, quint64 droppedLines)
{
    // One multi-argument arg() per piece: a number never holds a "%n" for a later one to take.
    QString line =
        QStringLiteral("stopped: %1 messages read = %2 entries stored + %3 status reports + "
                       "%4 of other facilities + %5 from other senders + ")
            .arg(QString::number(c.read), QString::number(c.stored),
                 QString::number(c.statusReports), QString::number(c.ignored),
                 QString::number(c.filtered));
    line +=
        QStringLiteral("%1 without a priority + %2 own forwards + %3 from senders not allowed + "
                       "%4 over rate limits; ")
            .arg(QString::number(c.malformed), QString::number(c.ownForwards),
                 QString::number(c.notAllowed), QString::number(c.overRate));
    line +=
        QStringLiteral("%1 entries written to files, %2 forwarded, %3 forwards failed, %4 lines "
                       "dropped for a slow reader")
            .arg(QString::number(c.written), QString::number(c.forwarded),
                 QString::number(c.forwardFailed), QString::number(droppedLines));
    if (c.cut > 0)
        line += QStringLiteral(", %1 cut to 1500 bytes").arg(c.cut);
    // Senders beyond the host list's cap were received all the same: outside the sum.
    if (c.notListed > 0)
        line += QStringLiteral(", %1 senders not listed").arg(c.notListed);
    // Datagrams the system dropped were never read, so they stand outside the sum.
    if (c.kernelDrops > 0)
        line += QStringLiteral(", dropped by the system: %1").arg(c.kernelDrops);
    line += streamCountersText(c);
    return line;
}

} // namespace quendal
