#include "netinfo/core/PortDefinitions.h"

#include "common/core/TextFiles.h"

#include <QDir>
#include <QFile>

namespace quendal {
namespace {

constexpr int kPortCount = 65536;
constexpr qsizetype kMaxPortDigits = 5;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Marks the ports that one line annotates. A port's key "<port>/udp" always ends at some
// "/udp", so the line's "/udp"s, left to right, meet each key's first occurrence first: the
// digits just before a "/udp" hold one candidate port per suffix without a leading zero.
// `decidedIn[port]` is the last line in which the port's first occurrence was seen, so that
// each candidate costs one look-up, whatever the number of ports named on the line.
void indexLine(std::vector<int>& index, std::vector<int>& decidedIn, const QByteArray& line,
               int lineNumber)
{
    for (qsizetype at = line.indexOf("/udp"); at >= 0; at = line.indexOf("/udp", at + 1)) {
        qsizetype runStart = at;
        while (runStart > 0 && isDigit(line.at(runStart - 1)))
            --runStart;
        for (qsizetype start = at - 1; start >= runStart && at - start <= kMaxPortDigits; --start) {
            if (line.at(start) == '0' && start != at - 1)
                continue; // "053" is no port's key; its "53" is the next suffix
            int port = 0;
            for (qsizetype i = start; i < at; ++i)
                port = port * 10 + (line.at(i) - '0');
            if (port >= kPortCount || decidedIn[size_t(port)] == lineNumber)
                continue;
            decidedIn[size_t(port)] = lineNumber;
            if (start > 0 && line.at(start - 1) == ' ')
                index[size_t(port)] = lineNumber;
        }
    }
}

} // namespace

PortDefinitions::PortDefinitions(QList<QByteArray> lines, bool loaded)
    : lines_(std::move(lines)), loaded_(loaded)
{
    if (loaded_) {
        const std::vector<int> index = indexPortDefinitions(lines_);
        index_ = QList<int>(index.begin(), index.end());
    }
}

std::optional<QByteArray> PortDefinitions::lineFor(quint16 port) const
{
    if (!loaded_)
        return std::nullopt;
    const int line = index_.at(port);
    return line < 0 ? std::nullopt : std::optional<QByteArray>(lines_.at(line));
}

PortDefinitions LoadPortDefinitions()
{
    return LoadPortDefinitionsFrom(
        QDir::current().absoluteFilePath(QString::fromLatin1(kPortDefinitionsFileName)));
}

PortDefinitions LoadPortDefinitionsFrom(const QString& filePath)
{
    QList<QByteArray> lines;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // Short of the end, even an empty line still brings its LF: nothing at all is an error.
        if (line.isEmpty())
            return PortDefinitions(std::move(lines), false);
        lines.append(withoutLineEnd(line).toByteArray());
    }
    return PortDefinitions(std::move(lines));
}

std::vector<int> indexPortDefinitions(const QList<QByteArray>& lines)
{
    std::vector<int> index(kPortCount, -1), decidedIn(kPortCount, -1);
    for (qsizetype i = 0; i < lines.size(); ++i)
        indexLine(index, decidedIn, lines.at(i), int(i));
    return index;
}

} // namespace quendal
