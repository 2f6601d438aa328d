#include "netinfo/core/ProcNetParser.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <array>

namespace quendal {
namespace {

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<quint16> procNetPort(QByteArrayView hex)
{
    // The kernel prints ports already converted to host order, four hex digits.
    const auto port = procNetHex(hex, 4);
    return port ? std::optional<quint16>(quint16(*port)) : std::nullopt;
}

bool parseEndpoint(const QByteArray& field, quint32& address, quint16& port)
{
    const qsizetype colon = field.indexOf(':');
    if (colon < 0)
        return false;
    const auto a = procNetAddress(QByteArrayView(field).first(colon));
    const auto p = procNetPort(QByteArrayView(field).sliced(colon + 1));
    if (!a || !p)
        return false;
    address = *a;
    port = *p;
    return true;
}

// Every line of both tables carries both ends and a state; a UDP table keeps only the local end.
std::optional<TcpRow> parseLine(const QByteArray& line)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 4 || !fields[0].endsWith(':'))
        return std::nullopt;
    TcpRow row;
    if (!parseEndpoint(fields[1], row.localAddress, row.localPort) ||
        !parseEndpoint(fields[2], row.remoteAddress, row.remotePort))
        return std::nullopt;
    const auto state = procNetHex(fields[3], 2);
    if (!state)
        return std::nullopt;
    row.state = tcpStateFromLinux(int(*state));
    return row;
}

void keep(const TcpRow& line, TcpRow& row)
{
    row = line;
}

void keep(const TcpRow& line, UdpRow& row)
{
    row = {line.localAddress, line.localPort};
}

} // namespace

int tcpStateFromLinux(int linuxState)
{
    // Indexed by the kernel's numbering in include/net/tcp_states.h.
    static constexpr std::array<int, 13> kScale = {
        kUnknownTcpState, // 0: not a state
        TcpEstablished,   // 1 ESTABLISHED
        TcpSynSent,       // 2 SYN_SENT
        TcpSynReceived,   // 3 SYN_RECV
        TcpFinWait1,      // 4 FIN_WAIT1
        TcpFinWait2,      // 5 FIN_WAIT2
        TcpTimeWait,      // 6 TIME_WAIT
        TcpClosed,        // 7 CLOSE
        TcpCloseWait,     // 8 CLOSE_WAIT
        TcpLastAck,       // 9 LAST_ACK
        TcpListen,        // 10 LISTEN
        TcpClosing,       // 11 CLOSING
        TcpSynReceived,   // 12 NEW_SYN_RECV: a connection request not yet accepted
    };
    if (linuxState < 0 || linuxState >= int(kScale.size()))
        return kUnknownTcpState;
    return kScale[size_t(linuxState)];
}

std::optional<quint32> procNetHex(QByteArrayView text, qsizetype digits)
{
    // Number parsers would also take a sign, "0x", blanks, or stop at a zero byte.
    if (text.size() != digits || digits > 8)
        return std::nullopt;
    quint32 value = 0;
    for (const char c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | quint32(digit);
    }
    return value;
}

std::optional<quint32> procNetAddress(QByteArrayView hex)
{
    const auto printed = procNetHex(hex, 8);
    if (!printed)
        return std::nullopt;
    // The kernel prints the address's four bytes, as stored in network order, read as one native
    // integer. Reading that integer back from big-endian gives the host-order address on any
    // machine.
    return qFromBigEndian(*printed);
}

template <typename Row> std::optional<std::vector<Row>> parseProcNet(QByteArrayView text)
{
    const QList<QByteArray> lines = QByteArray(text.data(), text.size()).split('\n');
    if (lines.isEmpty() || !lines.front().trimmed().startsWith("sl"))
        return std::nullopt;
    std::vector<Row> rows;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const auto line = parseLine(lines[i]);
        if (!line)
            return std::nullopt;
        keep(*line, rows.emplace_back());
    }
    return rows;
}

template std::optional<std::vector<TcpRow>> parseProcNet(QByteArrayView text);
template std::optional<std::vector<UdpRow>> parseProcNet(QByteArrayView text);

} // namespace quendal
