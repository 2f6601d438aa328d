#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace quendal {

inline constexpr const char* kPortDefinitionsFileName = "Portdef.dat";

// The lines of Portdef.dat, each kept as bytes without its line end, and whether the whole file
// was read. The program loads them once at start-up and hands them to the table pages; a table
// that was not loaded annotates nothing and adds no columns. Cheap to copy.
class PortDefinitions
{
public:
    // Nothing loaded: what the program has when Portdef.dat cannot be read.
    PortDefinitions() = default;
    // These lines, read in full (`loaded`) or up to a failed read.
    explicit PortDefinitions(QList<QByteArray> lines, bool loaded = true);

    bool loaded() const { return loaded_; }
    const QList<QByteArray>& lines() const { return lines_; }

    // The definition line that annotates a UDP port (see indexPortDefinitions), found with one
    // lookup; nullopt when the definitions are not loaded or no line names the port.
    std::optional<QByteArray> lineFor(quint16 port) const;

private:
    QList<QByteArray> lines_;
    bool loaded_ = false;
    // indexPortDefinitions(lines_), made once when loaded.
    QList<int> index_;
};

// Reads Portdef.dat from the current directory.
PortDefinitions LoadPortDefinitions();

// Reads the lines of a file. Loaded once the whole file has been read (an empty file too); not
// loaded when it cannot be opened or a read fails, keeping the lines read up to the failure.
// Lines end at LF, and a CR right before the LF is dropped.
PortDefinitions LoadPortDefinitionsFrom(const QString& filePath);

// For every UDP port, the index of the definition line that annotates it (-1: none), found in
// one pass over the lines. The key of a port is "<port>/udp" (decimal, lower case); a line
// annotates the port when the first occurrence of the key in it does not start the line and
// follows a space. Every line is examined and the last matching one wins.
std::vector<int> indexPortDefinitions(const QList<QByteArray>& lines);

} // namespace quendal
