#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace quendal {

// The lines of Portdef.dat, process-wide, loaded once at start-up. Each line is kept as bytes
// without its line end; `loaded` tells whether the whole file was read.
struct PortDefinitionTable
{
    QList<QByteArray> lines;
    bool loaded = false;
};

// For every UDP port, the index of the definition line that annotates it (-1: none), found in
// one pass over the lines. Same answers as portDefinitionFor(port, lines) for every port.
std::vector<int> indexPortDefinitions(const QList<QByteArray>& lines);

inline constexpr const char* kPortDefinitionsFileName = "Portdef.dat";

const PortDefinitionTable& PortDefinitions();

// Reads Portdef.dat from the current directory into PortDefinitions().
void LoadPortDefinitions();

// Appends the lines of a file to PortDefinitions(). `loaded` becomes true once the whole file
// has been read (an empty file too) and is false when it cannot be opened or a read fails; the
// lines read up to a failure stay. Lines end at LF, and a CR right before the LF is dropped.
void LoadPortDefinitionsFrom(const QString& filePath);

// Empties PortDefinitions() and clears `loaded`, as at process start.
void ResetPortDefinitions();

// The definition line that annotates a UDP port. The key is "<port>/udp" (decimal, lower case);
// a line matches when the first occurrence of the key in it does not start the line and follows
// a space. Every line is examined and the last matching one wins; nullopt when none matches.
std::optional<QByteArray> portDefinitionFor(quint16 port, const QList<QByteArray>& lines);

// portDefinitionFor over PortDefinitions() when they are loaded, else nullopt. The table is
// indexed on first use, so that a refresh costs one lookup per port.
std::optional<QByteArray> portDefinitionFor(quint16 port);

} // namespace quendal
