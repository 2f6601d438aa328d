#pragma once

#include "netinfo/core/SocketTables.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace quendal {

// The UI text number that names a TCP state: 9040..9051 for the scale 1..12 (both FIN waits
// share 9045), 9047 "Unknown status" for any other value.
int tcpStateUiText(int state);
QString tcpStateName(int state);

// Captions of the table pages' columns. With port definitions loaded both tables gain the fixed
// "Keyword" and "Description" columns.
QStringList tcpColumnCaptions(bool withPortDefinitions);
QStringList udpColumnCaptions(bool withPortDefinitions);

// The cell texts of one row, as many as the captions above. The TCP page keeps its Keyword and
// Description cells empty; the UDP page shows the port's whole definition line in both (empty
// when no line names the port).
QStringList tcpRowTexts(const TcpRow& row, bool withPortDefinitions);
QStringList udpRowTexts(const UdpRow& row, bool withPortDefinitions);

QList<QStringList> tcpTableTexts(const std::vector<TcpRow>& rows, bool withPortDefinitions);
QList<QStringList> udpTableTexts(const std::vector<UdpRow>& rows, bool withPortDefinitions);

} // namespace quendal
