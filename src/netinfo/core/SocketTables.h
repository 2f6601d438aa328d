#pragma once

#include <QtGlobal>

#include <vector>

namespace quendal {

// TCP connection states on the scale the TCP page names: 1 Closed, 2 Listening, 3 SYN sent,
// 4 SYN received, 5 Established, 6 and 7 FIN wait 1 and 2, 8 Close wait, 9 Closing, 10 Last ACK,
// 11 Time wait, 12 TCB deleted. Anything else is an unknown state.
enum TcpState : int
{
    TcpClosed = 1,
    TcpListen = 2,
    TcpSynSent = 3,
    TcpSynReceived = 4,
    TcpEstablished = 5,
    TcpFinWait1 = 6,
    TcpFinWait2 = 7,
    TcpCloseWait = 8,
    TcpClosing = 9,
    TcpLastAck = 10,
    TcpTimeWait = 11,
    TcpDeleteTcb = 12
};

// IPv4 addresses in host order (127.0.0.1 is 0x7F000001), ports in host order.
struct TcpRow
{
    int state = 0;
    quint32 localAddress = 0;
    quint16 localPort = 0;
    quint32 remoteAddress = 0;
    quint16 remotePort = 0;
};

struct UdpRow
{
    quint32 localAddress = 0;
    quint16 localPort = 0;
};

// Where the TCP connection table and the UDP listener table come from. The system's
// implementation reads the kernel's tables; tests may hand in a fake.
class SocketTableSource
{
public:
    virtual ~SocketTableSource() = default;
    // Replace `rows` with the table in the system's order; false (rows untouched) on failure.
    virtual bool readTcpTable(std::vector<TcpRow>& rows) = 0;
    virtual bool readUdpTable(std::vector<UdpRow>& rows) = 0;
};

} // namespace quendal
