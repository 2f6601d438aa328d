#pragma once

#include "common/core/UiTextId.h"
#include "netinfo/core/SocketTables.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace quendal {

class PortDefinitions;

// The text that names a TCP state: Closed .. TCB deleted for the scale 1..12 (both FIN waits
// share "Waiting for FIN"), "Unknown status" for any other value.
UiTextId tcpStateUiText(int state);
QString tcpStateName(int state);

// The captions of the two tables' own columns.
inline const QList<UiTextId> kTcpColumnTexts = {
    UiTextId::LocalAddressColumn, UiTextId::LocalPortColumn, UiTextId::RemoteAddressColumn,
    UiTextId::RemotePortColumn, UiTextId::StateColumn};
inline const QList<UiTextId> kUdpColumnTexts = {UiTextId::LocalAddressColumn,
                                                UiTextId::LocalPortColumn};

// A table's captions: its own, then with port definitions loaded the fixed "Keyword" and
// "Description".
QStringList columnCaptions(const QList<UiTextId>& own, bool withPortDefinitions);

// The cell texts of one row, as many as its table's captions. The TCP page keeps its Keyword and
// Description cells empty; the UDP page shows the port's whole definition line in both (empty
// when no line names the port).
QStringList rowTexts(const TcpRow& row, const PortDefinitions& definitions);
QStringList rowTexts(const UdpRow& row, const PortDefinitions& definitions);

template <typename Row>
QList<QStringList> tableTexts(const std::vector<Row>& rows, const PortDefinitions& definitions)
{
    QList<QStringList> texts;
    texts.reserve(qsizetype(rows.size()));
    for (const Row& row : rows)
        texts << rowTexts(row, definitions);
    return texts;
}

} // namespace quendal
