#pragma once

// Pieces several benchmarks share: the machine's load, and realistic traffic to feed them.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

namespace quendal::bench {

// The machine's load average over the last minute, 0 where it cannot be read.
inline double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : 0;
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
