#pragma once

#include <QByteArray>
#include <QByteArrayMatcher>
#include <QList>

#include <optional>

namespace quendal::test {

// The annotation rule written as plainly as it is said, to check the program's one-pass index
// against: the key is "<port>/udp"; a line matches when the first occurrence of the key in it
// does not start the line and follows a space; the last matching line wins.
inline std::optional<QByteArray> portDefinitionFor(quint16 port, const QList<QByteArray>& lines)
{
    const QByteArrayMatcher key(QByteArray::number(port) + "/udp");
    std::optional<QByteArray> match;
    for (const QByteArray& line : lines) {
        const qsizetype at = key.indexIn(line);
        if (at > 0 && line.at(at - 1) == ' ')
            match = line;
    }
    return match;
}

} // namespace quendal::test
