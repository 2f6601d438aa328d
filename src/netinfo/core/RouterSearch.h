#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <optional>

namespace quendal {

// The router search: a 54-byte request that routers on the segment answer with their address,
// mask and MAC in a datagram of the same layout.
inline constexpr int kRouterSearchSize = 54;
inline constexpr quint16 kRouterSearchPort = 56415;
inline constexpr unsigned char kRouterSearchSignature[2] = {0xDD, 0x80};

// Request: DD 80, the length 54 most significant byte first, "QUENDAL" and a zero byte, zeros.
QByteArray buildSearchRequest();

// Whether a datagram starts with the search signature (requests and replies share it).
bool hasSearchSignature(const QByteArray& datagram);

// One router as its reply describes it.
struct RouterReply
{
    // Twelve upper-case hex digits without separators: 00507FA1B2C3.
    QString mac;
    // Dotted decimal.
    QString ipAddress;
    QString subnetMask;
};

// Reads a reply: none unless it starts DD 80. Only the first 54 bytes count, and a shorter one
// reads as if zero-filled to 54. Address at offset 4, mask at 8 (network order), MAC at 12.
std::optional<RouterReply> parseSearchReply(const QByteArray& datagram);

// The 54-byte reply a router sends (the other bytes zero). `mac` is twelve hex digits, the
// addresses dotted IPv4; none when any of them is not.
std::optional<QByteArray> buildSearchReply(const RouterReply& router);

// Where the search request goes.
struct RouterSearchTarget
{
    QHostAddress address;
    quint16 port = kRouterSearchPort;

    // The program's search: the limited broadcast 255.255.255.255 on port 56415, which every
    // router on the segment hears.
    static RouterSearchTarget limitedBroadcast();
    // A search that no router hears: the discard port 9 on 127.0.0.1. What a window searches
    // unless it is told otherwise, so that no test ever sends a broadcast.
    static RouterSearchTarget loopbackDiscard();
};

// "ADDRESS" or "ADDRESS:PORT" with a dotted IPv4 address (192.168.1.255 for a directed
// broadcast), read by the settings dialog's rule: four decimal parts, a leading zero is not
// octal ("192.168.001.010" is 192.168.1.10), nothing else in the text. None when malformed or
// the port (ASCII digits) is 0 or out of range.
std::optional<RouterSearchTarget> parseRouterSearchTarget(const QString& text);

} // namespace quendal
