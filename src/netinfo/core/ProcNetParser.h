#pragma once

#include "netinfo/core/SocketTables.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace quendal {

// The kernel's IPv4 socket tables as /proc/net/tcp and /proc/net/udp print them: a heading line,
// then one line per socket whose fields are "sl:", "ADDR:PORT" local, "ADDR:PORT" remote and the
// state in hex, followed by fields this system does not read.

// A state outside the scale 1..12, so that it is named "Unknown status".
inline constexpr int kUnknownTcpState = 0;

// The TcpState of a Linux state number (1 ESTABLISHED .. 12 NEW_SYN_RECV); kUnknownTcpState for
// numbers Linux does not define.
int tcpStateFromLinux(int linuxState);

// A field the kernel prints with a fixed number of hex digits ("%08X", "%04X", "%02X"): exactly
// `digits` of 0-9, A-F or a-f and nothing else (at most 8); nullopt otherwise.
std::optional<quint32> procNetHex(QByteArrayView text, qsizetype digits);

// An address field of eight hex digits in host order (0100007F is 127.0.0.1 on a little-endian
// machine); nullopt when the field is not eight hex digits.
std::optional<quint32> procNetAddress(QByteArrayView hex);

// The rows of a whole file text in file order; nullopt when the heading is missing or a row
// cannot be read, so that a damaged table is never shown in part. Row is TcpRow or UdpRow: both
// files share their line format, and the UDP table keeps only the local end.
template <typename Row> std::optional<std::vector<Row>> parseProcNet(QByteArrayView text);

} // namespace quendal
