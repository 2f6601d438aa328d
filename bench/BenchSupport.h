#pragma once

// Pieces several benchmarks share: the machine's load, and realistic traffic to feed them.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

namespace quendal::bench {

// The machine's load averages over the last 1, 5 and 15 minutes as /proc/loadavg gives them
// ("0.52 0.58 0.59"), "?" where they cannot be read. Every benchmark prints them beside its
// figures: the machine is shared, and a figure taken under load says less.
inline QByteArray loadAverageText()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> fields = file.readAll().simplified().split(' ');
    return fields.size() >= 3 ? fields[0] + ' ' + fields[1] + ' ' + fields[2] : QByteArray("?");
}

// The load average over the last minute, 0 where it cannot be read.
inline double loadAverage()
{
    return loadAverageText().split(' ').value(0).toDouble();
}

#ifdef QUENDAL_FLOOD_BINARY
// `count` datagrams of realistic router traffic of all six facilities, printed by the traffic
// generator (the same ones at every run); empty when it gave nothing.
inline std::vector<QByteArray> sampleDatagrams(int count)
{
    QProcess flood;
    flood.start(QStringLiteral(QUENDAL_FLOOD_BINARY),
                {QStringLiteral("--print"), QStringLiteral("--count"), QString::number(count),
                 QStringLiteral("--seed"), QStringLiteral("7")});
    flood.waitForFinished(60000);
    std::vector<QByteArray> out;
    for (const QByteArray& line : flood.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            out.push_back(line);
    }
    return out;
}
#endif

} // namespace quendal::bench
