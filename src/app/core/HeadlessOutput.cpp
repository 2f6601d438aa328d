#include "app/core/HeadlessOutput.h"

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
    QString line =
        QStringLiteral("stopped: %1 datagrams read = %2 entries stored + %3 status reports + "
                       "%4 of other facilities + %5 from other senders + %6 without a priority "
                       "+ %7 own forwards; %8 entries written to files, %9 forwarded, ")
            .arg(c.read)
            .arg(c.stored)
            .arg(c.statusReports)
            .arg(c.ignored)
            .arg(c.filtered)
            .arg(c.malformed)
            .arg(c.ownForwards)
            .arg(c.written)
            .arg(c.forwarded) +
        QStringLiteral("%1 forwards failed, %2 lines dropped for a slow reader")
            .arg(c.forwardFailed)
            .arg(droppedLines);
    if (c.cut > 0)
        line += QStringLiteral(", %1 cut to 1500 bytes").arg(c.cut);
    // Datagrams the system dropped were never read, so they stand outside the sum.
    if (c.kernelDrops > 0)
        line += QStringLiteral(", dropped by the system: %1").arg(c.kernelDrops);
    return line;
}

} // namespace quendal
