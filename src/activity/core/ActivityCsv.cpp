#include "activity/core/ActivityCsv.h"

#include <QDateTime>

namespace quendal {
namespace {

QByteArray isoTime(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1();
}

QByteArray numberText(double value)
{
    return isKnown(value) ? QByteArray::number(value, 'g', 12) : QByteArray();
}

// A mode as a CSV field: quoted when it holds a separator or a quote, quotes doubled.
QByteArray field(const QByteArray& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

} // namespace

QByteArray linkCsv(const LinkSeries& series)
{
    QByteArray out = "time,tx_rate,rx_rate,tx_packets_per_s,rx_packets_per_s,event\r\n";
    const auto& events = series.events();
    auto event = events.begin();
    for (const LinkPoint& p : series.points()) {
        QByteArray note;
        for (; event != events.end() && event->until <= p.at; ++event) {
            if (!note.isEmpty())
                note += "; ";
            switch (event->kind) {
            case LinkEvent::ModeChange:
                note += "mode " + event->mode;
                break;
            case LinkEvent::CounterReset:
                note += "counter reset";
                break;
            case LinkEvent::Gap:
                note += "no report since " + isoTime(event->at);
                break;
            }
        }
        out += isoTime(p.at) + ',' + numberText(p.txRate) + ',' + numberText(p.rxRate) + ',' +
               numberText(p.txPacketRate) + ',' + numberText(p.rxPacketRate) + ',' + field(note) +
               "\r\n";
    }
    return out;
}

QByteArray minuteCsv(const std::vector<MinuteCounts>& minutes)
{
    QByteArray out = "minute";
    for (LogCategory c : kAllCategories)
        out += ',' + QByteArray(categoryName(c));
    out += ",emergencies\r\n";
    for (const MinuteCounts& m : minutes) {
        out += isoTime(m.minute * 60000);
        for (quint32 n : m.entries)
            out += ',' + QByteArray::number(n);
        out += ',' + QByteArray::number(m.totalEmergencies()) + "\r\n";
    }
    return out;
}

} // namespace quendal
