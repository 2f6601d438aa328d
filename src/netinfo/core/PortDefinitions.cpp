#include "netinfo/core/PortDefinitions.h"

#include "logs/core/TextFiles.h"

#include <QByteArrayMatcher>
#include <QDir>
#include <QFile>

namespace quendal {
namespace {

PortDefinitionTable& table()
{
    static PortDefinitionTable instance;
    return instance;
}

} // namespace

const PortDefinitionTable& PortDefinitions()
{
    return table();
}

void LoadPortDefinitions()
{
    LoadPortDefinitionsFrom(
        QDir::current().absoluteFilePath(QString::fromLatin1(kPortDefinitionsFileName)));
}

void LoadPortDefinitionsFrom(const QString& filePath)
{
    PortDefinitionTable& t = table();
    t.loaded = false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // Short of the end, even an empty line still brings its LF: nothing at all is an error.
        if (line.isEmpty())
            return;
        t.lines.append(withoutLineEnd(line).toByteArray());
    }
    t.loaded = true;
}

void ResetPortDefinitions()
{
    PortDefinitionTable& t = table();
    t.lines.clear();
    t.loaded = false;
}

std::optional<QByteArray> portDefinitionFor(quint16 port, const QList<QByteArray>& lines)
{
    // Each refresh runs every port against every line, so the key is prepared once per port.
    const QByteArrayMatcher key(QByteArray::number(port) + "/udp");
    std::optional<QByteArray> match;
    for (const QByteArray& line : lines) {
        const qsizetype at = key.indexIn(line);
        if (at > 0 && line.at(at - 1) == ' ')
            match = line;
    }
    return match;
}

std::optional<QByteArray> portDefinitionFor(quint16 port)
{
    const PortDefinitionTable& t = PortDefinitions();
    if (!t.loaded)
        return std::nullopt;
    return portDefinitionFor(port, t.lines);
}

} // namespace quendal
